#include "ini_methods.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "executor_context.h"
#include "method_reference.h"
#include "method_status.h"
#include "xml_dom.h"

namespace {

// GetPrivateProfileIntW answers this for an absent key.
constexpr int INT_ABSENT = -2;

struct IniLocation {
    std::wstring file;
    std::wstring section;
    std::wstring key;
};

bool ReadLocation(const ExecutorContext& context, IXMLDOMNode* definition, IniLocation& location)
{
    std::wstring folder, name;
    if (!xmldom::ChildText(definition, L"Path", folder) || !xmldom::ChildText(definition, L"File", name)
        || !xmldom::ChildText(definition, L"Section", location.section) || !xmldom::ChildText(definition, L"Key", location.key))
        return false;
    location.file = ResolveReference(context, folder) + L"\\" + name;
    return true;
}

} // namespace

int GetIniValue(const ExecutorContext& context, IXMLDOMNode* definition, MethodResult& result)
{
    std::wstring type;
    if (!xmldom::ChildText(definition, L"Type", type))
        return METHOD_NOT_RUN;
    IniLocation location;
    if (!ReadLocation(context, definition, location))
        return METHOD_NOT_RUN;

    if (!xmldom::EqualsNoCase(type, L"Int")) {
        std::vector<wchar_t> buffer(INI_VALUE_BUFFER, L'\0');
        DWORD count = ::GetPrivateProfileStringW(location.section.c_str(), location.key.c_str(), L"", buffer.data(),
                                                 INI_VALUE_BUFFER, location.file.c_str());
        if (count == 0)
            return METHOD_NOT_RUN;
        result.value.assign(buffer.data(), count);
        result.kind = MethodResult::SINGLE;
        return 0;
    }

    int number = static_cast<int>(::GetPrivateProfileIntW(location.section.c_str(), location.key.c_str(), INT_ABSENT,
                                                          location.file.c_str()));
    if (number == INT_ABSENT)
        return METHOD_NOT_RUN;
    wchar_t text[16];
    _snwprintf(text, 16, L"%d", number);
    text[15] = L'\0';
    result.value = text;
    result.kind = MethodResult::SINGLE;
    return 0;
}

int SetIniValue(const ExecutorContext& context, IXMLDOMNode* definition, const std::wstring& value)
{
    IniLocation location;
    if (!ReadLocation(context, definition, location))
        return METHOD_NOT_RUN;
    if (::WritePrivateProfileStringW(location.section.c_str(), location.key.c_str(), value.c_str(), location.file.c_str()))
        return 0;
    DWORD error = ::GetLastError();
    // A failed write must never read as success, even if no code was left.
    return error != 0 ? static_cast<int>(error) : ERROR_WRITE_FAULT;
}
