#include "mbcs_text.h"

#include <windows.h>
#include <mbstring.h>
#include <cstdlib>

namespace vorn {

namespace {
// Bytes of the character that starts at i (a lead byte at the very end stands alone).
size_t charLength(std::string_view text, size_t i)
{
    if (::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size())
        return 2;
    return 1;
}

std::wstring toWide(UINT codePage, std::string_view text)
{
    if (text.empty())
        return {};
    int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}
} // namespace

size_t findChar(std::string_view text, char c, size_t from)
{
    size_t i = 0;
    while (i < text.size()) {
        size_t len = charLength(text, i);
        if (i >= from && len == 1 && text[i] == c)
            return i;
        i += len;
    }
    return std::string_view::npos;
}

bool containsText(std::string_view text, std::string_view needle)
{
    if (needle.empty())
        return true;
    for (size_t i = 0; i + needle.size() <= text.size(); i += charLength(text, i)) {
        if (text.compare(i, needle.size(), needle) == 0)
            return true;
    }
    return false;
}

bool equalsNoCase(const std::string& a, const std::string& b)
{
    return ::_mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                      reinterpret_cast<const unsigned char*>(b.c_str())) == 0;
}

std::wstring wideFromUtf8(std::string_view utf8) { return toWide(CP_UTF8, utf8); }

std::string ansiFromUtf8(std::string_view utf8)
{
    std::wstring wide = wideFromUtf8(utf8);
    if (wide.empty())
        return {};
    int n = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

int readNumber(const std::string& field) { return std::atoi(field.c_str()); }

unsigned long readColour(const std::string& field)
{
    return static_cast<unsigned long>(std::strtol(field.c_str(), nullptr, 16));
}

} // namespace vorn
