// The example kit that dist/ ships must work as it is: every catalogue
// method is complete enough for its executor, and the shared data file
// loads with the items the demo expects.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "definition_types.h"
#include "inventory_list.h"
#include "machine_data_file.h"
#include "method_catalog.h"
#include "reboot_item.h"
#include "win32_owners.h"
#include "test_support.h"
#include "wmi_methods.h"
#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

namespace {

std::wstring kitFile(const std::wstring& relative) { return ts::moduleDir() + L"\\example_kit\\" + relative; }

std::string narrow(const std::wstring& text) { return ts::wideToUtf8(text); }

std::wstring lowered(std::wstring text)
{
    for (auto& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

// What one catalogue file defines: method names in order and the types used.
struct CatalogueSummary {
    std::vector<std::wstring> names;
    std::set<std::wstring> getTypes;
    std::set<std::wstring> setTypes;
};

// The children the table of definition types requires of this definition's type.
void checkRequiredChildren(IXMLDOMNode* definition, const std::vector<const wchar_t*>& required,
                           const std::string& where)
{
    for (const wchar_t* child : required)
        EXPECT_TRUE(xmldom::SelectNode(definition, child)) << where << " lacks <" << narrow(child) << ">";
}

void checkParams(IXMLDOMNode* definition, const std::wstring& type, const std::string& where)
{
    ComPtr<IXMLDOMNodeList> params = xmldom::SelectNodes(definition, L"InParam/Param");
    ASSERT_TRUE(params);
    ComPtr<IXMLDOMNode> param;
    while (params->nextNode(param.ReleaseAndGetAddressOf()) == S_OK && param) {
        std::wstring name, paramType;
        EXPECT_TRUE(xmldom::Attribute(param.Get(), L"name", name) && !name.empty()) << where << ": a Param without name";
        if (xmldom::EqualsNoCase(type, L"WMIExecute")) {
            EXPECT_TRUE(xmldom::Attribute(param.Get(), L"type", paramType)) << where << ": Param " << narrow(name) << " without type";
            EXPECT_NE(WmiValueType(paramType, true), VT_EMPTY) << where << ": Param " << narrow(name) << " of type " << narrow(paramType);
        }
    }
}

void checkDefinition(IXMLDOMNode* data, const wchar_t* element, bool isGet, CatalogueSummary& summary,
                     const std::string& where)
{
    ComPtr<IXMLDOMNode> definition = xmldom::SelectNode(data, element);
    if (!definition)
        return;
    std::wstring type;
    ASSERT_TRUE(xmldom::Attribute(definition.Get(), L"type", type)) << where << ": <" << narrow(element) << "> without type";
    if (isGet) {
        const GetDefinitionType* entry = FindGetDefinitionType(type);
        EXPECT_TRUE(entry) << where << ": unknown Get type " << narrow(type);
        if (entry)
            checkRequiredChildren(definition.Get(), entry->required, where);
        summary.getTypes.insert(lowered(type));
    } else {
        const SetDefinitionType* entry = FindSetDefinitionType(type);
        EXPECT_TRUE(entry) << where << ": unknown Set type " << narrow(type);
        if (entry)
            checkRequiredChildren(definition.Get(), entry->required, where);
        checkParams(definition.Get(), type, where);
        std::wstring valueType;
        if (xmldom::EqualsNoCase(type, L"WMI")) {
            ComPtr<IXMLDOMNode> value = xmldom::SelectNode(definition.Get(), L"Value");
            EXPECT_TRUE(value && xmldom::Attribute(value.Get(), L"type", valueType) && WmiValueType(valueType, false) != VT_EMPTY)
                << where << ": WMI Value needs a type of string, bool or int";
        }
        summary.setTypes.insert(lowered(type));
    }
}

// Checks every Data element of a catalogue file and sums up what it defines.
CatalogueSummary checkCatalogue(const std::wstring& file)
{
    CatalogueSummary summary;
    MethodCatalog catalog;
    EXPECT_TRUE(catalog.LoadFile(file)) << narrow(file) << " does not load: " << catalog.lastError;

    ComPtr<IXMLDOMDocument2> document;
    long error = 0;
    if (FAILED(xmldom::CreateDocument(document)) || !xmldom::LoadFile(document.Get(), file, error)) {
        ADD_FAILURE() << narrow(file) << " does not parse: " << error;
        return summary;
    }
    ComPtr<IXMLDOMNodeList> methods = xmldom::SelectNodes(document.Get(), L"/Datas/Data");
    ComPtr<IXMLDOMNode> data;
    std::set<std::wstring> seen;
    while (methods && methods->nextNode(data.ReleaseAndGetAddressOf()) == S_OK && data) {
        std::wstring name;
        EXPECT_TRUE(xmldom::ChildText(data.Get(), L"Name", name) && !name.empty()) << "a Data without Name";
        const std::string where = narrow(file.substr(file.find_last_of(L'\\') + 1)) + " " + narrow(name);
        // An apostrophe cannot be looked up, and a second Data of a name is never used.
        EXPECT_EQ(name.find(L'\''), std::wstring::npos) << where;
        EXPECT_TRUE(seen.insert(name).second) << where << " is defined twice";
        EXPECT_TRUE(catalog.Contains(name)) << where;
        EXPECT_TRUE(xmldom::SelectNode(data.Get(), L"Method") || xmldom::SelectNode(data.Get(), L"Set"))
            << where << " has neither Method nor Set";

        // Every method is explained by the comment right before it.
        ComPtr<IXMLDOMNode> previous;
        DOMNodeType kind = NODE_INVALID;
        EXPECT_TRUE(SUCCEEDED(data->get_previousSibling(&previous)) && previous
                    && SUCCEEDED(previous->get_nodeType(&kind)) && kind == NODE_COMMENT)
            << where << " has no comment before it";

        checkDefinition(data.Get(), L"Method", true, summary, where);
        checkDefinition(data.Get(), L"Set", false, summary, where);
        summary.names.push_back(name);
    }
    return summary;
}

class ExampleKit : public ::testing::Test {
protected:
    ComApartment com;
};

TEST_F(ExampleKit, CataloguesAreWellFormedAndCoverEveryType)
{
    CatalogueSummary main = checkCatalogue(kitFile(L"methods.xml"));
    CatalogueSummary users = checkCatalogue(kitFile(L"usersmethods.xml"));

    ASSERT_FALSE(main.names.empty());
    EXPECT_NE(std::find(main.names.begin(), main.names.end(), L"SerialNumber"), main.names.end());
    for (const wchar_t* type : {L"wmi", L"registry", L"ini", L"hddpwd"})
        EXPECT_TRUE(main.getTypes.count(type)) << "no Get of type " << narrow(type);
    for (const wchar_t* type : {L"registry", L"ini", L"command", L"console", L"vbscript", L"powershell", L"wmi", L"wmiexecute"})
        EXPECT_TRUE(main.setTypes.count(type)) << "no Set of type " << narrow(type);

    // usersmethods.xml overrides: each of its methods exists in methods.xml too.
    ASSERT_FALSE(users.names.empty());
    for (const auto& name : users.names)
        EXPECT_NE(std::find(main.names.begin(), main.names.end(), name), main.names.end()) << narrow(name);
}

TEST_F(ExampleKit, SerialNumberReadsUnderThisSystem)
{
    MethodCatalog catalog;
    ASSERT_TRUE(catalog.LoadFile(kitFile(L"methods.xml")));
    MethodResult result;
    EXPECT_TRUE(catalog.RunGet(L"SerialNumber", result)) << catalog.lastError;
    EXPECT_FALSE(result.value.empty());
}

TEST_F(ExampleKit, SharedDataFileLoadsWithTheExpectedItems)
{
    MachineDataFile data;
    ASSERT_TRUE(data.Load(kitFile(L"data\\common.xml")));
    EXPECT_TRUE(data.isCommon);
    EXPECT_TRUE(data.hasSerial); // start-up replaces this serial with the PC's own
    EXPECT_FALSE(data.isDone);
    EXPECT_FALSE(data.hasInventory);
    EXPECT_EQ(data.progress, -1);

    const std::vector<std::wstring> methods = {
        L"MakeFolder", L"KitFolder", L"Organization", L"LegacyFlag", L"LegacyVendor", L"ShowExtensions",
        L"IniColor", L"SayHello", L"RunLine", L"ConsoleNote", L"VbsNote", L"PsNote", L"RegCreateKey",
        L"RegSetString", L"Reboot", L"ComputerModel", L"RunLine"};
    EXPECT_EQ(data.itemMethods, methods);
    ASSERT_EQ(data.itemNames.size(), methods.size());

    // The reboot item sits between items, so a run stops there and the next start resumes after it.
    size_t reboot = 0;
    while (reboot < data.itemMethods.size() && !IsRebootMethod(data.itemMethods[reboot]))
        ++reboot;
    ASSERT_LT(reboot + 1, data.itemMethods.size());
    EXPECT_GT(reboot, 0u);
    EXPECT_EQ(FirstValue(data.itemParams[reboot]), L"yes");

    // Parameter-list items carry their named values.
    const std::wstring* text = data.itemParams[10].Find(L"Text");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, L"こんにちは from VBScript");
    EXPECT_EQ(data.itemParamNames[13], std::vector<std::wstring>{L"Value"});
}

TEST_F(ExampleKit, EveryItemAndInventoryNameIsDefined)
{
    MethodCatalog main, users;
    ASSERT_TRUE(main.LoadFile(kitFile(L"methods.xml")));
    ASSERT_TRUE(users.LoadFile(kitFile(L"usersmethods.xml")));
    MachineDataFile data;
    ASSERT_TRUE(data.Load(kitFile(L"data\\common.xml")));

    ComPtr<IXMLDOMDocument2> mainDoc, usersDoc;
    long error = 0;
    ASSERT_TRUE(SUCCEEDED(xmldom::CreateDocument(mainDoc)) && xmldom::LoadFile(mainDoc.Get(), kitFile(L"methods.xml"), error));
    ASSERT_TRUE(SUCCEEDED(xmldom::CreateDocument(usersDoc)) && xmldom::LoadFile(usersDoc.Get(), kitFile(L"usersmethods.xml"), error));

    for (size_t i = 0; i < data.itemMethods.size(); ++i) {
        const std::wstring& method = data.itemMethods[i];
        if (IsRebootMethod(method))
            continue;
        // The run takes usersmethods.xml first, as the tool does.
        IXMLDOMDocument2* holder = users.Contains(method) ? usersDoc.Get() : main.Contains(method) ? mainDoc.Get() : nullptr;
        ASSERT_TRUE(holder) << narrow(method) << " is in no catalogue";
        ComPtr<IXMLDOMNode> set = xmldom::SelectNode(holder, L"/Datas/Data[Name='" + method + L"']/Set");
        std::wstring type;
        if (set && xmldom::Attribute(set.Get(), L"type", type))
            // A WMI property write cannot be demonstrated where instances cannot be put back.
            EXPECT_FALSE(xmldom::EqualsNoCase(type, L"WMI")) << narrow(method) << " writes a WMI property";
        else
            EXPECT_TRUE(xmldom::SelectNode(mainDoc.Get(), L"/Datas/Data[Name='" + method + L"']/Method"))
                << narrow(method) << " has no Set, and its read-back needs a Get in methods.xml";
    }

    std::vector<std::wstring> names;
    ASSERT_TRUE(ReadInventoryList(kitFile(L"inventory"), names));
    EXPECT_FALSE(names.empty());
    for (const auto& name : names)
        EXPECT_TRUE(xmldom::SelectNode(mainDoc.Get(), L"/Datas/Data[Name='" + name + L"']/Method"))
            << narrow(name) << " in the inventory has no Get in methods.xml";
}

} // namespace
