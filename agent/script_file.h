// Loading a script file: the launch command and the command lines after it.
#pragma once
#include <string>
#include <vector>

namespace vorn {

struct ScriptFile {
    std::string launchCommand;         // the first line, taken as it is
    std::vector<std::string> commands; // later lines, comments and empty lines dropped, not trimmed
    std::vector<size_t> lineNumbers;   // the file's line number (from 1) of each command
};

// False when the file cannot be opened. CR LF and LF both end a line.
bool loadScript(const std::string& path, ScriptFile& script);

// A kept command line: not empty and not starting with ';'.
bool isCommandLine(const std::string& line);

} // namespace vorn
