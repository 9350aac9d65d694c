// Checking a script before it runs: what the runner will do with each line, and every
// line that will do nothing or always fail.
#pragma once
#include <string>

namespace vorn::find {

struct CheckReport {
    std::string text; // in the ANSI code page, lines ending with CR LF
    int errors = 0;
    int warnings = 0;
    bool clean() const { return errors == 0 && warnings == 0; }
};

// Reads the script as the runner does. False when the file cannot be opened.
bool checkScript(const std::string& path, CheckReport& report);

} // namespace vorn::find
