#include "console_text.h"

#include <windows.h>

#include "method_text.h"

namespace {

// Text gathered up to this many characters before each write.
constexpr size_t BLOCK_CHARACTERS = 32768;

void WriteBlock(HANDLE out, bool console, const std::wstring& text)
{
    DWORD written = 0;
    if (console) {
        ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::string bytes = WideToAnsi(text);
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace

void WriteConsoleLine(const std::wstring& line)
{
    WriteConsoleLines({line});
}

void WriteConsoleLines(const std::vector<std::wstring>& lines)
{
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    bool console = ::GetConsoleMode(out, &mode) != FALSE;
    std::wstring block;
    for (const std::wstring& line : lines) {
        block += line;
        block += L"\r\n";
        if (block.size() >= BLOCK_CHARACTERS) {
            WriteBlock(out, console, block);
            block.clear();
        }
    }
    if (!block.empty())
        WriteBlock(out, console, block);
}
