// One run of a script: loading it, starting its program and interpreting its commands.
#pragma once
#include <map>
#include <functional>
#include <string>
#include <vector>

#include "agent_settings.h"
#include "control_ops.h"
#include "window_search.h"

namespace vorn {

struct WindowFields;

constexpr int DEFAULT_PIXEL_TIMEOUT = 30000;
constexpr size_t LAUNCH_BUFFER = 2048;

class ScriptRunner {
public:
    explicit ScriptRunner(const AgentSettings& settings) : settings(settings) {}

    // Loads the script, starts its program and runs the commands; the outcome is resultCode.
    int run(const std::string& scriptPath);
    // Interprets command lines in order until the end or the first failure.
    void runCommands(const std::vector<std::string>& lines);

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
    using FieldsParse = bool (*)(const std::string& args, WindowFields& window);

    void launch(const std::string& command);
    Next dispatch(const std::string& keyword, const std::string& args);
    // Sleeps ms milliseconds; none for zero or less.
    static void sleepMs(int ms);
    void pause() const;
    Delivery delivery() const;
    void eraseOutline(HWND window) const;

    void commandProcess(const std::string& args);
    void commandTarget(const std::string& args);
    void commandWindow(const std::string& args);
    void commandTargetWindow(const std::string& args);
    void commandKeys(const char* name, UINT virtualKey, const std::string& args);
    void commandSleep(const std::string& args);
    void commandClick(const std::string& args);
    void commandWaitPixel(const std::string& args);
    void commandAssert(const std::string& args);
    void commandPutText(const char* name, TextPut put, const std::string& args);
    void commandSelect(const std::string& args);
    // A step whose failure ends the run at once, without the pause after it.
    Next endUnless(bool done);
    Next commandComboSelect(const std::string& args);
    Next commandComboFind(const std::string& args);
    void commandScreenshot();

    // Parses a search command's fields and announces the search; false for wrong fields.
    static bool announceSearch(const char* kind, FieldsParse parse, const std::string& args, WindowFields& window);
    // Clears a window slot, erasing the outline of the window it held.
    void dropWindow(WindowRef& slot) const;
    void searchProcess(const std::string& className, const std::string& title);
    void searchTarget(const std::string& className, const std::string& title);
    void searchWindow(const std::string& className, const std::string& title, int index);
    void searchInTarget(WindowRef& slot, const std::function<WindowRef()>& find);
    void searchTargetWindow(const std::string& className, const std::string& title, const std::string& innerClass,
                            const std::string& innerTitle, int index);
    void waitPixel(int x, int y, unsigned long low, unsigned long high);
    void failureScreenshot();
    // The literal text, or the variable's value; false when a referenced variable is unknown.
    bool resolveArgument(const std::string& args, std::string& value) const;

    const AgentSettings& settings;
    WindowRef targetWindow;
    WindowRef currentWindow;
    int pixelTimeout = DEFAULT_PIXEL_TIMEOUT;
    std::map<std::string, std::string> variableTable;
};

// Writes formatted output to standard output at once.
void writeOutput(const char* format, ...);

} // namespace vorn
