// The WMI connection against the WMI service of the machine running the tests.
#include <gtest/gtest.h>

#include <string>

#include "method_wmi.h"
#include "wmi_support.h"

using wmitest::RegistryScratch;

namespace {

class WmiConnection : public ::testing::Test {
protected:
    ComApartment com;
    MethodWMI cimv2;
    void SetUp() override { ASSERT_TRUE(cimv2.Connect(L"root\\cimv2")); }
};

} // namespace

TEST_F(WmiConnection, ReadsSingleValues)
{
    std::wstring text;
    EXPECT_TRUE(cimv2.QueryValue(L"Win32_BIOS", L"", L"SerialNumber", text));
    EXPECT_EQ(text, L"0"); // what Wine reports
    EXPECT_TRUE(cimv2.QueryValue(L"Win32_OperatingSystem", L"", L"Caption", text));
    EXPECT_FALSE(text.empty());
    // An integer property in decimal.
    EXPECT_TRUE(cimv2.QueryValue(L"Win32_BIOS", L"", L"SMBIOSMajorVersion", text));
    EXPECT_EQ(text, std::to_wstring(_wtoi(text.c_str())));
    EXPECT_EQ(cimv2.lastError, 0);
}

TEST_F(WmiConnection, NullOrUnconvertiblePropertyFailsWithTextUnchanged)
{
    std::wstring text = L"before";
    EXPECT_FALSE(cimv2.QueryValue(L"Win32_BIOS", L"", L"CurrentLanguage", text)); // null here
    EXPECT_EQ(text, L"before");
    EXPECT_FALSE(cimv2.QueryValue(L"Win32_BIOS", L"", L"EmbeddedControllerMajorVersion", text)); // a byte
    EXPECT_EQ(text, L"before");
    // Conversion failures are not connection failures.
    EXPECT_EQ(cimv2.lastError, 0);
}

TEST_F(WmiConnection, QueryMatchingNothingSucceedsWithoutValues)
{
    std::wstring text = L"before";
    EXPECT_TRUE(cimv2.QueryValue(L"Win32_BIOS", L"SerialNumber='no such serial'", L"SerialNumber", text));
    EXPECT_EQ(text, L"before");
    std::vector<std::wstring> values;
    EXPECT_TRUE(cimv2.QueryList(L"Win32_BIOS", L"SerialNumber='no such serial'", {L"Name"}, values));
    EXPECT_TRUE(values.empty());
    std::vector<std::vector<std::wstring>> rows;
    EXPECT_TRUE(cimv2.QueryTable(L"Win32_BIOS", L"SerialNumber='no such serial'", {L"Name"}, rows));
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(cimv2.lastError, 0);
}

TEST_F(WmiConnection, ListKeepsOneEntryPerPropertyEvenWhenOneFails)
{
    std::vector<std::wstring> values{L"kept"};
    EXPECT_FALSE(cimv2.QueryList(L"Win32_BIOS", L"", {L"SerialNumber", L"CurrentLanguage", L"Manufacturer"}, values));
    ASSERT_EQ(values.size(), 4u); // appended to what was there
    EXPECT_EQ(values[0], L"kept");
    EXPECT_EQ(values[1], L"0");
    EXPECT_EQ(values[2], L"");
    EXPECT_FALSE(values[3].empty());
    EXPECT_EQ(cimv2.lastError, 0);

    values.clear();
    EXPECT_TRUE(cimv2.QueryList(L"Win32_OperatingSystem", L"", {L"Caption", L"OSLanguage"}, values));
    EXPECT_EQ(values.size(), 2u);
}

TEST_F(WmiConnection, TableHasOneRowPerInstance)
{
    std::vector<std::vector<std::wstring>> rows;
    EXPECT_TRUE(cimv2.QueryTable(L"Win32_DiskDrive", L"", {L"Model", L"Index"}, rows));
    ASSERT_FALSE(rows.empty());
    for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 2u);
        EXPECT_EQ(rows[i][0], L"Wine Disk Drive");
        EXPECT_EQ(rows[i][1], std::to_wstring(i));
    }
    size_t all = rows.size();
    EXPECT_TRUE(cimv2.QueryTable(L"Win32_DiskDrive", L"Index = 0", {L"Model"}, rows));
    EXPECT_EQ(rows.size(), all + 1);

    // A cell that cannot be converted is empty, the row keeps its shape.
    rows.clear();
    EXPECT_FALSE(cimv2.QueryTable(L"Win32_BIOS", L"", {L"CurrentLanguage", L"SerialNumber"}, rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"", L"0"}));
}

TEST_F(WmiConnection, StringArrayPropertyIsJoined)
{
    // DNSServerSearchOrder is a string array here; its elements depend on the host.
    std::vector<std::vector<std::wstring>> rows;
    EXPECT_TRUE(cimv2.QueryTable(L"Win32_NetworkAdapterConfiguration", L"", {L"DNSServerSearchOrder"}, rows));
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        const std::wstring& text = row[0];
        EXPECT_NE(text.substr(0, 2), L"; ");
        if (text.size() >= 2) {
            EXPECT_NE(text.substr(text.size() - 2), L"; ");
        }
    }
}

TEST_F(WmiConnection, FailureStaysInItsOwnCall)
{
    std::wstring text;
    EXPECT_FALSE(cimv2.QueryValue(L"Win32_BIOS", L"((", L"SerialNumber", text));
    EXPECT_EQ(cimv2.lastError, static_cast<int>(WBEM_E_INVALID_QUERY));
    EXPECT_TRUE(cimv2.QueryValue(L"Win32_BIOS", L"", L"SerialNumber", text));
    EXPECT_EQ(cimv2.lastError, 0);

    // A property the class lacks fails its read alone.
    EXPECT_FALSE(cimv2.QueryValue(L"Win32_BIOS", L"", L"NoSuchProperty", text));
    EXPECT_NE(cimv2.lastError, 0);
    EXPECT_TRUE(cimv2.QueryValue(L"Win32_BIOS", L"", L"SerialNumber", text));
    EXPECT_EQ(cimv2.lastError, 0);

    // A class WMI does not know: Wine answers its query with no instances
    // (Windows with WBEM_E_INVALID_CLASS from the fetch); asking for the class
    // itself fails on both, with its own code.
    EXPECT_FALSE(cimv2.ExecMethod(L"Win32_NoSuchClass", L"", L"Nothing", {}));
    EXPECT_NE(cimv2.lastError, 0);
    EXPECT_NE(cimv2.lastError, static_cast<int>(WBEM_E_INVALID_QUERY));
    EXPECT_TRUE(cimv2.QueryValue(L"Win32_BIOS", L"", L"SerialNumber", text));
    EXPECT_EQ(cimv2.lastError, 0);
}

TEST_F(WmiConnection, OverlongQueryIsRefusedWithoutRunning)
{
    std::wstring text = L"before";
    EXPECT_FALSE(cimv2.QueryValue(L"Win32_BIOS", std::wstring(1100, L'x'), L"SerialNumber", text));
    EXPECT_EQ(cimv2.lastError, static_cast<int>(wmi::E_TEXT_TOO_LONG));
    EXPECT_EQ(text, L"before");
}

TEST(WmiConnect, UnconnectedConnectionFailsEveryOperationAtOnce)
{
    ComApartment com;
    MethodWMI never;
    std::wstring text = L"before";
    EXPECT_FALSE(never.QueryValue(L"Win32_BIOS", L"", L"SerialNumber", text));
    EXPECT_EQ(never.lastError, static_cast<int>(wmi::E_NEVER_CONNECTED));
    EXPECT_EQ(text, L"before");

    MethodWMI unknown;
    EXPECT_FALSE(unknown.Connect(L"root\\nosuchnamespace"));
    EXPECT_EQ(unknown.lastError, static_cast<int>(WBEM_E_INVALID_NAMESPACE));
    EXPECT_FALSE(unknown.IsConnected());
    unknown.lastError = 0;
    std::vector<std::wstring> values;
    EXPECT_FALSE(unknown.QueryList(L"Win32_BIOS", L"", {L"SerialNumber"}, values));
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(unknown.lastError, static_cast<int>(WBEM_E_INVALID_NAMESPACE));
    unknown.lastError = 0;
    std::vector<std::vector<std::wstring>> rows;
    EXPECT_FALSE(unknown.QueryTable(L"Win32_BIOS", L"", {L"SerialNumber"}, rows));
    EXPECT_NE(unknown.lastError, 0);
    unknown.lastError = 0;
    unknown.SetProperty(L"Win32_BIOS", L"", L"Name", L"x", VT_BSTR);
    EXPECT_NE(unknown.lastError, 0);
    unknown.lastError = 0;
    EXPECT_FALSE(unknown.ExecMethod(L"StdRegProv", L"", L"CreateKey", {}));
    EXPECT_NE(unknown.lastError, 0);

    // Namespace text is passed as written; letter case does not matter to WMI.
    MethodWMI upper;
    EXPECT_TRUE(upper.Connect(L"ROOT\\CIMV2"));
    EXPECT_TRUE(upper.QueryValue(L"Win32_BIOS", L"", L"SerialNumber", text));
}

TEST_F(WmiConnection, SetPropertyRunsTheQueryAndReportsRefusedWrites)
{
    // Wine cannot store instances (PutInstance answers 0x80041001), so this
    // checks the query, the conversion and that a refused write is reported;
    // on Windows the same write of an unchanged value would succeed.
    std::wstring organization = L"unset";
    ASSERT_TRUE(cimv2.QueryValue(L"Win32_OperatingSystem", L"", L"Organization", organization));
    cimv2.SetProperty(L"Win32_OperatingSystem", L"", L"Organization", organization, VT_BSTR);
    EXPECT_EQ(cimv2.lastError, static_cast<int>(WBEM_E_FAILED));

    // Matching nothing writes nothing and records nothing.
    MethodWMI fresh;
    ASSERT_TRUE(fresh.Connect(L"root\\cimv2"));
    fresh.SetProperty(L"Win32_BIOS", L"SerialNumber='no such serial'", L"Description", L"x", VT_BSTR);
    EXPECT_EQ(fresh.lastError, 0);
    fresh.SetProperty(L"Win32_BIOS", L"((", L"Description", L"x", VT_BSTR);
    EXPECT_EQ(fresh.lastError, static_cast<int>(WBEM_E_INVALID_QUERY));

    // A value type outside string, integer and boolean is refused, not written.
    MethodWMI typed;
    ASSERT_TRUE(typed.Connect(L"root\\cimv2"));
    typed.SetProperty(L"Win32_BIOS", L"SerialNumber='no such serial'", L"Description", L"x", VT_R8);
    EXPECT_EQ(typed.lastError, static_cast<int>(WBEM_E_TYPE_MISMATCH));
}

// StdRegProv writes the registry for real, which lets the test see the effect.
class WmiRegistryMethods : public ::testing::Test {
protected:
    ComApartment com;
    MethodWMI root;
    RegistryScratch scratch{L"method_wmi"};
    void SetUp() override { ASSERT_TRUE(root.Connect(L"root\\default")); }

    static inparam Param(const wchar_t* name, const std::wstring& value, VARTYPE type, const wchar_t* code = L"")
    {
        return inparam{name, value, type, code};
    }
    std::vector<inparam> KeyParams() const
    {
        return {Param(L"hDefKey", wmitest::HKCU_TEXT, VT_I4), Param(L"sSubKeyName", scratch.subKey(), VT_BSTR)};
    }
};

TEST_F(WmiRegistryMethods, ClassMethodsWriteTheRegistry)
{
    ASSERT_TRUE(root.ExecMethod(L"StdRegProv", L"", L"CreateKey", KeyParams()));
    EXPECT_EQ(root.lastError, 0);
    EXPECT_TRUE(scratch.keyExists());

    // `code` names the parameter for WMI; `name` stays the catalogue's name.
    std::vector<inparam> params{Param(L"hive", wmitest::HKCU_TEXT, VT_I4, L"hDefKey"),
                                Param(L"key", scratch.subKey(), VT_BSTR, L"sSubKeyName"),
                                Param(L"sValueName", L"Greeting", VT_BSTR),
                                Param(L"sValue", L"こんにちは; world", VT_BSTR)};
    ASSERT_TRUE(root.ExecMethod(L"StdRegProv", L"", L"SetStringValue", params));
    EXPECT_EQ(scratch.readString(L"Greeting"), L"こんにちは; world");
}

TEST_F(WmiRegistryMethods, NonZeroReturnValueBecomesTheCode)
{
    // Reading a value that does not exist: the method runs and answers 2 (not found)
    // or another non-zero status.
    std::vector<inparam> params = KeyParams();
    params.push_back(Param(L"sValueName", L"Missing", VT_BSTR));
    EXPECT_FALSE(root.ExecMethod(L"StdRegProv", L"", L"GetStringValue", params));
    EXPECT_GT(root.lastError, 0);
}

TEST_F(WmiRegistryMethods, DwordParameterFollowsThePlatform)
{
    ASSERT_TRUE(root.ExecMethod(L"StdRegProv", L"", L"CreateKey", KeyParams()));
    std::vector<inparam> params = KeyParams();
    params.push_back(Param(L"sValueName", L"Count", VT_BSTR));
    params.push_back(Param(L"uValue", L"42", VT_I4));
    bool ran = root.ExecMethod(L"StdRegProv", L"", L"SetDWORDValue", params);
    if (ran) {
        EXPECT_EQ(scratch.readDword(L"Count"), 42u); // Windows converts the integer
    } else {
        // Wine refuses a 32-bit signed value for a uint32 parameter.
        EXPECT_EQ(root.lastError, static_cast<int>(WBEM_E_TYPE_MISMATCH));
        EXPECT_FALSE(scratch.valueExists(L"Count"));
    }
}

TEST_F(WmiRegistryMethods, MethodWithParametersIsNeverRunWithout)
{
    EXPECT_FALSE(root.ExecMethod(L"StdRegProv", L"", L"CreateKey", {}));
    EXPECT_EQ(root.lastError, static_cast<int>(WBEM_E_INVALID_METHOD_PARAMETERS));
    EXPECT_FALSE(scratch.keyExists());
}

TEST_F(WmiRegistryMethods, UnknownMethodAndBadParameterAreFailures)
{
    EXPECT_FALSE(root.ExecMethod(L"StdRegProv", L"", L"NoSuchMethod", KeyParams()));
    EXPECT_NE(root.lastError, 0);
    root.lastError = 0;
    std::vector<inparam> params = KeyParams();
    params.push_back(Param(L"NotAParameter", L"x", VT_BSTR));
    EXPECT_FALSE(root.ExecMethod(L"StdRegProv", L"", L"CreateKey", params));
    EXPECT_NE(root.lastError, 0);
    EXPECT_FALSE(scratch.keyExists());
    root.lastError = 0;
    params = KeyParams();
    params[1].type = VT_R8;
    EXPECT_FALSE(root.ExecMethod(L"StdRegProv", L"", L"CreateKey", params));
    EXPECT_EQ(root.lastError, static_cast<int>(WBEM_E_TYPE_MISMATCH));
    EXPECT_FALSE(scratch.keyExists());
}

TEST(WmiObjectMethods, MethodWithoutInputRunsOnAnObjectPath)
{
    ComApartment com;
    MethodWMI cimv2;
    ASSERT_TRUE(cimv2.Connect(L"root\\cimv2"));
    // The object path is class, dot, key.
    std::wstring key = L"Handle=\"" + std::to_wstring(::GetCurrentProcessId()) + L"\"";
    EXPECT_TRUE(cimv2.ExecMethod(L"Win32_Process", key, L"GetOwner", {}));
    EXPECT_EQ(cimv2.lastError, 0);
}
