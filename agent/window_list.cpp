#include "window_list.h"

#include <map>
#include <unordered_map>
#include <utility>

#include "window_search.h"

namespace vorn {

namespace {
// Fills everything but depth and index from one reading of the window.
void readWindow(HWND window, ListedWindow& listed)
{
    listed.handle = window;
    listed.className = windowClassName(window);
    listed.text = windowText(window);
    ::GetWindowThreadProcessId(window, &listed.processId);
    WINDOWINFO info{};
    info.cbSize = sizeof info;
    if (::GetWindowInfo(window, &info)) {
        listed.frame = info.rcWindow;
        listed.client = {info.rcClient.right - info.rcClient.left, info.rcClient.bottom - info.rcClient.top};
        listed.visible = (info.dwStyle & WS_VISIBLE) != 0;
        listed.enabled = (info.dwStyle & WS_DISABLED) == 0;
    }
}

struct Collect {
    std::vector<ListedWindow> windows;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM param)
{
    auto* collect = reinterpret_cast<Collect*>(param);
    ListedWindow listed;
    readWindow(window, listed);
    collect->windows.push_back(std::move(listed));
    return TRUE;
}
} // namespace

ListedWindow describeWindow(HWND window)
{
    ListedWindow listed;
    readWindow(window, listed);
    return listed;
}

std::vector<ListedWindow> listDescendants(HWND top, DWORD processId)
{
    Collect collect;
    // Wine reports FALSE for a window without children; the list is empty then.
    ::EnumChildWindows(top, collectWindow, reinterpret_cast<LPARAM>(&collect));
    // The enumeration is depth first: a window's parent is listed before it.
    std::unordered_map<HWND, std::pair<int, bool>> parents; // depth and visibility
    parents[top] = {0, ::IsWindowVisible(top) != FALSE};
    std::map<std::pair<std::string, std::string>, int> seen;
    for (ListedWindow& w : collect.windows) {
        auto parent = parents.find(::GetParent(w.handle));
        std::pair<int, bool> around = parent != parents.end() ? parent->second : std::make_pair(0, true);
        w.depth = around.first + 1;
        w.visible = w.visible && around.second;
        parents[w.handle] = {w.depth, w.visible};
        // The searches count only the process's own windows.
        if (w.processId == processId)
            w.index = seen[{w.className, w.text}]++;
    }
    return collect.windows;
}

std::vector<ListedWindow> listProcessWindows(DWORD processId, bool withChildren)
{
    std::vector<ListedWindow> list;
    for (HWND top : topLevelWindows(processId)) {
        list.push_back(describeWindow(top));
        if (withChildren) {
            std::vector<ListedWindow> inside = listDescendants(top, processId);
            list.insert(list.end(), inside.begin(), inside.end());
        }
    }
    return list;
}

} // namespace vorn
