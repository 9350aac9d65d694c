#include "definition_types.h"

#include "command_runner.h"
#include "disk_security.h"
#include "ini_methods.h"
#include "method_text.h"
#include "registry_methods.h"
#include "script_methods.h"
#include "wmi_methods.h"
#include "xml_dom.h"

namespace {

bool Succeeded(int& status, int code)
{
    status = code;
    return code == 0;
}

// A Get of this type only shows its command: nothing is run or read, and the
// status keeps its value.
bool GetPowerShell(const ExecutorContext&, IXMLDOMNode* definition, MethodResult&, int&)
{
    std::wstring command;
    xmldom::ChildText(definition, L"Command", command);
    WriteOutputLine(L" " + command);
    return false;
}

// An executor that reports a status alone.
MethodOutcome StatusOnly(int status)
{
    MethodOutcome outcome;
    outcome.status = status;
    return outcome;
}

const GetDefinitionType GET_TYPES[] = {
    {L"PowerShell", GetPowerShell, {}},
    {L"WMI",
     [](const ExecutorContext& c, IXMLDOMNode* d, MethodResult& r, int& s) { return Succeeded(s, GetWmiValue(c, d, r)); },
     {L"Namespace", L"Class", L"Where"}},
    {L"Registry",
     [](const ExecutorContext&, IXMLDOMNode* d, MethodResult& r, int& s) { return Succeeded(s, GetRegistryValue(d, r)); },
     {L"Root", L"Key", L"Name"}},
    {L"HDDPwd", [](const ExecutorContext&, IXMLDOMNode*, MethodResult& r, int&) { return ReadDiskSecurityTable(r); }, {}},
    {L"Ini",
     [](const ExecutorContext& c, IXMLDOMNode* d, MethodResult& r, int& s) { return Succeeded(s, GetIniValue(c, d, r)); },
     {L"Path", L"File", L"Section", L"Key", L"Type"}},
};

// The single-value types take the item's first value, the others the whole map.
const SetDefinitionType SET_TYPES[] = {
    {L"PowerShell",
     [](const ExecutorContext& c, IXMLDOMNode* d, const ItemValueMap& v) {
         return RunScriptMethod(c, d, v, ScriptVariant::POWERSHELL);
     },
     {L"Script"}},
    {L"VBScript",
     [](const ExecutorContext& c, IXMLDOMNode* d, const ItemValueMap& v) {
         return RunScriptMethod(c, d, v, ScriptVariant::VBSCRIPT);
     },
     {L"Script"}},
    {L"WMIExecute",
     [](const ExecutorContext& c, IXMLDOMNode* d, const ItemValueMap& v) { return StatusOnly(ExecuteWmiMethod(c, d, v)); },
     {L"Namespace", L"Class", L"Object", L"Method"}},
    {L"Command",
     [](const ExecutorContext& c, IXMLDOMNode* d, const ItemValueMap& v) { return RunCommandMethod(c, d, v, false); },
     {}},
    {L"Console",
     [](const ExecutorContext& c, IXMLDOMNode* d, const ItemValueMap& v) { return RunCommandMethod(c, d, v, true); },
     {}},
    {L"WMI",
     [](const ExecutorContext& c, IXMLDOMNode* d, const ItemValueMap& v) {
         return StatusOnly(SetWmiValue(c, d, FirstValue(v)));
     },
     {L"Namespace", L"Class", L"Where", L"Property", L"Value"}},
    {L"Registry",
     [](const ExecutorContext&, IXMLDOMNode* d, const ItemValueMap& v) {
         return StatusOnly(SetRegistryValue(d, FirstValue(v)));
     },
     {L"Root", L"Key", L"Name", L"Type"}},
    {L"Ini",
     [](const ExecutorContext& c, IXMLDOMNode* d, const ItemValueMap& v) {
         return StatusOnly(SetIniValue(c, d, FirstValue(v)));
     },
     {L"Path", L"File", L"Section", L"Key"}},
};

template <typename Entry>
const Entry* FindType(std::span<const Entry> entries, const std::wstring& type)
{
    for (const Entry& entry : entries)
        if (xmldom::EqualsNoCase(type, entry.type))
            return &entry;
    return nullptr;
}

} // namespace

std::span<const GetDefinitionType> GetDefinitionTypes() { return GET_TYPES; }

std::span<const SetDefinitionType> SetDefinitionTypes() { return SET_TYPES; }

const GetDefinitionType* FindGetDefinitionType(const std::wstring& type) { return FindType(GetDefinitionTypes(), type); }

const SetDefinitionType* FindSetDefinitionType(const std::wstring& type) { return FindType(SetDefinitionTypes(), type); }
