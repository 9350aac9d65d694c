// Running vornrun.exe as a real process in a fresh folder, answering its retry
// questions, and cleaning up the programs its scripts start.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace vt {

constexpr DWORD RESULT_PROCESS_LOST = 1050006;
constexpr DWORD RESULT_STEP_FAILED = 1050008;

// Script texts are written in code page 932; tests spell Japanese in UTF-8.
inline std::string cp932(const char* utf8) { return ts::wideToCp932(ts::utf8ToWide(utf8)); }

struct VornRun {
    bool finished = false;
    DWORD exitCode = 0;
    std::string output;
    std::vector<std::wstring> questions; // texts of the "Vorn" retry boxes, in order
    DWORD elapsedMs = 0;
};

// Watches the run: called with the output so far on every poll.
using OutputWatcher = std::function<void(const std::string& output)>;

// A fresh folder holding vornrun.exe, config.ini and script.txt.
class VornFolder {
public:
    explicit VornFolder(const std::string& config = "[Config]\r\nInterval=0\r\nTimeout=10\r\n");
    const std::wstring& path() const { return dir.path(); }
    std::wstring file(const std::wstring& name) const { return dir.file(name); }
    void writeConfig(const std::string& config) const;
    void writeScript(const std::string& bytes) const;
    // The launch line that starts the test application, recording into this folder.
    std::string targetLaunch(const std::string& options = "") const;
    std::string record() const { return ts::readFile(dir.file(L"record.txt")); }
    bool waitForRecord(const std::string& part, DWORD timeoutMs) const;
    // Runs "vornrun.exe script.txt" here. Retry questions are answered in turn with
    // `answers` (IDRETRY or IDCANCEL), then with Cancel.
    VornRun run(const std::vector<int>& answers = {}, DWORD timeoutMs = 30000,
                const OutputWatcher& watch = {}) const;
    VornRun runWithArgs(const std::wstring& args, const std::vector<int>& answers = {}, DWORD timeoutMs = 30000,
                        const OutputWatcher& watch = {}) const;

private:
    ts::TempDir dir{L"vorn"};
};

// Ends every process that owns a top-level window of these classes.
void endProgramsWithWindowClass(const std::vector<const wchar_t*>& classes);

// Ends the test application and notepad at the start and the end of a test.
class ProgramCleanup {
public:
    ProgramCleanup() { endAll(); }
    ~ProgramCleanup() { endAll(); }
    static void endAll() { endProgramsWithWindowClass({L"VornTarget", L"VornSecond", L"Notepad"}); }
};

// The expected stdout start: the script line and the launch line.
std::string header(const std::string& launch);

} // namespace vt
