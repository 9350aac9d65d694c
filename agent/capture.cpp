#include "capture.h"

#include <ctime>
#include <cstring>

#include "win32_handles.h"

namespace vorn {

namespace {
constexpr int HIGHLIGHT_PEN_WIDTH = 3;
constexpr COLORREF HIGHLIGHT_COLOUR = RGB(255, 0, 0);
constexpr uint32_t FILE_HEADER_SIZE = 14;
constexpr uint32_t INFO_HEADER_SIZE = 40;

void put16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool writeAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}
} // namespace

COLORREF readPixel(HWND window, int x, int y)
{
    WindowDc dc(window);
    if (!dc.get())
        return CLR_INVALID;
    return ::GetPixel(dc.get(), x, y);
}

std::string timestampName()
{
    std::time_t now = std::time(nullptr);
    char name[32] = {};
    if (const std::tm* local = std::localtime(&now))
        std::strftime(name, sizeof name, "%Y%m%d%H%M%S", local);
    return name;
}

uint32_t bitmapStride(int width) { return static_cast<uint32_t>((3 * width + 3) / 4 * 4); }

std::array<uint8_t, BITMAP_HEADERS_SIZE> bitmapHeaders(int width, int height)
{
    std::array<uint8_t, BITMAP_HEADERS_SIZE> bytes{};
    uint8_t* h = bytes.data();
    uint32_t imageSize = bitmapStride(width) * static_cast<uint32_t>(height);
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, static_cast<uint32_t>(BITMAP_HEADERS_SIZE) + imageSize);
    put32(h + 10, static_cast<uint32_t>(BITMAP_HEADERS_SIZE));
    put32(h + FILE_HEADER_SIZE, INFO_HEADER_SIZE);
    put32(h + 18, static_cast<uint32_t>(width));
    put32(h + 22, static_cast<uint32_t>(height));
    put16(h + 26, 1);
    put16(h + 28, 24);
    put32(h + 30, BI_RGB);
    put32(h + 34, imageSize);
    return bytes;
}

bool captureWindow(HWND window, const std::string& path)
{
    // Without a window there is no rectangle and so no defined image size.
    RECT rect{};
    if (!window || !::GetWindowRect(window, &rect))
        return false;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;

    MemoryDc memory(nullptr);
    if (!memory.get())
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = INFO_HEADER_SIZE;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib.get())
        return false;
    SelectedObject selected(memory.get(), dib.get());
    {
        WindowDc source(window);
        ::BitBlt(memory.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
    }
    ::GdiFlush();
    DIBSECTION section{};
    if (::GetObjectA(dib.get(), sizeof section, &section) != sizeof section || !section.dsBm.bmBits)
        return false;

    return writeBitmapFile(path, width, height, section.dsBm.bmBits);
}

bool writeBitmapFile(const std::string& path, int width, int height, const void* pixels)
{
    std::string temporary = path + ".tmp";
    UniqueHandle file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    auto headers = bitmapHeaders(width, height);
    DWORD imageSize = bitmapStride(width) * static_cast<DWORD>(height);
    bool written = writeAll(file.get(), headers.data(), FILE_HEADER_SIZE) &&
                   writeAll(file.get(), headers.data() + FILE_HEADER_SIZE, INFO_HEADER_SIZE) &&
                   writeAll(file.get(), pixels, imageSize);
    file.reset();
    if (written && ::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    ::DeleteFileA(temporary.c_str());
    return false;
}

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
    GdiObject<HPEN> pen(::CreatePen(PS_SOLID, HIGHLIGHT_PEN_WIDTH, HIGHLIGHT_COLOUR));
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
