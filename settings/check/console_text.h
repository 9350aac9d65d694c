// Lines to standard output: a console gets the wide text itself (so every
// character shows whatever the console's code page), a pipe or file gets
// the bytes of the ANSI code page (932 on a Japanese PC), like the log files.
#pragma once
#include <string>

void WriteConsoleLine(const std::wstring& line);
