// The run itself: loading the script, starting its program and handing each command to its step.
#include "script_runner.h"

#include <windows.h>
#include <cstdarg>
#include <cstdio>

#include "mbcs_text.h"
#include "raii.h"
#include "script_file.h"
#include "script_line.h"

namespace vorn {


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
    UniqueHandle thread(started.hThread);
    UniqueHandle process(started.hProcess);
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

void ScriptRunner::sleepMs(int ms)
{
    if (ms > 0)
        ::Sleep(static_cast<DWORD>(ms));
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
        commandPutText("Paste", pasteText, args);
    else if (is("Text"))
        commandPutText("Text", setControlText, args);
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

} // namespace vorn
