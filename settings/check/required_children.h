// The child elements each Get and Set type reads and cannot do without: the
// kit checker reports a definition that lacks one, and the kit test holds the
// example kit to the same table.
#pragma once
#include <vector>

struct CRequired {
    const wchar_t* type;
    std::vector<const wchar_t*> children;
};
inline const CRequired GET_REQUIRED[] = {
    {L"WMI", {L"Namespace", L"Class", L"Where"}},
    {L"Registry", {L"Root", L"Key", L"Name"}},
    {L"Ini", {L"Path", L"File", L"Section", L"Key", L"Type"}},
};
inline const CRequired SET_REQUIRED[] = {
    {L"WMI", {L"Namespace", L"Class", L"Where", L"Property", L"Value"}},
    {L"Registry", {L"Root", L"Key", L"Name", L"Type"}},
    {L"Ini", {L"Path", L"File", L"Section", L"Key"}},
    {L"WMIExecute", {L"Namespace", L"Class", L"Object", L"Method"}},
    {L"VBScript", {L"Script"}},
    {L"PowerShell", {L"Script"}},
};
