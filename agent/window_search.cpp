#include "window_search.h"

#include "mbcs_text.h"
#include "win32_handles.h"

namespace vorn {

namespace {
constexpr int NAME_BUFFER = 256;
}

std::string windowClassName(HWND window)
{
    char name[NAME_BUFFER] = {};
    ::GetClassNameA(window, name, NAME_BUFFER);
    return name;
}

std::string windowText(HWND window)
{
    char text[NAME_BUFFER] = {};
    ::GetWindowTextA(window, text, NAME_BUFFER);
    return text;
}

BOOL CALLBACK matchWindow(HWND window, LPARAM param)
{
    auto* match = reinterpret_cast<WindowMatch*>(param);
    if (match->processId != 0) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != match->processId)
            return TRUE;
    }
    if (match->className != windowClassName(window))
        return TRUE;
    if (match->windowText != windowText(window))
        return TRUE;
    match->matches.push_back(window);
    return TRUE;
}

namespace {
// Enumerates the parent's descendants, or the top-level windows when there is no parent.
// EnumWindows is the documented equivalent of EnumChildWindows with no parent, and the
// one that works everywhere.
bool enumerate(WindowMatch& match)
{
    auto param = reinterpret_cast<LPARAM>(&match);
    if (!match.parent)
        return ::EnumWindows(matchWindow, param) != 0;
    return ::EnumChildWindows(match.parent, matchWindow, param) != 0;
}
} // namespace

std::vector<HWND> topLevelWindows(DWORD processId)
{
    struct Collect {
        DWORD processId;
        std::vector<HWND> windows;
    } collect{processId, {}};
    auto visit = [](HWND window, LPARAM param) -> BOOL {
        auto* c = reinterpret_cast<Collect*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (c->processId == 0 || owner == c->processId)
            c->windows.push_back(window);
        return TRUE;
    };
    ::EnumWindows(visit, reinterpret_cast<LPARAM>(&collect));
    return collect.windows;
}

WindowRef findTopLevelWindow(DWORD processId, const std::string& className, const std::string& windowText)
{
    WindowMatch match;
    match.processId = processId;
    match.className = className;
    match.windowText = windowText;
    if (!enumerate(match) || match.matches.empty())
        return {};
    return {match.matches.front(), processId};
}

std::vector<HWND> findChildWindows(const WindowRef& parent, const std::string& className,
                                   const std::string& windowText)
{
    WindowMatch match;
    match.processId = parent.processId;
    match.className = className;
    match.windowText = windowText;
    match.parent = parent.handle;
    // Wine reports FALSE for a window without children; there are no matches then either.
    enumerate(match);
    return match.matches;
}

WindowRef findChildWindow(const WindowRef& parent, const std::string& className, const std::string& windowText,
                          int index)
{
    if (index < 0)
        return {};
    std::vector<HWND> matches = findChildWindows(parent, className, windowText);
    if (static_cast<size_t>(index) >= matches.size())
        return {};
    return {matches[static_cast<size_t>(index)], parent.processId};
}

bool askRetry(const char* utf8Text)
{
    std::string text = ansiFromUtf8(utf8Text);
    return retryAnswerGoesOn(::MessageBoxA(nullptr, text.c_str(), "Vorn", MB_RETRYCANCEL));
}

bool retryAnswerGoesOn(int answer) { return answer != 0 && answer != IDCANCEL; }

bool processExists(DWORD processId)
{
    if (processId == 0)
        return false;
    UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process.valid();
}

} // namespace vorn
