// Stands in for a command that hangs: waits until a file "sleeper_stop.txt"
// appears beside it (the test's way to end it), at most 120 seconds.
#include <windows.h>
#include <string>

int main()
{
    wchar_t self[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring stop(self, n);
    stop = stop.substr(0, stop.find_last_of(L'\\')) + L"\\sleeper_stop.txt";
    for (int i = 0; i < 1200 && ::GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        ::Sleep(100);
    return 0;
}
