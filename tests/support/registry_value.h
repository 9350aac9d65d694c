// Reading a registry value straight from the registry, to check what a program wrote.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace ts {

// A value as stored; found is false when the key or the value is missing.
struct RegistryValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    // A string value's text up to its first NUL; empty for other types.
    std::wstring text() const;
    // A REG_DWORD value's number; 0 for other types.
    DWORD dword() const;
};

// view is 0 or one of KEY_WOW64_32KEY / KEY_WOW64_64KEY.
RegistryValue readRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& name, REGSAM view = 0);
bool registryKeyExists(HKEY root, const std::wstring& subKey, REGSAM view = 0);

} // namespace ts
