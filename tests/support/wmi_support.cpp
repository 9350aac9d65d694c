#include "wmi_support.h"

#include <cstring>

#include "registry_value.h"

namespace wmitest {

const wchar_t* const HKCU_TEXT = L"-2147483647"; // 0x80000001

RegistryScratch::RegistryScratch(const std::wstring& name)
    : subKey_(L"Software\\PeltawinTest\\" + name + L"_" + std::to_wstring(::GetCurrentProcessId()))
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
}

RegistryScratch::~RegistryScratch()
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
}

bool RegistryScratch::keyExists() const { return ts::registryKeyExists(HKEY_CURRENT_USER, subKey_); }

bool RegistryScratch::valueExists(const std::wstring& name) const
{
    return ts::readRegistryValue(HKEY_CURRENT_USER, subKey_, name).found;
}

std::wstring RegistryScratch::readString(const std::wstring& name) const
{
    return ts::readRegistryValue(HKEY_CURRENT_USER, subKey_, name).text();
}

std::wstring RegistryScratch::readMultiString(const std::wstring& name) const
{
    ts::RegistryValue value = ts::readRegistryValue(HKEY_CURRENT_USER, subKey_, name);
    if (value.type != REG_MULTI_SZ)
        return L"";
    std::wstring all(value.data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(all.data(), value.data.data(), all.size() * sizeof(wchar_t));
    std::wstring joined;
    for (size_t i = 0; i < all.size() && all[i] != L'\0';) {
        std::wstring piece = all.substr(i, all.find(L'\0', i) - i);
        if (!joined.empty())
            joined += L'|';
        joined += piece;
        i += piece.size() + 1;
    }
    return joined;
}

DWORD RegistryScratch::readDword(const std::wstring& name) const
{
    return ts::readRegistryValue(HKEY_CURRENT_USER, subKey_, name).dword();
}

} // namespace wmitest
