#include "pc_log.h"

#include <windows.h>

#include "method_text.h"
#include "raii.h"

namespace {

constexpr size_t STAMP_LENGTH = 19; // "2026/03/07 09:05:03"

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// "YYYY/MM/DD HH:MM:SS|<code>|": the length of the prefix, 0 when the line has none.
size_t StampedPrefix(const wchar_t* line, size_t length)
{
    static const wchar_t SHAPE[] = L"dddd/dd/dd dd:dd:dd";
    if (length < STAMP_LENGTH + 2)
        return 0;
    for (size_t i = 0; i < STAMP_LENGTH; ++i)
        if (SHAPE[i] == L'd' ? !IsDigit(line[i]) : line[i] != SHAPE[i])
            return 0;
    if (line[STAMP_LENGTH] != L'|')
        return 0;
    size_t i = STAMP_LENGTH + 1;
    while (i < length && IsDigit(line[i]))
        ++i;
    return i > STAMP_LENGTH + 1 && i < length && line[i] == L'|' ? i + 1 : 0;
}

} // namespace

void SplitPcLog(const std::wstring& text, std::vector<CLogLine>& lines)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        size_t next = end == std::wstring::npos ? text.size() : end + 1;
        if (end == std::wstring::npos)
            end = text.size();
        size_t length = end - start;
        // Output that ran over several lines ends its lines with CR CR LF.
        while (length > 0 && text[start + length - 1] == L'\r')
            --length;
        const wchar_t* line = text.data() + start;
        size_t prefix = StampedPrefix(line, length);
        if (prefix > 0)
            lines.push_back({std::wstring(line, STAMP_LENGTH), std::wstring(line + prefix, length - prefix)});
        else if (!lines.empty())
            lines.back().message.append(L"\n").append(line, length);
        start = next;
    }
}

bool ReadPcLog(const std::wstring& path, std::vector<CLogLine>& lines)
{
    std::string bytes;
    {
        UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        LARGE_INTEGER size{};
        if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 31))
            bytes.reserve(static_cast<size_t>(size.QuadPart));
        char buffer[65536];
        DWORD got = 0;
        while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
            bytes.append(buffer, got);
    }
    // A line being written at this moment may be cut short; it is taken as it is.
    SplitPcLog(AnsiToWide(bytes, JAPANESE_CODE_PAGE), lines);
    return true;
}

std::wstring LoggedSerial(const std::vector<CLogLine>& lines)
{
    static const std::wstring PREFIX = L"SerialNumber: ";
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->message.compare(0, PREFIX.size(), PREFIX) == 0)
            return it->message.substr(PREFIX.size());
    return std::wstring();
}
