// A target for the window search benchmark: one top-level window "Bench Nest"
// holding 2,000 child windows, in 100 chains of 20 nested windows. Every
// window is a "BenchNode" named "node" except the very last one created, the
// "BenchLeaf" named "leaf", which a depth-first search in creation order
// reaches only after all the others.
#include <windows.h>

namespace {

constexpr int CHAINS = 100;
constexpr int DEPTH = 20;

void registerClass(const wchar_t* name, WNDPROC proc)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    ::RegisterClassW(&wc);
}

LRESULT CALLBACK mainProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, msg, wp, lp);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    registerClass(L"BenchNest", mainProc);
    registerClass(L"BenchNode", ::DefWindowProcW);
    registerClass(L"BenchLeaf", ::DefWindowProcW);
    HWND main = ::CreateWindowExW(0, L"BenchNest", L"Loading", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 400, 300,
                                  nullptr, nullptr, instance, nullptr);
    for (int chain = 0; chain < CHAINS; ++chain) {
        HWND parent = main;
        for (int level = 0; level < DEPTH; ++level) {
            bool last = chain == CHAINS - 1 && level == DEPTH - 1;
            parent = ::CreateWindowExW(0, last ? L"BenchLeaf" : L"BenchNode", last ? L"leaf" : L"node",
                                       WS_CHILD | WS_VISIBLE, 1, 1, 200, 200, parent, nullptr, instance, nullptr);
        }
    }
    // The caption changes only when every child exists, so a search that
    // waits for it never sees a half-built tree.
    ::SetWindowTextW(main, L"Bench Nest");

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
