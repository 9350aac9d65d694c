// One run of a script: loading it, starting its program and interpreting its commands.
#pragma once
#include <map>
#include <functional>
#include <string>
#include <vector>

#include "agent_settings.h"
#include "control_ops.h"
#include "process_family.h"
#include "script_commands.h"
#include "window_search.h"

namespace vorn {

constexpr int DEFAULT_PIXEL_TIMEOUT = 30000;
constexpr size_t LAUNCH_BUFFER = 2048;

class ScriptRunner {
public:
    explicit ScriptRunner(const AgentSettings& settings) : settings(settings) {}

    // Loads the script, starts its program and runs the commands; the outcome is resultCode.
    int run(const std::string& scriptPath);
    // Interprets command lines in order until the end or the first failure. lineNumbers
    // gives each line's number in the file (counted from 1 when left out); a failure is
    // recorded beside the failure screenshots.
    void runCommands(const std::vector<std::string>& lines, const std::vector<size_t>& lineNumbers = {});

    DWORD targetProcessId = 0;
    int resultCode = 0;

private:
    enum class Next { Pause, EndNow };
    // The keys the script's commands press.
    static constexpr UINT VK_CODE_TAB = 9;
    static constexpr UINT VK_CODE_RETURN = 13;
    static constexpr UINT VK_CODE_SPACE = 32;
    static constexpr UINT VK_CODE_DOWN = 0x28;
    using TextPut = bool (*)(HWND window, const std::string& text, const Delivery& delivery);

    void launch(const std::string& command);
    // One line; false when the run ends with it.
    bool runLine(const std::string& line);
    Next dispatch(const CommandRule& rule, bool given, const Arguments& args);
    // Sleeps ms milliseconds; none for zero or less.
    static void sleepMs(int ms);
    void pause() const;
    Delivery delivery() const;
    void eraseOutline(HWND window) const;

    void commandProcess(bool given, const Arguments& args);
    void commandTarget(bool given, const Arguments& args);
    void commandWindow(bool given, const Arguments& args);
    void commandTargetWindow(bool given, const Arguments& args);
    void commandKeys(const CommandRule& rule, UINT virtualKey, const Arguments& args);
    void commandSleep(const Arguments& args);
    void commandClick(const CommandRule& rule, bool given, const Arguments& args);
    void commandWaitPixel(bool given, const Arguments& args);
    void commandAssert(bool given, const Arguments& args);
    void commandPutText(const char* name, TextPut put, const Arguments& args);
    void commandSelect(const Arguments& args);
    // A step whose failure ends the run at once, without the pause after it.
    Next endUnless(bool done);
    Next commandComboSelect(const Arguments& args);
    Next commandComboFind(const Arguments& args);
    void commandScreenshot();

    // Announces a search; nothing for arguments the command cannot use.
    static bool announceSearch(const char* kind, bool given, const Arguments& args);
    // Clears a window slot, erasing the outline of the window it held.
    void dropWindow(WindowRef& slot) const;
    void searchProcess(const std::string& className, const std::string& title);
    // A matching top-level window: one of the started programs first; another program's
    // only when anyProcess is set or the started programs have all ended.
    WindowRef pickProcessWindow(const std::string& className, const std::string& title, bool anyProcess);
    void searchTarget(const std::string& className, const std::string& title);
    void searchWindow(const std::string& className, const std::string& title, int index);
    void searchInTarget(WindowRef& slot, const std::function<WindowRef()>& find);
    void searchTargetWindow(const std::string& className, const std::string& title, const std::string& innerClass,
                            const std::string& innerTitle, int index);
    // Waits up to the step's limit for the current window to be enabled when the command
    // presses or clicks; false when it stays disabled (or is gone).
    bool readyForInput(const CommandRule& rule) const;
    void waitPixel(int x, int y, unsigned long low, unsigned long high);
    void failureScreenshot();
    void recordFailure(const std::string& line, size_t lineNumber) const;
    // The literal text, or the variable's value; false when a referenced variable is unknown.
    bool resolveArgument(const Arguments& args, std::string& value) const;

    const AgentSettings& settings;
    std::string scriptPath;
    ProcessFamily started;
    WindowRef targetWindow;
    WindowRef currentWindow;
    int pixelTimeout = DEFAULT_PIXEL_TIMEOUT;
    std::string failureName; // the name of this run's failure screenshot, without ".bmp"
    std::map<std::string, std::string> variableTable;
};

// Writes formatted output to standard output at once.
void writeOutput(const char* format, ...);

} // namespace vorn
