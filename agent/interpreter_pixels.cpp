// The runner's pixel steps: waiting for and checking a colour, and screenshots.
#include "script_interpreter.h"

#include <windows.h>
#include <cstdint>

#include "capture.h"

namespace vorn {

namespace {
constexpr DWORD PIXEL_POLL_MS = 500;
} // namespace

void ScriptRunner::commandWaitPixel(bool given, const Arguments& args)
{
    if (!given)
        return;
    unsigned long low = 0, high = 0;
    readColourRange(args.text(2), low, high);
    waitPixel(args.number(0), args.number(1), low, high);
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

void ScriptRunner::commandAssert(bool given, const Arguments& args)
{
    if (!given)
        return;
    // A window that is gone reads as CLR_INVALID, which is never the guarded colour: the
    // test would pass on nothing. As for WaitPixel, the window is lost.
    if (!currentWindow.handle || !::IsWindow(currentWindow.handle)) {
        resultCode = RESULT_PROCESS_LOST;
        return;
    }
    uint32_t expected = static_cast<uint32_t>(args.colour(2));
    uint32_t found = readPixel(currentWindow.handle, args.number(0), args.number(1));
    writeOutput("%x.", static_cast<unsigned>(found));
    if (found == expected) {
        resultCode = RESULT_STEP_FAILED;
        failureScreenshot();
    }
}

void ScriptRunner::failureScreenshot()
{
    // The record of the failure (written when the run ends) takes the same name.
    failureName = "err_" + timestampName();
    captureWindow(currentWindow.handle, settings.agentDirectory + "\\appleid\\" + failureName + ".bmp");
}

void ScriptRunner::commandScreenshot()
{
    captureWindow(currentWindow.handle, settings.agentDirectory + "\\appleid\\" + timestampName() + ".bmp");
}

} // namespace vorn
