// The runner's input steps: keys, clicks, text and list choices sent to the current window.
#include "script_interpreter.h"

#include <windows.h>

#include "mbcs_text.h"

namespace vorn {

namespace {
constexpr DWORD KEY_GAP_MS = 10;
constexpr DWORD SELECT_GAP_MS = 100;
} // namespace

bool ScriptRunner::readyForInput(const CommandRule& rule) const
{
    return !rule.waitsUntilEnabled || waitUntilEnabled(currentWindow.handle, delivery().replyLimitMs);
}

void ScriptRunner::commandKeys(const CommandRule& rule, UINT virtualKey, const Arguments& args)
{
    int count = args.number(0);
    writeOutput("%s:[%d]\r\n", rule.keyword, count);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            ::Sleep(KEY_GAP_MS);
        if (!readyForInput(rule) || !sendKey(currentWindow.handle, virtualKey, delivery())) {
            resultCode = RESULT_STEP_FAILED;
            return;
        }
    }
}

void ScriptRunner::commandSleep(const Arguments& args)
{
    int ms = args.number(0);
    writeOutput("Sleep:[%dms]\r\n", ms);
    // A negative value would be an almost endless unsigned wait.
    sleepMs(ms);
}

void ScriptRunner::commandClick(const CommandRule& rule, bool given, const Arguments& args)
{
    if (!given)
        return;
    int x = args.number(0), y = args.number(1);
    writeOutput("Click:[%d,%d]\r\n", x, y);
    if (!readyForInput(rule) || !clickWindow(currentWindow.handle, x, y, settings.scaleX, settings.scaleY))
        resultCode = RESULT_STEP_FAILED;
}

bool ScriptRunner::resolveArgument(const Arguments& args, std::string& value) const
{
    if (!args.isVariable) {
        value = args.text(0);
        return true;
    }
    auto found = variableTable.find(args.variableName);
    if (found == variableTable.end())
        return false;
    value = found->second;
    return true;
}

// Paste and Text: the text (or the variable's value) is announced and handed to `put`.
void ScriptRunner::commandPutText(const char* name, TextPut put, const Arguments& args)
{
    std::string text;
    if (!resolveArgument(args, text))
        return;
    writeOutput("%s:[%s]\r\n", name, text.c_str());
    if (!put(currentWindow.handle, text, delivery()))
        resultCode = RESULT_STEP_FAILED;
}

void ScriptRunner::commandSelect(const Arguments& args)
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

ScriptRunner::Next ScriptRunner::commandComboSelect(const Arguments& args)
{
    std::string text;
    int number = resolveArgument(args, text) ? readNumber(text) : 0;
    return endUnless(selectComboByNumber(currentWindow.handle, number, delivery()));
}

ScriptRunner::Next ScriptRunner::commandComboFind(const Arguments& args)
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
