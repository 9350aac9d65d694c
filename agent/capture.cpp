#include "capture.h"

#include "raii.h"

namespace vorn {

COLORREF readPixel(HWND, int, int) { return CLR_INVALID; }
std::string timestampName() { return {}; }
uint32_t bitmapStride(int width) { return static_cast<uint32_t>((3 * width + 3) / 4 * 4); }
std::array<uint8_t, BITMAP_HEADERS_SIZE> bitmapHeaders(int, int) { return {}; }
bool captureWindow(HWND, const std::string&) { return false; }

void drawHighlight(HWND window)
{
    RECT windowRect{}, clientRect{};
    if (!::GetWindowRect(window, &windowRect) || !::GetClientRect(window, &clientRect))
        return;
    POINT corner{clientRect.left, clientRect.top};
    ::ClientToScreen(window, &corner);
    WindowDc dc(window);
    if (!dc.get())
        return;
    GdiObject<HPEN> pen(::CreatePen(PS_SOLID, 3, RGB(255, 0, 0)));
    SelectedObject selectedPen(dc.get(), pen.get());
    SelectedObject selectedBrush(dc.get(), ::GetStockObject(NULL_BRUSH));
    int left = corner.x - windowRect.left;
    int top = corner.y - windowRect.top;
    ::Rectangle(dc.get(), left, top, clientRect.right - clientRect.left + left,
                clientRect.bottom - clientRect.top + top);
}

void eraseHighlight(HWND window)
{
    if (!window || !::IsWindowVisible(window))
        return;
    ::InvalidateRect(window, nullptr, TRUE);
    ::UpdateWindow(window);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

} // namespace vorn
