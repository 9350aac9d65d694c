#include "console_text.h"

#include <windows.h>

#include "method_text.h"

void WriteConsoleLine(const std::wstring& line)
{
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE && ::GetConsoleMode(out, &mode)) {
        std::wstring text = line + L"\r\n";
        DWORD written = 0;
        ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    WriteOutputLine(line);
}
