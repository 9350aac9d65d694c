// The script language's vocabulary: every command, how its arguments are split and read,
// and which values can never work. The interpreter dispatches through this table and the
// script checker reads the same entries, so the two cannot disagree about a line.
#pragma once
#include <climits>
#include <string>
#include <vector>

namespace vorn {

enum class Command {
    Process, Target, Window, TargetWindow, MouseRandom, Focus, Tab, Enter, Space, Sleep, Click, SetTimeout,
    WaitPixel, Assert, Paste, Text, Select, ComboSelect, ComboFind, Screenshot,
};

enum class FieldKind {
    Text,        // taken as written
    Number,      // decimal, read as atoi reads it
    Colour,      // hexadecimal COLORREF, read as strtol reads base 16
    ColourRange, // colour, or colour-colour (the bounds are put in order)
};

// What a value outside a field's limits does when the line runs.
enum class OutOfRange {
    Fails,        // the step always fails (or its window is never found)
    NeverMatches, // the test can never see it: the line always succeeds
    Ignored,      // the runner treats it as the nearest allowed value
};

struct FieldRule {
    const char* name; // UTF-8, as messages name the field
    FieldKind kind = FieldKind::Text;
    bool mayBeEmpty = true;
    long long minimum = LLONG_MIN; // numbers and colours (a range's lower bound)
    long long maximum = LLONG_MAX; // numbers, colours; for a text its length in bytes
    OutOfRange outside = OutOfRange::Fails;
};

// What must exist before the line can work.
enum class Needs {
    Nothing,
    Process,       // a target process (a Process line before it)
    Window,        // a current window
    WindowToPress, // a current window when the count is above 0
};

struct CommandRule {
    Command command;
    const char* keyword;            // compared ignoring letter case
    std::vector<FieldRule> fields;  // separated by ','; the last takes the rest of the line
    bool lastOptional = false;      // the last field and its comma may be left out
    bool argumentsIgnored = false;  // anything after ':' is accepted and not used
    bool takesVariable = false;     // "{name}" in the argument names a variable
    Needs needs = Needs::Nothing;
    // A press or click waits (up to the step's limit) until the window is enabled, and
    // fails if it never is: a person cannot press a disabled button either.
    bool waitsUntilEnabled = false;
};

// The commands in the order the interpreter tries them.
const std::vector<CommandRule>& commandTable();
const CommandRule& commandRule(Command command);
// The rule whose keyword equals this one ignoring letter case; null for an unknown keyword.
const CommandRule* findCommand(const std::string& keyword);

// A line's arguments as the rule splits them.
struct Arguments {
    std::vector<std::string> fields; // as written; an optional last field left out is absent
    bool isVariable = false;         // a "{name}" reference (commands that take one)
    std::string variableName;

    bool has(size_t i) const { return i < fields.size(); }
    std::string text(size_t i) const { return has(i) ? fields[i] : std::string(); }
    int number(size_t i) const;
    unsigned long colour(size_t i) const;
};

// Splits the argument text by the rule's fields. False when a separator is missing or a
// field that may not be empty is empty: the command then does nothing.
bool splitArguments(const CommandRule& rule, const std::string& args, Arguments& out);

// "low-high" or one colour; the bounds in order (compared as unsigned 32-bit values).
void readColourRange(const std::string& field, unsigned long& low, unsigned long& high);

// The form of the arguments for messages, e.g. "クラス,テキスト[,番号]" (UTF-8).
std::string argumentForm(const CommandRule& rule);

} // namespace vorn
