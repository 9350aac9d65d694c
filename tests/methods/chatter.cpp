// A child process for the runner tests. Arguments, in any order:
//   out N     writes N bytes of "0123456789..." to standard output
//   err TEXT  writes TEXT to standard error
//   japanese  writes the code page 932 bytes of 日本語 to standard output
//   spawn     starts a copy of itself that sleeps 20 s and inherits our
//             handles, and prints its process id
//   sleep MS  sleeps
//   exit C    ends with exit code C
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static void writeAll(HANDLE h, const char* data, size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr))
            return;
        data += written;
        size -= written;
    }
}

int main(int argc, char** argv)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    int code = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : "";
        if (arg == "out") {
            size_t count = strtoul(next, nullptr, 10);
            std::string chunk;
            for (int j = 0; j < 1000; ++j)
                chunk += "0123456789";
            while (count > 0) {
                size_t n = count < chunk.size() ? count : chunk.size();
                writeAll(out, chunk.data(), n);
                count -= n;
            }
            ++i;
        } else if (arg == "err") {
            writeAll(GetStdHandle(STD_ERROR_HANDLE), next, strlen(next));
            ++i;
        } else if (arg == "japanese") {
            writeAll(out, "\x93\xfa\x96\x7b\x8c\xea", 6);
        } else if (arg == "spawn") {
            wchar_t self[MAX_PATH];
            GetModuleFileNameW(nullptr, self, MAX_PATH);
            std::wstring line = L"\"" + std::wstring(self) + L"\" sleep 20000";
            STARTUPINFOW si{};
            si.cb = sizeof(si);
            PROCESS_INFORMATION pi{};
            if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
                char text[32];
                int n = snprintf(text, sizeof(text), "%lu", static_cast<unsigned long>(pi.dwProcessId));
                writeAll(out, text, static_cast<size_t>(n));
                CloseHandle(pi.hThread);
                CloseHandle(pi.hProcess);
            }
        } else if (arg == "sleep") {
            Sleep(strtoul(next, nullptr, 10));
            ++i;
        } else if (arg == "exit") {
            code = atoi(next);
            ++i;
        }
    }
    return code;
}
