#include "method_text.h"

#include <windows.h>

#include <string>

std::wstring AnsiToWide(std::string_view bytes, unsigned codePage)
{
    if (bytes.empty())
        return {};
    int size = static_cast<int>(bytes.size());
    int count = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (count <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(count), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), count);
    return wide;
}

std::string WideToAnsi(const std::wstring& text)
{
    if (text.empty())
        return {};
    int size = static_cast<int>(text.size());
    int count = ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (count <= 0)
        return {};
    std::string bytes(static_cast<size_t>(count), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, bytes.data(), count, nullptr, nullptr);
    return bytes;
}

bool JapaneseTextLines(const std::wstring& text, bool exact, std::string& bytes)
{
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 16 + 8);
    for (wchar_t c : text) {
        if (c == L'\n')
            lines += L'\r';
        lines += c;
    }
    bytes.clear();
    if (lines.empty())
        return true;
    const DWORD flags = exact ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* substituted = exact ? &usedDefault : nullptr;
    int size = static_cast<int>(lines.size());
    int count = ::WideCharToMultiByte(JAPANESE_CODE_PAGE, flags, lines.data(), size, nullptr, 0, nullptr, substituted);
    if (count <= 0 || usedDefault)
        return false;
    bytes.resize(static_cast<size_t>(count));
    ::WideCharToMultiByte(JAPANESE_CODE_PAGE, flags, lines.data(), size, bytes.data(), count, nullptr, substituted);
    return true;
}

std::wstring AnsiRoundTrip(const std::wstring& text)
{
    return AnsiToWide(WideToAnsi(text));
}

void ReplaceAll(std::wstring& text, const std::wstring& token, const std::wstring& replacement)
{
    if (token.empty())
        return;
    size_t pos = text.find(token);
    while (pos != std::wstring::npos) {
        text.replace(pos, token.size(), replacement);
        pos = text.find(token, pos + replacement.size());
    }
}

void WriteOutputLine(const std::wstring& text)
{
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return;
    std::string bytes = WideToAnsi(text);
    bytes += "\r\n";
    DWORD written = 0;
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
