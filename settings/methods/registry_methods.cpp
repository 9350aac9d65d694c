#include "registry_methods.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "method_status.h"
#include "raii.h"
#include "xml_dom.h"

namespace {

constexpr int UNSUPPORTED_TYPE = -2;
// A REG_DWORD or REG_QWORD text whose number does not fit in its width:
// refused, never written as another number.
constexpr int NUMBER_OUT_OF_RANGE = ERROR_ARITHMETIC_OVERFLOW;

} // namespace

bool RegistryNumberOf(const std::wstring& text, bool isQword, unsigned long long& data)
{
    const unsigned bits = isQword ? 64 : 32;
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r')))
        ++i;
    bool negative = i < text.size() && text[i] == L'-';
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        ++i;
    const unsigned long long top = bits == 64 ? ~0ull : (1ull << bits) - 1;
    const unsigned long long limit = negative ? (top >> 1) + 1 : top;
    unsigned long long number = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        unsigned digit = static_cast<unsigned>(text[i] - L'0');
        if (number > (limit - digit) / 10)
            return false;
        number = number * 10 + digit;
    }
    data = (negative ? 0ull - number : number) & top;
    return true;
}

namespace {

struct RegistryLocation {
    HKEY hive;
    std::wstring key;
    std::wstring name;
    REGSAM view;
};

// Root, Key and Name, and Type when `typeText` is given (a Get needs none).
bool ReadLocation(IXMLDOMNode* definition, RegistryLocation& location, std::wstring* typeText = nullptr)
{
    std::wstring root;
    bool found = typeText ? xmldom::ChildTexts(definition, {{L"Root", &root}, {L"Key", &location.key},
                                                            {L"Name", &location.name}, {L"Type", typeText}})
                          : xmldom::ChildTexts(definition,
                                               {{L"Root", &root}, {L"Key", &location.key}, {L"Name", &location.name}});
    if (!found)
        return false;
    if (xmldom::EqualsNoCase(root, L"HKCR"))
        location.hive = HKEY_CLASSES_ROOT;
    else if (xmldom::EqualsNoCase(root, L"HKCU"))
        location.hive = HKEY_CURRENT_USER;
    else
        location.hive = HKEY_LOCAL_MACHINE;
    // The path is used as written either way; the flag only picks the view.
    location.view = location.key.find(L"Wow6432Node\\") != std::wstring::npos ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    return true;
}

int ReadString(HKEY key, const std::wstring& name, DWORD size, MethodResult& result)
{
    // One character more than reported, so the text ends even when the
    // stored value lacks its terminating null.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    LSTATUS status = ::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_SUCCESS) {
        result.value = buffer.data();
        result.kind = MethodResult::SINGLE;
    }
    return status;
}

int ReadDword(HKEY key, const std::wstring& name, MethodResult& result)
{
    DWORD data = 0;
    DWORD bytes = sizeof(data);
    LSTATUS status = ::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &bytes);
    if (status == ERROR_SUCCESS) {
        wchar_t text[16];
        _snwprintf(text, 16, L"%d", static_cast<int>(data));
        text[15] = L'\0';
        result.value = text;
        result.kind = MethodResult::SINGLE;
    }
    return status;
}

int ReadQword(HKEY key, const std::wstring& name, MethodResult& result)
{
    unsigned long long data = 0;
    DWORD bytes = sizeof(data);
    LSTATUS status = ::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &bytes);
    if (status == ERROR_SUCCESS) {
        // Signed, as a REG_DWORD reads: -1 written is -1 read.
        result.value = std::to_wstring(static_cast<long long>(data));
        result.kind = MethodResult::SINGLE;
    }
    return status;
}

} // namespace

int GetRegistryValue(IXMLDOMNode* definition, MethodResult& result)
{
    RegistryLocation location;
    if (!ReadLocation(definition, location))
        return METHOD_NOT_RUN;

    RegKey key;
    LSTATUS status = ::RegOpenKeyExW(location.hive, location.key.c_str(), 0, KEY_READ | location.view, key.put());
    if (status != ERROR_SUCCESS)
        return status;
    DWORD type = 0;
    DWORD size = 0;
    status = ::RegQueryValueExW(key.get(), location.name.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS)
        return status;
    switch (type) {
    case REG_SZ:
        return ReadString(key.get(), location.name, size, result);
    case REG_DWORD:
        return ReadDword(key.get(), location.name, result);
    case REG_QWORD:
        return ReadQword(key.get(), location.name, result);
    default:
        return UNSUPPORTED_TYPE;
    }
}

int SetRegistryValue(IXMLDOMNode* definition, const std::wstring& value)
{
    RegistryLocation location;
    std::wstring typeText;
    if (!ReadLocation(definition, location, &typeText))
        return METHOD_NOT_RUN;
    DWORD type = REG_NONE;
    if (xmldom::EqualsNoCase(typeText, L"REG_SZ"))
        type = REG_SZ;
    else if (xmldom::EqualsNoCase(typeText, L"REG_DWORD"))
        type = REG_DWORD;
    else if (xmldom::EqualsNoCase(typeText, L"REG_QWORD"))
        type = REG_QWORD;

    // The key is created even for a type that cannot be written.
    RegKey key;
    LSTATUS status = ::RegCreateKeyExW(location.hive, location.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS | location.view, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    if (type == REG_SZ) {
        DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
        return ::RegSetValueExW(key.get(), location.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    }
    if (type == REG_DWORD) {
        unsigned long long number = 0;
        if (!RegistryNumberOf(value, false, number))
            return NUMBER_OUT_OF_RANGE;
        DWORD data = static_cast<DWORD>(number);
        return ::RegSetValueExW(key.get(), location.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    }
    if (type == REG_QWORD) {
        unsigned long long data = 0;
        if (!RegistryNumberOf(value, true, data))
            return NUMBER_OUT_OF_RANGE;
        return ::RegSetValueExW(key.get(), location.name.c_str(), 0, REG_QWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    }
    return UNSUPPORTED_TYPE;
}
