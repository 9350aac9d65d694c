#include "test_support.h"

#include <shellapi.h>
#include <tlhelp32.h>
#include <atomic>
#include <cstdlib>
#include <mutex>

namespace ts {

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (::GetTickCount64() >= deadline)
            return condition();
        ::Sleep(pollMs);
    }
    return true;
}

std::wstring moduleDir()
{
    wchar_t path[MAX_PATH * 4];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/"));
}

std::wstring binPath(const std::wstring& exeName) { return moduleDir() + L"\\" + exeName; }

static std::wstring toWide(UINT cp, std::string_view bytes)
{
    if (bytes.empty())
        return {};
    int n = ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

static std::string fromWide(UINT cp, std::wstring_view text)
{
    if (text.empty())
        return {};
    int n = ::WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring utf8ToWide(std::string_view text) { return toWide(CP_UTF8, text); }
std::string wideToUtf8(std::wstring_view text) { return fromWide(CP_UTF8, text); }
std::wstring cp932ToWide(std::string_view bytes) { return toWide(932, bytes); }
std::string wideToCp932(std::wstring_view text) { return fromWide(932, text); }

std::string readFile(const std::wstring& path)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    ::CloseHandle(h);
    return out;
}

bool writeFile(const std::wstring& path, std::string_view bytes)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    BOOL ok = bytes.empty() || ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    ::CloseHandle(h);
    return ok && done == bytes.size();
}

bool fileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool copyFile(const std::wstring& from, const std::wstring& to) { return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != 0; }

void removeTree(const std::wstring& path)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = path + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(full);
            } else {
                ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(full.c_str());
            }
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(path.c_str());
}

std::vector<std::wstring> folderEntries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name + ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? L"\\" : L""));
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return names;
}

TempDir::TempDir(const std::wstring& prefix)
{
    static std::atomic<unsigned> counter{0};
    std::wstring root = moduleDir() + L"\\..\\testtmp";
    ::CreateDirectoryW(root.c_str(), nullptr);
    wchar_t full[MAX_PATH * 2];
    ::GetFullPathNameW(root.c_str(), MAX_PATH * 2, full, nullptr);
    for (;;) {
        std::wstring candidate = std::wstring(full) + L"\\" + prefix + std::to_wstring(::GetCurrentProcessId()) +
                                 L"_" + std::to_wstring(counter++);
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            break;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
}

TempDir::~TempDir()
{
    const char* keep = std::getenv("PW_KEEP_TEMP");
    if (!path_.empty() && !(keep && *keep == '1'))
        removeTree(path_);
}

ChildProcess::~ChildProcess()
{
    if (pi_.hProcess) {
        if (::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(pi_.hProcess, 1);
        ::WaitForSingleObject(pi_.hProcess, 5000);
    }
    joinReader();
    if (pi_.hProcess)
        ::CloseHandle(pi_.hProcess);
    if (pi_.hThread)
        ::CloseHandle(pi_.hThread);
    delete lock_;
}

bool ChildProcess::start(const std::wstring& commandLine, const std::wstring& workDir, DWORD creationFlags)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE writePipe = nullptr;
    if (!::CreatePipe(&readPipe_, &writePipe, &sa, 0)) {
        startError_ = ::GetLastError();
        return false;
    }
    ::SetHandleInformation(readPipe_, HANDLE_FLAG_INHERIT, 0);
    bool ok = launch(commandLine, workDir, creationFlags, writePipe);
    ::CloseHandle(writePipe);
    if (!ok) {
        ::CloseHandle(readPipe_);
        readPipe_ = nullptr;
        return false;
    }
    lock_ = new CRITICAL_SECTION;
    ::InitializeCriticalSection(lock_);
    reader_ = ::CreateThread(nullptr, 0, readerProc, this, 0, nullptr);
    return true;
}

bool ChildProcess::startToFile(const std::wstring& commandLine, const std::wstring& workDir,
                               const std::wstring& outputPath)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE out = ::CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                               CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        startError_ = ::GetLastError();
        return false;
    }
    outputPath_ = outputPath;
    bool ok = launch(commandLine, workDir, 0, out);
    ::CloseHandle(out);
    return ok;
}

bool ChildProcess::startWithoutOutput(const std::wstring& commandLine, const std::wstring& workDir)
{
    return launch(commandLine, workDir, 0, nullptr);
}

namespace {

// Errors that no second attempt can mend: the program or folder is not there or
// cannot be run. Anything else (out of memory or handles, a file still held by
// another process) is what a loaded machine returns now and then.
bool startCanSucceedLater(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_INVALID_PARAMETER:
    case ERROR_DIRECTORY:
        return false;
    default:
        return true;
    }
}

constexpr int START_ATTEMPTS = 5;

} // namespace

bool ChildProcess::launch(const std::wstring& commandLine, const std::wstring& workDir, DWORD creationFlags,
                          HANDLE output)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output;
    si.hStdError = output;
    si.hStdInput = output ? ::GetStdHandle(STD_INPUT_HANDLE) : nullptr;
    commandLine_ = commandLine;
    DWORD pauseMs = 250;
    for (startAttempts_ = 1;; ++startAttempts_) {
        std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
        cmd.push_back(L'\0');
        if (::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, output != nullptr, creationFlags, nullptr,
                             workDir.empty() ? nullptr : workDir.c_str(), &si, &pi_)) {
            startError_ = 0;
            return true;
        }
        startError_ = ::GetLastError();
        pi_ = {};
        if (startAttempts_ == START_ATTEMPTS || !startCanSucceedLater(startError_))
            return false;
        ::Sleep(pauseMs); // a pause before trying again, not a wait for a result
        pauseMs *= 2;
    }
}

std::string ChildProcess::startFailure() const
{
    if (!startError_)
        return {};
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, startError_, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = text ? text : L"";
    if (text)
        ::LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r'))
        reason.pop_back();
    return "could not start " + wideToUtf8(commandLine_) + " after " + std::to_string(startAttempts_) +
           (startAttempts_ == 1 ? " attempt" : " attempts") + ": error " + std::to_string(startError_) + " " +
           wideToUtf8(reason);
}

DWORD WINAPI ChildProcess::readerProc(void* param)
{
    auto* self = static_cast<ChildProcess*>(param);
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(self->readPipe_, buf, sizeof buf, &got, nullptr) && got > 0) {
        ::EnterCriticalSection(self->lock_);
        self->output_.append(buf, got);
        ::LeaveCriticalSection(self->lock_);
    }
    return 0;
}

void ChildProcess::joinReader()
{
    if (reader_) {
        // The pipe breaks when the child and every grandchild holding it have
        // ended; a grandchild left running would keep us waiting, so give up
        // on its output after a while.
        if (::WaitForSingleObject(reader_, 3000) == WAIT_TIMEOUT) {
            ::CancelSynchronousIo(reader_);
            ::WaitForSingleObject(reader_, 2000);
        }
        ::CloseHandle(reader_);
        reader_ = nullptr;
    }
    if (readPipe_) {
        ::CloseHandle(readPipe_);
        readPipe_ = nullptr;
    }
}

bool ChildProcess::wait(DWORD timeoutMs)
{
    if (!pi_.hProcess)
        return false;
    if (::WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    joinReader();
    return true;
}

void ChildProcess::kill(UINT code)
{
    if (pi_.hProcess) {
        ::TerminateProcess(pi_.hProcess, code);
        ::WaitForSingleObject(pi_.hProcess, 5000);
    }
}

DWORD ChildProcess::exitCode() const
{
    DWORD code = 0;
    if (pi_.hProcess)
        ::GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

std::string ChildProcess::output()
{
    if (!outputPath_.empty())
        return readFile(outputPath_);
    if (!lock_)
        return output_;
    ::EnterCriticalSection(lock_);
    std::string copy = output_;
    ::LeaveCriticalSection(lock_);
    return copy;
}

RunResult runProcess(const std::wstring& commandLine, const std::wstring& workDir, DWORD timeoutMs)
{
    RunResult r;
    ChildProcess child;
    if (!child.start(commandLine, workDir)) {
        r.error = child.startError();
        r.startFailure = child.startFailure();
        return r;
    }
    r.started = true;
    if (!child.wait(timeoutMs)) {
        r.timedOut = true;
        child.kill();
        child.wait(5000);
    }
    r.exitCode = child.exitCode();
    r.output = child.output();
    return r;
}

std::wstring quote(const std::wstring& arg) { return L"\"" + arg + L"\""; }

namespace {
struct FindState {
    const wchar_t* className;
    const wchar_t* title;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK findProc(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<FindState*>(lp);
    if (s->pid) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid)
            return TRUE;
    }
    if (s->className) {
        wchar_t cls[256];
        ::GetClassNameW(hwnd, cls, 256);
        if (wcscmp(cls, s->className) != 0)
            return TRUE;
    }
    if (s->title && windowText(hwnd) != s->title)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}
} // namespace

HWND findWindow(const wchar_t* className, const wchar_t* title, DWORD pid)
{
    FindState s{className, title, pid, nullptr};
    ::EnumWindows(findProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND waitForWindow(const wchar_t* className, const wchar_t* title, DWORD pid, DWORD timeoutMs)
{
    HWND found = nullptr;
    bool shown = waitUntil([&] {
        found = findWindow(className, title, pid);
        return found && ::IsWindowVisible(found);
    }, timeoutMs);
    return shown ? found : nullptr;
}

bool waitForWindowGone(HWND hwnd, DWORD timeoutMs)
{
    return waitUntil([&] { return !::IsWindow(hwnd); }, timeoutMs);
}

std::vector<DWORD> processThreads(DWORD pid)
{
    std::vector<DWORD> ids;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == pid)
            ids.push_back(entry.th32ThreadID);
    }
    ::CloseHandle(snapshot);
    return ids;
}

std::wstring windowText(HWND hwnd)
{
    wchar_t buf[4096];
    DWORD_PTR len = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, &len))
        return {};
    return std::wstring(buf, static_cast<size_t>(len));
}

std::wstring dialogItemText(HWND dialog, int id)
{
    HWND item = ::GetDlgItem(dialog, id);
    return item ? windowText(item) : std::wstring();
}

bool pressButton(HWND dialog, int id)
{
    HWND button = ::GetDlgItem(dialog, id);
    if (!button)
        return false;
    return ::PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

namespace {
struct ListState {
    DWORD pid;
    std::vector<HWND>* out;
};
BOOL CALLBACK listProc(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<ListState*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner == s->pid)
        s->out->push_back(hwnd);
    return TRUE;
}
} // namespace

std::vector<HWND> processWindows(DWORD pid)
{
    std::vector<HWND> out;
    ListState s{pid, &out};
    ::EnumWindows(listProc, reinterpret_cast<LPARAM>(&s));
    return out;
}

} // namespace ts
