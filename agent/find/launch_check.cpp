#include "launch_check.h"

#include <windows.h>

#include "mbcs_text.h"

namespace vorn::find {

namespace {
bool isPath(const std::string& name)
{
    return findChar(name, '\\') != std::string::npos || findChar(name, '/') != std::string::npos ||
           findChar(name, ':') != std::string::npos;
}

bool isFile(const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool programExists(const std::string& name)
{
    if (name.empty())
        return false;
    if (isPath(name))
        return isFile(name) || isFile(name + ".exe");
    char found[MAX_PATH] = {};
    return ::SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr) > 0;
}
} // namespace

std::string launchedProgram(const std::string& command)
{
    size_t start = 0;
    while (start < command.size() && (command[start] == ' ' || command[start] == '\t'))
        ++start;
    if (start < command.size() && command[start] == '"') {
        size_t close = findChar(command, '"', start + 1);
        return command.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
    }
    // A blank byte is never part of a double-byte character.
    size_t end = command.find_first_of(" \t", start);
    return command.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool launchTargetExists(const std::string& command)
{
    std::string program = launchedProgram(command);
    if (programExists(program))
        return true;
    if (command.find('"') != std::string::npos)
        return false;
    for (size_t blank = findChar(command, ' '); blank != std::string::npos; blank = findChar(command, ' ', blank + 1)) {
        if (programExists(command.substr(0, blank)))
            return true;
    }
    return programExists(command);
}

} // namespace vorn::find
