// A scratch registry key for the WMI tests, below HKCU\Software\PeltawinTest,
// deleted with everything in it at the end of its scope.
#pragma once
#include <windows.h>
#include <string>

namespace wmitest {

// HKEY_CURRENT_USER as the signed 32-bit number WMI's registry provider takes.
extern const wchar_t* const HKCU_TEXT;

class RegistryScratch {
public:
    explicit RegistryScratch(const std::wstring& name);
    ~RegistryScratch();
    RegistryScratch(const RegistryScratch&) = delete;
    RegistryScratch& operator=(const RegistryScratch&) = delete;

    const std::wstring& subKey() const { return subKey_; } // below HKCU
    bool keyExists() const;
    bool valueExists(const std::wstring& name) const;
    std::wstring readString(const std::wstring& name) const;
    std::wstring readMultiString(const std::wstring& name) const; // pieces joined by '|'
    DWORD readDword(const std::wstring& name) const;

private:
    std::wstring subKey_;
};

} // namespace wmitest
