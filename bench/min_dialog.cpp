// The start-up reference: the least a dialog program does before its dialog
// shows (a modal dialog from an in-memory template with one button). It
// ends when the dialog is closed.
#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {

INT_PTR CALLBACK dialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)
            ::EndDialog(dialog, LOWORD(wp));
        return TRUE;
    case WM_CLOSE:
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// Appends a string in the template's form: UTF-16 with its terminator.
WORD* putString(WORD* at, const wchar_t* text)
{
    size_t n = std::wcslen(text) + 1;
    std::memcpy(at, text, n * sizeof(wchar_t));
    return at + n;
}

WORD* alignDword(WORD* at)
{
    auto value = reinterpret_cast<ULONG_PTR>(at);
    return reinterpret_cast<WORD*>((value + 3) & ~static_cast<ULONG_PTR>(3));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    alignas(4) static WORD buffer[512] = {};
    auto* dialog = reinterpret_cast<DLGTEMPLATE*>(buffer);
    dialog->style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    dialog->cdit = 1;
    dialog->cx = 200;
    dialog->cy = 80;
    WORD* at = reinterpret_cast<WORD*>(dialog + 1);
    *at++ = 0; // no menu
    *at++ = 0; // the dialog class
    at = putString(at, L"Bench Dialog");
    *at++ = 9;
    at = putString(at, L"MS Shell Dlg");

    at = alignDword(at);
    auto* button = reinterpret_cast<DLGITEMTEMPLATE*>(at);
    button->style = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON;
    button->x = 70;
    button->y = 50;
    button->cx = 60;
    button->cy = 14;
    button->id = IDOK;
    at = reinterpret_cast<WORD*>(button + 1);
    *at++ = 0xFFFF;
    *at++ = 0x0080; // Button
    at = putString(at, L"OK");
    *at++ = 0; // no creation data

    return static_cast<int>(::DialogBoxIndirectParamW(instance, dialog, nullptr, dialogProc, 0));
}
