// The "WMI" and "WMIExecute" methods run through a catalogue against the WMI
// service of the machine running the tests.
#include <gtest/gtest.h>

#include "methods_fixture.h"
#include "wmi_methods.h"
#include "wmi_support.h"

using mt::LoadedCatalog;
using mt::Values;
using wmitest::RegistryScratch;

namespace {

std::wstring Data(const std::wstring& name, const std::wstring& body)
{
    return L"<Data><Name>" + name + L"</Name>" + body + L"</Data>";
}

// A WMI Get definition; `extra` holds Property or Properties elements.
std::wstring WmiGet(const std::wstring& name, const std::wstring& cls, const std::wstring& where,
                    const std::wstring& extra, const std::wstring& attributes = L"",
                    const std::wstring& ns = L"root\\cimv2")
{
    return Data(name, L"<Method type='WMI'" + attributes + L"><Namespace>" + ns + L"</Namespace><Class>" + cls +
                          L"</Class><Where>" + mt::Escape(where) + L"</Where>" + extra + L"</Method>");
}

std::wstring Properties(std::initializer_list<const wchar_t*> names)
{
    std::wstring xml = L"<Properties>";
    for (const wchar_t* n : names)
        xml += L"<Property>" + std::wstring(n) + L"</Property>";
    return xml + L"</Properties>";
}

std::wstring WmiSet(const std::wstring& name, const std::wstring& cls, const std::wstring& where,
                    const std::wstring& property, const std::wstring& valueElement)
{
    return Data(name, L"<Set type='WMI'><Namespace>root\\cimv2</Namespace><Class>" + cls + L"</Class><Where>" +
                          mt::Escape(where) + L"</Where><Property>" + property + L"</Property>" + valueElement +
                          L"</Set>");
}

// A WMIExecute definition; `params` is the content of InParam (omitted when empty).
std::wstring WmiExecute(const std::wstring& name, const std::wstring& ns, const std::wstring& cls,
                        const std::wstring& object, const std::wstring& method, const std::wstring& params)
{
    return Data(name, L"<Set type='WMIExecute'><Namespace>" + ns + L"</Namespace><Class>" + cls +
                          L"</Class><Object>" + mt::Escape(object) + L"</Object><Method>" + method + L"</Method>" +
                          (params.empty() ? L"" : L"<InParam>" + params + L"</InParam>") + L"</Set>");
}

std::wstring Param(const std::wstring& attributes, const std::wstring& text = L"")
{
    return L"<Param " + attributes + L">" + mt::Escape(text) + L"</Param>";
}

} // namespace

TEST(WmiGet, SingleValueListAndTable)
{
    LoadedCatalog c(WmiGet(L"Serial", L"Win32_BIOS", L"", L"<Property>SerialNumber</Property>") +
                    // Property wins over Properties.
                    WmiGet(L"Both", L"Win32_BIOS", L"", L"<Property>SerialNumber</Property>" + Properties({L"Name"})) +
                    WmiGet(L"List", L"Win32_BIOS", L"", Properties({L"SerialNumber", L"CurrentLanguage", L"Manufacturer"})) +
                    WmiGet(L"ListYes", L"Win32_BIOS", L"", Properties({L"SerialNumber"}), L" list='yes'") +
                    WmiGet(L"Table", L"Win32_DiskDrive", L"", Properties({L"Model", L"Index"}), L" list='TRUE'"));
    ASSERT_TRUE(c.loaded);
    MethodResult r;
    EXPECT_TRUE(c->RunGet(L"Serial", r));
    EXPECT_EQ(r.kind, MethodResult::SINGLE);
    EXPECT_EQ(r.value, L"0");

    r.Clear();
    EXPECT_TRUE(c->RunGet(L"Both", r));
    EXPECT_EQ(r.kind, MethodResult::SINGLE);
    EXPECT_TRUE(r.names.empty());

    // One entry per property even where one is null; the read still succeeds.
    r.Clear();
    EXPECT_TRUE(c->RunGet(L"List", r));
    EXPECT_EQ(r.kind, MethodResult::LIST);
    EXPECT_EQ(r.names, (std::vector<std::wstring>{L"SerialNumber", L"CurrentLanguage", L"Manufacturer"}));
    ASSERT_EQ(r.values.size(), 3u);
    EXPECT_EQ(r.values[0], L"0");
    EXPECT_EQ(r.values[1], L"");
    EXPECT_FALSE(r.values[2].empty());

    r.Clear();
    EXPECT_TRUE(c->RunGet(L"ListYes", r));
    EXPECT_EQ(r.kind, MethodResult::LIST);

    r.Clear();
    EXPECT_TRUE(c->RunGet(L"Table", r));
    EXPECT_EQ(r.kind, MethodResult::TABLE);
    EXPECT_EQ(r.names, (std::vector<std::wstring>{L"Model", L"Index"}));
    ASSERT_FALSE(r.rows.empty());
    EXPECT_EQ(r.rows[0], (std::vector<std::wstring>{L"Wine Disk Drive", L"0"}));
    EXPECT_EQ(c->lastError, 0);
}

TEST(WmiGet, NothingMatchedSucceedsEmpty)
{
    LoadedCatalog c(WmiGet(L"None", L"Win32_BIOS", L"SerialNumber='no such serial'", L"<Property>Name</Property>") +
                    WmiGet(L"NoRows", L"Win32_BIOS", L"SerialNumber='no such serial'", Properties({L"Name"}), L" list='true'"));
    MethodResult r;
    EXPECT_TRUE(c->RunGet(L"None", r));
    EXPECT_EQ(r.value, L"");
    r.Clear();
    EXPECT_TRUE(c->RunGet(L"NoRows", r));
    EXPECT_EQ(r.kind, MethodResult::TABLE);
    EXPECT_TRUE(r.rows.empty());
}

TEST(WmiGet, MissingElementIsMinusOneWithoutConnecting)
{
    LoadedCatalog c(Data(L"NoWhere", L"<Method type='WMI'><Namespace>root\\cimv2</Namespace><Class>Win32_BIOS</Class>"
                                     L"<Property>Name</Property></Method>") +
                    Data(L"NoClass", L"<Method type='wmi'><Namespace>root\\cimv2</Namespace><Where/>"
                                     L"<Property>Name</Property></Method>"));
    MethodResult r;
    EXPECT_FALSE(c->RunGet(L"NoWhere", r));
    EXPECT_EQ(c->lastError, -1);
    EXPECT_FALSE(c->RunGet(L"NoClass", r));
    EXPECT_EQ(c->lastError, -1);
    EXPECT_TRUE(c->connections.empty());
}

TEST(WmiGet, FailureStaysInItsOwnRead)
{
    LoadedCatalog c(WmiGet(L"Broken", L"Win32_BIOS", L"((", L"<Property>Name</Property>") +
                    WmiGet(L"Good", L"Win32_BIOS", L"", L"<Property>SerialNumber</Property>") +
                    WmiGet(L"GoodUpper", L"Win32_BIOS", L"", L"<Property>SerialNumber</Property>", L"", L"ROOT\\CIMV2") +
                    WmiGet(L"Lost", L"Win32_BIOS", L"", L"<Property>Name</Property>", L"", L"root\\nosuchnamespace"));
    MethodResult r;
    EXPECT_TRUE(c->RunGet(L"Good", r));
    EXPECT_FALSE(c->RunGet(L"Broken", r));
    EXPECT_EQ(c->lastError, static_cast<int>(WBEM_E_INVALID_QUERY));
    // Same namespace text, same connection: the next read starts clean.
    r.Clear();
    EXPECT_TRUE(c->RunGet(L"Good", r));
    EXPECT_EQ(c->lastError, 0);
    EXPECT_EQ(r.value, L"0");
    EXPECT_EQ(c->connections.size(), 1u);
    // Different letter case: a connection of its own.
    EXPECT_TRUE(c->RunGet(L"GoodUpper", r));
    EXPECT_EQ(c->connections.size(), 2u);
    // A namespace that cannot be reached fails every time through its cached connection.
    EXPECT_FALSE(c->RunGet(L"Lost", r));
    EXPECT_EQ(c->lastError, static_cast<int>(WBEM_E_INVALID_NAMESPACE));
    EXPECT_FALSE(c->RunGet(L"Lost", r));
    EXPECT_EQ(c->connections.size(), 3u);
}

TEST(WmiGet, ConditionIsUsedAsWritten)
{
    // A read's condition is not resolved: the braces reach WMI, which refuses them.
    LoadedCatalog c(WmiGet(L"Braced", L"Win32_BIOS", L"SerialNumber='{Serial}'", L"<Property>Name</Property>") +
                    WmiGet(L"Serial", L"Win32_BIOS", L"", L"<Property>SerialNumber</Property>"));
    mt::CapturedStdout out;
    MethodResult r;
    r.value = L"before";
    EXPECT_TRUE(c->RunGet(L"Braced", r));
    EXPECT_EQ(r.value, L"before"); // matched nothing
    EXPECT_EQ(out.bytes(), "Braced\r\n"); // Serial was never read
}

// Wine cannot store instances (PutInstance answers 0x80041001): a write that
// reaches an instance fails there, one that matches nothing succeeds. The
// tests use that to see which condition the write ran with.
TEST(WmiSet, ConditionIsResolvedAndRefusedWriteReported)
{
    LoadedCatalog c(WmiGet(L"Serial", L"Win32_BIOS", L"", L"<Property>SerialNumber</Property>") +
                    WmiSet(L"ByRef", L"Win32_BIOS", L"SerialNumber='{Serial}'", L"Version", L"<Value type='string'/>") +
                    WmiSet(L"NoMatch", L"Win32_BIOS", L"SerialNumber='none'", L"Version", L"<Value type='Bool'/>") +
                    WmiSet(L"IntValue", L"Win32_BIOS", L"SerialNumber='none'", L"Version", L"<Value type='INT'/>"));
    bool notFound = true;
    EXPECT_TRUE(c->RunSet(L"NoMatch", Values({{L"v", L"true"}}), notFound));
    EXPECT_FALSE(notFound);
    EXPECT_TRUE(c->RunSet(L"IntValue", Values({{L"v", L"12"}}), notFound));
    EXPECT_EQ(c->lastError, 0);

    EXPECT_FALSE(c->RunSet(L"ByRef", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(c->lastError, static_cast<int>(WBEM_E_FAILED)); // reached SerialNumber='0'
}

TEST(WmiSet, IncompleteOrUntypedDefinitionsFailAsValues)
{
    LoadedCatalog c(WmiSet(L"NoType", L"Win32_BIOS", L"", L"Version", L"<Value/>") +
                    WmiSet(L"BadType", L"Win32_BIOS", L"", L"Version", L"<Value type='double'/>") +
                    WmiSet(L"NoValue", L"Win32_BIOS", L"", L"Version", L"") +
                    Data(L"NoProperty", L"<Set type='WMI'><Namespace>root\\cimv2</Namespace><Class>Win32_BIOS</Class>"
                                        L"<Where/><Value type='string'/></Set>"));
    bool notFound = true;
    EXPECT_FALSE(c->RunSet(L"NoType", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(c->lastError, METHOD_NOT_RUN);
    EXPECT_FALSE(c->RunSet(L"BadType", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(c->lastError, WMI_UNKNOWN_VALUE_TYPE);
    EXPECT_FALSE(c->RunSet(L"NoValue", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(c->lastError, -1);
    EXPECT_FALSE(c->RunSet(L"NoProperty", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(c->lastError, -1);
    EXPECT_TRUE(c->connections.empty()); // nothing reached WMI
}

class WmiExecuteMethods : public ::testing::Test {
protected:
    RegistryScratch scratch{L"wmi_methods"};

    std::wstring KeyParams() const
    {
        return Param(L"name='hDefKey' type='int'", wmitest::HKCU_TEXT) +
               Param(L"name='sSubKeyName' type='string'", scratch.subKey());
    }
    std::wstring CreateKey(const std::wstring& name = L"CreateKey") const
    {
        return WmiExecute(name, L"root\\default", L"StdRegProv", L"", L"CreateKey", KeyParams());
    }
};

TEST_F(WmiExecuteMethods, WritesTheRegistryWithDefaultsItemValuesAndCodes)
{
    LoadedCatalog c(CreateKey() +
                    WmiExecute(L"SetGreeting", L"root\\default", L"StdRegProv", L"", L"SetStringValue",
                               // `code` is the name WMI sees; the item supplies the value under `name`.
                               Param(L"name='hive' type='int' code='hDefKey'", wmitest::HKCU_TEXT) +
                               Param(L"name='sSubKeyName' type='STRING'", scratch.subKey()) +
                               Param(L"name='sValueName' type='string'", L"Greeting") +
                               Param(L"name='greeting' type='string' code='sValue'", L"default text")));
    bool notFound = true;
    ASSERT_TRUE(c->RunSet(L"CreateKey", Values({{L"unused", L"x"}}), notFound));
    EXPECT_TRUE(scratch.keyExists());

    EXPECT_TRUE(c->RunSet(L"SetGreeting", Values({{L"other", L"x"}}), notFound));
    EXPECT_EQ(scratch.readString(L"Greeting"), L"default text");
    EXPECT_TRUE(c->RunSet(L"SetGreeting", Values({{L"greeting", L"こんにちは"}}), notFound));
    EXPECT_EQ(scratch.readString(L"Greeting"), L"こんにちは");
    EXPECT_EQ(c->lastError, 0);
}

TEST_F(WmiExecuteMethods, NonZeroReturnValueFailsTheMethod)
{
    LoadedCatalog c(WmiExecute(L"ReadMissing", L"root\\default", L"StdRegProv", L"", L"GetStringValue",
                               KeyParams() + Param(L"name='sValueName' type='string'", L"Missing")));
    bool notFound = true;
    EXPECT_FALSE(c->RunSet(L"ReadMissing", Values({{L"v", L"x"}}), notFound));
    EXPECT_GT(c->lastError, 0); // the method's own status, such as 2 (not found)
}

TEST_F(WmiExecuteMethods, SwitchRuleWithoutParams)
{
    // GetOwner of this very process: a method without input, on an object
    // named by a reference to another method's value.
    std::wstring pid = std::to_wstring(::GetCurrentProcessId());
    LoadedCatalog c(WmiGet(L"MyHandle", L"Win32_Process", L"ProcessId = " + pid, L"<Property>Handle</Property>") +
                    WmiExecute(L"Owner", L"root\\cimv2", L"Win32_Process", L"Handle=\"{MyHandle}\"", L"GetOwner", L"") +
                    WmiExecute(L"NoOwner", L"root\\cimv2", L"Win32_Process", L"Handle=\"{NoSuchMethod}\"", L"GetOwner", L""));
    bool notFound = true;
    EXPECT_TRUE(c->RunSet(L"Owner", Values({{L"v", L"no"}}), notFound));
    EXPECT_TRUE(c->connections.empty()); // switched off: WMI not asked
    EXPECT_TRUE(c->RunSet(L"Owner", Values({}), notFound));
    EXPECT_TRUE(c->connections.empty());

    EXPECT_TRUE(c->RunSet(L"Owner", Values({{L"v", L"YES"}}), notFound));
    EXPECT_EQ(c->lastError, 0);
    // An unresolved reference stays in the path, which names no process.
    EXPECT_FALSE(c->RunSet(L"NoOwner", Values({{L"v", L"yes"}}), notFound));
    EXPECT_NE(c->lastError, 0);
}

TEST_F(WmiExecuteMethods, MalformedDefinitionsRunNothing)
{
    const std::wstring ns = L"root\\default";
    LoadedCatalog c(WmiExecute(L"NoName", ns, L"StdRegProv", L"", L"CreateKey",
                               Param(L"name='hDefKey' type='int'", wmitest::HKCU_TEXT) +
                               Param(L"type='string' code='sSubKeyName'", scratch.subKey())) +
                    WmiExecute(L"NoType", ns, L"StdRegProv", L"", L"CreateKey",
                               Param(L"name='hDefKey' type='int'", wmitest::HKCU_TEXT) +
                               Param(L"name='sSubKeyName'", scratch.subKey())) +
                    WmiExecute(L"BadType", ns, L"StdRegProv", L"", L"CreateKey",
                               Param(L"name='hDefKey' type='int'", wmitest::HKCU_TEXT) +
                               Param(L"name='sSubKeyName' type='path'", scratch.subKey())) +
                    Data(L"NoMethod", L"<Set type='WMIExecute'><Namespace>root\\default</Namespace>"
                                      L"<Class>StdRegProv</Class><Object/></Set>"));
    bool notFound = true;
    EXPECT_FALSE(c->RunSet(L"NoName", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(c->lastError, METHOD_NOT_RUN);
    EXPECT_FALSE(c->RunSet(L"NoType", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(c->lastError, METHOD_NOT_RUN);
    EXPECT_FALSE(c->RunSet(L"BadType", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(c->lastError, WMI_UNKNOWN_VALUE_TYPE);
    EXPECT_FALSE(c->RunSet(L"NoMethod", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(c->lastError, METHOD_NOT_RUN);
    EXPECT_FALSE(scratch.keyExists());
    EXPECT_TRUE(c->connections.empty());
}

TEST_F(WmiExecuteMethods, StringArrayParameterReachesWmiAsArray)
{
    // Wine's registry provider has no method taking a string array
    // (SetMultiStringValue is missing there), so the array is seen through the
    // type check of the input object: declared as "stringarray", the value
    // "a;b" is refused for the string parameter sValue, declared as "string"
    // it is written. How the text is split is covered with the value rules.
    const std::wstring head = KeyParams() + Param(L"name='sValueName' type='string'", L"List");
    LoadedCatalog c(CreateKey() +
                    WmiExecute(L"AsArray", L"root\\default", L"StdRegProv", L"", L"SetStringValue",
                               head + Param(L"name='sValue' type='stringarray'")));
    bool notFound = true;
    ASSERT_TRUE(c->RunSet(L"CreateKey", Values({{L"v", L"x"}}), notFound));
    EXPECT_FALSE(c->RunSet(L"AsArray", Values({{L"sValue", L"a;b"}}), notFound));
    EXPECT_EQ(c->lastError, static_cast<int>(WBEM_E_TYPE_MISMATCH));
    EXPECT_FALSE(scratch.valueExists(L"List"));

    // A new catalogue: the refusal above stays recorded on the first one's connection.
    LoadedCatalog fresh(CreateKey() + WmiExecute(L"AsString", L"root\\default", L"StdRegProv", L"", L"SetStringValue",
                                                 head + Param(L"name='sValue' type='string'")));
    EXPECT_TRUE(fresh->RunSet(L"AsString", Values({{L"sValue", L"a;b"}}), notFound));
    EXPECT_EQ(scratch.readString(L"List"), L"a;b");
}
