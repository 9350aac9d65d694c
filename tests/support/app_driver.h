// Drives peltacfg's windows from a test, across processes, as a user would.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace drv {

// Rows of a report list view of another process, each with `columns` texts.
std::vector<std::vector<std::wstring>> listViewRows(HWND list, int columns);

// The message boxes (#32770 with the box's text control) the process shows now.
std::vector<HWND> messageBoxes(DWORD pid);
// A message box shown by the process within timeoutMs, or null.
HWND findMessageBox(DWORD pid, DWORD timeoutMs);
// Presses a button of the dialog and waits for the box that the press leads to; null when none comes.
HWND pressAndWaitBox(HWND dialog, int buttonId, DWORD pid, DWORD timeoutMs);
std::wstring messageBoxText(HWND box);
std::wstring messageBoxCaption(HWND box);
// Answers a box by pressing one of its buttons (IDOK by default).
bool closeMessageBox(HWND box, int buttonId = IDOK);

bool isEnabled(HWND dialog, int id);
// Waits until the control is enabled; false after timeoutMs.
bool waitEnabled(HWND dialog, int id, DWORD timeoutMs);
bool isVisible(HWND dialog, int id);

// Sends a message and waits for its answer, giving up after timeoutMs.
LRESULT sendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs = 5000);

} // namespace drv
