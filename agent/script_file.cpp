#include "script_file.h"

#include <cstdio>
#include <memory>

namespace vorn {

namespace {
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// Reads one line of any length; false at the end of the file with nothing read.
bool readLine(FILE* f, std::string& line)
{
    line.clear();
    int c = std::getc(f);
    if (c == EOF)
        return false;
    while (c != EOF && c != '\n') {
        line.push_back(static_cast<char>(c));
        c = std::getc(f);
    }
    return true;
}
} // namespace

bool isCommandLine(const std::string& line) { return !line.empty() && line[0] != ';'; }

bool loadScript(const std::string& path, ScriptFile& script)
{
    // Text mode: the runtime turns CR LF into LF.
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rt"));
    if (!file)
        return false;
    script = {};
    std::string line;
    if (!readLine(file.get(), script.launchCommand))
        return true;
    for (size_t number = 2; readLine(file.get(), line); ++number) {
        if (isCommandLine(line)) {
            script.commands.push_back(line);
            script.lineNumbers.push_back(number);
        }
    }
    return true;
}

} // namespace vorn
