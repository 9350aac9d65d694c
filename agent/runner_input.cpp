// The runner's input steps: keys, clicks, text and list choices sent to the current window.
#include "script_runner.h"

#include <windows.h>

#include "mbcs_text.h"
#include "script_line.h"

namespace vorn {

namespace {
constexpr DWORD KEY_GAP_MS = 10;
constexpr DWORD SELECT_GAP_MS = 100;
} // namespace

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

// Paste and Text: the text (or the variable's value) is announced and handed to `put`.
void ScriptRunner::commandPutText(const char* name, TextPut put, const std::string& args)
{
    std::string text;
    if (!resolveArgument(args, text))
        return;
    writeOutput("%s:[%s]\r\n", name, text.c_str());
    if (!put(currentWindow.handle, text, delivery()))
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
    return endUnless(selectComboByNumber(currentWindow.handle, number, delivery()));
}

ScriptRunner::Next ScriptRunner::commandComboFind(const std::string& args)
{
    std::string text;
    if (!resolveArgument(args, text))
        text.clear();
    return endUnless(selectComboByText(currentWindow.handle, text, delivery()));
}

ScriptRunner::Next ScriptRunner::endUnless(bool done)
{
    if (done)
        return Next::Pause;
    resultCode = RESULT_STEP_FAILED;
    return Next::EndNow;
}

} // namespace vorn
