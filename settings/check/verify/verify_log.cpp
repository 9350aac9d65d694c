#include "verify_log.h"

#include <windows.h>

#include <cwchar>

#include "file_replace.h"
#include "method_text.h"
#include "win32_owners.h"

namespace {

// The files are small; anything larger is not a record of ours.
constexpr DWORD MAX_LOG_BYTES = 16 * 1024 * 1024;

bool ReadShared(const std::wstring& path, std::string& bytes)
{
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > MAX_LOG_BYTES)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return false;
    bytes.resize(read);
    return true;
}

// The number after `label` in `line`, or -1.
int CountAfter(const std::wstring& line, const wchar_t* label)
{
    size_t at = line.find(label);
    if (at == std::wstring::npos)
        return -1;
    const wchar_t* digits = line.c_str() + at + std::wcslen(label);
    if (*digits < L'0' || *digits > L'9')
        return -1;
    return static_cast<int>(std::wcstol(digits, nullptr, 10));
}

bool StartsWith(const std::wstring& line, const wchar_t* label)
{
    return line.compare(0, std::wcslen(label), label) == 0;
}

} // namespace

std::wstring VerifyLogPath(const std::wstring& logFolder, const std::wstring& digest)
{
    return logFolder + L"\\" + digest + L"-verify.txt";
}

bool WriteVerifyLog(const std::wstring& path, const std::vector<std::wstring>& lines, unsigned long& error)
{
    std::wstring text;
    for (const std::wstring& line : lines)
        text += line + L"\n";
    std::string bytes;
    JapaneseTextLines(text, false, bytes);
    DWORD failure = 0;
    bool written = ReplaceFileContents(path, bytes, failure);
    error = failure;
    return written;
}

bool ReadVerifySummary(const std::wstring& path, VerifySummary& summary)
{
    std::string bytes;
    if (!ReadShared(path, bytes))
        return false;
    std::wstring text = AnsiToWide(bytes, JAPANESE_CODE_PAGE);
    bool timeFound = false, resultFound = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (!timeFound && StartsWith(line, VERIFY_TIME_LABEL)) {
            summary.time = line.substr(std::wcslen(VERIFY_TIME_LABEL));
            timeFound = true;
        } else if (StartsWith(line, VERIFY_RESULT_LABEL)) {
            summary.differences = CountAfter(line, L"相違 ");
            summary.changes = CountAfter(line, L"変化 ");
            summary.readFailures = CountAfter(line, L"読み取り失敗 ");
            resultFound = summary.differences >= 0 && summary.changes >= 0 && summary.readFailures >= 0;
        }
        start = end + 1;
    }
    return timeFound && resultFound;
}

std::wstring VerifyCellText(const VerifySummary& summary)
{
    std::wstring text = summary.time + L" 相違 " + std::to_wstring(summary.differences) + L" 変化 " +
                        std::to_wstring(summary.changes);
    if (summary.readFailures > 0)
        text += L" 読み取り失敗 " + std::to_wstring(summary.readFailures);
    return text;
}
