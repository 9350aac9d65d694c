#include "pointer_report.h"

#include <algorithm>
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

// The Click position for a pointer at client position `client`: the point itself, or the
// nearest point inside the client area when the pointer is on the frame or a border (a
// negative position would be refused). False when the window has no client area.
bool clickPosition(HWND window, POINT& client, bool& moved)
{
    RECT area{};
    if (!::GetClientRect(window, &area) || area.right <= 0 || area.bottom <= 0)
        return false;
    POINT inside{std::clamp(client.x, 0L, area.right - 1), std::clamp(client.y, 0L, area.bottom - 1)};
    moved = inside.x != client.x || inside.y != client.y;
    client = inside;
    return true;
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

    std::string text;
    bool moved = false;
    if (!clickPosition(window, client, moved))
        text += message("  ※ このウィンドウにはクライアント領域がないため、Click は使えません。\r\n");
    else {
        text += formatted("Click:%d,%d\r\n", unscaledPosition(client.x, settings.scaleX),
                          unscaledPosition(client.y, settings.scaleY));
        if (moved)
            text += message("  ※ ポインターはクライアント領域の外 (枠の上) にあります。Click はクライアント領域の中の"
                            "いちばん近い位置です。\r\n");
    }
    if (colour == CLR_INVALID)
        return text + message("  ※ この位置の色は読めません (ffffffff)。WaitPixel と Assert には使えません。\r\n");
    text += formatted("WaitPixel:%d,%d,%06lx\r\n", x, y, colour);
    text += formatted("Assert:%d,%d,%06lx\r\n", x, y, colour);
    return text + message("  ※ Assert は、この色があるときに失敗します。\r\n");
}

// The deepest visible window at the point, disabled ones included: the system's
// window-from-point passes over disabled windows and names their parent.
HWND deepestWindowAt(HWND window, POINT screen)
{
    for (int depth = 0; depth < 256; ++depth) {
        POINT client = screen;
        ::ScreenToClient(window, &client);
        HWND child = ::ChildWindowFromPointEx(window, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == window)
            break;
        window = child;
    }
    return window;
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
    HWND top = window ? ::GetAncestor(window, GA_ROOT) : nullptr;
    if (!window || !top || window == ::GetDesktopWindow()) {
        report = message("マウスポインターの下にウィンドウがありません。\r\n");
        return false;
    }
    window = deepestWindowAt(window, screen);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(top, &processId);
    std::string exe;
    for (const ProgramProcess& p : findProgram(std::to_string(processId)))
        exe = p.exeName;
    report = processHeadline(processId, exe) + describeTopLevel(top, processId);
    if (window != top)
        report += describeChild(top, window, processId);
    report += positionLines(window, screen, settings);
    return true;
}

} // namespace vorn::find
