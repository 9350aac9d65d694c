#include "control_ops.h"

#include <cstring>

#include "mbcs_text.h"
#include "raii.h"

namespace vorn {

namespace {
constexpr int TEXT_BUFFER = 256;
constexpr int TEXT_ATTEMPTS = 5;
constexpr DWORD ATTEMPT_GAP_MS = 10;
constexpr DWORD CLICK_HOLD_MS = 29;
constexpr DWORD FOCUS_SETTLE_MS = 100;
constexpr SIZE_T PASTE_BLOCK = 256;
constexpr UINT PASTE_FLAGS = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
constexpr int MAX_CLIENT_COORDINATE = 0xFFFF;

// Send: the answer must be zero. Post: the post must be accepted.
bool deliverKeyMessage(HWND window, UINT message, WPARAM key, LPARAM lParam, bool sendMode)
{
    if (sendMode)
        return ::SendMessageA(window, message, key, lParam) == 0;
    return ::PostMessageA(window, message, key, lParam) != 0;
}

// Puts a copy of text on the clipboard as CF_TEXT, owned by window.
bool putOnClipboard(HWND window, const std::string& text)
{
    // The block is 256 bytes, or larger for a text that would not fit into it.
    SIZE_T size = text.size() + 1 > PASTE_BLOCK ? text.size() + 1 : PASTE_BLOCK;
    GlobalBlock block(PASTE_FLAGS, size);
    if (!block.get())
        return false;
    void* memory = ::GlobalLock(block.get());
    if (!memory)
        return false;
    std::memcpy(memory, text.c_str(), text.size() + 1);
    ::GlobalUnlock(block.get());

    ClipboardSession clipboard(window);
    if (!clipboard.isOpen())
        return false;
    ::EmptyClipboard();
    if (!::SetClipboardData(CF_TEXT, block.get()))
        return false;
    block.release(); // the clipboard owns it now
    return true;
}
} // namespace

bool sendKey(HWND window, UINT virtualKey, bool sendMode)
{
    UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM down = static_cast<LPARAM>((scan << 16) | 1u);
    LPARAM up = static_cast<LPARAM>((scan << 16) | 0xC0000001u);
    if (!deliverKeyMessage(window, WM_KEYDOWN, virtualKey, down, sendMode))
        return false;
    ::Sleep(KEY_HOLD_MS);
    return deliverKeyMessage(window, WM_KEYUP, virtualKey, up, sendMode);
}

void focusWindow(HWND window)
{
    ::SetForegroundWindow(window);
    ::BringWindowToTop(window);
    ::Sleep(FOCUS_SETTLE_MS);
}

bool clickWindow(HWND window, int x, int y, float scaleX, float scaleY)
{
    if (!::IsWindow(window))
        return false;
    float scaledX = static_cast<float>(x) * scaleX;
    float scaledY = static_cast<float>(y) * scaleY;
    // A position outside one word each cannot be packed into lParam; it would arrive wrapped.
    if (!(scaledX > -1.0f && scaledX < MAX_CLIENT_COORDINATE + 1.0f) ||
        !(scaledY > -1.0f && scaledY < MAX_CLIENT_COORDINATE + 1.0f))
        return false;
    auto px = static_cast<unsigned>(static_cast<int>(scaledX));
    auto py = static_cast<unsigned>(static_cast<int>(scaledY));
    LPARAM position = static_cast<LPARAM>((py << 16) | px);
    if (!::SendNotifyMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, position))
        return false;
    ::Sleep(CLICK_HOLD_MS);
    return ::SendNotifyMessageA(window, WM_LBUTTONUP, MK_LBUTTON, position) != 0;
}

std::string readControlText(HWND window, bool sendMode)
{
    char buffer[TEXT_BUFFER] = {};
    // A message carrying a pointer cannot be posted: in post mode the text stays empty.
    if (sendMode)
        ::SendMessageA(window, WM_GETTEXT, TEXT_BUFFER, reinterpret_cast<LPARAM>(buffer));
    buffer[TEXT_BUFFER - 1] = '\0';
    return buffer;
}

bool setControlText(HWND window, const std::string& text, bool sendMode)
{
    for (int attempt = 0; attempt < TEXT_ATTEMPTS; ++attempt) {
        if (::SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) == 1 &&
            readControlText(window, sendMode) == text)
            return true;
        ::Sleep(ATTEMPT_GAP_MS);
    }
    return false;
}

bool pasteText(HWND window, const std::string& text, bool sendMode)
{
    for (int attempt = 0; attempt < TEXT_ATTEMPTS; ++attempt) {
        if (putOnClipboard(window, text) && ::SendMessageA(window, WM_PASTE, 0, 0) == 0 &&
            containsText(readControlText(window, sendMode), text))
            return true;
        ::Sleep(ATTEMPT_GAP_MS);
    }
    return false;
}

bool selectComboByNumber(HWND window, int number)
{
    LRESULT wanted = static_cast<LRESULT>(number) - 1;
    return ::SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(wanted), 0) == wanted;
}

bool selectComboByText(HWND window, const std::string& text)
{
    LRESULT found = ::SendMessageA(window, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(text.c_str()));
    if (found == CB_ERR)
        return false;
    return ::SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(found), 0) == found;
}

} // namespace vorn
