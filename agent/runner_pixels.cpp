// The runner's pixel steps: waiting for and checking a colour, and screenshots.
#include "script_runner.h"

#include <windows.h>
#include <cstdint>
#include <utility>

#include "capture.h"
#include "mbcs_text.h"
#include "script_line.h"

namespace vorn {

namespace {
constexpr DWORD PIXEL_POLL_MS = 500;

std::string before(const std::string& text, size_t pos) { return text.substr(0, pos); }
std::string after(const std::string& text, size_t pos) { return text.substr(pos + 1); }

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
