#include "window_lines.h"

#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "mbcs_text.h"
#include "program_lookup.h"
#include "script_line.h"
#include "window_list.h"
#include "window_search.h"

namespace vorn::find {

namespace {
constexpr int INDENT_PER_LEVEL = 4;
using Names = std::pair<std::string, std::string>; // class and text

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

std::string headline(const ListedWindow& w)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%s %ldx%ld %s %08llX", message("クライアント").c_str(), w.client.cx,
                  w.client.cy, message("ハンドル").c_str(),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(w.handle)));
    std::string line(static_cast<size_t>(w.depth * INDENT_PER_LEVEL), ' ');
    line.append(message("ウィンドウ")).append(" [").append(w.className);
    line.append("][").append(w.text).append("] ").append(buffer);
    line.append(" ").append(message(w.visible ? "表示" : "非表示"));
    line.append(" ").append(message(w.enabled ? "有効" : "無効"));
    return line + "\r\n";
}

bool sameFields(const WindowFields& read, const std::string& className, const std::string& title)
{
    return read.className == className && read.title == title;
}

// The line itself when the runner reads it back to these names and finds the window with
// them; otherwise a note saying why not.
std::string checkedLine(const std::string& line, bool readsBack, bool findsIt, const char* keyword,
                        const std::string& className, const std::string& title)
{
    if (!readsBack)
        return note(unreadableReason(className, title), keyword);
    if (!findsIt)
        return note("  ※ 同じクラスとテキストの別のウィンドウが先に見つかるため、%s 行ではこのウィンドウになりません。\r\n",
                    keyword);
    return line + "\r\n";
}

// The top-level windows read once: the first of each class and text, over all processes
// (what Process finds) and within each process (what Target finds).
class TopLevelIndex {
public:
    TopLevelIndex()
    {
        for (HWND top : topLevelWindows(0)) {
            ListedWindow w = describeWindow(top);
            firstAny.emplace(Names{w.className, w.text}, top);
            firstOwn.emplace(std::make_pair(w.processId, Names{w.className, w.text}), top);
            windows.push_back(std::move(w));
        }
    }
    bool processFinds(const ListedWindow& w) const { return firstAny.at({w.className, w.text}) == w.handle; }
    bool targetFinds(const ListedWindow& w, DWORD processId) const
    {
        auto found = firstOwn.find({processId, {w.className, w.text}});
        return found != firstOwn.end() && found->second == w.handle;
    }
    std::vector<ListedWindow> windows;

private:
    std::map<Names, HWND> firstAny;
    std::map<std::pair<DWORD, Names>, HWND> firstOwn;
};

std::string processLine(const ListedWindow& top, const TopLevelIndex& index)
{
    std::string args = top.className + "," + top.text;
    WindowFields read;
    bool readsBack = parseProcessArgs(args, read) && sameFields(read, top.className, top.text);
    return checkedLine("Process:" + args, readsBack, readsBack && index.processFinds(top), "Process", top.className,
                       top.text);
}

std::string targetLine(const ListedWindow& top, DWORD processId, const TopLevelIndex& index)
{
    std::string args = top.className + "," + top.text;
    WindowFields read;
    bool readsBack = parseTargetArgs(args, read) && sameFields(read, top.className, top.text);
    return checkedLine("Target:" + args, readsBack, readsBack && index.targetFinds(top, processId), "Target",
                       top.className, top.text);
}

std::string topLevelText(const ListedWindow& top, DWORD processId, const TopLevelIndex& index)
{
    return headline(top) + processLine(top, index) + targetLine(top, processId, index);
}

// The Window and TargetWindow lines of a window inside top. Its index counts the windows
// before it in the very order, filter and comparison of the runner's Window search, so the
// line finds it.
std::string innerLines(const ListedWindow& top, bool targetFindsTop, const ListedWindow& child)
{
    if (child.index < 0)
        return message("  ※ 対象プロセスの外のウィンドウのため、Window 行では見つかりません。\r\n");
    std::string inner = child.className + "," + child.text + "," + std::to_string(child.index);
    WindowFields read;
    bool readsBack = parseWindowArgs(inner, read) && sameFields(read, child.className, child.text) &&
                     read.index == child.index;
    std::string lines = checkedLine("Window:" + inner, readsBack, true, "Window", child.className, child.text);

    std::string both = top.className + "," + top.text + "," + inner;
    WindowFields outer;
    readsBack = parseTargetWindowArgs(both, outer, read) && sameFields(outer, top.className, top.text) &&
                sameFields(read, child.className, child.text) && read.index == child.index;
    lines += checkedLine("TargetWindow:" + both, readsBack, targetFindsTop, "TargetWindow",
                         child.className + top.className, child.text + top.text);
    return lines;
}

const ListedWindow* findListed(const std::vector<ListedWindow>& list, HWND window)
{
    for (const ListedWindow& w : list) {
        if (w.handle == window)
            return &w;
    }
    return nullptr;
}
} // namespace

std::string message(const char* utf8) { return ansiFromUtf8(utf8); }

std::string processHeadline(DWORD processId, const std::string& exeName)
{
    return message("プロセス") + " " + std::to_string(processId) + " (" + exeName + ")\r\n";
}

std::string describeTopLevel(HWND top, DWORD processId)
{
    TopLevelIndex index;
    const ListedWindow* listed = findListed(index.windows, top);
    return topLevelText(listed ? *listed : describeWindow(top), processId, index);
}

std::string describeChild(HWND top, HWND child, DWORD processId)
{
    TopLevelIndex index;
    ListedWindow topWindow = describeWindow(top);
    std::vector<ListedWindow> inside = listDescendants(top, processId);
    const ListedWindow* listed = findListed(inside, child);
    if (!listed)
        return {};
    return headline(*listed) + innerLines(topWindow, index.targetFinds(topWindow, processId), *listed);
}

std::string describeProcessWindows(DWORD processId)
{
    TopLevelIndex index;
    std::string text;
    for (const ListedWindow& top : index.windows) {
        if (top.processId != processId)
            continue;
        text += topLevelText(top, processId, index);
        bool targetFindsTop = index.targetFinds(top, processId);
        for (const ListedWindow& child : listDescendants(top.handle, processId))
            text += headline(child) + innerLines(top, targetFindsTop, child);
    }
    return text;
}

std::string describeAllTopLevelWindows()
{
    TopLevelIndex index;
    std::map<DWORD, std::string> names;
    for (const ProgramProcess& p : runningPrograms())
        names[p.id] = p.exeName;
    std::vector<DWORD> order;
    std::map<DWORD, std::string> windows;
    for (const ListedWindow& top : index.windows) {
        if (!windows.count(top.processId))
            order.push_back(top.processId);
        windows[top.processId] += headline(top) + processLine(top, index);
    }
    std::string text;
    for (DWORD id : order)
        text += processHeadline(id, names[id]) + windows[id];
    return text;
}

} // namespace vorn::find
