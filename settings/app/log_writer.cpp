#include "log_writer.h"

#include <windows.h>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <vector>

#include "method_text.h"
#include "raii.h"

std::wstring logFolder;
std::wstring logBaseName;
int lastLogError = 0;

namespace {

std::wstring FormatMessageText(const wchar_t* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    _vsnwprintf(buffer.data(), buffer.size(), format, args);
    return std::wstring(buffer.data(), static_cast<size_t>(length));
}

// Local time of `t` in `format`; empty when the conversion fails.
bool FormatLocalTime(__time64_t t, const wchar_t* format, std::wstring& out)
{
    tm local{};
    if (_localtime64_s(&local, &t) != 0)
        return false;
    wchar_t buffer[128];
    size_t n = wcsftime(buffer, 128, format, &local);
    out.assign(buffer, n);
    return true;
}

bool Fail(DWORD error)
{
    lastLogError = error ? static_cast<int>(error) : -1;
    return false;
}

} // namespace

bool WriteLog(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring message = FormatMessageText(format, args);
    va_end(args);
    return WriteLogText(message);
}

bool WriteLogText(const std::wstring& message)
{
    __time64_t now = _time64(nullptr);
    std::wstring path = logFolder + L"\\" + logBaseName + L".txt";

    UniqueHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return Fail(::GetLastError());

    // Other parts read text files through the C run-time and rely on the
    // Japanese code page being in force once logging has started.
    _wsetlocale(LC_ALL, L"japanese");

    std::wstring stamp;
    if (!FormatLocalTime(now, L"%Y/%m/%d %H:%M:%S", stamp))
        return Fail(::GetLastError());

    std::string bytes;
    // A character the code page cannot hold (a wave dash from some input
    // methods, an en dash, an accented letter) comes out as the system's
    // substitute: dropping the whole line for it would hide the step, and
    // stop start-up for a serial number that holds one.
    if (!JapaneseTextLines(stamp + L"|0|" + message + L"\n", false, bytes))
        return Fail(ERROR_NO_UNICODE_TRANSLATION);

    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return Fail(::GetLastError());

    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        return Fail(::GetLastError());
    file.reset();

    if (size.QuadPart > LOG_ROTATE_BYTES) {
        std::wstring suffix;
        if (FormatLocalTime(_time64(nullptr), L"%Y%m%d_%H%M%S", suffix)) {
            std::wstring rotated = logFolder + L"\\" + logBaseName + L"_" + suffix + L".txt";
            // A failed rename (a name clash within the same second) is retried by the next line.
            ::MoveFileW(path.c_str(), rotated.c_str());
        }
    }
    return true;
}
