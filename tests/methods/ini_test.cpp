#include <gtest/gtest.h>

#include "ini_methods.h"
#include "methods_fixture.h"

using mt::LoadedCatalog;
using mt::Values;

namespace {

std::wstring IniGet(const std::wstring& name, const std::wstring& path, const std::wstring& key, const std::wstring& type,
                    const std::wstring& file = L"a.ini")
{
    return L"<Data><Name>" + name + L"</Name><Method type='INI'><Path>" + path + L"</Path><File>" + file +
           L"</File><Section>Main</Section><Key>" + key + L"</Key><Type>" + type + L"</Type></Method></Data>";
}

std::wstring IniSet(const std::wstring& name, const std::wstring& path, const std::wstring& key,
                    const std::wstring& file = L"a.ini")
{
    return L"<Data><Name>" + name + L"</Name><Set type='ini'><Path>" + path + L"</Path><File>" + file +
           L"</File><Section>Main</Section><Key>" + key + L"</Key></Set></Data>";
}

} // namespace

TEST(IniMethods, IntAndStringReadsOfTheSameKey)
{
    ts::TempDir dir;
    ASSERT_TRUE(ts::writeFile(dir.file(L"a.ini"), "[Main]\r\nCount=0012\r\nMinus=-2\r\nEmpty=\r\n"));
    LoadedCatalog cat(IniGet(L"AsInt", dir.path(), L"Count", L"iNT") + IniGet(L"AsText", dir.path(), L"Count", L"String") +
                      IniGet(L"MinusTwo", dir.path(), L"Minus", L"Int") + IniGet(L"AbsentInt", dir.path(), L"None", L"Int") +
                      IniGet(L"AbsentText", dir.path(), L"None", L"") + IniGet(L"EmptyText", dir.path(), L"Empty", L"x") +
                      IniGet(L"NoFile", dir.path(), L"Count", L"x", L"missing.ini"));
    ASSERT_TRUE(cat.loaded);
    MethodResult result;
    ASSERT_TRUE(cat->RunGet(L"AsInt", result));
    EXPECT_EQ(result.kind, MethodResult::SINGLE);
    EXPECT_EQ(result.value, L"12");
    ASSERT_TRUE(cat->RunGet(L"AsText", result));
    EXPECT_EQ(result.value, L"0012");

    // -2 marks an absent number, so a stored -2 cannot be told from one.
    for (const wchar_t* name : {L"MinusTwo", L"AbsentInt", L"AbsentText", L"EmptyText", L"NoFile"}) {
        result.Clear();
        EXPECT_FALSE(cat->RunGet(name, result)) << ts::wideToUtf8(name);
        EXPECT_EQ(cat->lastError, -1) << ts::wideToUtf8(name);
        EXPECT_EQ(result.kind, MethodResult::NOTHING);
    }
}

TEST(IniMethods, StringValuesAreReadUpTo4095Characters)
{
    ts::TempDir dir;
    std::string exact(4095, 'e');
    std::string longer(4096, 'l');
    ASSERT_TRUE(ts::writeFile(dir.file(L"a.ini"), "[Main]\r\nExact=" + exact + "\r\nLonger=" + longer + "x\r\n"));
    LoadedCatalog cat(IniGet(L"Exact", dir.path(), L"Exact", L"s") + IniGet(L"Longer", dir.path(), L"Longer", L"s"));
    ASSERT_TRUE(cat.loaded);
    MethodResult result;
    ASSERT_TRUE(cat->RunGet(L"Exact", result));
    EXPECT_EQ(result.value, std::wstring(4095, L'e'));
    ASSERT_TRUE(cat->RunGet(L"Longer", result));
    EXPECT_EQ(result.value, std::wstring(4095, L'l'));
}

TEST(IniMethods, SetCreatesTheFileAndReadsBack)
{
    ts::TempDir dir;
    LoadedCatalog cat(IniSet(L"Put", dir.path(), L"Name", L"new.ini") +
                      IniGet(L"Read", dir.path(), L"Name", L"s", L"new.ini") +
                      IniSet(L"Nowhere", dir.file(L"no\\such\\folder"), L"Name"));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    ASSERT_TRUE(cat->RunSet(L"Put", Values({{L"v", L"value one"}, {L"w", L"second"}}), notFound));
    EXPECT_FALSE(notFound);
    EXPECT_TRUE(ts::fileExists(dir.file(L"new.ini")));
    MethodResult result;
    ASSERT_TRUE(cat->RunGet(L"Read", result));
    EXPECT_EQ(result.value, L"value one");

    EXPECT_FALSE(cat->RunSet(L"Nowhere", Values({{L"v", L"x"}}), notFound));
    EXPECT_NE(cat->lastError, 0);
    EXPECT_NE(cat->lastError, -1);
}

TEST(IniMethods, PathTakesTheValueOfAReferencedMethod)
{
    ts::TempDir dir;
    ASSERT_TRUE(::CreateDirectoryW(dir.file(L"sub").c_str(), nullptr));
    std::string base = ts::wideToCp932(dir.path());
    ASSERT_TRUE(ts::writeFile(dir.file(L"base.ini"), "[Main]\r\nDir=" + base + "\r\n"));
    ASSERT_TRUE(ts::writeFile(dir.file(L"sub\\a.ini"), "[Main]\r\nKey=found\r\n"));
    LoadedCatalog cat(IniGet(L"InstallDir", dir.path(), L"Dir", L"s", L"base.ini") +
                      IniGet(L"Inner", L"{InstallDir}\\sub", L"Key", L"s") + IniSet(L"InnerSet", L"{InstallDir}\\sub", L"Other") +
                      IniGet(L"Unknown", L"{NotAMethod}\\sub", L"Key", L"s") + IniGet(L"ExeDir", L"{EXEDIR}", L"Key", L"s"));
    ASSERT_TRUE(cat.loaded);
    MethodResult result;
    ASSERT_TRUE(cat->RunGet(L"Inner", result));
    EXPECT_EQ(result.value, L"found");
    bool notFound = true;
    ASSERT_TRUE(cat->RunSet(L"InnerSet", Values({{L"v", L"written"}}), notFound));
    EXPECT_NE(ts::readFile(dir.file(L"sub\\a.ini")).find("Other=written"), std::string::npos);

    EXPECT_FALSE(cat->RunGet(L"Unknown", result));
    EXPECT_EQ(cat->lastError, -1);
    // {EXEDIR} is a method name here like any other, not the tool's folder.
    ASSERT_TRUE(ts::writeFile(ts::moduleDir() + L"\\a.ini", "[Main]\r\nKey=exe\r\n"));
    EXPECT_FALSE(cat->RunGet(L"ExeDir", result));
    ::DeleteFileW((ts::moduleDir() + L"\\a.ini").c_str());
}

TEST(IniMethods, MissingElementsReadAndWriteNothing)
{
    ts::TempDir dir;
    LoadedCatalog cat(L"<Data><Name>NoType</Name><Method type='Ini'><Path>" + dir.path() +
                      L"</Path><File>a.ini</File><Section>Main</Section><Key>k</Key></Method>"
                      L"<Set type='Ini'><Path>" + dir.path() + L"</Path><File>a.ini</File><Key>k</Key></Set></Data>");
    ASSERT_TRUE(cat.loaded);
    MethodResult result;
    EXPECT_FALSE(cat->RunGet(L"NoType", result));
    EXPECT_EQ(cat->lastError, -1);
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"NoType", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(cat->lastError, -1);
    EXPECT_FALSE(ts::fileExists(dir.file(L"a.ini")));
}
