#include "method_catalog.h"

#include "command_runner.h"
#include "disk_security.h"
#include "executable_path.h"
#include "ini_methods.h"
#include "method_status.h"
#include "method_text.h"
#include "registry_methods.h"
#include "script_runner.h"
#include "wmi_methods.h"
#include "raii.h"
#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

namespace {

bool Succeeded(MethodCatalog& catalog, int code)
{
    catalog.lastError = code;
    return code == 0;
}

// A Get of this type only shows its command: nothing is run or read, and
// lastError keeps its value.
bool GetPowerShell(MethodCatalog&, IXMLDOMNode* definition, MethodResult&)
{
    std::wstring command;
    xmldom::ChildText(definition, L"Command", command);
    WriteOutputLine(L" " + command);
    return false;
}

struct GetType {
    const wchar_t* type;
    bool (*run)(MethodCatalog& catalog, IXMLDOMNode* definition, MethodResult& result);
};

// Tested in this order; the first match runs.
const GetType GET_TYPES[] = {
    {L"PowerShell", GetPowerShell},
    {L"WMI", [](MethodCatalog& c, IXMLDOMNode* d, MethodResult& r) { return Succeeded(c, GetWmiValue(c, d, r)); }},
    {L"Registry", [](MethodCatalog& c, IXMLDOMNode* d, MethodResult& r) { return Succeeded(c, GetRegistryValue(d, r)); }},
    {L"HDDPwd", [](MethodCatalog&, IXMLDOMNode*, MethodResult& r) { return ReadDiskSecurityTable(r); }},
    {L"Ini", [](MethodCatalog& c, IXMLDOMNode* d, MethodResult& r) { return Succeeded(c, GetIniValue(c, d, r)); }},
};

struct SetType {
    const wchar_t* type;
    MethodOutcome (*run)(MethodCatalog& catalog, IXMLDOMNode* definition, const ItemValueMap& values);
};

// An executor that reports a status alone.
MethodOutcome StatusOnly(int status)
{
    MethodOutcome outcome;
    outcome.status = status;
    return outcome;
}

// Tested in this order; the first match runs. The single-value types take
// the item's first value, the others the whole map.
const SetType SET_TYPES[] = {
    {L"PowerShell", [](MethodCatalog& c, IXMLDOMNode* d, const ItemValueMap& v) { return RunScriptMethod(c, d, v, ScriptVariant::POWERSHELL); }},
    {L"VBScript", [](MethodCatalog& c, IXMLDOMNode* d, const ItemValueMap& v) { return RunScriptMethod(c, d, v, ScriptVariant::VBSCRIPT); }},
    {L"WMIExecute", [](MethodCatalog& c, IXMLDOMNode* d, const ItemValueMap& v) { return StatusOnly(ExecuteWmiMethod(c, d, v)); }},
    {L"Command", [](MethodCatalog& c, IXMLDOMNode* d, const ItemValueMap& v) { return RunCommandMethod(c, d, v, false); }},
    {L"Console", [](MethodCatalog& c, IXMLDOMNode* d, const ItemValueMap& v) { return RunCommandMethod(c, d, v, true); }},
    {L"WMI", [](MethodCatalog& c, IXMLDOMNode* d, const ItemValueMap& v) { return StatusOnly(SetWmiValue(c, d, FirstValue(v))); }},
    {L"Registry", [](MethodCatalog&, IXMLDOMNode* d, const ItemValueMap& v) { return StatusOnly(SetRegistryValue(d, FirstValue(v))); }},
    {L"Ini", [](MethodCatalog& c, IXMLDOMNode* d, const ItemValueMap& v) { return StatusOnly(SetIniValue(c, d, FirstValue(v))); }},
};

// The node's text as the index keys it (the way a path expression compares it): every text and CDATA
// piece inside it, in document order, untrimmed; comments do not count.
void AppendStringValue(IXMLDOMNode* node, std::wstring& text)
{
    for (ComPtr<IXMLDOMNode> child = xmldom::FirstChild(node); child; child = xmldom::NextSibling(child.Get())) {
        DOMNodeType type = NODE_INVALID;
        child->get_nodeType(&type);
        if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
            Variant v;
            if (SUCCEEDED(child->get_nodeValue(v.get())) && v->vt == VT_BSTR && v->bstrVal)
                text.append(v->bstrVal, ::SysStringLen(v->bstrVal));
        } else if (type == NODE_ELEMENT || type == NODE_ENTITY_REFERENCE) {
            AppendStringValue(child.Get(), text);
        }
    }
}

} // namespace

MethodCatalog::MethodCatalog() = default;

MethodCatalog::~MethodCatalog()
{
    Close();
}

bool MethodCatalog::LoadFile(const std::wstring& path)
{
    // Placeholders take the location only as far as a path buffer holds it.
    if (ExecutablePath().size() < MAX_PATH) {
        exePath = ExecutablePath();
        exeDir = FolderOf(exePath);
    }

    document_.Reset();
    ComPtr<IXMLDOMDocument2> document;
    HRESULT hr = xmldom::CreateDocument(document);
    if (FAILED(hr)) {
        lastError = hr;
        return false;
    }
    long errorCode = 0;
    if (!xmldom::LoadFile(document.Get(), path, errorCode)) {
        lastError = errorCode;
        return false;
    }
    document_ = document;
    BuildIndex();
    return true;
}

void MethodCatalog::BuildIndex()
{
    index_.clear();
    ComPtr<IXMLDOMElement> root;
    if (!document_ || document_->get_documentElement(&root) != S_OK || !root)
        return;
    if (!xmldom::IsElementNamed(root.Get(), L"Datas"))
        return;
    for (ComPtr<IXMLDOMNode> data = xmldom::FirstChild(root.Get()); data; data = xmldom::NextSibling(data.Get())) {
        if (!xmldom::IsElementNamed(data.Get(), L"Data"))
            continue;
        // A Data element answers to each of its Name children; the first
        // Data of a name in document order keeps it.
        for (ComPtr<IXMLDOMNode> name = xmldom::FirstChild(data.Get()); name; name = xmldom::NextSibling(name.Get())) {
            if (!xmldom::IsElementNamed(name.Get(), L"Name"))
                continue;
            std::wstring text;
            AppendStringValue(name.Get(), text);
            index_.try_emplace(std::move(text), data);
        }
    }
}

void MethodCatalog::Close()
{
    connections.clear();
    index_.clear();
    document_.Reset();
}

ComPtr<IXMLDOMNode> MethodCatalog::FindData(const std::wstring& name, bool reportBadName)
{
    if (!document_)
        return nullptr;
    // Names the earlier lookup could never find stay unfound: those with an
    // apostrophe, and those too long for its 1,024-character expression.
    if (name.size() > MAX_METHOD_NAME || name.find(L'\'') != std::wstring::npos) {
        if (reportBadName)
            lastError = METHOD_NOT_RUN;
        return nullptr;
    }
    auto found = index_.find(name);
    if (found == index_.end())
        return nullptr;
    return found->second;
}

bool MethodCatalog::Contains(const std::wstring& name)
{
    return FindData(name, false) != nullptr;
}

bool MethodCatalog::RunGet(const std::wstring& name, MethodResult& result)
{
    result.name = name;
    ComPtr<IXMLDOMNode> data = FindData(name, true);
    if (!data)
        return false;
    ComPtr<IXMLDOMNode> definition = xmldom::SelectNode(data.Get(), L"Method");
    if (!definition)
        return false;
    WriteOutputLine(name);

    std::wstring type;
    if (!xmldom::Attribute(definition.Get(), L"type", type)) {
        lastError = METHOD_NOT_RUN;
        return false;
    }
    for (const GetType& entry : GET_TYPES)
        if (xmldom::EqualsNoCase(type, entry.type))
            return entry.run(*this, definition.Get(), result);
    return false;
}

bool MethodCatalog::RunSet(const std::wstring& name, const ItemValueMap& values, bool& notFound)
{
    lastError = 0;
    acceptedCode = 0;
    output.clear();
    message.clear();
    notFound = true;

    ComPtr<IXMLDOMNode> data = FindData(name, true);
    if (!data)
        return false;
    ComPtr<IXMLDOMNode> definition = xmldom::SelectNode(data.Get(), L"Set");
    if (!definition)
        return false;
    notFound = false;
    WriteOutputLine(name);

    bool succeeded = false;
    MethodOutcome outcome;
    std::wstring type;
    if (!xmldom::Attribute(definition.Get(), L"type", type)) {
        outcome.status = METHOD_NOT_RUN;
    } else {
        for (const SetType& entry : SET_TYPES)
            if (xmldom::EqualsNoCase(type, entry.type)) {
                outcome = entry.run(*this, definition.Get(), values);
                succeeded = outcome.status == 0;
                break;
            }
        // An unknown type runs nothing and fails with lastError 0.
    }

    xmldom::ChildText(definition.Get(), L"Message", outcome.message);
    lastError = outcome.status;
    acceptedCode = outcome.acceptedCode;
    output = std::move(outcome.output);
    message = std::move(outcome.message);
    return succeeded;
}

bool MethodCatalog::KnowsGetType(const std::wstring& type)
{
    for (const GetType& entry : GET_TYPES)
        if (xmldom::EqualsNoCase(type, entry.type))
            return true;
    return false;
}

bool MethodCatalog::KnowsSetType(const std::wstring& type)
{
    for (const SetType& entry : SET_TYPES)
        if (xmldom::EqualsNoCase(type, entry.type))
            return true;
    return false;
}

MethodWMI* MethodCatalog::Connection(const std::wstring& nameSpace)
{
    auto found = connections.find(nameSpace);
    if (found != connections.end())
        return found->second.get();
    auto connection = std::make_unique<MethodWMI>();
    connection->Connect(nameSpace);
    MethodWMI* raw = connection.get();
    connections.emplace(nameSpace, std::move(connection));
    return raw;
}
