// The record a failed run leaves beside its failure screenshot: the line that failed, its
// number, the result code and the windows that were there, so that the author can see
// what the program showed instead of what the script expected.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace vorn {

struct FailureRecord {
    std::string scriptPath;
    size_t lineNumber = 0;
    std::string line;
    int resultCode = 0;
    DWORD targetProcessId = 0;             // 0: no target was found
    std::vector<DWORD> startedProcesses;   // listed when there is no target
    HWND currentWindow = nullptr;
};

// The record's text in the ANSI code page, lines ending with CR LF.
std::string failureRecordText(const FailureRecord& record);

// Writes the text to path; false (and nothing written) when the file cannot be created.
bool writeFailureRecord(const std::string& path, const FailureRecord& record);

} // namespace vorn
