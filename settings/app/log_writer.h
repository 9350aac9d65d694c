// The per-PC log: one time-stamped line per call, code page 932, CR LF,
// rotated once the file grows past 150 MiB.
#pragma once
#include <string>

// Process-wide log settings. Start-up sets them before the first line; the
// run button sets them again before it starts a worker.
extern std::wstring logFolder;   // "<exeDir>\\log"; never created by the tool
extern std::wstring logBaseName; // the PC's data file name (SHA-1 of its serial)
extern int lastLogError;         // OS error of the last failed write

// Size past which the log file is renamed to "<base>_<YYYYmmdd_HHMMSS>.txt".
constexpr long long LOG_ROTATE_BYTES = 157286400;

// Message callers show when they stop because the log cannot be written.
constexpr const wchar_t* LOG_FAILED_MESSAGE = L"ログ出力に失敗したため中断しました[0x%x]";

// Formats the message (wide printf; use %ls for wide string arguments) and
// appends "date time|0|message" CR LF. Returns false with lastLogError set
// when nothing could be written; a line is written whole or not at all.
bool WriteLog(const wchar_t* format, ...);

// The same, for a message already formatted.
bool WriteLogText(const std::wstring& message);
