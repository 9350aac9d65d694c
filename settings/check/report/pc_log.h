// A PC's log as the report reads it: the time-stamped lines, with the lines
// that a command's output carried over into an "Error" line joined to it.
#pragma once
#include <string>
#include <vector>

struct CLogLine {
    std::wstring time;    // as logged: "2026/03/07 09:05:03"
    std::wstring message; // the text after "|0|"; continuation lines joined by "\n"
};

// Reads log\<digest>.txt with every kind of sharing (the PC may be writing
// it), as code page 932. False when the file cannot be opened.
bool ReadPcLog(const std::wstring& path, std::vector<CLogLine>& lines);

// Splits the text of a log into its lines (exposed for the tests' sake).
void SplitPcLog(const std::wstring& text, std::vector<CLogLine>& lines);

// The serial number of the PC's last start ("SerialNumber: %s"); empty when none.
std::wstring LoggedSerial(const std::vector<CLogLine>& lines);
