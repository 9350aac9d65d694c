#include "script_check.h"

#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "launch_check.h"
#include "mbcs_text.h"
#include "script_commands.h"
#include "script_file.h"
#include "script_line.h"
#include "window_lines.h"

namespace vorn::find {

namespace {
constexpr int PIXEL_POLL_MS = 500;
constexpr int START_PIXEL_TIMEOUT = 30000;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A number or colour field that the runner reads whole: blanks, a sign, (for colours an
// 0x prefix), digits, blanks, and nothing else.
bool readsWhole(const std::string& field, bool hex)
{
    size_t i = 0;
    while (i < field.size() && isBlank(field[i]))
        ++i;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        ++i;
    if (hex && i + 2 < field.size() && field[i] == '0' && (field[i + 1] == 'x' || field[i + 1] == 'X') &&
        isHexDigit(field[i + 2]))
        i += 2;
    size_t digits = i;
    while (i < field.size() && (hex ? isHexDigit(field[i]) : isDigit(field[i])))
        ++i;
    size_t end = i;
    while (i < field.size() && isBlank(field[i]))
        ++i;
    return end > digits && i == field.size();
}

bool hasHighBytes(const std::string& text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

bool validIn(UINT codePage, const std::string& text)
{
    return text.empty() || ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                                 static_cast<int>(text.size()), nullptr, 0) > 0;
}

// Text saved as UTF-8 without a mark, which the runner reads as ANSI bytes: valid UTF-8
// beyond ASCII and not valid in the ANSI code page.
bool unmarkedUtf8(const std::string& bytes)
{
    return ::GetACP() != CP_UTF8 && hasHighBytes(bytes) && validIn(CP_UTF8, bytes) && !validIn(CP_ACP, bytes);
}

std::string printed(const char* utf8Format, const std::string& a = {}, const std::string& b = {},
                    const std::string& c = {}, const std::string& d = {})
{
    std::string format = message(utf8Format);
    std::vector<char> buffer(format.size() + a.size() + b.size() + c.size() + d.size() + 64);
    std::snprintf(buffer.data(), buffer.size(), format.c_str(), a.c_str(), b.c_str(), c.c_str(), d.c_str());
    return buffer.data();
}

std::string hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06lx", value);
    return text;
}

std::string rangeText(const FieldRule& rule)
{
    if (rule.maximum == LLONG_MAX)
        return printed("%s 以上", std::to_string(rule.minimum));
    if (rule.minimum == LLONG_MIN)
        return printed("%s 以下", rule.kind == FieldKind::Number ? std::to_string(rule.maximum)
                                                               : hex(static_cast<unsigned long>(rule.maximum)));
    return printed("%s から %s", std::to_string(rule.minimum), std::to_string(rule.maximum));
}

class Checker {
public:
    explicit Checker(CheckReport& report) : report(report) {}

    void encoding(const ScriptFile& script, const std::string& bytes);
    void launchLine(const std::string& command);
    void finish() { notesUpTo(SIZE_MAX); }
    void commandLine(size_t number, const std::string& line);

private:
    void say(const std::string& text) { report.text += std::to_string(lineNumber) + ": " + text + "\r\n"; }
    void error(const std::string& text)
    {
        ++report.errors;
        say(message("エラー: ") + text);
    }
    void warning(const std::string& text)
    {
        ++report.warnings;
        say(message("警告: ") + text);
    }

    void notesUpTo(size_t number);
    std::string describe(const CommandRule& rule, const Arguments& args) const;
    void checkField(const FieldRule& rule, const std::string& field);
    void checkLimit(const FieldRule& rule, const std::string& field, long long value, const std::string& shown);
    void checkNeeds(const CommandRule& rule, const Arguments& args);
    void checkCommand(const CommandRule& rule, const Arguments& args);
    void follow(const CommandRule& rule, bool given, const Arguments& args);

    CheckReport& report;
    size_t lineNumber = 1;
    bool hasProcess = false;
    bool hasTarget = false;
    bool hasCurrent = false;
    int pixelTimeout = START_PIXEL_TIMEOUT;
    std::map<size_t, std::vector<std::string>> pending; // warnings about the file's text
};

void Checker::encoding(const ScriptFile& script, const std::string& bytes)
{
    // Only lines that run matter: a comment is never compared with anything.
    std::set<size_t> running(script.lineNumbers.begin(), script.lineNumbers.end());
    running.insert(1);
    for (size_t number : script.lossyLines) {
        if (running.count(number))
            pending[number].push_back(
                message("ANSI (シフト JIS) にない文字があり、「?」として読まれます。ウィンドウのテキストは一致しません"));
    }
    if (script.encoding != ScriptEncoding::Ansi || !unmarkedUtf8(bytes))
        return;
    std::vector<std::string> lines = splitLines(bytes);
    size_t first = 0;
    for (size_t number = 1; number <= lines.size() && !first; ++number) {
        if (running.count(number) && hasHighBytes(lines[number - 1]))
            first = number;
    }
    pending[first ? first : 1].push_back(
        message("BOM のない UTF-8 のファイルです。vornrun は ANSI (シフト JIS) として読むため、"
                "日本語が一致しません。UTF-8 (BOM 付き) か ANSI で保存してください"));
}

// The notes about the file's text up to this line, in line order (a comment line that
// held such text has its note before the next line that runs).
void Checker::notesUpTo(size_t number)
{
    while (!pending.empty() && pending.begin()->first <= number) {
        lineNumber = pending.begin()->first;
        for (const std::string& text : pending.begin()->second)
            warning(text);
        pending.erase(pending.begin());
    }
    lineNumber = number;
}

void Checker::launchLine(const std::string& command)
{
    lineNumber = 1;
    say(message("起動: ") + command);
    notesUpTo(1);
    std::string program = launchedProgram(command);
    if (program.empty())
        return warning(message("起動するプログラムがありません"));
    std::string file = launchTarget(command);
    if (file.empty())
        warning(printed("起動するファイル「%s」が見つかりません (実行する PC にあれば問題ありません)", program));
    else if (!isStartable(file))
        error(printed("「%s」はプログラムではないため起動できません (err launch[c1])。"
                      ".msi は「msiexec /i ファイル」、文書は開くプログラムの後に書いてください",
                      file));
}

void Checker::commandLine(size_t number, const std::string& line)
{
    notesUpTo(number);
    std::string keyword, argsText;
    if (!splitCommandLine(line, keyword, argsText)) {
        say(line);
        return error(message("「キーワード:」の形でないため、この行は何もしません"));
    }
    const CommandRule* rule = findCommand(keyword);
    if (!rule) {
        say(line);
        return error(printed("不明なキーワード「%s」: この行は何もしません (コマンドの間隔だけ待ちます)", keyword));
    }
    Arguments args;
    bool given = splitArguments(*rule, argsText, args);
    if (!given) {
        say(printed("%s: 何もしません", rule->keyword));
        error(printed("%s には「%s」が必要です。項目が足りないため、この行は何もしません", rule->keyword,
                      message(argumentForm(*rule).c_str())));
    } else {
        say(describe(*rule, args));
        checkCommand(*rule, args);
    }
    follow(*rule, given, args);
}

void Checker::checkCommand(const CommandRule& rule, const Arguments& args)
{
    if (rule.takesVariable && args.isVariable)
        return error(printed("「{%s}」は変数の参照ですが、変数は定義されていないため、この行は書かれたとおりには動きません",
                             args.variableName));
    for (size_t i = 0; i < args.fields.size(); ++i)
        checkField(rule.fields[i], args.fields[i]);
    checkNeeds(rule, args);
    if (rule.command == Command::WaitPixel && pixelTimeout < PIXEL_POLL_MS)
        error(printed("SetTimeout が %s ミリ秒のため、WaitPixel は色を読まずに必ず失敗します (500 以上にしてください)",
                      std::to_string(pixelTimeout)));
}

void Checker::checkField(const FieldRule& rule, const std::string& field)
{
    switch (rule.kind) {
    case FieldKind::Text:
        if (rule.maximum != LLONG_MAX && static_cast<long long>(field.size()) > rule.maximum)
            error(printed("テキストが %s バイトを超えるため、読み返しで確かめられず必ず失敗します",
                          std::to_string(rule.maximum)));
        return;
    case FieldKind::Number:
        if (!readsWhole(field, false))
            warning(printed("「%s」は数値として %s と読まれます", field, std::to_string(readNumber(field))));
        return checkLimit(rule, field, readNumber(field), std::to_string(readNumber(field)));
    case FieldKind::Colour:
        if (!readsWhole(field, true))
            warning(printed("「%s」は 16 進の色として %s と読まれます", field, hex(readColour(field))));
        return checkLimit(rule, field, static_cast<long long>(readColour(field)), hex(readColour(field)));
    case FieldKind::ColourRange: {
        size_t dash = findChar(field, '-');
        for (const std::string& part : {field.substr(0, dash), dash == std::string::npos ? "" : field.substr(dash + 1)}) {
            if (!part.empty() && !readsWhole(part, true))
                warning(printed("「%s」は 16 進の色として %s と読まれます", part, hex(readColour(part))));
        }
        unsigned long low = 0, high = 0;
        readColourRange(field, low, high);
        return checkLimit(rule, field, static_cast<long long>(low), hex(low));
    }
    }
}

void Checker::checkLimit(const FieldRule& rule, const std::string& field, long long value, const std::string& shown)
{
    if (value >= rule.minimum && value <= rule.maximum)
        return;
    std::string what = printed("「%s」の値 %s は %sではないため、", message(rule.name), shown, rangeText(rule));
    switch (rule.outside) {
    case OutOfRange::Fails:
        return error(what + message("この行は必ず失敗します"));
    case OutOfRange::NeverMatches:
        return warning(what + message("この行は決して失敗しません (何も確かめません)"));
    case OutOfRange::Ignored:
        return warning(what + message("0 として扱われます"));
    }
}

void Checker::checkNeeds(const CommandRule& rule, const Arguments& args)
{
    switch (rule.needs) {
    case Needs::Nothing:
        return;
    case Needs::Process:
        if (!hasProcess)
            error(printed("Process より前の %s は、対象プロセスがないため必ず失敗します", rule.keyword));
        return;
    case Needs::WindowToPress:
        if (args.number(0) <= 0)
            return;
        [[fallthrough]];
    case Needs::Window:
        if (!hasCurrent)
            error(message("これより前に Process、Window、TargetWindow がなく、操作するウィンドウがないため必ず失敗します"));
        return;
    }
}

// What the runner's state is after the line, as far as a run that goes on past it goes.
void Checker::follow(const CommandRule& rule, bool given, const Arguments& args)
{
    switch (rule.command) {
    case Command::Process:
        hasProcess = hasProcess || given;
        hasCurrent = given;
        break;
    case Command::Target:
        hasTarget = given;
        break;
    case Command::Window:
        hasCurrent = given;
        break;
    case Command::TargetWindow:
        hasTarget = hasCurrent = given;
        break;
    case Command::SetTimeout:
        pixelTimeout = args.number(0);
        break;
    default:
        break;
    }
}

std::string Checker::describe(const CommandRule& rule, const Arguments& a) const
{
    const char* k = rule.keyword;
    std::string n0 = std::to_string(a.number(0)), n1 = std::to_string(a.number(1));
    switch (rule.command) {
    case Command::Process:
        return printed("Process: [%s][%s] のトップレベルウィンドウを待ち、そのプロセスを対象にします", a.text(0), a.text(1));
    case Command::Target:
        return printed("Target: 対象プロセスの [%s][%s] のトップレベルウィンドウを待ちます", a.text(0), a.text(1));
    case Command::Window:
        if (!hasTarget)
            return printed("Window: Target がないため、すべてのプログラムのトップレベルウィンドウから [%s][%s] の %s 番目 "
                           "(0 から) を待ちます",
                           a.text(0), a.text(1), std::to_string(a.number(2)));
        return printed("Window: Target の中の [%s][%s] の %s 番目 (0 から) を待ちます", a.text(0), a.text(1),
                       std::to_string(a.number(2)));
    case Command::TargetWindow:
        return printed("TargetWindow: [%s][%s] の中の [%s] ", a.text(0), a.text(1), a.text(2)) +
               printed("[%s] の %s 番目 (0 から) を、対象プロセスがある限り待ちます", a.text(3),
                       std::to_string(a.number(4)));
    case Command::MouseRandom:
        return printed("%s: 何もしません", k);
    case Command::Focus:
        return printed("%s: 現在のウィンドウを前面に出します", k);
    case Command::Tab:
    case Command::Enter:
        return printed("%s: キーを %s 回押します", k, n0);
    case Command::Space:
        return printed("%s: キーを %s 回押します (ウィンドウが有効になるのを待ちます)", k, n0);
    case Command::Select:
        return printed("%s: 下矢印キーを %s 回押します", k, n0);
    case Command::Sleep:
        return printed("%s: %s ミリ秒待ちます", k, n0);
    case Command::SetTimeout:
        return printed("%s: WaitPixel の制限時間を %s ミリ秒にします", k, n0);
    case Command::Click:
        return printed("%s: クライアント座標 %s,%s (96 dpi) をクリックします (ウィンドウが有効になるのを待ちます)", k, n0, n1);
    case Command::WaitPixel:
        return printed("%s: ウィンドウ座標 %s,%s ", k, n0, n1) + printed("の色が %s になるまで待ちます", a.text(2));
    case Command::Assert:
        return printed("%s: ウィンドウ座標 %s,%s ", k, n0, n1) + printed("の色が %s なら失敗します", a.text(2));
    case Command::Paste:
        return printed("%s: [%s] を貼り付けます", k, a.text(0));
    case Command::Text:
        return printed("%s: ウィンドウのテキストを [%s] にします", k, a.text(0));
    case Command::ComboSelect:
        return printed("%s: %s 番目 (1 から) の項目を選びます", k, n0);
    case Command::ComboFind:
        return printed("%s: 項目 [%s] を選びます", k, a.text(0));
    case Command::Screenshot:
        return printed("%s: 現在のウィンドウの画像を appleid フォルダーに保存します", k);
    }
    return k;
}
} // namespace

bool checkScript(const std::string& path, CheckReport& report)
{
    ScriptFile script;
    std::string bytes;
    if (!loadScript(path, script) || !readScriptBytes(path, bytes))
        return false;
    report = {};
    Checker checker(report);
    checker.encoding(script, bytes);
    checker.launchLine(script.launchCommand);
    for (size_t i = 0; i < script.commands.size(); ++i)
        checker.commandLine(script.lineNumbers[i], script.commands[i]);
    checker.finish();
    if (report.clean())
        report.text += message("問題は見つかりませんでした。\r\n");
    else
        report.text += printed("エラー %s 件、警告 %s 件\r\n", std::to_string(report.errors),
                               std::to_string(report.warnings));
    return true;
}

} // namespace vorn::find
