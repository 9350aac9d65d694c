// Operations on the window that a search put into the current slot: keys, focus,
// clicks, text, clipboard pastes and combo-box selections, all by window messages.
#pragma once
#include <windows.h>
#include <string>

namespace vorn {

constexpr DWORD KEY_HOLD_MS = 137;
// A text read back from a control holds at most this many bytes (a 256-byte buffer).
constexpr int TEXT_READ_BACK_LIMIT = 255;
// The largest client coordinate a click message can carry (one word each for x and y).
constexpr int MAX_CLIENT_COORDINATE = 0xFFFF;

// How key messages and text requests reach the target. A sent message waits for the
// target's answer at most replyLimitMs: a target that stops answering must not hold the
// agent for ever. Clicks are never waited for; WM_SETTEXT, WM_PASTE and the combo-box
// messages are always sent, with the same limit.
struct Delivery {
    bool send = true;
    DWORD replyLimitMs = 60000;
};

// The reply limit for a search time-out in seconds: at least one second, so that a zero
// or negative setting still lets a responsive target answer.
DWORD replyLimitFromSeconds(int seconds);

// One key press: WM_KEYDOWN, a hold of KEY_HOLD_MS, WM_KEYUP. Sent (a non-zero answer
// or no answer in time fails) or posted (a refused post fails).
bool sendKey(HWND window, UINT virtualKey, const Delivery& delivery);

// Whether the window's thread answers a message within the delivery's limit. The
// system's own focus and repaint calls wait for the target without limit; they are
// made only for a window that answers.
bool windowAnswers(HWND window, const Delivery& delivery);

// Brings the window to the foreground; never fails. A target that does not answer is
// left as it is.
void focusWindow(HWND window, const Delivery& delivery);

// Waits up to limitMs for the window to be enabled; false when it stays disabled or is
// gone (or was never there).
bool waitUntilEnabled(HWND window, DWORD limitMs);

// A left click at a client position given for 96 dpi, scaled to the display.
bool clickWindow(HWND window, int x, int y, float scaleX, float scaleY);

// The window's text (at most 255 bytes); empty in post mode, where a text request cannot
// be delivered. False only when the target did not answer in time.
bool readControlText(HWND window, const Delivery& delivery, std::string& text);

// WM_SETTEXT with a verified read-back, up to five attempts; a target that does not
// answer in time fails at once.
bool setControlText(HWND window, const std::string& text, const Delivery& delivery);

// Paste through the clipboard, verified by finding the text in the read-back, up to five
// attempts; a target that does not answer in time, or a clipboard that cannot be filled in
// that time (its owner does not answer), fails at once.
bool pasteText(HWND window, const std::string& text, const Delivery& delivery);

// Combo-box item by number counted from 1 (0 clears the selection), or by exact text.
bool selectComboByNumber(HWND window, int number, const Delivery& delivery);
bool selectComboByText(HWND window, const std::string& text, const Delivery& delivery);

} // namespace vorn
