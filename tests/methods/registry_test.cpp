#include <gtest/gtest.h>

#include "methods_fixture.h"
#include "registry_methods.h"
#include "registry_value.h"

using mt::LoadedCatalog;
using mt::Values;

namespace {

// A key of this test's own under Software\PeltawinTest in HKCU and HKLM, both
// views, removed before and after each test.
class RegistryMethods : public ::testing::Test {
protected:
    std::wstring base = L"Software\\PeltawinTest\\methods" + std::to_wstring(::GetCurrentProcessId());
    std::wstring base32 = L"Software\\Wow6432Node\\PeltawinTest\\methods" + std::to_wstring(::GetCurrentProcessId());

    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean()
    {
        for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
                RegKey parent;
                if (::RegOpenKeyExW(hive, L"Software\\PeltawinTest", 0, KEY_ALL_ACCESS | view, parent.put()) == ERROR_SUCCESS)
                    ::RegDeleteTreeW(parent.get(), base.substr(base.rfind(L'\\') + 1).c_str());
            }
    }

    static std::wstring Get(const std::wstring& name, const std::wstring& root, const std::wstring& key,
                            const std::wstring& valueName)
    {
        return L"<Data><Name>" + name + L"</Name><Method type='Registry'><Root>" + root + L"</Root><Key>" + key +
               L"</Key><Name>" + valueName + L"</Name></Method></Data>";
    }
    static std::wstring Set(const std::wstring& name, const std::wstring& root, const std::wstring& key,
                            const std::wstring& valueName, const std::wstring& type)
    {
        return L"<Data><Name>" + name + L"</Name><Set type='Registry'><Root>" + root + L"</Root><Key>" + key +
               L"</Key><Name>" + valueName + L"</Name><Type>" + type + L"</Type></Set></Data>";
    }
    static std::wstring GetSet(const std::wstring& name, const std::wstring& root, const std::wstring& key,
                               const std::wstring& valueName, const std::wstring& type)
    {
        return L"<Data><Name>" + name + L"</Name><Method type='Registry'><Root>" + root + L"</Root><Key>" + key +
               L"</Key><Name>" + valueName + L"</Name></Method><Set type='registry'><Root>" + root + L"</Root><Key>" +
               key + L"</Key><Name>" + valueName + L"</Name><Type>" + type + L"</Type></Set></Data>";
    }

    // Reads a value straight from the registry: its type and raw bytes.
    static bool Raw(HKEY hive, const std::wstring& key, REGSAM view, const std::wstring& name, DWORD& type,
                    std::vector<BYTE>& data)
    {
        ts::RegistryValue value = ts::readRegistryValue(hive, key, name, view);
        type = value.type;
        data = value.data;
        return value.found;
    }
    static bool KeyExists(HKEY hive, const std::wstring& key, REGSAM view)
    {
        return ts::registryKeyExists(hive, key, view);
    }
    static void Write(HKEY hive, const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
                      DWORD size)
    {
        RegKey k;
        ASSERT_EQ(::RegCreateKeyExW(hive, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                    k.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(k.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
};

} // namespace

TEST_F(RegistryMethods, StringsRoundTripUnderEachHive)
{
    LoadedCatalog cat(GetSet(L"User", L"hkcu", base, L"Text", L"reg_sz") + GetSet(L"Machine", L"HKLM", base, L"Text", L"REG_SZ") +
                      Get(L"Blank", L"HKLM ", base, L"Text") + Get(L"Other", L"HKXX", base, L"Text") +
                      GetSet(L"Default", L"HKCU", base + L"\\d", L"", L"REG_SZ"));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    ASSERT_TRUE(cat->RunSet(L"User", Values({{L"v", L"ユーザー値"}}), notFound));
    ASSERT_TRUE(cat->RunSet(L"Machine", Values({{L"v", L"machine"}}), notFound));
    ASSERT_TRUE(cat->RunSet(L"Default", Values({{L"v", L"default"}}), notFound));

    MethodResult result;
    ASSERT_TRUE(cat->RunGet(L"User", result));
    EXPECT_EQ(result.kind, MethodResult::SINGLE);
    EXPECT_EQ(result.value, L"ユーザー値");
    ASSERT_TRUE(cat->RunGet(L"Machine", result));
    EXPECT_EQ(result.value, L"machine");
    // Any root other than HKCR and HKCU, a blank-padded HKLM included, is HKLM.
    result.Clear();
    ASSERT_TRUE(cat->RunGet(L"Blank", result));
    EXPECT_EQ(result.value, L"machine");
    result.Clear();
    ASSERT_TRUE(cat->RunGet(L"Other", result));
    EXPECT_EQ(result.value, L"machine");
    ASSERT_TRUE(cat->RunGet(L"Default", result));
    EXPECT_EQ(result.value, L"default");

    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, base, KEY_WOW64_64KEY, L"Text", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data.size(), (std::wstring(L"ユーザー値").size() + 1) * 2); // with its terminating null
}

TEST_F(RegistryMethods, Wow6432NodeKeysUseThe32BitView)
{
    LoadedCatalog cat(GetSet(L"Node32", L"HKLM", base32, L"V", L"REG_SZ") + GetSet(L"Node64", L"HKLM", base, L"V", L"REG_SZ"));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    ASSERT_TRUE(cat->RunSet(L"Node32", Values({{L"v", L"thirty-two"}}), notFound));
    MethodResult result;
    ASSERT_TRUE(cat->RunGet(L"Node32", result));
    EXPECT_EQ(result.value, L"thirty-two");

    // The value landed in the 32-bit view, not under a 64-bit Wow6432Node key.
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(Raw(HKEY_LOCAL_MACHINE, base, KEY_WOW64_32KEY, L"V", type, data));
    EXPECT_FALSE(Raw(HKEY_LOCAL_MACHINE, base, KEY_WOW64_64KEY, L"V", type, data));

    // A path without the node is the 64-bit view.
    ASSERT_TRUE(cat->RunSet(L"Node64", Values({{L"v", L"sixty-four"}}), notFound));
    ASSERT_TRUE(Raw(HKEY_LOCAL_MACHINE, base, KEY_WOW64_64KEY, L"V", type, data));
    ASSERT_TRUE(cat->RunGet(L"Node32", result));
    EXPECT_EQ(result.value, L"thirty-two");
}

TEST_F(RegistryMethods, DwordsReadSignedAndWriteTheWholeRange)
{
    LoadedCatalog cat(GetSet(L"Num", L"HKCU", base, L"N", L"REG_DWORD"));
    ASSERT_TRUE(cat.loaded);
    DWORD all = 4294967295u;
    Write(HKEY_CURRENT_USER, base, L"N", REG_DWORD, &all, sizeof(all));
    MethodResult result;
    ASSERT_TRUE(cat->RunGet(L"Num", result));
    EXPECT_EQ(result.value, L"-1");

    struct Case { const wchar_t* text; DWORD stored; };
    for (Case c : {Case{L"-1", 4294967295u}, Case{L"  42abc", 42u}, Case{L"no digits", 0u}, Case{L"+7", 7u},
                   Case{L"4294967295", 4294967295u}, Case{L"3000000000", 3000000000u},
                   Case{L"-2147483648", 0x80000000u}}) {
        bool notFound = true;
        ASSERT_TRUE(cat->RunSet(L"Num", Values({{L"v", c.text}}), notFound)) << ts::wideToUtf8(c.text);
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(Raw(HKEY_CURRENT_USER, base, KEY_WOW64_64KEY, L"N", type, data));
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        ASSERT_EQ(data.size(), 4u);
        DWORD stored = 0;
        memcpy(&stored, data.data(), 4);
        EXPECT_EQ(stored, c.stored) << ts::wideToUtf8(c.text);
    }
    // A number that does not fit in 32 bits is refused; the value stays as it was.
    for (const wchar_t* text : {L"4294967296", L"-2147483649", L"99999999999999999999999"}) {
        bool notFound = true;
        EXPECT_FALSE(cat->RunSet(L"Num", Values({{L"v", text}}), notFound)) << ts::wideToUtf8(text);
        EXPECT_EQ(cat->lastError, ERROR_ARITHMETIC_OVERFLOW);
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(Raw(HKEY_CURRENT_USER, base, KEY_WOW64_64KEY, L"N", type, data));
        DWORD stored = 0;
        memcpy(&stored, data.data(), 4);
        EXPECT_EQ(stored, 0x80000000u);
    }
}

TEST_F(RegistryMethods, QwordsWriteTheWholeRangeAndReadSigned)
{
    LoadedCatalog cat(GetSet(L"Big", L"HKCU", base, L"Q", L"REG_QWORD"));
    ASSERT_TRUE(cat.loaded);
    struct Case { const wchar_t* text; unsigned long long stored; };
    for (Case c : {Case{L"18446744073709551615", ~0ull}, Case{L"-9223372036854775808", 1ull << 63},
                   Case{L"5000000000", 5000000000ull}}) {
        bool notFound = true;
        ASSERT_TRUE(cat->RunSet(L"Big", Values({{L"v", c.text}}), notFound)) << ts::wideToUtf8(c.text);
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(Raw(HKEY_CURRENT_USER, base, KEY_WOW64_64KEY, L"Q", type, data));
        EXPECT_EQ(type, static_cast<DWORD>(REG_QWORD));
        ASSERT_EQ(data.size(), 8u);
        unsigned long long stored = 0;
        memcpy(&stored, data.data(), 8);
        EXPECT_EQ(stored, c.stored) << ts::wideToUtf8(c.text);
    }
    MethodResult result;
    ASSERT_TRUE(cat->RunGet(L"Big", result));
    EXPECT_EQ(result.value, L"5000000000");
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"Big", Values({{L"v", L"18446744073709551616"}}), notFound));
    EXPECT_EQ(cat->lastError, ERROR_ARITHMETIC_OVERFLOW);
}

TEST_F(RegistryMethods, OtherValueTypesGiveMinusTwo)
{
    LoadedCatalog cat(Get(L"Expand", L"HKCU", base, L"E") + Get(L"Binary", L"HKCU", base, L"B") +
                      Get(L"Empty", L"HKCU", base, L"Z") + Set(L"SetExpand", L"HKCU", base + L"\\made", L"E", L"REG_EXPAND_SZ"));
    ASSERT_TRUE(cat.loaded);
    const wchar_t expand[] = L"%TEMP%\\x";
    Write(HKEY_CURRENT_USER, base, L"E", REG_EXPAND_SZ, expand, sizeof(expand));
    const BYTE binary[] = {1, 2, 3};
    Write(HKEY_CURRENT_USER, base, L"B", REG_BINARY, binary, sizeof(binary));
    Write(HKEY_CURRENT_USER, base, L"Z", REG_SZ, L"", sizeof(wchar_t));

    MethodResult result;
    result.value = L"untouched";
    EXPECT_FALSE(cat->RunGet(L"Expand", result));
    EXPECT_EQ(cat->lastError, -2);
    EXPECT_EQ(result.value, L"untouched");
    EXPECT_EQ(result.kind, MethodResult::NOTHING);
    EXPECT_FALSE(cat->RunGet(L"Binary", result));
    EXPECT_EQ(cat->lastError, -2);

    ASSERT_TRUE(cat->RunGet(L"Empty", result));
    EXPECT_EQ(result.kind, MethodResult::SINGLE);
    EXPECT_EQ(result.value, L"");

    // A Set of a type it cannot write still creates the key, and writes nothing.
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"SetExpand", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(cat->lastError, -2);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + L"\\made", KEY_WOW64_64KEY));
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_FALSE(Raw(HKEY_CURRENT_USER, base + L"\\made", KEY_WOW64_64KEY, L"E", type, data));
}

TEST_F(RegistryMethods, MissingElementsAndAbsentKeys)
{
    LoadedCatalog cat(L"<Data><Name>NoName</Name><Method type='Registry'><Root>HKCU</Root><Key>" + base +
                      L"</Key></Method><Set type='Registry'><Root>HKCU</Root><Key>" + base +
                      L"\\never</Key><Name>x</Name></Set></Data>" + Get(L"Absent", L"HKCU", base + L"\\none", L"x") +
                      GetSet(L"Str", L"HKCU", base, L"S", L"REG_SZ") +
                      L"<Data><Name>Shuffled</Name><Set type='Registry'><Type>REG_SZ</Type><Key>" + base +
                      L"\\first</Key><Key>" + base + L"\\second</Key><Name>O</Name><Root>HKCU</Root></Set></Data>");
    ASSERT_TRUE(cat.loaded);
    MethodResult result;
    EXPECT_FALSE(cat->RunGet(L"NoName", result));
    EXPECT_EQ(cat->lastError, -1);
    // A Set without Type touches nothing.
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"NoName", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(cat->lastError, -1);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + L"\\never", KEY_WOW64_64KEY));

    EXPECT_FALSE(cat->RunGet(L"Absent", result));
    EXPECT_EQ(cat->lastError, ERROR_FILE_NOT_FOUND);

    // An item without values writes an empty string.
    ASSERT_TRUE(cat->RunSet(L"Str", Values({}), notFound));
    result.value = L"stale";
    ASSERT_TRUE(cat->RunGet(L"Str", result));
    EXPECT_EQ(result.value, L"");

    // Children in any order; of two of a name, the first counts.
    ASSERT_TRUE(cat->RunSet(L"Shuffled", Values({{L"v", L"o"}}), notFound));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + L"\\first", KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + L"\\second", KEY_WOW64_64KEY));
}
