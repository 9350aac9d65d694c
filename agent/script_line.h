// Splitting a script command line, and the window fields of the search commands read
// through the command table; shared with vornfind so both agree on every line.
#pragma once
#include <string>

namespace vorn {

// A window named by class, exact text and the index of the match (0 when not written).
struct WindowFields {
    std::string className;
    std::string title;
    int index = 0;
};

// "Keyword:arguments": false when the line has no ':' or starts with one.
bool splitCommandLine(const std::string& line, std::string& keyword, std::string& args);

// "class,title" of Process: false without a comma or with an empty class.
bool parseProcessArgs(const std::string& args, WindowFields& window);
// "class,title" of Target: false without a comma.
bool parseTargetArgs(const std::string& args, WindowFields& window);
// "class,title[,index]" of Window: false without a comma.
bool parseWindowArgs(const std::string& args, WindowFields& window);
// "class,title,class,title[,index]" of TargetWindow: false with fewer than three commas.
bool parseTargetWindowArgs(const std::string& args, WindowFields& outer, WindowFields& inner);

// True when the argument refers to a variable ("{name}" anywhere in it); name is then set.
bool variableReference(const std::string& args, std::string& name);

} // namespace vorn
