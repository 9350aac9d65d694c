// The record of the latest check of a PC against its data file:
// log\<digest>-verify.txt, code page 932, CR LF, replaced at every check.
// Its first line holds the time and its "結果: " line the counts, which the
// fleet report shows.
#pragma once
#include <string>
#include <vector>

constexpr const wchar_t* VERIFY_TIME_LABEL = L"検証日時: ";
constexpr const wchar_t* VERIFY_RESULT_LABEL = L"結果: ";

// "<logFolder>\\<digest>-verify.txt".
std::wstring VerifyLogPath(const std::wstring& logFolder, const std::wstring& digest);

// Replaces the file with the lines; false with the Win32 error on failure.
bool WriteVerifyLog(const std::wstring& path, const std::vector<std::wstring>& lines, unsigned long& error);

struct VerifySummary {
    std::wstring time;   // local time of the check, "YYYY/MM/DD hh:mm:ss"
    int differences = 0; // 相違
    int changes = 0;     // 変化
    int readFailures = 0;
};

// Reads the time and the counts of a PC's latest check; false when the PC
// was never checked or the file is not such a record. Opens the file with
// full sharing, so that a check writing it meanwhile is never disturbed.
bool ReadVerifySummary(const std::wstring& path, VerifySummary& summary);

// The summary in one cell: "2026/12/08 21:00:00 相違 1 変化 0", with
// " 読み取り失敗 N" added when a read failed.
std::wstring VerifyCellText(const VerifySummary& summary);
