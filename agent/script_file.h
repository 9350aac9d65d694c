// Loading a script file: the launch command and the command lines after it.
#pragma once
#include <string>
#include <vector>

namespace vorn {

// How the file's bytes were read: by its byte-order mark, or as ANSI text without one.
enum class ScriptEncoding { Ansi, Utf8, Utf16LittleEndian, Utf16BigEndian };

struct ScriptFile {
    std::string launchCommand;         // the first line, taken as it is
    std::vector<std::string> commands; // later lines, comments and empty lines dropped, not trimmed
    std::vector<size_t> lineNumbers;   // the file's line number (from 1) of each command
    ScriptEncoding encoding = ScriptEncoding::Ansi;
    // Lines (numbers from 1) of a marked file holding characters that the ANSI code page
    // has no form for: they are read with '?' in their place.
    std::vector<size_t> lossyLines;
};

// False when the file cannot be opened or read. CR LF, LF and CR each end one line. A file
// that starts with a UTF-8 or UTF-16 byte-order mark is converted to the ANSI code page;
// one without a mark is taken as ANSI bytes.
bool loadScript(const std::string& path, ScriptFile& script);

// The file's bytes as they are; false when it cannot be opened or read.
bool readScriptBytes(const std::string& path, std::string& bytes);

// Splits text into lines at CR LF, LF and CR; a last line without an end counts.
std::vector<std::string> splitLines(const std::string& text);

// A kept command line: not empty and not starting with ';'.
bool isCommandLine(const std::string& line);

} // namespace vorn
