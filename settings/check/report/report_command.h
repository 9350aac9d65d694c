// peltacheck --report [FOLDER] [--out DIR]: the state of every PC of a kit in
// DIR\report.csv and DIR\report.html, and a summary on the console.
#pragma once
#include <string>
#include <vector>

// Exit codes besides those of the kit check (0 every PC 完了, 1 any other,
// 2 the folder cannot be read or the command line is wrong).
constexpr int REPORT_ALL_DONE = 0;
constexpr int REPORT_NOT_ALL_DONE = 1;
constexpr int REPORT_NO_FOLDER = 2;
constexpr int REPORT_NOT_WRITTEN = 3; // DIR cannot be written, or lies in the kit

// True when the command line asks for the report.
bool WantsReport(int argc, wchar_t** argv);

// Runs the report; `programFolder` is the default kit folder.
int RunReport(int argc, wchar_t** argv, const std::wstring& programFolder);
