#include "launch_check.h"

#include <windows.h>

#include "mbcs_text.h"
#include "win32_handles.h"

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

std::string programFile(const std::string& name)
{
    if (name.empty())
        return {};
    if (isPath(name)) {
        if (isFile(name))
            return name;
        return isFile(name + ".exe") ? name + ".exe" : std::string();
    }
    char found[MAX_PATH] = {};
    return ::SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr) > 0 ? found : std::string();
}

bool endsWithNoCase(const std::string& text, const char* suffix)
{
    std::string end(suffix);
    return text.size() >= end.size() && equalsNoCase(text.substr(text.size() - end.size()), end);
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

std::string launchTarget(const std::string& command)
{
    std::string program = programFile(launchedProgram(command));
    if (!program.empty() || command.find('"') != std::string::npos)
        return program;
    for (size_t blank = findChar(command, ' '); blank != std::string::npos; blank = findChar(command, ' ', blank + 1)) {
        program = programFile(command.substr(0, blank));
        if (!program.empty())
            return program;
    }
    return programFile(command);
}

bool isStartable(const std::string& path)
{
    if (endsWithNoCase(path, ".bat") || endsWithNoCase(path, ".cmd"))
        return true;
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    char mark[2] = {};
    DWORD got = 0;
    return file.valid() && ::ReadFile(file.get(), mark, sizeof mark, &got, nullptr) && got == 2 && mark[0] == 'M' &&
           mark[1] == 'Z';
}

} // namespace vorn::find
