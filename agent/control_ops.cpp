#include "control_ops.h"

#include <cstring>
#include <memory>

#include "mbcs_text.h"
#include "win32_handles.h"

namespace vorn {

namespace {
constexpr int TEXT_BUFFER = TEXT_READ_BACK_LIMIT + 1;
constexpr int TEXT_ATTEMPTS = 5;
constexpr DWORD ATTEMPT_GAP_MS = 10;
constexpr DWORD CLICK_HOLD_MS = 29;
constexpr DWORD FOCUS_SETTLE_MS = 100;
constexpr SIZE_T PASTE_BLOCK = 256;
constexpr UINT PASTE_FLAGS = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;

// Sends a message and waits at most limitMs for the answer; false when none came in time.
// The full limit is granted even to a window that the system already takes for hung
// (SMTO_ABORTIFHUNG would give up at once after about 5 s without reading messages): an
// installer copying files on its window thread is busy, not dead, and answers later.
// A window that does not exist, or that went away during the call, answers 0, exactly as
// a plain send reports it.
bool sendLimited(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD limitMs, LRESULT& answer)
{
    DWORD_PTR result = 0;
    if (::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, limitMs, &result)) {
        answer = static_cast<LRESULT>(result);
        return true;
    }
    answer = 0;
    return !(window && ::IsWindow(window));
}

// Send: the answer must come in time and be zero. Post: the post must be accepted.
bool deliverKeyMessage(HWND window, UINT message, WPARAM key, LPARAM lParam, const Delivery& delivery)
{
    if (!delivery.send)
        return ::PostMessageA(window, message, key, lParam) != 0;
    LRESULT answer = 0;
    return sendLimited(window, message, key, lParam, delivery.replyLimitMs, answer) && answer == 0;
}

// Puts a copy of text on the clipboard as CF_TEXT, owned by window.
bool putOnClipboard(HWND window, const std::string& text)
{
    // The block is 256 bytes, or larger for a text that would not fit into it.
    SIZE_T size = text.size() + 1 > PASTE_BLOCK ? text.size() + 1 : PASTE_BLOCK;
    GlobalBlock block(PASTE_FLAGS, size);
    if (!block.get())
        return false;
    {
        LockedGlobal memory(block.get());
        if (!memory.get())
            return false;
        std::memcpy(memory.get(), text.c_str(), text.size() + 1);
    }

    ClipboardSession clipboard(window);
    if (!clipboard.isOpen())
        return false;
    ::EmptyClipboard();
    if (!::SetClipboardData(CF_TEXT, block.get()))
        return false;
    block.release(); // the clipboard owns it now
    return true;
}

enum class ClipboardOutcome { Put, Refused, NoAnswer };

struct ClipboardJob {
    HWND window;
    std::string text;
};

DWORD WINAPI clipboardWorker(LPVOID param)
{
    std::unique_ptr<ClipboardJob> job(static_cast<ClipboardJob*>(param));
    return putOnClipboard(job->window, job->text) ? 1 : 0;
}

// putOnClipboard on a worker thread, waited for at most limitMs. Emptying the clipboard
// makes the system send WM_DESTROYCLIPBOARD to the window that owns it and wait for the
// answer, and that owner may be any program, hung: a paste after a copy in a program that
// then hung waited 5 s under Wine (its own limit), and a hung owner may hold the agent
// longer elsewhere. A worker that is not done in time is left behind; the step fails, the
// run ends and the worker ends with the process.
ClipboardOutcome putOnClipboardWithin(HWND window, const std::string& text, DWORD limitMs)
{
    auto job = std::make_unique<ClipboardJob>(ClipboardJob{window, text});
    UniqueHandle worker(::CreateThread(nullptr, 0, clipboardWorker, job.get(), 0, nullptr));
    if (!worker.valid())
        return ClipboardOutcome::Refused;
    job.release(); // the worker owns it now
    if (::WaitForSingleObject(worker.get(), limitMs) != WAIT_OBJECT_0)
        return ClipboardOutcome::NoAnswer;
    DWORD put = 0;
    return ::GetExitCodeThread(worker.get(), &put) && put == 1 ? ClipboardOutcome::Put : ClipboardOutcome::Refused;
}
} // namespace

DWORD replyLimitFromSeconds(int seconds)
{
    constexpr DWORD MIN_LIMIT_MS = 1000;
    constexpr DWORD MAX_LIMIT_MS = 0x7FFFFFFF; // well below INFINITE
    if (seconds <= 0)
        return MIN_LIMIT_MS;
    unsigned long long ms = static_cast<unsigned long long>(seconds) * 1000u;
    return ms > MAX_LIMIT_MS ? MAX_LIMIT_MS : static_cast<DWORD>(ms);
}

bool sendKey(HWND window, UINT virtualKey, const Delivery& delivery)
{
    // A press with no window to receive it is not a success (a send to no window answers
    // 0, a post to none lands in the agent's own queue). Once pressed, the key-up may find
    // the window gone: a key that closes its window still counts as pressed.
    if (!::IsWindow(window))
        return false;
    UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM down = static_cast<LPARAM>((scan << 16) | 1u);
    LPARAM up = static_cast<LPARAM>((scan << 16) | 0xC0000001u);
    if (!deliverKeyMessage(window, WM_KEYDOWN, virtualKey, down, delivery))
        return false;
    ::Sleep(KEY_HOLD_MS);
    return deliverKeyMessage(window, WM_KEYUP, virtualKey, up, delivery);
}

bool windowAnswers(HWND window, const Delivery& delivery)
{
    LRESULT ignored = 0;
    return window && ::IsWindow(window) && sendLimited(window, WM_NULL, 0, 0, delivery.replyLimitMs, ignored);
}

void focusWindow(HWND window, const Delivery& delivery)
{
    if (window && !windowAnswers(window, delivery)) {
        ::Sleep(FOCUS_SETTLE_MS);
        return;
    }
    ::SetForegroundWindow(window);
    ::BringWindowToTop(window);
    ::Sleep(FOCUS_SETTLE_MS);
}

bool waitUntilEnabled(HWND window, DWORD limitMs)
{
    constexpr DWORD ENABLED_POLL_MS = 50;
    DWORD start = ::GetTickCount();
    for (;;) {
        if (!::IsWindow(window))
            return false;
        if (::IsWindowEnabled(window))
            return true;
        if (::GetTickCount() - start >= limitMs)
            return false;
        ::Sleep(ENABLED_POLL_MS);
    }
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

bool readControlText(HWND window, const Delivery& delivery, std::string& text)
{
    char buffer[TEXT_BUFFER] = {};
    LRESULT answer = 0;
    // A message carrying a pointer cannot be posted: in post mode the text stays empty.
    bool answered =
        !delivery.send ||
        sendLimited(window, WM_GETTEXT, TEXT_BUFFER, reinterpret_cast<LPARAM>(buffer), delivery.replyLimitMs, answer);
    buffer[TEXT_BUFFER - 1] = '\0';
    text = buffer;
    return answered;
}

bool setControlText(HWND window, const std::string& text, const Delivery& delivery)
{
    for (int attempt = 0; attempt < TEXT_ATTEMPTS; ++attempt) {
        LRESULT answer = 0;
        std::string readBack;
        if (!sendLimited(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), delivery.replyLimitMs,
                         answer))
            return false;
        if (answer == 1) {
            if (!readControlText(window, delivery, readBack))
                return false;
            if (readBack == text)
                return true;
        }
        ::Sleep(ATTEMPT_GAP_MS);
    }
    return false;
}

bool pasteText(HWND window, const std::string& text, const Delivery& delivery)
{
    for (int attempt = 0; attempt < TEXT_ATTEMPTS; ++attempt) {
        ClipboardOutcome put = putOnClipboardWithin(window, text, delivery.replyLimitMs);
        if (put == ClipboardOutcome::NoAnswer)
            return false;
        if (put == ClipboardOutcome::Put) {
            LRESULT answer = 0;
            std::string readBack;
            if (!sendLimited(window, WM_PASTE, 0, 0, delivery.replyLimitMs, answer))
                return false;
            if (answer == 0) {
                if (!readControlText(window, delivery, readBack))
                    return false;
                if (containsText(readBack, text))
                    return true;
            }
        }
        ::Sleep(ATTEMPT_GAP_MS);
    }
    return false;
}

bool selectComboByNumber(HWND window, int number, const Delivery& delivery)
{
    // Without a combo box there is nothing to select (a send to no window would answer 0).
    if (!::IsWindow(window))
        return false;
    LRESULT wanted = static_cast<LRESULT>(number) - 1;
    LRESULT selected = 0;
    return sendLimited(window, CB_SETCURSEL, static_cast<WPARAM>(wanted), 0, delivery.replyLimitMs, selected) &&
           selected == wanted;
}

bool selectComboByText(HWND window, const std::string& text, const Delivery& delivery)
{
    if (!::IsWindow(window))
        return false;
    LRESULT found = CB_ERR;
    if (!sendLimited(window, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()),
                     delivery.replyLimitMs, found) ||
        found == CB_ERR)
        return false;
    LRESULT selected = CB_ERR;
    return sendLimited(window, CB_SETCURSEL, static_cast<WPARAM>(found), 0, delivery.replyLimitMs, selected) &&
           selected == found;
}

} // namespace vorn
