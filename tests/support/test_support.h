// Helpers shared by the tests: files, temporary folders, text conversions,
// child processes with captured output and windows of other processes.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ts {

// Folder of the running test executable; every built .exe lies there too.
std::wstring moduleDir();
std::wstring binPath(const std::wstring& exeName);

std::wstring utf8ToWide(std::string_view text);
std::string wideToUtf8(std::wstring_view text);

// Asks `condition` every pollMs until it holds; false when it still does not hold
// after timeoutMs. It is asked once more at the end, so a slow last poll loses nothing.
// Tests wait with this for what they expect, never for a fixed time.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 30);
std::wstring cp932ToWide(std::string_view bytes);
std::string wideToCp932(std::wstring_view text);

std::string readFile(const std::wstring& path);
bool writeFile(const std::wstring& path, std::string_view bytes);
bool fileExists(const std::wstring& path);
bool copyFile(const std::wstring& from, const std::wstring& to);
void removeTree(const std::wstring& path);
// The names in a folder, "." and ".." left out; folders' names end with a backslash.
std::vector<std::wstring> folderEntries(const std::wstring& folder);

// A fresh empty folder, removed with its contents at the end of its scope.
// Set PW_KEEP_TEMP=1 to keep the folders for a look after a failure.
class TempDir {
public:
    explicit TempDir(const std::wstring& prefix = L"t");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// A child process whose standard output and error are read into one buffer
// while it runs (so a chatty child never blocks on a full pipe), or go to a file.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const std::wstring& commandLine, const std::wstring& workDir = L"",
               DWORD creationFlags = 0);
    // Output to a file instead of a pipe, for a child whose own children inherit its
    // output handles and would keep a pipe open after it ended.
    bool startToFile(const std::wstring& commandLine, const std::wstring& workDir, const std::wstring& outputPath);
    // No standard handles, as a program started from the desktop has.
    bool startWithoutOutput(const std::wstring& commandLine, const std::wstring& workDir);
    // True when the process ended within the time; then exitCode() is valid.
    bool wait(DWORD timeoutMs);
    void kill(UINT code = 1);
    DWORD exitCode() const;
    DWORD pid() const { return pi_.dwProcessId; }
    HANDLE handle() const { return pi_.hProcess; }
    DWORD startError() const { return startError_; }
    // Why the last start failed, for a test's failure message: the command line, the
    // attempts and the platform's error text.
    std::string startFailure() const;
    // Output read so far; complete once wait() returned true.
    std::string output();

private:
    PROCESS_INFORMATION pi_{};
    HANDLE readPipe_ = nullptr;
    HANDLE reader_ = nullptr;
    static DWORD WINAPI readerProc(void* self);
    std::string output_;
    CRITICAL_SECTION* lock_ = nullptr;
    DWORD startError_ = 0;
    int startAttempts_ = 0;
    std::wstring commandLine_;
    std::wstring outputPath_;
    bool launch(const std::wstring& commandLine, const std::wstring& workDir, DWORD creationFlags, HANDLE output);
    void joinReader();
};

struct RunResult {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    DWORD error = 0;
    std::string output;
    std::string startFailure; // why it did not start, when it did not
};

// Runs a command line to its end (or kills it after timeoutMs).
RunResult runProcess(const std::wstring& commandLine, const std::wstring& workDir = L"",
                     DWORD timeoutMs = 30000);

// Quotes one command-line argument.
std::wstring quote(const std::wstring& arg);

// Windows of other processes.
HWND findWindow(const wchar_t* className, const wchar_t* title, DWORD pid = 0);
HWND waitForWindow(const wchar_t* className, const wchar_t* title, DWORD pid, DWORD timeoutMs);
bool waitForWindowGone(HWND hwnd, DWORD timeoutMs);
// The ids of the threads of a process that are running now.
std::vector<DWORD> processThreads(DWORD pid);
std::wstring windowText(HWND hwnd);
std::wstring dialogItemText(HWND dialog, int id);
// Presses a button of a dialog (BM_CLICK posted, so a modal loop it starts does not block us).
bool pressButton(HWND dialog, int id);
// All top-level windows of a process.
std::vector<HWND> processWindows(DWORD pid);

} // namespace ts
