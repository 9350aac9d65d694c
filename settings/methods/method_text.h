// Text helpers shared by the catalogue and its executors.
#pragma once
#include <string>
#include <string_view>

// The text converted to the system ANSI code page and back, so characters
// that code page cannot hold come out replaced (usually by '?').
std::wstring AnsiRoundTrip(const std::wstring& text);

// Bytes in the system ANSI code page (0), or in the code page given, as wide text.
std::wstring AnsiToWide(std::string_view bytes, unsigned codePage = 0);

// The text in the system ANSI code page; characters it cannot hold come out replaced.
std::string WideToAnsi(const std::wstring& text);

// The Japanese code page the tool's own text files are written in.
constexpr unsigned JAPANESE_CODE_PAGE = 932;

// The text as the tool's text files hold it: each line feed as CR LF, in the
// Japanese code page, no byte-order mark. With `exact`, a character that has
// no form in that code page makes it false (no substitute is accepted);
// otherwise such characters come out replaced. False also when nothing converts.
bool JapaneseTextLines(const std::wstring& text, bool exact, std::string& bytes);

// Every occurrence of `token` replaced by `replacement`, case-sensitively.
// Inserted text is not searched again, so a replacement holding its own
// token cannot loop.
void ReplaceAll(std::wstring& text, const std::wstring& token, const std::wstring& replacement);

// Writes the text and CR LF to standard output as ANSI bytes. A window
// program usually has no standard output; then nothing is written.
void WriteOutputLine(const std::wstring& text);
