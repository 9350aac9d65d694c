#include "wmi_support.h"

#include <vector>

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

bool RegistryScratch::keyExists() const
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

bool RegistryScratch::valueExists(const std::wstring& name) const
{
    return ::RegGetValueW(HKEY_CURRENT_USER, subKey_.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS;
}

static std::vector<wchar_t> ReadRaw(const std::wstring& subKey, const std::wstring& name, DWORD flags)
{
    DWORD bytes = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), flags, nullptr, nullptr, &bytes)
        != ERROR_SUCCESS)
        return {};
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 2, L'\0');
    if (::RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), flags, nullptr, data.data(), &bytes)
        != ERROR_SUCCESS)
        return {};
    data.resize(bytes / sizeof(wchar_t));
    return data;
}

std::wstring RegistryScratch::readString(const std::wstring& name) const
{
    std::vector<wchar_t> data = ReadRaw(subKey_, name, RRF_RT_REG_SZ);
    return std::wstring(data.data(), wcsnlen(data.data(), data.size()));
}

std::wstring RegistryScratch::readMultiString(const std::wstring& name) const
{
    std::vector<wchar_t> data = ReadRaw(subKey_, name, RRF_RT_REG_MULTI_SZ);
    std::wstring joined;
    for (size_t i = 0; i < data.size() && data[i] != L'\0';) {
        std::wstring piece(&data[i]);
        if (!joined.empty())
            joined += L'|';
        joined += piece;
        i += piece.size() + 1;
    }
    return joined;
}

DWORD RegistryScratch::readDword(const std::wstring& name) const
{
    DWORD value = 0, bytes = sizeof(value);
    ::RegGetValueW(HKEY_CURRENT_USER, subKey_.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &bytes);
    return value;
}

} // namespace wmitest
