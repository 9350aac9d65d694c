// What a kit check found: one line per finding in the form
// FILE:LINE:COLUMN: error|warning CODE: text, the plan lines and a summary.
#pragma once
#include <string>
#include <vector>

// Where a finding lies: a file of the kit (relative to the kit folder) and a
// 1-based line and column, 0 where none applies.
struct CPlace {
    std::wstring file;
    long line = 0;
    long column = 0;
};

struct CFinding {
    CPlace place;
    bool isError = false;
    std::wstring code;
    std::wstring text;
};

class CCheckReport {
public:
    void Error(const CPlace& place, const wchar_t* code, const std::wstring& text);
    void Warning(const CPlace& place, const wchar_t* code, const std::wstring& text);
    void Plan(const std::wstring& line) { planLines_.push_back(line); }

    int ErrorCount() const;
    int WarningCount() const;
    const std::vector<CFinding>& Findings() const { return findings_; }
    // Every finding in order, then the plan, then the summary line.
    std::vector<std::wstring> Lines() const;

private:
    std::vector<CFinding> findings_;
    std::vector<std::wstring> planLines_;
};

std::wstring FormatFinding(const CFinding& finding);
