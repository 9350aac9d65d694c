// Pixels, screenshots as 24-bit bitmap files, and the outline that marks a found window.
#pragma once
#include <windows.h>
#include <array>
#include <cstdint>
#include <string>

namespace vorn {

constexpr size_t BITMAP_HEADERS_SIZE = 54;

// The colour at x, y of the whole window (frame included); CLR_INVALID if unreadable.
COLORREF readPixel(HWND window, int x, int y);

// Local time as "YYYYMMDDhhmmss".
std::string timestampName();

// Bytes of one stored pixel row: 3 per pixel, rounded up to a multiple of 4.
uint32_t bitmapStride(int width);

// File header and info header of a bottom-up 24-bit bitmap without colour table.
std::array<uint8_t, BITMAP_HEADERS_SIZE> bitmapHeaders(int width, int height);

// Writes a bottom-up 24-bit bitmap file of width x height pixels whose rows (stride bytes
// each) start at pixels. The file is written under a temporary name beside path and
// renamed to path only when complete: a failed write leaves no partial file behind and an
// older file of that name as it was. True when path holds the new file.
bool writeBitmapFile(const std::string& path, int width, int height, const void* pixels);

// Writes an image of the whole window to path. Writes nothing when the window has no
// rectangle (an empty slot) or the file cannot be created. True when a file was written.
bool captureWindow(HWND window, const std::string& path);

// A red frame, 3 pixels wide, around the client area, painted on the window's surface.
void drawHighlight(HWND window);
// Repaints the window (removing the frame) if it is set and visible.
void eraseHighlight(HWND window);

} // namespace vorn
