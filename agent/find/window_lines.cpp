#include "window_lines.h"

#include <cstdio>
#include <vector>

#include "mbcs_text.h"
#include "script_line.h"
#include "window_search.h"

namespace vorn::find {

namespace {
constexpr int INDENT_PER_LEVEL = 4;

// Why a line cannot find its window although it is written from the window's own names.
const char* unreadableReason(const std::string& className, const std::string& title)
{
    std::string both = className + title;
    if (both.find('\n') != std::string::npos || both.find('\r') != std::string::npos)
        return "  ※ 改行を含むため、%s 行には書けません。\r\n";
    if (findChar(className, ',') != std::string::npos || findChar(title, ',') != std::string::npos)
        return "  ※ クラス名かテキストにカンマがあるため、%s 行はそこで分かれて見つかりません。\r\n";
    return "  ※ %s 行は読み取れない形になります (クラス名が空など)。\r\n";
}

std::string note(const char* utf8Format, const char* keyword)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, message(utf8Format).c_str(), keyword);
    return buffer;
}

std::string headline(HWND window, int depth)
{
    RECT client{};
    ::GetClientRect(window, &client);
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%s %ldx%ld %s %08llX", message("クライアント").c_str(), client.right,
                  client.bottom, message("ハンドル").c_str(),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    std::string line(static_cast<size_t>(depth * INDENT_PER_LEVEL), ' ');
    line.append(message("ウィンドウ")).append(" [").append(windowClassName(window));
    line.append("][").append(windowText(window)).append("] ").append(buffer);
    if (!::IsWindowVisible(window))
        line.append(" ").append(message("(非表示)"));
    return line + "\r\n";
}

bool sameFields(const WindowFields& read, const std::string& className, const std::string& title)
{
    return read.className == className && read.title == title;
}

// The line itself when the runner reads it back to these names and finds `window` with
// them; otherwise a note saying why not.
std::string checkedLine(const std::string& line, bool readsBack, HWND found, HWND window, const char* keyword,
                        const std::string& className, const std::string& title)
{
    if (!readsBack)
        return note(unreadableReason(className, title), keyword);
    if (found != window)
        return note("  ※ 同じクラスとテキストの別のウィンドウが先に見つかるため、%s 行ではこのウィンドウになりません。\r\n",
                    keyword);
    return line + "\r\n";
}

std::string processLine(HWND top)
{
    std::string className = windowClassName(top), title = windowText(top);
    std::string args = className + "," + title;
    WindowFields read;
    bool readsBack = parseProcessArgs(args, read) && sameFields(read, className, title);
    HWND found = readsBack ? findTopLevelWindow(0, className, title).handle : nullptr;
    return checkedLine("Process:" + args, readsBack, found, top, "Process", className, title);
}

std::string targetLine(HWND top, DWORD processId)
{
    std::string className = windowClassName(top), title = windowText(top);
    std::string args = className + "," + title;
    WindowFields read;
    bool readsBack = parseTargetArgs(args, read) && sameFields(read, className, title);
    HWND found = readsBack ? findTopLevelWindow(processId, className, title).handle : nullptr;
    return checkedLine("Target:" + args, readsBack, found, top, "Target", className, title);
}

// The index the Window search counts for this child: its place among the matches.
int searchIndex(const WindowRef& target, HWND child, const std::string& className, const std::string& title)
{
    std::vector<HWND> matches = findChildWindows(target, className, title);
    for (size_t i = 0; i < matches.size(); ++i) {
        if (matches[i] == child)
            return static_cast<int>(i);
    }
    return -1;
}

std::string innerLines(HWND top, HWND child, DWORD processId)
{
    WindowRef target{top, processId};
    std::string topClass = windowClassName(top), topTitle = windowText(top);
    std::string className = windowClassName(child), title = windowText(child);
    int index = searchIndex(target, child, className, title);
    if (index < 0)
        return message("  ※ 対象プロセスの外のウィンドウのため、Window 行では見つかりません。\r\n");
    std::string inner = className + "," + title + "," + std::to_string(index);

    WindowFields read;
    bool readsBack = parseWindowArgs(inner, read) && sameFields(read, className, title) && read.index == index;
    HWND found = readsBack ? findChildWindow(target, className, title, index).handle : nullptr;
    std::string lines = checkedLine("Window:" + inner, readsBack, found, child, "Window", className, title);

    std::string both = topClass + "," + topTitle + "," + inner;
    WindowFields outer;
    readsBack = parseTargetWindowArgs(both, outer, read) && sameFields(outer, topClass, topTitle) &&
                sameFields(read, className, title) && read.index == index;
    found = nullptr;
    if (readsBack && findTopLevelWindow(processId, topClass, topTitle).handle == top)
        found = findChildWindow(target, className, title, index).handle;
    lines += checkedLine("TargetWindow:" + both, readsBack, found, child, "TargetWindow", className + topClass,
                         title + topTitle);
    return lines;
}

struct Descendant {
    HWND window;
    int depth;
};

// Every window inside top in the order the searches visit them, with its nesting depth.
std::vector<Descendant> descendants(HWND top)
{
    std::vector<Descendant> found;
    auto visit = [](HWND window, LPARAM param) -> BOOL {
        auto* list = reinterpret_cast<std::vector<Descendant>*>(param);
        list->push_back({window, 0});
        return TRUE;
    };
    ::EnumChildWindows(top, visit, reinterpret_cast<LPARAM>(&found));
    for (Descendant& d : found) {
        for (HWND parent = ::GetParent(d.window); parent && parent != top; parent = ::GetParent(parent))
            ++d.depth;
        ++d.depth;
    }
    return found;
}

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
        if (owner == c->processId)
            c->windows.push_back(window);
        return TRUE;
    };
    ::EnumWindows(visit, reinterpret_cast<LPARAM>(&collect));
    return collect.windows;
}
} // namespace

std::string message(const char* utf8) { return ansiFromUtf8(utf8); }

std::string processHeadline(DWORD processId, const std::string& exeName)
{
    return message("プロセス") + " " + std::to_string(processId) + " (" + exeName + ")\r\n";
}

std::string describeTopLevel(HWND top, DWORD processId)
{
    return headline(top, 0) + processLine(top) + targetLine(top, processId);
}

std::string describeChild(HWND top, HWND child, DWORD processId, int depth)
{
    return headline(child, depth) + innerLines(top, child, processId);
}

std::string describeProcessWindows(DWORD processId)
{
    std::string text;
    for (HWND top : topLevelWindows(processId)) {
        text += describeTopLevel(top, processId);
        for (const Descendant& d : descendants(top))
            text += describeChild(top, d.window, processId, d.depth);
    }
    return text;
}

} // namespace vorn::find
