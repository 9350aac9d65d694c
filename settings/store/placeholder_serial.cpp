#include "placeholder_serial.h"

#include <windows.h>

const wchar_t* const PLACEHOLDER_SERIALS[] = {
    L"0",
    L"Default string",
    L"To be filled by O.E.M.",
    L"System Serial Number",
    L"Not Specified",
    L"None",
    L"N/A",
    L"INVALID",
    L"0123456789",
    nullptr,
};

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\x3000';
}

} // namespace

bool IsPlaceholderSerial(const std::wstring& serial)
{
    size_t first = 0;
    size_t last = serial.size();
    while (first < last && IsBlank(serial[first]))
        ++first;
    while (last > first && IsBlank(serial[last - 1]))
        --last;
    if (first == last)
        return true;
    std::wstring core = serial.substr(first, last - first);
    for (const wchar_t* const* p = PLACEHOLDER_SERIALS; *p; ++p) {
        if (::CompareStringOrdinal(core.c_str(), static_cast<int>(core.size()), *p, -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}
