#include "script_line.h"

#include "mbcs_text.h"
#include "script_commands.h"

namespace vorn {

namespace {
bool windowArgs(Command command, const std::string& args, Arguments& fields)
{
    return splitArguments(commandRule(command), args, fields);
}
} // namespace

bool splitCommandLine(const std::string& line, std::string& keyword, std::string& args)
{
    size_t colon = findChar(line, ':');
    if (colon == std::string::npos || colon == 0)
        return false;
    keyword = line.substr(0, colon);
    args = line.substr(colon + 1);
    return true;
}

bool parseProcessArgs(const std::string& args, WindowFields& window)
{
    Arguments a;
    if (!windowArgs(Command::Process, args, a))
        return false;
    window = {a.text(0), a.text(1), 0};
    return true;
}

bool parseTargetArgs(const std::string& args, WindowFields& window)
{
    Arguments a;
    if (!windowArgs(Command::Target, args, a))
        return false;
    window = {a.text(0), a.text(1), 0};
    return true;
}

bool parseWindowArgs(const std::string& args, WindowFields& window)
{
    Arguments a;
    if (!windowArgs(Command::Window, args, a))
        return false;
    window = {a.text(0), a.text(1), a.number(2)};
    return true;
}

bool parseTargetWindowArgs(const std::string& args, WindowFields& outer, WindowFields& inner)
{
    Arguments a;
    if (!windowArgs(Command::TargetWindow, args, a))
        return false;
    outer = {a.text(0), a.text(1), 0};
    inner = {a.text(2), a.text(3), a.number(4)};
    return true;
}

bool variableReference(const std::string& args, std::string& name)
{
    size_t open = findChar(args, '{');
    size_t close = findChar(args, '}');
    if (args.empty() || open == std::string::npos || close == std::string::npos || close <= open)
        return false;
    name = args.substr(open + 1, close - open - 1);
    return true;
}

} // namespace vorn
