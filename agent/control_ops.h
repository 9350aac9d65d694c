// Operations on the window that a search put into the current slot: keys, focus,
// clicks, text, clipboard pastes and combo-box selections, all by window messages.
#pragma once
#include <windows.h>
#include <string>

namespace vorn {

constexpr DWORD KEY_HOLD_MS = 137;

// One key press: WM_KEYDOWN, a hold of KEY_HOLD_MS, WM_KEYUP. Sent (a non-zero answer
// fails) or posted (a refused post fails).
bool sendKey(HWND window, UINT virtualKey, bool sendMode);

// Brings the window to the foreground; never fails.
void focusWindow(HWND window);

// A left click at a client position given for 96 dpi, scaled to the display.
bool clickWindow(HWND window, int x, int y, float scaleX, float scaleY);

// The window's text (at most 255 bytes); empty in post mode, where a text request cannot be delivered.
std::string readControlText(HWND window, bool sendMode);

// WM_SETTEXT with a verified read-back, up to five attempts.
bool setControlText(HWND window, const std::string& text, bool sendMode);

// Paste through the clipboard, verified by finding the text in the read-back, up to five attempts.
bool pasteText(HWND window, const std::string& text, bool sendMode);

// Combo-box item by number counted from 1 (0 clears the selection), or by exact text.
bool selectComboByNumber(HWND window, int number);
bool selectComboByText(HWND window, const std::string& text);

} // namespace vorn
