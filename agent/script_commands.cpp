#include "script_commands.h"

#include <cstdint>
#include <utility>

#include "control_ops.h"
#include "mbcs_text.h"
#include "script_line.h"

namespace vorn {

namespace {
constexpr long long NO_COLOUR_ABOVE = 0xFFFFFF; // a pixel never reads a higher COLORREF

FieldRule text(const char* name) { return {name, FieldKind::Text}; }
FieldRule requiredText(const char* name) { return {name, FieldKind::Text, false}; }
FieldRule number(const char* name) { return {name, FieldKind::Number}; }
FieldRule index() { return {"番号", FieldKind::Number, true, 0}; }
FieldRule sentText() { return {"テキスト", FieldKind::Text, true, LLONG_MIN, TEXT_READ_BACK_LIMIT}; }
FieldRule clickPosition(const char* name, bool mayBeEmpty)
{
    return {name, FieldKind::Number, mayBeEmpty, 0, MAX_CLIENT_COORDINATE};
}
FieldRule pixelPosition(const char* name, bool mayBeEmpty, OutOfRange outside)
{
    return {name, FieldKind::Number, mayBeEmpty, 0, LLONG_MAX, outside};
}

std::vector<CommandRule> buildTable()
{
    FieldRule count = number("回数");
    return {
        {Command::Process, "Process", {requiredText("クラス"), text("テキスト")}},
        {Command::Target, "Target", {text("クラス"), text("テキスト")}, false, false, false, Needs::Process},
        {Command::Window, "Window", {text("クラス"), text("テキスト"), index()}, true, false, false, Needs::Process},
        {Command::TargetWindow, "TargetWindow",
         {text("クラス"), text("テキスト"), text("クラス"), text("テキスト"), index()}, true, false, false,
         Needs::Process},
        {Command::MouseRandom, "MOUSERANDOM", {}, false, true},
        {Command::Focus, "FOCUS", {}, false, true},
        {Command::Tab, "TAB", {count}, false, false, false, Needs::WindowToPress},
        {Command::Enter, "ENTER", {count}, false, false, false, Needs::WindowToPress},
        {Command::Space, "SPACE", {count}, false, false, false, Needs::WindowToPress, true},
        {Command::Sleep, "Sleep", {{"ミリ秒", FieldKind::Number, true, 0, LLONG_MAX, OutOfRange::Ignored}}},
        {Command::Click, "Click", {clickPosition("x", false), clickPosition("y", true)}, false, false, false,
         Needs::Window, true},
        {Command::SetTimeout, "SetTimeout", {number("ミリ秒")}},
        {Command::WaitPixel, "WaitPixel",
         {pixelPosition("x", false, OutOfRange::Fails), pixelPosition("y", true, OutOfRange::Fails),
          {"色", FieldKind::ColourRange, true, LLONG_MIN, NO_COLOUR_ABOVE}},
         false, false, false, Needs::Window},
        {Command::Assert, "Assert",
         {pixelPosition("x", false, OutOfRange::NeverMatches), pixelPosition("y", true, OutOfRange::NeverMatches),
          {"色", FieldKind::Colour, true, LLONG_MIN, NO_COLOUR_ABOVE, OutOfRange::NeverMatches}},
         false, false, false, Needs::Window},
        {Command::Paste, "Paste", {sentText()}, false, false, true, Needs::Window},
        {Command::Text, "Text", {sentText()}, false, false, true, Needs::Window},
        {Command::Select, "SELECT", {count}, false, false, true, Needs::WindowToPress},
        {Command::ComboSelect, "COMBOBOXSELECT", {{"番号", FieldKind::Number, true, 0}}, false, false, true,
         Needs::Window},
        {Command::ComboFind, "COMBOBOXFIND", {text("項目")}, false, false, true, Needs::Window},
        {Command::Screenshot, "SS", {}, false, true},
    };
}
} // namespace

const std::vector<CommandRule>& commandTable()
{
    static const std::vector<CommandRule> table = buildTable();
    return table;
}

const CommandRule& commandRule(Command command)
{
    for (const CommandRule& rule : commandTable()) {
        if (rule.command == command)
            return rule;
    }
    return commandTable().front(); // every command has an entry
}

const CommandRule* findCommand(const std::string& keyword)
{
    for (const CommandRule& rule : commandTable()) {
        if (equalsNoCase(keyword, rule.keyword))
            return &rule;
    }
    return nullptr;
}

int Arguments::number(size_t i) const { return readNumber(text(i)); }

unsigned long Arguments::colour(size_t i) const { return readColour(text(i)); }

bool splitArguments(const CommandRule& rule, const std::string& args, Arguments& out)
{
    out = {};
    if (rule.argumentsIgnored)
        return true;
    if (rule.takesVariable)
        out.isVariable = variableReference(args, out.variableName);
    std::string rest = args;
    size_t count = rule.fields.size();
    for (size_t i = 0; i + 1 < count; ++i) {
        size_t comma = findChar(rest, ',');
        if (comma == std::string::npos) {
            if (!(rule.lastOptional && i + 2 == count))
                return false;
            break;
        }
        out.fields.push_back(rest.substr(0, comma));
        rest = rest.substr(comma + 1);
    }
    if (count > 0)
        out.fields.push_back(rest);
    for (size_t i = 0; i < out.fields.size(); ++i) {
        if (!rule.fields[i].mayBeEmpty && out.fields[i].empty())
            return false;
    }
    return true;
}

void readColourRange(const std::string& field, unsigned long& low, unsigned long& high)
{
    size_t dash = findChar(field, '-');
    if (dash == std::string::npos) {
        low = high = readColour(field);
        return;
    }
    low = readColour(field.substr(0, dash));
    high = readColour(field.substr(dash + 1));
    if (static_cast<uint32_t>(low) > static_cast<uint32_t>(high))
        std::swap(low, high);
}

std::string argumentForm(const CommandRule& rule)
{
    std::string form;
    for (size_t i = 0; i < rule.fields.size(); ++i) {
        bool optional = rule.lastOptional && i + 1 == rule.fields.size();
        if (optional)
            form += "[";
        if (i > 0)
            form += ",";
        form += rule.fields[i].name;
        if (optional)
            form += "]";
    }
    for (const FieldRule& field : rule.fields) {
        if (!field.mayBeEmpty)
            form = form + " (" + field.name + " は空にできません)";
    }
    return form;
}

} // namespace vorn
