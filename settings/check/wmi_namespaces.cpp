#include "wmi_namespaces.h"

#include <algorithm>
#include <cwctype>

namespace {

struct CNamespace {
    const wchar_t* name;
    bool withChildren;  // every namespace below it counts as standard too
};

// Namespaces that ship with Windows client and server editions (features
// and roles add more under root\Microsoft and root\CIMV2).
const CNamespace STANDARD_NAMESPACES[] = {
    {L"root", false},
    {L"root\\cimv2", false},
    {L"root\\default", false},
    {L"root\\wmi", false},
    {L"root\\StandardCimv2", true},
    {L"root\\SecurityCenter", false},
    {L"root\\SecurityCenter2", false},
    {L"root\\Microsoft", true},
    {L"root\\CIMV2\\Security", true},
    {L"root\\CIMV2\\power", false},
    {L"root\\CIMV2\\TerminalServices", false},
    {L"root\\CIMV2\\mdm", true},
    {L"root\\CIMV2\\Applications", true},
    {L"root\\subscription", false},
    {L"root\\directory", true},
    {L"root\\Policy", false},
    {L"root\\RSOP", true},
    {L"root\\Interop", false},
    {L"root\\Hardware", false},
    {L"root\\ServiceModel", false},
    {L"root\\Cli", false},
    {L"root\\aspnet", false},
    {L"root\\PEH", false},
    {L"root\\nap", false},
    {L"root\\virtualization", true},
    {L"root\\WebAdministration", false},
    {L"root\\MicrosoftIISv2", false},
    {L"root\\MSCluster", false},
    {L"root\\MicrosoftDfs", false},
    {L"root\\MicrosoftDNS", false},
};

std::wstring Normalised(std::wstring name)
{
    std::replace(name.begin(), name.end(), L'/', L'\\');
    if (name.rfind(L"\\\\.\\", 0) == 0)
        name.erase(0, 4);
    while (!name.empty() && name.back() == L'\\')
        name.pop_back();
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(std::towlower(c));
    return name;
}

} // namespace

bool IsStandardWmiNamespace(const std::wstring& name)
{
    std::wstring wanted = Normalised(name);
    for (const CNamespace& entry : STANDARD_NAMESPACES) {
        std::wstring known = Normalised(entry.name);
        if (wanted == known || (entry.withChildren && wanted.rfind(known + L"\\", 0) == 0))
            return true;
    }
    return false;
}
