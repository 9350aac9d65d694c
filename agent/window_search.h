// Finding windows by owning process, exact class name and exact window text.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace vorn {

// A window found by a search, with the process id the search was restricted to.
struct WindowRef {
    HWND handle = nullptr;
    DWORD processId = 0;
};

// The context of one enumeration.
struct WindowMatch {
    std::vector<HWND> matches;
    DWORD processId = 0; // 0 = windows of any process
    std::string className;
    std::string windowText;
    HWND parent = nullptr; // 0 for the top-level search
};

// Enumeration callback: appends each window that passes the test; never stops the enumeration.
BOOL CALLBACK matchWindow(HWND window, LPARAM match);

// The class name and the window text as the searches read and compare them (at most 255 bytes,
// in the ANSI code page).
std::string windowClassName(HWND window);
std::string windowText(HWND window);

// The top-level windows of the process (of every process for 0), in search order.
std::vector<HWND> topLevelWindows(DWORD processId);

// The first top-level window that matches, in enumeration order; empty if none.
WindowRef findTopLevelWindow(DWORD processId, const std::string& className, const std::string& windowText);

// Every matching descendant of parent in search order (depth first), restricted to the parent's
// process; with no parent handle, the matching top-level windows.
std::vector<HWND> findChildWindows(const WindowRef& parent, const std::string& className,
                                   const std::string& windowText);

// The index-th matching descendant of parent (depth first), restricted to the parent's process;
// with no parent handle, the top-level windows are searched. Empty if there is none.
WindowRef findChildWindow(const WindowRef& parent, const std::string& className, const std::string& windowText,
                          int index);

// Asks the user whether to go on waiting (Retry) or give up (Cancel). True = go on.
// The text is in this program's UTF-8; it is shown through the ANSI interface.
bool askRetry(const char* utf8Text);

// Whether the retry question's answer means go on. A box that could not be shown (answer
// 0, e.g. in a session without a desktop) counts as Cancel: nobody can answer it, and
// asking again would repeat for ever.
bool retryAnswerGoesOn(int answer);

// True while a process with this id exists (0 never does).
bool processExists(DWORD processId);

} // namespace vorn
