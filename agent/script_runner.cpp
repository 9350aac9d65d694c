#include "script_runner.h"

#include <windows.h>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <utility>

#include "capture.h"
#include "control_ops.h"
#include "mbcs_text.h"
#include "script_file.h"
#include "script_line.h"

namespace vorn {

namespace {
constexpr const char* NOT_FOUND_PROCESS = "対象プロセスが見つかりませんでした。\r再試行しますか？";
constexpr const char* NOT_FOUND_WINDOW = "対象が見つかりませんでした。\r再試行しますか？";

constexpr UINT VK_CODE_TAB = 9;
constexpr UINT VK_CODE_RETURN = 13;
constexpr UINT VK_CODE_SPACE = 32;
constexpr UINT VK_CODE_DOWN = 0x28;
constexpr DWORD KEY_GAP_MS = 10;
constexpr DWORD SELECT_GAP_MS = 100;
constexpr DWORD PROCESS_PACE_MS = 1000;
constexpr DWORD WINDOW_PACE_MS = 100;
constexpr DWORD TARGET_WINDOW_PACE_MS = 500;
constexpr DWORD PIXEL_POLL_MS = 500;

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

std::string before(const std::string& text, size_t pos) { return text.substr(0, pos); }
std::string after(const std::string& text, size_t pos) { return text.substr(pos + 1); }

void sleepMs(int ms)
{
    if (ms > 0)
        ::Sleep(static_cast<DWORD>(ms));
}
} // namespace

void writeOutput(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

int ScriptRunner::run(const std::string& scriptPath)
{
    ScriptFile script;
    if (!loadScript(scriptPath, script)) {
        writeOutput("open error\n");
        return 0;
    }
    writeOutput("launch:%s\n", script.launchCommand.c_str());
    launch(script.launchCommand);
    runCommands(script.commands);
    return 0;
}

void ScriptRunner::launch(const std::string& command)
{
    // The command line is the launch command and one blank, in a 2048-byte buffer; a
    // command that does not fit is refused rather than cut off.
    std::string line = command + " ";
    if (line.size() + 1 > LAUNCH_BUFFER) {
        writeOutput("err launch[%x]\r\n", static_cast<unsigned>(ERROR_FILENAME_EXCED_RANGE));
        return;
    }
    char buffer[LAUNCH_BUFFER] = {};
    line.copy(buffer, line.size());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        writeOutput("err launch[%x]\r\n", static_cast<unsigned>(::GetLastError()));
        return;
    }
    // The program is found later by its window; no handle to it is kept.
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
}

void ScriptRunner::runCommands(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        // Only the exact prefix skips the check: "process:" is still checked.
        if (line.compare(0, 8, "Process:") != 0 && targetProcessId != 0 && !processExists(targetProcessId)) {
            resultCode = RESULT_PROCESS_LOST;
            return;
        }
        std::string keyword, args;
        if (splitCommandLine(line, keyword, args)) {
            if (dispatch(keyword, args) == Next::EndNow)
                return;
            pause();
        }
        if (resultCode != 0)
            return;
    }
}

void ScriptRunner::pause() const { sleepMs(settings.commandInterval); }

Delivery ScriptRunner::delivery() const { return {settings.sendsKeys(), replyLimitFromSeconds(settings.searchTimeout)}; }

ScriptRunner::Next ScriptRunner::dispatch(const std::string& keyword, const std::string& args)
{
    auto is = [&](const char* name) { return equalsNoCase(keyword, name); };
    if (is("Process"))
        commandProcess(args);
    else if (is("Target"))
        commandTarget(args);
    else if (is("Window"))
        commandWindow(args);
    else if (is("TargetWindow"))
        commandTargetWindow(args);
    else if (is("MOUSERANDOM"))
        ;
    else if (is("FOCUS")) {
        readNumber(args);
        focusWindow(currentWindow.handle, delivery());
    } else if (is("TAB"))
        commandKeys("TAB", VK_CODE_TAB, args);
    else if (is("ENTER"))
        commandKeys("ENTER", VK_CODE_RETURN, args);
    else if (is("SPACE"))
        commandKeys("SPACE", VK_CODE_SPACE, args);
    else if (is("Sleep"))
        commandSleep(args);
    else if (is("Click"))
        commandClick(args);
    else if (is("SetTimeout"))
        pixelTimeout = readNumber(args);
    else if (is("WaitPixel"))
        commandWaitPixel(args);
    else if (is("Assert"))
        commandAssert(args);
    else if (is("Paste"))
        commandPaste(args);
    else if (is("Text"))
        commandText(args);
    else if (is("SELECT"))
        commandSelect(args);
    else if (is("COMBOBOXSELECT"))
        return commandComboSelect(args);
    else if (is("COMBOBOXFIND"))
        return commandComboFind(args);
    else if (is("SS"))
        commandScreenshot();
    return Next::Pause;
}

// ---- Window searches ----

void ScriptRunner::commandProcess(const std::string& args)
{
    currentWindow = {};
    WindowFields window;
    if (!parseProcessArgs(args, window))
        return;
    writeOutput("Search Process:[%s][%s]\r\n", window.className.c_str(), window.title.c_str());
    searchProcess(window.className, window.title);
}

void ScriptRunner::eraseOutline(HWND window) const
{
    // The repaint waits for the window's thread without limit: a hung target keeps its
    // outline rather than holding the run.
    if (window && windowAnswers(window, delivery()))
        eraseHighlight(window);
}

void ScriptRunner::commandTarget(const std::string& args)
{
    eraseOutline(targetWindow.handle);
    targetWindow = {};
    WindowFields window;
    if (!parseTargetArgs(args, window))
        return;
    writeOutput("Search Target:[%s][%s]\r\n", window.className.c_str(), window.title.c_str());
    searchTarget(window.className, window.title);
}

void ScriptRunner::commandWindow(const std::string& args)
{
    eraseOutline(currentWindow.handle);
    currentWindow = {};
    WindowFields window;
    if (!parseWindowArgs(args, window))
        return;
    writeOutput("Search Window:[%s][%s]\r\n", window.className.c_str(), window.title.c_str());
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

// ---- Keys, clicks, text ----

void ScriptRunner::commandKeys(const char* name, UINT virtualKey, const std::string& args)
{
    int count = readNumber(args);
    writeOutput("%s:[%d]\r\n", name, count);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            ::Sleep(KEY_GAP_MS);
        if (!sendKey(currentWindow.handle, virtualKey, delivery())) {
            resultCode = RESULT_STEP_FAILED;
            return;
        }
    }
}

void ScriptRunner::commandSleep(const std::string& args)
{
    int ms = readNumber(args);
    writeOutput("Sleep:[%dms]\r\n", ms);
    // A negative value would be an almost endless unsigned wait.
    sleepMs(ms);
}

void ScriptRunner::commandClick(const std::string& args)
{
    std::string xField, yField;
    if (!parseClickArgs(args, xField, yField))
        return;
    int x = readNumber(xField), y = readNumber(yField);
    writeOutput("Click:[%d,%d]\r\n", x, y);
    if (!clickWindow(currentWindow.handle, x, y, settings.scaleX, settings.scaleY))
        resultCode = RESULT_STEP_FAILED;
}

bool ScriptRunner::resolveArgument(const std::string& args, std::string& value) const
{
    std::string name;
    if (!variableReference(args, name)) {
        value = args;
        return true;
    }
    auto found = variableTable.find(name);
    if (found == variableTable.end())
        return false;
    value = found->second;
    return true;
}

void ScriptRunner::commandPaste(const std::string& args)
{
    std::string text;
    if (!resolveArgument(args, text))
        return;
    writeOutput("Paste:[%s]\r\n", text.c_str());
    if (!pasteText(currentWindow.handle, text, delivery()))
        resultCode = RESULT_STEP_FAILED;
}

void ScriptRunner::commandText(const std::string& args)
{
    std::string text;
    if (!resolveArgument(args, text))
        return;
    writeOutput("Text:[%s]\r\n", text.c_str());
    if (!setControlText(currentWindow.handle, text, delivery()))
        resultCode = RESULT_STEP_FAILED;
}

void ScriptRunner::commandSelect(const std::string& args)
{
    std::string text;
    int count = resolveArgument(args, text) ? readNumber(text) : 0;
    for (; count > 0; --count) {
        if (!sendKey(currentWindow.handle, VK_CODE_DOWN, delivery())) {
            resultCode = RESULT_STEP_FAILED;
            return;
        }
        ::Sleep(SELECT_GAP_MS);
    }
}

ScriptRunner::Next ScriptRunner::commandComboSelect(const std::string& args)
{
    std::string text;
    int number = resolveArgument(args, text) ? readNumber(text) : 0;
    if (selectComboByNumber(currentWindow.handle, number, delivery()))
        return Next::Pause;
    resultCode = RESULT_STEP_FAILED;
    return Next::EndNow;
}

ScriptRunner::Next ScriptRunner::commandComboFind(const std::string& args)
{
    std::string text;
    if (!resolveArgument(args, text))
        text.clear();
    if (selectComboByText(currentWindow.handle, text, delivery()))
        return Next::Pause;
    resultCode = RESULT_STEP_FAILED;
    return Next::EndNow;
}

// ---- Pixels and screenshots ----

namespace {
// "x,y,colour" with the positions read as numbers.
bool splitPixelArgs(const std::string& args, int& x, int& y, std::string& colour)
{
    std::string xField, yField;
    if (!parsePixelArgs(args, xField, yField, colour))
        return false;
    x = readNumber(xField);
    y = readNumber(yField);
    return true;
}
} // namespace

void ScriptRunner::commandWaitPixel(const std::string& args)
{
    int x = 0, y = 0;
    std::string colour;
    if (!splitPixelArgs(args, x, y, colour))
        return;
    unsigned long low = 0, high = 0;
    size_t dash = findChar(colour, '-');
    if (dash == std::string::npos) {
        low = high = readColour(colour);
    } else {
        low = readColour(before(colour, dash));
        high = readColour(after(colour, dash));
        if (static_cast<uint32_t>(low) > static_cast<uint32_t>(high))
            std::swap(low, high);
    }
    waitPixel(x, y, low, high);
}

void ScriptRunner::waitPixel(int x, int y, unsigned long low, unsigned long high)
{
    for (int polls = pixelTimeout / static_cast<int>(PIXEL_POLL_MS); polls > 0; --polls) {
        if (!processExists(targetProcessId) || !currentWindow.handle || !::IsWindow(currentWindow.handle)) {
            resultCode = RESULT_PROCESS_LOST;
            return;
        }
        uint32_t colour = readPixel(currentWindow.handle, x, y);
        writeOutput("%x.", static_cast<unsigned>(colour));
        if (low <= colour && colour <= high)
            return;
        ::Sleep(PIXEL_POLL_MS);
    }
    resultCode = RESULT_STEP_FAILED;
    failureScreenshot();
}

void ScriptRunner::commandAssert(const std::string& args)
{
    int x = 0, y = 0;
    std::string colour;
    if (!splitPixelArgs(args, x, y, colour))
        return;
    uint32_t expected = static_cast<uint32_t>(readColour(colour));
    uint32_t found = readPixel(currentWindow.handle, x, y);
    writeOutput("%x.", static_cast<unsigned>(found));
    if (found == expected) {
        resultCode = RESULT_STEP_FAILED;
        failureScreenshot();
    }
}

void ScriptRunner::failureScreenshot()
{
    captureWindow(currentWindow.handle, settings.agentDirectory + "\\appleid\\err_" + timestampName() + ".bmp");
}

void ScriptRunner::commandScreenshot()
{
    captureWindow(currentWindow.handle, settings.agentDirectory + "\\appleid\\" + timestampName() + ".bmp");
}

} // namespace vorn
