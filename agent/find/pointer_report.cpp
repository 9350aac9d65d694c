#include "pointer_report.h"

#include <cmath>
#include <cstdio>

#include "capture.h"
#include "program_lookup.h"
#include "window_lines.h"

namespace vorn::find {

namespace {
std::string formatted(const char* format, int x, int y, unsigned long colour = 0)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, x, y, colour);
    return buffer;
}

// Click, WaitPixel and Assert for the point, in the current window `window`.
std::string positionLines(HWND window, POINT screen, const AgentSettings& settings)
{
    POINT client = screen;
    ::ScreenToClient(window, &client);
    RECT frame{};
    ::GetWindowRect(window, &frame);
    int x = screen.x - frame.left, y = screen.y - frame.top;
    COLORREF colour = readPixel(window, x, y);

    std::string text = formatted("Click:%d,%d\r\n", unscaledPosition(client.x, settings.scaleX),
                                 unscaledPosition(client.y, settings.scaleY));
    if (colour == CLR_INVALID)
        return text + message("  ※ この位置の色は読めません (ffffffff)。WaitPixel と Assert には使えません。\r\n");
    text += formatted("WaitPixel:%d,%d,%06lx\r\n", x, y, colour);
    text += formatted("Assert:%d,%d,%06lx\r\n", x, y, colour);
    return text + message("  ※ Assert は、この色があるときに失敗します。\r\n");
}
} // namespace

int unscaledPosition(int pixels, float scale)
{
    if (!(scale > 0.0f))
        return pixels;
    int guess = static_cast<int>(std::lround(pixels / scale));
    // Click truncates x * scale: step to a value that lands on the pixel itself if there is one.
    for (int candidate : {guess, guess + 1, guess - 1}) {
        if (static_cast<int>(static_cast<float>(candidate) * scale) == pixels)
            return candidate;
    }
    return guess;
}

bool describePoint(POINT screen, const AgentSettings& settings, std::string& report)
{
    HWND window = ::WindowFromPoint(screen);
    if (!window) {
        report = message("マウスポインターの下にウィンドウがありません。\r\n");
        return false;
    }
    HWND top = ::GetAncestor(window, GA_ROOT);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(top, &processId);
    std::string exe;
    for (const ProgramProcess& p : findProgram(std::to_string(processId)))
        exe = p.exeName;
    report = processHeadline(processId, exe) + describeTopLevel(top, processId);
    if (window != top) {
        int depth = 0;
        for (HWND parent = window; parent && parent != top; parent = ::GetParent(parent))
            ++depth;
        report += describeChild(top, window, processId, depth);
    }
    report += positionLines(window, screen, settings);
    return true;
}

} // namespace vorn::find
