// The text rules of the WMI layer, checked on crafted values without WMI.
#include <gtest/gtest.h>

#include "leading_integer.h"
#include "method_wmi.h"

namespace {

// A VT_ARRAY|VT_BSTR variant; a null entry leaves that element a null string.
void MakeStringArray(Variant& v, const std::vector<const wchar_t*>& items)
{
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(items.size()));
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i)
        if (items[i]) {
            Bstr b(items[i]);
            ::SafeArrayPutElement(array, &i, b.get());
        }
    v.put()->vt = VT_ARRAY | VT_BSTR;
    v->parray = array;
}

std::vector<std::wstring> ArrayItems(const VARIANT& v)
{
    std::vector<std::wstring> items;
    LONG lower = 0, upper = -1;
    ::SafeArrayGetLBound(v.parray, 1, &lower);
    ::SafeArrayGetUBound(v.parray, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        Bstr b;
        ::SafeArrayGetElement(v.parray, &i, b.put());
        items.emplace_back(b.c_str());
    }
    return items;
}

} // namespace

TEST(WmiValueRules, StringsAndIntegersBecomeText)
{
    Variant v;
    v->vt = VT_BSTR;
    v->bstrVal = ::SysAllocString(L"Wine");
    std::wstring text;
    EXPECT_TRUE(wmi::ValueToText(*v.get(), text));
    EXPECT_EQ(text, L"Wine");

    v.put()->vt = VT_I4;
    v->lVal = 42;
    EXPECT_TRUE(wmi::ValueToText(*v.get(), text));
    EXPECT_EQ(text, L"42");
    v->lVal = -1;
    EXPECT_TRUE(wmi::ValueToText(*v.get(), text));
    EXPECT_EQ(text, L"-1");
}

TEST(WmiValueRules, StringArraysJoinWithSemicolonSpace)
{
    Variant v;
    std::wstring text = L"old";
    MakeStringArray(v, {L"a", L"b", L"c"});
    EXPECT_TRUE(wmi::ValueToText(*v.get(), text));
    EXPECT_EQ(text, L"a; b; c");
    MakeStringArray(v, {L"only"});
    EXPECT_TRUE(wmi::ValueToText(*v.get(), text));
    EXPECT_EQ(text, L"only");
    MakeStringArray(v, {});
    EXPECT_TRUE(wmi::ValueToText(*v.get(), text));
    EXPECT_EQ(text, L"");
    // A missing element adds neither text nor separator.
    MakeStringArray(v, {L"a", nullptr, L"c"});
    EXPECT_TRUE(wmi::ValueToText(*v.get(), text));
    EXPECT_EQ(text, L"a; c");
}

TEST(WmiValueRules, OtherTypesFailAndLeaveTheTextAlone)
{
    std::wstring text = L"kept";
    Variant v;
    v->vt = VT_NULL;
    EXPECT_FALSE(wmi::ValueToText(*v.get(), text));
    v.put()->vt = VT_BOOL;
    v->boolVal = VARIANT_TRUE;
    EXPECT_FALSE(wmi::ValueToText(*v.get(), text));
    v.put()->vt = VT_UI1;
    EXPECT_FALSE(wmi::ValueToText(*v.get(), text));
    EXPECT_EQ(text, L"kept");
}

TEST(WmiValueRules, TextToInteger)
{
    EXPECT_EQ(LeadingInteger(L"42"), 42);
    EXPECT_EQ(LeadingInteger(L"  -12abc"), -12);
    EXPECT_EQ(LeadingInteger(L"+7"), 7);
    EXPECT_EQ(LeadingInteger(L"abc"), 0);
    EXPECT_EQ(LeadingInteger(L""), 0);
    EXPECT_EQ(LeadingInteger(L"99999999999"), 2147483647);
    EXPECT_EQ(LeadingInteger(L"-2147483648"), INT_MIN);
}

TEST(WmiValueRules, TextToBoolean)
{
    for (const wchar_t* yes : {L"true", L"TRUE", L"tRuE", L"1"}) {
        Variant v;
        ASSERT_TRUE(wmi::TextToValue(yes, VT_BOOL, v));
        EXPECT_EQ(v->vt, VT_BOOL);
        EXPECT_EQ(v->boolVal, VARIANT_TRUE) << yes;
    }
    for (const wchar_t* no : {L"yes", L"0", L"", L"true "}) {
        Variant v;
        ASSERT_TRUE(wmi::TextToValue(no, VT_BOOL, v));
        EXPECT_EQ(v->boolVal, VARIANT_FALSE) << no;
    }
}

TEST(WmiValueRules, TextToStringIntegerAndArray)
{
    Variant v;
    ASSERT_TRUE(wmi::TextToValue(L" a b ", VT_BSTR, v));
    EXPECT_EQ(v->vt, VT_BSTR);
    EXPECT_STREQ(v->bstrVal, L" a b ");
    ASSERT_TRUE(wmi::TextToValue(L"-5x", VT_I4, v));
    EXPECT_EQ(v->vt, VT_I4);
    EXPECT_EQ(v->lVal, -5);

    // Empty pieces dropped, nothing trimmed, lower bound 0.
    ASSERT_TRUE(wmi::TextToValue(L";a;; b;", VT_ARRAY | VT_BSTR, v));
    ASSERT_EQ(v->vt, VT_ARRAY | VT_BSTR);
    LONG lower = -1;
    ::SafeArrayGetLBound(v->parray, 1, &lower);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(ArrayItems(*v.get()), (std::vector<std::wstring>{L"a", L" b"}));
    ASSERT_TRUE(wmi::TextToValue(L"", VT_ARRAY | VT_BSTR, v));
    EXPECT_TRUE(ArrayItems(*v.get()).empty());

    EXPECT_FALSE(wmi::TextToValue(L"1", VT_R8, v));
    EXPECT_FALSE(wmi::TextToValue(L"1", VT_EMPTY, v));
}

TEST(WmiValueRules, QueryTextAndObjectPath)
{
    std::wstring query;
    ASSERT_TRUE(wmi::BuildQuery(L"Win32_BIOS", L"", query));
    EXPECT_EQ(query, L"SELECT * FROM Win32_BIOS "); // ends in a space without condition
    ASSERT_TRUE(wmi::BuildQuery(L"C", L"Name='x'", query));
    EXPECT_EQ(query, L"SELECT * FROM C where Name='x'");

    // "SELECT * FROM C where " is 22 characters; 1,023 fit in the buffer.
    EXPECT_TRUE(wmi::BuildQuery(L"C", std::wstring(1001, L'x'), query));
    query = L"unchanged";
    EXPECT_FALSE(wmi::BuildQuery(L"C", std::wstring(1002, L'x'), query));
    EXPECT_FALSE(wmi::BuildQuery(std::wstring(2000, L'C'), L"", query));
    EXPECT_EQ(query, L"unchanged");

    std::wstring path;
    ASSERT_TRUE(wmi::BuildObjectPath(L"C", L"Name='x'", path));
    EXPECT_EQ(path, L"C.Name='x'");
    ASSERT_TRUE(wmi::BuildObjectPath(L"StdRegProv", L"", path));
    EXPECT_EQ(path, L"StdRegProv");
    EXPECT_FALSE(wmi::BuildObjectPath(L"C", std::wstring(1022, L'k'), path));
}

TEST(WmiValueRules, SplitListKeepsOrder)
{
    EXPECT_EQ(wmi::SplitList(L"a;b"), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(wmi::SplitList(L";;a;;b;;"), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_TRUE(wmi::SplitList(L";;;").empty());
    EXPECT_EQ(wmi::SplitList(L"日本;語"), (std::vector<std::wstring>{L"日本", L"語"}));
}
