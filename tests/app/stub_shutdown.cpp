// Stands in for shutdown.exe beside peltacfg.exe in tests: records its
// command line in shutdown_args.txt beside itself and exits with the number
// in shutdown_exit.txt (0 when that file is missing). Nothing restarts.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>

int main()
{
    wchar_t self[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self, n);
    dir = dir.substr(0, dir.find_last_of(L'\\'));

    FILE* args = _wfopen((dir + L"\\shutdown_args.txt").c_str(), L"ab");
    if (args) {
        const wchar_t* line = ::GetCommandLineW();
        int size = ::WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<size_t>(size), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), size, nullptr, nullptr);
        std::fprintf(args, "%s\n", utf8.c_str());
        std::fclose(args);
    }
    int code = 0;
    FILE* exitFile = _wfopen((dir + L"\\shutdown_exit.txt").c_str(), L"rb");
    if (exitFile) {
        if (std::fscanf(exitFile, "%d", &code) != 1)
            code = 0;
        std::fclose(exitFile);
    }
    return code;
}
