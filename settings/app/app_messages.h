// Window messages from the workers to the window they report to.
#pragma once
#include <windows.h>

constexpr UINT WM_SETUP_FINISHED = WM_USER + 1;    // wParam 1 completed, 0 failed (lParam: const std::wstring*)
constexpr UINT WM_SETUP_ITEM_STATUS = WM_USER + 2; // wParam item index, lParam 0 done / 1 failed
constexpr UINT WM_SETUP_ITEM_VALUE = WM_USER + 3;  // wParam item index, lParam const wchar_t* value
constexpr UINT WM_SETUP_SAVE_FAILED = WM_USER + 4; // wParam the save's Win32 error
constexpr UINT WM_RECORD_RESULT = WM_USER + 3;     // to the status window: wParam result code

// Outcomes of the record creation.
constexpr int RECORD_NO_INVENTORY_LIST = 4;
constexpr int RECORD_CREATED = 5;
constexpr int RECORD_FAILED = 6;
