// A small target application for the vornrun tests. It shows windows of fixed classes and
// captions and appends what it receives (keys, clicks, button presses) to the record file
// named by its first argument, one line per event.
//   vorn_target.exe RECORD [--late=MS] [--exit=MS] [--hang=MS] [--triggers=1] [--busy=MS]
//   --late=MS     the main caption reads "Loading" until MS milliseconds after start
//   --exit=MS     the program ends by itself after MS milliseconds
//   --hang=MS     the program stops answering messages MS milliseconds after start
//   --triggers=1  adds two controls to the main window: "hang" (class VornHang) stops
//                 answering messages for good, "exit" (class VornExit) ends the process
//                 at once, each as soon as it receives a click, a key, a text or a
//                 combo-box message; the sender is left waiting for its answer
//   --busy=MS     adds a control "busy" (class VornBusy) whose thread, on every click,
//                 reads no messages for MS milliseconds and then answers again; keys and
//                 texts it receives are handled as by the "keys" control
//   --disabled=MS adds a button "Later" (id 114), disabled until MS milliseconds after start
#include <windows.h>
#include <shellapi.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

std::wstring recordPath;

void record(const char* format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    HANDLE file = ::CreateFileW(recordPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    ::CloseHandle(file);
}

constexpr int ID_EDIT = 101, ID_COMBO = 102, ID_BUTTON = 103, ID_KEYS = 104, ID_PANEL = 105, ID_GROUP = 106,
              ID_ITEM_OUTER = 107, ID_ITEM_INNER = 108, ID_ITEM_SIDE = 109, ID_SECOND_ITEM = 201;
constexpr UINT_PTR TIMER_CAPTION = 1, TIMER_EXIT = 2, TIMER_PANEL = 3, TIMER_HANG = 4, TIMER_ENABLE = 5;
constexpr int ID_HANG = 110, ID_EXIT = 111, ID_BUSY = 112, ID_NOTE = 113, ID_LATER = 114;
constexpr COLORREF PANEL_START = RGB(0, 0, 255), PANEL_CLICKED = RGB(0, 255, 0);
constexpr COLORREF SECOND_BACKGROUND = RGB(10, 20, 30);
// The panel turns green this long after a click, so a pixel wait sees the old colour first.
constexpr UINT PANEL_DELAY_MS = 700;

COLORREF panelColour = PANEL_START;
DWORD busyMs = 0;

void paintSolid(HWND window, COLORREF colour)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(window, &ps);
    RECT rc;
    ::GetClientRect(window, &rc);
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &rc, brush);
    ::DeleteObject(brush);
    ::EndPaint(window, &ps);
}

// Answers 0 to every key message (as Windows' own controls do) and records it.
LRESULT CALLBACK keysProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_KEYDOWN:
        record("key %d down %u %08lx\n", ::GetDlgCtrlID(window), static_cast<unsigned>(wp), static_cast<unsigned long>(lp));
        return 0;
    case WM_KEYUP:
        record("key %d up %u %08lx\n", ::GetDlgCtrlID(window), static_cast<unsigned>(wp), static_cast<unsigned long>(lp));
        return 0;
    case WM_LBUTTONDOWN:
        record("click %d %d %d\n", ::GetDlgCtrlID(window), static_cast<int>(static_cast<short>(LOWORD(lp))),
               static_cast<int>(static_cast<short>(HIWORD(lp))));
        return 0;
    case WM_LBUTTONUP:
        if (::GetDlgCtrlID(window) == ID_PANEL)
            ::SetTimer(window, TIMER_PANEL, PANEL_DELAY_MS, nullptr);
        return 0;
    case WM_TIMER:
        if (wp == TIMER_PANEL) {
            ::KillTimer(window, TIMER_PANEL);
            panelColour = PANEL_CLICKED;
            ::InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        if (::GetDlgCtrlID(window) == ID_PANEL)
            paintSolid(window, panelColour);
        else
            paintSolid(window, RGB(255, 255, 255));
        return 0;
    }
    return ::DefWindowProcW(window, msg, wp, lp);
}

// The "busy" control: a click keeps the window thread away from its messages for a while,
// like an installer copying files on its window thread.
LRESULT CALLBACK busyProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_LBUTTONDOWN) {
        record("busy\n");
        ::Sleep(busyMs);
        record("answering\n");
        return 0;
    }
    return keysProc(window, msg, wp, lp);
}

void hangForGood()
{
    record("hang\n");
    for (;;)
        ::Sleep(INFINITE);
}

bool isTriggerMessage(UINT msg)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SETTEXT:
    case WM_PASTE:
    case CB_SETCURSEL:
    case CB_FINDSTRINGEXACT:
        return true;
    }
    return false;
}

// The "hang" and "exit" controls: the message that reaches them never gets its answer.
LRESULT CALLBACK triggerProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
{
    if (isTriggerMessage(msg)) {
        if (::GetDlgCtrlID(window) == ID_HANG)
            hangForGood();
        record("exit\n");
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }
    if (msg == WM_PAINT) {
        paintSolid(window, RGB(255, 255, 0));
        return 0;
    }
    return ::DefWindowProcW(window, msg, wp, lp);
}

LRESULT CALLBACK mainProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        if ((LOWORD(wp) == ID_BUTTON || LOWORD(wp) == ID_LATER) && HIWORD(wp) == BN_CLICKED)
            record("button %d clicked\n", LOWORD(wp));
        return 0;
    case WM_TIMER:
        if (wp == TIMER_CAPTION) {
            ::KillTimer(window, TIMER_CAPTION);
            ::SetWindowTextW(window, L"Vorn Target");
        } else if (wp == TIMER_EXIT) {
            ::PostQuitMessage(0);
        } else if (wp == TIMER_HANG) {
            hangForGood();
        } else if (wp == TIMER_ENABLE) {
            ::KillTimer(window, TIMER_ENABLE);
            ::EnableWindow(::GetDlgItem(window, ID_LATER), TRUE);
        }
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, msg, wp, lp);
}

// The second window is the pixel target (a top-level window: Wine reads pixels of another
// process's child windows as CLR_INVALID). It turns green a moment after a click.
LRESULT CALLBACK secondProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
{
    static COLORREF colour = SECOND_BACKGROUND;
    switch (msg) {
    case WM_PAINT:
        paintSolid(window, colour);
        return 0;
    case WM_LBUTTONDOWN:
        record("click second %d %d\n", static_cast<int>(static_cast<short>(LOWORD(lp))),
               static_cast<int>(static_cast<short>(HIWORD(lp))));
        return 0;
    case WM_LBUTTONUP:
        ::SetTimer(window, TIMER_PANEL, PANEL_DELAY_MS, nullptr);
        return 0;
    case WM_TIMER:
        ::KillTimer(window, TIMER_PANEL);
        colour = PANEL_CLICKED;
        ::InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    if (msg == WM_ERASEBKGND)
        return 1;
    return ::DefWindowProcW(window, msg, wp, lp);
}

void registerClass(const wchar_t* name, WNDPROC proc)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    ::RegisterClassW(&wc);
}

HWND child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, HWND parent, int id)
{
    return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

int optionValue(int argc, wchar_t** argv, const wchar_t* name)
{
    size_t len = std::wcslen(name);
    for (int i = 2; i < argc; ++i) {
        if (std::wcsncmp(argv[i], name, len) == 0)
            return _wtoi(argv[i] + len);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc < 2)
        return 2;
    recordPath = argv[1];
    int lateMs = optionValue(argc, argv, L"--late=");
    int exitMs = optionValue(argc, argv, L"--exit=");
    int hangMs = optionValue(argc, argv, L"--hang=");
    bool triggers = optionValue(argc, argv, L"--triggers=") != 0;
    busyMs = static_cast<DWORD>(optionValue(argc, argv, L"--busy="));
    int disabledMs = optionValue(argc, argv, L"--disabled=");

    registerClass(L"VornTarget", mainProc);
    registerClass(L"VornKeys", keysProc);
    registerClass(L"VornPanel", keysProc);
    registerClass(L"VornGroup", keysProc);
    registerClass(L"VornItem", keysProc);
    registerClass(L"VornSecond", secondProc);
    registerClass(L"VornHang", triggerProc);
    registerClass(L"VornExit", triggerProc);
    registerClass(L"VornBusy", busyProc);
    registerClass(L"VornNote", keysProc);

    HWND main = ::CreateWindowExW(0, L"VornTarget", lateMs > 0 ? L"Loading" : L"Vorn Target",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 420, 320, nullptr, nullptr, instance,
                                  nullptr);
    child(L"Edit", L"", WS_BORDER | ES_AUTOHSCROLL, 10, 10, 200, 24, main, ID_EDIT);
    HWND combo = child(L"ComboBox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 40, 200, 120, main, ID_COMBO);
    for (const wchar_t* item : {L"Alpha", L"Beta", L"Gamma"})
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    child(L"Button", L"Press", BS_PUSHBUTTON, 220, 10, 80, 24, main, ID_BUTTON);
    child(L"VornKeys", L"keys", 0, 220, 40, 80, 24, main, ID_KEYS);
    child(L"VornPanel", L"panel", 0, 10, 80, 100, 60, main, ID_PANEL);
    HWND group = child(L"VornGroup", L"group", 0, 120, 80, 200, 120, main, ID_GROUP);
    HWND outer = child(L"VornItem", L"item", 0, 5, 5, 90, 50, group, ID_ITEM_OUTER);
    child(L"VornItem", L"item", 0, 5, 5, 40, 20, outer, ID_ITEM_INNER);
    child(L"VornItem", L"item", 0, 100, 5, 90, 50, group, ID_ITEM_SIDE);
    // A text with a comma: a Window line splits it and can never match it.
    child(L"VornNote", L"a,b", 0, 320, 10, 80, 24, main, ID_NOTE);
    if (triggers) {
        child(L"VornHang", L"hang", 0, 10, 210, 80, 24, main, ID_HANG);
        child(L"VornExit", L"exit", 0, 100, 210, 80, 24, main, ID_EXIT);
    }
    if (busyMs > 0)
        child(L"VornBusy", L"busy", 0, 190, 210, 80, 24, main, ID_BUSY);
    if (disabledMs > 0) {
        child(L"Button", L"Later", BS_PUSHBUTTON | WS_DISABLED, 280, 210, 80, 24, main, ID_LATER);
        ::SetTimer(main, TIMER_ENABLE, static_cast<UINT>(disabledMs), nullptr);
    }

    // A second top-level window: a Japanese caption, no frame, exactly 101 x 80 pixels.
    HWND second = ::CreateWindowExW(0, L"VornSecond", L"第二ウィンドウ", WS_POPUP | WS_VISIBLE, 500, 40, 101, 80,
                                    nullptr, nullptr, instance, nullptr);
    child(L"VornItem", L"item", 0, 5, 5, 30, 20, second, ID_SECOND_ITEM);

    if (lateMs > 0)
        ::SetTimer(main, TIMER_CAPTION, static_cast<UINT>(lateMs), nullptr);
    if (exitMs > 0)
        ::SetTimer(main, TIMER_EXIT, static_cast<UINT>(exitMs), nullptr);
    if (hangMs > 0)
        ::SetTimer(main, TIMER_HANG, static_cast<UINT>(hangMs), nullptr);
    record("started\n");

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::LocalFree(argv);
    return 0;
}
