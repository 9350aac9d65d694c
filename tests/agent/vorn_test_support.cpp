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
    return ts::waitUntil([&] { return record().find(part) != std::string::npos; }, timeoutMs);
}

VornRun VornFolder::run(const std::vector<int>& answers, DWORD timeoutMs, const OutputWatcher& watch) const
{
    return runWithArgs(L"script.txt", answers, timeoutMs, watch);
}

VornRun VornFolder::runWithArgs(const std::wstring& args, const std::vector<int>& answers, DWORD timeoutMs,
                                const OutputWatcher& watch) const
{
    VornRun result;
    std::wstring command = ts::quote(dir.file(L"vornrun.exe"));
    if (!args.empty())
        command += L" " + args;
    // Output to a file: the programs that vornrun starts inherit its output handles.
    ts::ChildProcess child;
    if (!child.startToFile(command, dir.path(), dir.file(L"stdout.bin")))
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
