// The program that a script's launch line starts, looked for as the system would look
// for it when the runner starts the line.
#pragma once
#include <string>

namespace vorn::find {

// The first word of the line, or the quoted name it starts with; empty for a blank line.
std::string launchedProgram(const std::string& command);

// True when the launch line names a file that exists: a path as it is (".exe" may be left
// off), a bare name in the program's folder, the current folder, the system folders or PATH.
// An unquoted name with blanks is tried at every blank, as the system tries it.
bool launchTargetExists(const std::string& command);

} // namespace vorn::find
