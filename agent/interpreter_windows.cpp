// The runner's window searches: the program's first window, the target window and the
// window the next steps act on.
#include "script_interpreter.h"

#include <windows.h>
#include <ctime>

#include "capture.h"

namespace vorn {

namespace {
constexpr const char* NOT_FOUND_PROCESS = "対象プロセスが見つかりませんでした。\r再試行しますか？";
constexpr const char* NOT_FOUND_WINDOW = "対象が見つかりませんでした。\r再試行しますか？";

constexpr DWORD PROCESS_PACE_MS = 1000;
constexpr DWORD WINDOW_PACE_MS = 100;
constexpr DWORD TARGET_WINDOW_PACE_MS = 500;

// Seconds of the system clock; a search has run out of time once more than the limit passed.
struct SearchClock {
    explicit SearchClock(int limitSeconds) : limit(limitSeconds) {}
    void restart() { start = now = _time64(nullptr); }
    void tick() { now = _time64(nullptr); }
    bool expired() const { return now - start > limit; }
    __time64_t limit;
    __time64_t start = _time64(nullptr);
    __time64_t now = start;
};
} // namespace

bool ScriptRunner::announceSearch(const char* kind, bool given, const Arguments& args)
{
    if (!given)
        return false;
    writeOutput("Search %s:[%s][%s]\r\n", kind, args.text(0).c_str(), args.text(1).c_str());
    return true;
}

void ScriptRunner::commandProcess(bool given, const Arguments& args)
{
    currentWindow = {};
    if (announceSearch("Process", given, args))
        searchProcess(args.text(0), args.text(1));
}

void ScriptRunner::eraseOutline(HWND window) const
{
    // The repaint waits for the window's thread without limit: a hung target keeps its
    // outline rather than holding the run.
    if (window && windowAnswers(window, delivery()))
        eraseHighlight(window);
}

void ScriptRunner::dropWindow(WindowRef& slot) const
{
    eraseOutline(slot.handle);
    slot = {};
}

void ScriptRunner::commandTarget(bool given, const Arguments& args)
{
    dropWindow(targetWindow);
    if (announceSearch("Target", given, args))
        searchTarget(args.text(0), args.text(1));
}

void ScriptRunner::commandWindow(bool given, const Arguments& args)
{
    dropWindow(currentWindow);
    if (announceSearch("Window", given, args))
        searchWindow(args.text(0), args.text(1), args.number(2));
}

void ScriptRunner::commandTargetWindow(bool given, const Arguments& args)
{
    targetWindow = {};
    currentWindow = {};
    if (given)
        searchTargetWindow(args.text(0), args.text(1), args.text(2), args.text(3), args.number(4));
}

WindowRef ScriptRunner::pickProcessWindow(const std::string& className, const std::string& title, bool anyProcess)
{
    std::vector<HWND> matches = findChildWindows({}, className, title);
    if (matches.empty())
        return {};
    // A copy left running by an earlier run may be listed first; the program this run
    // started is the one the script means.
    bool startedRuns = started.refresh();
    for (HWND window : matches) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (started.contains(owner))
            return {window, 0};
    }
    // A launcher that handed over to a running copy, or a single-instance program.
    if (anyProcess || !startedRuns)
        return {matches.front(), 0};
    return {};
}

void ScriptRunner::searchProcess(const std::string& className, const std::string& title)
{
    SearchClock clock(settings.searchTimeout);
    while (!currentWindow.handle) {
        if (clock.expired()) {
            // The started programs showed no such window in time: take another program's.
            currentWindow = pickProcessWindow(className, title, true);
            if (!currentWindow.handle) {
                if (!askRetry(NOT_FOUND_PROCESS)) {
                    resultCode = RESULT_STEP_FAILED;
                    break;
                }
                clock.restart();
            }
        }
        if (!currentWindow.handle)
            currentWindow = pickProcessWindow(className, title, false);
        ::Sleep(PROCESS_PACE_MS);
        clock.tick();
    }
    DWORD owner = 0;
    if (!currentWindow.handle || !::GetWindowThreadProcessId(currentWindow.handle, &owner))
        owner = 0;
    targetProcessId = owner;
}

void ScriptRunner::searchTarget(const std::string& className, const std::string& title)
{
    searchInTarget(targetWindow, [&] { return findTopLevelWindow(targetProcessId, className, title); });
}

void ScriptRunner::searchWindow(const std::string& className, const std::string& title, int index)
{
    searchInTarget(currentWindow, [&] { return findChildWindow(targetWindow, className, title, index); });
}

// Polls at the window pace until `find` yields a window, the target process
// ends (RESULT_PROCESS_LOST) or the user gives up at the retry question
// (RESULT_STEP_FAILED); a window found is outlined.
void ScriptRunner::searchInTarget(WindowRef& slot, const std::function<WindowRef()>& find)
{
    SearchClock clock(settings.searchTimeout);
    while (!slot.handle) {
        if (!processExists(targetProcessId)) {
            resultCode = RESULT_PROCESS_LOST;
            break;
        }
        if (clock.expired()) {
            if (!askRetry(NOT_FOUND_WINDOW)) {
                resultCode = RESULT_STEP_FAILED;
                break;
            }
            clock.restart();
        }
        ::Sleep(WINDOW_PACE_MS);
        slot = find();
        clock.tick();
    }
    // A search that ended without a window has nothing to outline.
    if (slot.handle)
        drawHighlight(slot.handle);
}

void ScriptRunner::searchTargetWindow(const std::string& className, const std::string& title,
                                      const std::string& innerClass, const std::string& innerTitle, int index)
{
    // No time limit: this waits as long as the target process lives.
    while (!currentWindow.handle) {
        if (!processExists(targetProcessId)) {
            resultCode = RESULT_PROCESS_LOST;
            break;
        }
        ::Sleep(TARGET_WINDOW_PACE_MS);
        targetWindow = findTopLevelWindow(targetProcessId, className, title);
        if (targetWindow.handle)
            currentWindow = findChildWindow(targetWindow, innerClass, innerTitle, index);
    }
}

} // namespace vorn
