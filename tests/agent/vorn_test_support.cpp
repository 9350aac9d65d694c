#include "vorn_test_support.h"

namespace vt {

namespace {
constexpr int MSGBOX_TEXT_ID = 0xFFFF;
}

VornFolder::VornFolder(const std::string& config)
{
    ts::copyFile(ts::binPath(L"vornrun.exe"), dir.file(L"vornrun.exe"));
    writeConfig(config);
}

void VornFolder::writeConfig(const std::string& config) const { ts::writeFile(dir.file(L"config.ini"), config); }

void VornFolder::writeScript(const std::string& bytes) const { ts::writeFile(dir.file(L"script.txt"), bytes); }

std::string VornFolder::targetLaunch(const std::string& options) const
{
    // Appended piece by piece: "literal" + a temporary string makes GCC 12 report a false
    // -Wrestrict overlap inside the library's insert.
    std::string line = "\"";
    line += ts::wideToCp932(ts::binPath(L"vorn_target.exe"));
    line += "\" \"";
    line += ts::wideToCp932(dir.file(L"record.txt"));
    line += "\"";
    if (!options.empty())
        line += " " + options;
    return line;
}

bool VornFolder::waitForRecord(const std::string& part, DWORD timeoutMs) const
{
    DWORD start = ::GetTickCount();
    while (record().find(part) == std::string::npos) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(30);
    }
    return true;
}

VornRun VornFolder::run(const std::vector<int>& answers, DWORD timeoutMs, const OutputWatcher& watch) const
{
    return runWithArgs(L"script.txt", answers, timeoutMs, watch);
}

namespace {
// A started vornrun whose standard output and error go to a file. A file, not a pipe:
// the programs that vornrun starts inherit its output handles and would keep a pipe open.
class FileOutputProcess {
public:
    FileOutputProcess(const std::wstring& command, const std::wstring& dir, const std::wstring& outputPath)
        : outputPath(outputPath)
    {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE out = ::CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                   CREATE_ALWAYS, 0, nullptr);
        if (out == INVALID_HANDLE_VALUE)
            return;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out;
        si.hStdError = out;
        si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        std::wstring line = command;
        ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &si, &pi);
        ::CloseHandle(out);
    }
    ~FileOutputProcess()
    {
        if (pi.hProcess) {
            if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(pi.hProcess, 1);
                ::WaitForSingleObject(pi.hProcess, 5000);
            }
            ::CloseHandle(pi.hProcess);
            ::CloseHandle(pi.hThread);
        }
    }
    FileOutputProcess(const FileOutputProcess&) = delete;
    FileOutputProcess& operator=(const FileOutputProcess&) = delete;
    bool started() const { return pi.hProcess != nullptr; }
    bool wait(DWORD ms) const { return ::WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD pid() const { return pi.dwProcessId; }
    DWORD exitCode() const
    {
        DWORD code = 0;
        ::GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
    std::string output() const { return ts::readFile(outputPath); }

private:
    std::wstring outputPath;
    PROCESS_INFORMATION pi{};
};
} // namespace

VornRun VornFolder::runWithArgs(const std::wstring& args, const std::vector<int>& answers, DWORD timeoutMs,
                                const OutputWatcher& watch) const
{
    VornRun result;
    std::wstring command = ts::quote(dir.file(L"vornrun.exe"));
    if (!args.empty())
        command += L" " + args;
    FileOutputProcess child(command, dir.path(), dir.file(L"stdout.bin"));
    if (!child.started())
        return result;
    DWORD start = ::GetTickCount();
    size_t nextAnswer = 0;
    for (;;) {
        if (child.wait(50)) {
            result.finished = true;
            break;
        }
        if (::GetTickCount() - start > timeoutMs)
            break;
        if (watch)
            watch(child.output());
        HWND box = ts::findWindow(L"#32770", L"Vorn", child.pid());
        if (box && ::IsWindowVisible(box)) {
            result.questions.push_back(ts::dialogItemText(box, MSGBOX_TEXT_ID));
            int answer = nextAnswer < answers.size() ? answers[nextAnswer++] : IDCANCEL;
            ts::pressButton(box, answer);
            ts::waitForWindowGone(box, 5000);
        }
    }
    result.elapsedMs = ::GetTickCount() - start;
    result.exitCode = child.exitCode();
    result.output = child.output();
    return result;
}

void endProgramsWithWindowClass(const std::vector<const wchar_t*>& classes)
{
    for (const wchar_t* cls : classes) {
        while (HWND window = ts::findWindow(cls, nullptr)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(window, &pid);
            HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
            if (!process)
                break;
            ::TerminateProcess(process, 1);
            ::WaitForSingleObject(process, 5000);
            ::CloseHandle(process);
            ts::waitForWindowGone(window, 3000);
            if (::IsWindow(window))
                break;
        }
    }
}

std::string header(const std::string& launch) { return "script.txt\nlaunch:" + launch + "\n"; }

} // namespace vt
