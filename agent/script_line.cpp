#include "script_line.h"

#include "mbcs_text.h"

namespace vorn {

namespace {
std::string before(const std::string& text, size_t pos) { return text.substr(0, pos); }
std::string after(const std::string& text, size_t pos) { return text.substr(pos + 1); }

// Splits "title[,index]": without a further comma the whole text is the title and the index 0.
void splitTitleIndex(const std::string& rest, WindowFields& window)
{
    size_t comma = findChar(rest, ',');
    if (comma == std::string::npos) {
        window.title = rest;
        window.index = 0;
    } else {
        window.title = before(rest, comma);
        window.index = readNumber(after(rest, comma));
    }
}
} // namespace

bool splitCommandLine(const std::string& line, std::string& keyword, std::string& args)
{
    size_t colon = findChar(line, ':');
    if (colon == std::string::npos || colon == 0)
        return false;
    keyword = before(line, colon);
    args = after(line, colon);
    return true;
}

bool parseProcessArgs(const std::string& args, WindowFields& window)
{
    size_t comma = findChar(args, ',');
    return comma != 0 && parseTargetArgs(args, window);
}

bool parseTargetArgs(const std::string& args, WindowFields& window)
{
    size_t comma = findChar(args, ',');
    if (comma == std::string::npos)
        return false;
    window = {before(args, comma), after(args, comma), 0};
    return true;
}

bool parseWindowArgs(const std::string& args, WindowFields& window)
{
    size_t comma = findChar(args, ',');
    if (comma == std::string::npos)
        return false;
    window.className = before(args, comma);
    splitTitleIndex(after(args, comma), window);
    return true;
}

bool parseTargetWindowArgs(const std::string& args, WindowFields& outer, WindowFields& inner)
{
    std::string fields[3];
    std::string rest = args;
    for (std::string& field : fields) {
        size_t comma = findChar(rest, ',');
        if (comma == std::string::npos)
            return false;
        field = before(rest, comma);
        rest = after(rest, comma);
    }
    outer = {fields[0], fields[1], 0};
    inner.className = fields[2];
    splitTitleIndex(rest, inner);
    return true;
}

bool parseClickArgs(const std::string& args, std::string& x, std::string& y)
{
    size_t comma = findChar(args, ',');
    if (comma == std::string::npos || comma == 0)
        return false;
    x = before(args, comma);
    y = after(args, comma);
    return true;
}

bool parsePixelArgs(const std::string& args, std::string& x, std::string& y, std::string& colour)
{
    size_t first = findChar(args, ',');
    if (first == std::string::npos || first == 0)
        return false;
    size_t second = findChar(args, ',', first + 1);
    if (second == std::string::npos)
        return false;
    x = before(args, first);
    y = args.substr(first + 1, second - first - 1);
    colour = after(args, second);
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
