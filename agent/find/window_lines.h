// The script lines that find a given window, each checked against the runner's own line
// parsing and window search order before it is printed.
#pragma once
#include <windows.h>
#include <string>

namespace vorn::find {

// Text for the console: the message (UTF-8 in the sources) in the ANSI code page.
std::string message(const char* utf8);

// "プロセス id (exe)": the heading of a process's windows.
std::string processHeadline(DWORD processId, const std::string& exeName);

// "{indent}ウィンドウ [class][text] クライアント WxH ハンドル H 表示 有効" and, unindented,
// the lines Process: and Target: that find the top-level window of process `processId`,
// with a note for each line that would not find it.
std::string describeTopLevel(HWND top, DWORD processId);

// The same for a window inside `top`: its Window: and TargetWindow: lines.
std::string describeChild(HWND top, HWND child, DWORD processId);

// Every top-level window of the process in search order, each followed by the windows
// inside it. Each window is read once: the time grows with the number of windows.
std::string describeProcessWindows(DWORD processId);

// Every top-level window of every process, each under its process's heading, with its
// Process: line; no windows inside.
std::string describeAllTopLevelWindows();

} // namespace vorn::find
