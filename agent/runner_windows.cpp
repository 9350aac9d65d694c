// The runner's window searches: the program's first window, the target window and the
// window the next steps act on.
#include "script_runner.h"

#include <windows.h>
#include <ctime>

#include "capture.h"
#include "script_line.h"

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

bool ScriptRunner::announceSearch(const char* kind, FieldsParse parse, const std::string& args, WindowFields& window)
{
    if (!parse(args, window))
        return false;
    writeOutput("Search %s:[%s][%s]\r\n", kind, window.className.c_str(), window.title.c_str());
    return true;
}

void ScriptRunner::commandProcess(const std::string& args)
{
    currentWindow = {};
    WindowFields window;
    if (announceSearch("Process", parseProcessArgs, args, window))
        searchProcess(window.className, window.title);
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

void ScriptRunner::commandTarget(const std::string& args)
{
    dropWindow(targetWindow);
    WindowFields window;
    if (announceSearch("Target", parseTargetArgs, args, window))
        searchTarget(window.className, window.title);
}

void ScriptRunner::commandWindow(const std::string& args)
{
    dropWindow(currentWindow);
    WindowFields window;
    if (announceSearch("Window", parseWindowArgs, args, window))
        searchWindow(window.className, window.title, window.index);
}

void ScriptRunner::commandTargetWindow(const std::string& args)
{
    targetWindow = {};
    currentWindow = {};
    WindowFields outer, inner;
    if (!parseTargetWindowArgs(args, outer, inner))
        return;
    searchTargetWindow(outer.className, outer.title, inner.className, inner.title, inner.index);
}

void ScriptRunner::searchProcess(const std::string& className, const std::string& title)
{
    SearchClock clock(settings.searchTimeout);
    while (!currentWindow.handle) {
        if (clock.expired()) {
            if (!askRetry(NOT_FOUND_PROCESS)) {
                resultCode = RESULT_STEP_FAILED;
                break;
            }
            clock.restart();
        }
        currentWindow = findTopLevelWindow(0, className, title);
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
