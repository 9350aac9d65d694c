// Lines to standard output: a console gets the wide text itself (so every
// character shows whatever the console's code page), a pipe or file gets
// the bytes of the ANSI code page (932 on a Japanese PC), like the log files.
#pragma once
#include <string>
#include <vector>

void WriteConsoleLine(const std::wstring& line);
// Many lines at once: written in large blocks rather than line by line, so a
// report of thousands of findings costs one write per block, not per line.
void WriteConsoleLines(const std::vector<std::wstring>& lines);
