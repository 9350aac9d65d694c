// The run itself: loading the script, starting its program and handing each command to its step.
#include "script_interpreter.h"

#include <windows.h>
#include <cstdarg>
#include <cstdio>

#include "capture.h"
#include "failure_record.h"
#include "mbcs_text.h"
#include "win32_handles.h"
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

int ScriptRunner::run(const std::string& path)
{
    scriptPath = path;
    ScriptFile script;
    if (!loadScript(path, script)) {
        // A script that is not there ran nothing: a caller testing the exit code must see that.
        writeOutput("open error\n");
        resultCode = RESULT_START_UP_FAILED;
        return 0;
    }
    writeOutput("launch:%s\n", script.launchCommand.c_str());
    launch(script.launchCommand);
    runCommands(script.commands, script.lineNumbers);
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
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        writeOutput("err launch[%x]\r\n", static_cast<unsigned>(::GetLastError()));
        return;
    }
    // The program is found later by its window. No handle is kept: while one is open, the
    // process would count as existing after it ended.
    UniqueHandle thread(info.hThread);
    UniqueHandle process(info.hProcess);
    started.start(info.dwProcessId, process.get());
}

void ScriptRunner::runCommands(const std::vector<std::string>& lines, const std::vector<size_t>& lineNumbers)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!runLine(lines[i])) {
            if (resultCode != 0)
                recordFailure(lines[i], i < lineNumbers.size() ? lineNumbers[i] : i + 1);
            return;
        }
    }
}

bool ScriptRunner::runLine(const std::string& line)
{
    // Only the exact prefix skips the check: "process:" is still checked.
    if (line.compare(0, 8, "Process:") != 0 && targetProcessId != 0 && !processExists(targetProcessId)) {
        resultCode = RESULT_PROCESS_LOST;
        return false;
    }
    std::string keyword, args;
    if (splitCommandLine(line, keyword, args)) {
        // An unknown keyword does nothing but the pause.
        if (const CommandRule* rule = findCommand(keyword)) {
            Arguments fields;
            bool given = splitArguments(*rule, args, fields);
            if (dispatch(*rule, given, fields) == Next::EndNow)
                return false;
        }
        pause();
    }
    return resultCode == 0;
}

void ScriptRunner::recordFailure(const std::string& line, size_t lineNumber) const
{
    FailureRecord record;
    record.scriptPath = scriptPath;
    record.lineNumber = lineNumber;
    record.line = line;
    record.resultCode = resultCode;
    record.targetProcessId = targetProcessId;
    record.currentWindow = currentWindow.handle;
    if (!targetProcessId) {
        ProcessFamily family = started;
        family.refresh();
        record.startedProcesses = family.ids();
    }
    std::string name = failureName.empty() ? "err_" + timestampName() : failureName;
    writeFailureRecord(settings.agentDirectory + "\\appleid\\" + name + ".txt", record);
}

void ScriptRunner::sleepMs(int ms)
{
    if (ms > 0)
        ::Sleep(static_cast<DWORD>(ms));
}

void ScriptRunner::pause() const { sleepMs(settings.commandInterval); }

Delivery ScriptRunner::delivery() const { return {settings.sendsKeys(), replyLimitFromSeconds(settings.searchTimeout)}; }

ScriptRunner::Next ScriptRunner::dispatch(const CommandRule& rule, bool given, const Arguments& args)
{
    switch (rule.command) {
    case Command::Process:
        commandProcess(given, args);
        break;
    case Command::Target:
        commandTarget(given, args);
        break;
    case Command::Window:
        commandWindow(given, args);
        break;
    case Command::TargetWindow:
        commandTargetWindow(given, args);
        break;
    case Command::MouseRandom:
        break;
    case Command::Focus:
        focusWindow(currentWindow.handle, delivery());
        break;
    case Command::Tab:
        commandKeys(rule, VK_CODE_TAB, args);
        break;
    case Command::Enter:
        commandKeys(rule, VK_CODE_RETURN, args);
        break;
    case Command::Space:
        commandKeys(rule, VK_CODE_SPACE, args);
        break;
    case Command::Sleep:
        commandSleep(args);
        break;
    case Command::Click:
        commandClick(rule, given, args);
        break;
    case Command::SetTimeout:
        pixelTimeout = args.number(0);
        break;
    case Command::WaitPixel:
        commandWaitPixel(given, args);
        break;
    case Command::Assert:
        commandAssert(given, args);
        break;
    case Command::Paste:
        commandPutText("Paste", pasteText, args);
        break;
    case Command::Text:
        commandPutText("Text", setControlText, args);
        break;
    case Command::Select:
        commandSelect(args);
        break;
    case Command::ComboSelect:
        return commandComboSelect(args);
    case Command::ComboFind:
        return commandComboFind(args);
    case Command::Screenshot:
        commandScreenshot();
        break;
    }
    return Next::Pause;
}

} // namespace vorn
