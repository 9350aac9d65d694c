// Every window of a process as the searches see it, read in one pass: what a Window line
// needs to find it (class, text, index) and its state. Used for the record of a failed run
// and by vornfind's listing.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace vorn {

struct ListedWindow {
    HWND handle = nullptr;
    int depth = 0;              // 0 for a top-level window, 1 for its children, ...
    std::string className;      // as the searches read them
    std::string text;
    int index = -1;             // a Window line's index inside its top-level window; -1 for a
                                // top-level window or one of another process
    DWORD processId = 0;
    bool visible = false;       // itself and every window around it
    bool enabled = false;
    RECT frame{};               // screen position of the whole window
    SIZE client{};              // client area
};

// The windows inside top (depth first, in the searches' order), each counted among the
// windows of processId with the same class and text.
std::vector<ListedWindow> listDescendants(HWND top, DWORD processId);

// The process's top-level windows in search order; with children, each followed by its
// descendants.
std::vector<ListedWindow> listProcessWindows(DWORD processId, bool withChildren);

// One window on its own (depth 0, no index).
ListedWindow describeWindow(HWND window);

} // namespace vorn
