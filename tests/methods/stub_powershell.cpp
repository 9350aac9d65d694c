// Stands in for powershell.exe beside the test programs (a program's own
// folder is searched first). When PW_STUB_RECORD names a path, it writes its
// command line (UTF-8) to PATH.cmd and a copy of the -File script to
// PATH.script; it prints one line and exits with PW_STUB_EXIT (default 0).
// Without PW_STUB_RECORD it does nothing, like the stub Wine ships.
#include <windows.h>

#include <cstdlib>
#include <string>

static std::wstring env(const wchar_t* name)
{
    wchar_t value[1024];
    DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

static void writeBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

static std::string readBytes(const std::wstring& path)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(f, chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(f);
    return bytes;
}

int main()
{
    std::wstring record = env(L"PW_STUB_RECORD");
    if (record.empty())
        return 0;
    std::wstring line = GetCommandLineW();
    int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), size, nullptr, nullptr);
    writeBytes(record + L".cmd", utf8);

    size_t start = line.find(L"-File \"");
    if (start != std::wstring::npos) {
        start += 7;
        size_t end = line.find(L'"', start);
        writeBytes(record + L".script", readBytes(line.substr(start, end - start)));
    }
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "stub powershell\r\n", 17, &written, nullptr);
    return _wtoi(env(L"PW_STUB_EXIT").c_str());
}
