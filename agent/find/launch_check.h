// The program that a script's launch line starts, looked for as the system would look
// for it when the runner starts the line.
#pragma once
#include <string>

namespace vorn::find {

// The first word of the line, or the quoted name it starts with; empty for a blank line.
std::string launchedProgram(const std::string& command);

// The file the launch line starts, when it exists: a path as it is (".exe" may be left
// off), a bare name in the program's folder, the current folder, the system folders or
// PATH. An unquoted name with blanks is tried at every blank, as the system tries it.
// Empty when there is none.
std::string launchTarget(const std::string& command);

// True when the system can start the file as a program: an executable image, or a batch
// file, which the system runs through the command processor. A document (.msi, .txt)
// cannot be started by name: the launch fails with error 193 (c1).
bool isStartable(const std::string& path);

} // namespace vorn::find
