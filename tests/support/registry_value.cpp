#include "registry_value.h"

#include <cstring>
#include <memory>
#include <type_traits>

namespace ts {

namespace {
struct KeyCloser {
    void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using OpenKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

OpenKey openForReading(HKEY root, const std::wstring& subKey, REGSAM view)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return nullptr;
    return OpenKey(key);
}
} // namespace

std::wstring RegistryValue::text() const
{
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return L"";
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

DWORD RegistryValue::dword() const
{
    DWORD value = 0;
    if (type == REG_DWORD && data.size() >= sizeof value)
        std::memcpy(&value, data.data(), sizeof value);
    return value;
}

RegistryValue readRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& name, REGSAM view)
{
    RegistryValue value;
    OpenKey key = openForReading(root, subKey, view);
    if (!key)
        return value;
    DWORD size = 0;
    LONG rc = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size);
    // The value may grow between the two calls; ask again until it fits.
    while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        value.data.resize(size);
        rc = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, value.data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            value.data.resize(size);
            value.found = true;
            break;
        }
    }
    return value;
}

bool registryKeyExists(HKEY root, const std::wstring& subKey, REGSAM view)
{
    return openForReading(root, subKey, view) != nullptr;
}

} // namespace ts
