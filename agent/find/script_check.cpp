#include "script_check.h"

#include <windows.h>
#include <cstdio>
#include <functional>
#include <vector>

#include "launch_check.h"
#include "mbcs_text.h"
#include "script_file.h"
#include "script_line.h"
#include "window_lines.h"

namespace vorn::find {

namespace {
constexpr size_t TEXT_LIMIT = 255;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// A number field as the runner reads it with atoi: blanks, a sign and digits, nothing else.
bool isNumber(const std::string& field)
{
    size_t i = 0;
    while (i < field.size() && isBlank(field[i]))
        ++i;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        ++i;
    size_t digits = i;
    while (i < field.size() && field[i] >= '0' && field[i] <= '9')
        ++i;
    return i > digits && i == field.size();
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A colour field as strtol reads it in base 16, with nothing left over.
bool isColour(const std::string& field)
{
    size_t i = 0;
    while (i < field.size() && isBlank(field[i]))
        ++i;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        ++i;
    if (i + 2 < field.size() && field[i] == '0' && (field[i + 1] == 'x' || field[i + 1] == 'X') &&
        isHexDigit(field[i + 2]))
        i += 2;
    size_t digits = i;
    while (i < field.size() && isHexDigit(field[i]))
        ++i;
    return i > digits && i == field.size();
}

bool hasHighBytes(const std::string& line)
{
    for (char c : line) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

// Text that is valid UTF-8 with characters beyond ASCII, where the runner expects the ANSI
// code page; text in code page 932 almost never passes as UTF-8.
bool looksLikeUtf8(const std::string& line)
{
    if (::GetACP() == CP_UTF8 || !hasHighBytes(line))
        return false;
    return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.data(), static_cast<int>(line.size()), nullptr,
                                 0) > 0;
}

std::string printed(const char* utf8Format, const std::string& a = {}, const std::string& b = {},
                    const std::string& c = {})
{
    std::string format = message(utf8Format);
    std::vector<char> buffer(format.size() + a.size() + b.size() + c.size() + 64);
    std::snprintf(buffer.data(), buffer.size(), format.c_str(), a.c_str(), b.c_str(), c.c_str());
    return buffer.data();
}

class Checker {
public:
    explicit Checker(CheckReport& report) : report(report) {}

    void launchLine(const std::string& command);
    void commandLine(size_t number, const std::string& line);

private:
    using Handler = void (Checker::*)(const std::string& keyword, const std::string& args);
    struct Command {
        const char* keyword;
        Handler handler;
    };

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
    void missingFields(const std::string& keyword, const char* utf8Form)
    {
        say(printed("%s: 何もしません", keyword));
        error(printed("%s には「%s」が必要です。項目が足りないため、この行は何もしません", keyword, message(utf8Form)));
    }
    void number(const std::string& field)
    {
        if (!isNumber(field))
            error(printed("「%s」は数値ではありません (%s として読まれます)", field,
                          std::to_string(readNumber(field))));
    }
    void colour(const std::string& field)
    {
        if (!isColour(field))
            error(printed("「%s」は 16 進の色ではありません", field));
    }
    // False (with an error) when the argument refers to a variable, which is never defined.
    bool literal(const std::string& args)
    {
        std::string name;
        if (!variableReference(args, name))
            return true;
        error(printed("「{%s}」は変数の参照ですが、変数は定義されていないため、この行は書かれたとおりには動きません",
                      name));
        return false;
    }
    void needsWindow()
    {
        if (!hasCurrent)
            error(message("これより前に Process、Window、TargetWindow がなく、操作するウィンドウがないため必ず失敗します"));
    }
    void needsProcess(const std::string& keyword)
    {
        if (!hasProcess)
            error(printed("Process より前の %s は、対象プロセスがないため必ず失敗します", keyword));
    }
    void index(int value, const std::string& field)
    {
        if (!field.empty())
            number(field);
        if (value < 0)
            error(message("番号が負のため、ウィンドウは見つかりません"));
    }

    void process(const std::string& keyword, const std::string& args);
    void target(const std::string& keyword, const std::string& args);
    void window(const std::string& keyword, const std::string& args);
    void targetWindow(const std::string& keyword, const std::string& args);
    void nothing(const std::string& keyword, const std::string& args);
    void focus(const std::string& keyword, const std::string& args);
    void keys(const std::string& keyword, const std::string& args);
    void select(const std::string& keyword, const std::string& args);
    void sleep(const std::string& keyword, const std::string& args);
    void setTimeout(const std::string& keyword, const std::string& args);
    void click(const std::string& keyword, const std::string& args);
    void waitPixel(const std::string& keyword, const std::string& args);
    void assertPixel(const std::string& keyword, const std::string& args);
    void text(const std::string& keyword, const std::string& args);
    void paste(const std::string& keyword, const std::string& args);
    void comboSelect(const std::string& keyword, const std::string& args);
    void comboFind(const std::string& keyword, const std::string& args);
    void screenshot(const std::string& keyword, const std::string& args);

    static const Command COMMANDS[];

    CheckReport& report;
    size_t lineNumber = 1;
    bool hasProcess = false;
    bool hasTarget = false;
    bool hasCurrent = false;
};

const Checker::Command Checker::COMMANDS[] = {
    {"Process", &Checker::process},     {"Target", &Checker::target},
    {"Window", &Checker::window},       {"TargetWindow", &Checker::targetWindow},
    {"MOUSERANDOM", &Checker::nothing}, {"FOCUS", &Checker::focus},
    {"TAB", &Checker::keys},            {"ENTER", &Checker::keys},
    {"SPACE", &Checker::keys},          {"Sleep", &Checker::sleep},
    {"Click", &Checker::click},         {"SetTimeout", &Checker::setTimeout},
    {"WaitPixel", &Checker::waitPixel}, {"Assert", &Checker::assertPixel},
    {"Paste", &Checker::paste},         {"Text", &Checker::text},
    {"SELECT", &Checker::select},       {"COMBOBOXSELECT", &Checker::comboSelect},
    {"COMBOBOXFIND", &Checker::comboFind}, {"SS", &Checker::screenshot},
};

void Checker::launchLine(const std::string& command)
{
    lineNumber = 1;
    say(message("起動: ") + command);
    if (command.compare(0, 3, "\xEF\xBB\xBF") == 0)
        error(message("ファイルの先頭に BOM (EF BB BF) があるため、起動行が壊れます。ANSI (シフト JIS) で保存してください"));
    else if (looksLikeUtf8(command))
        error(message("UTF-8 の文字があります。ANSI (シフト JIS) で保存してください"));
    std::string program = launchedProgram(command);
    if (program.empty())
        warning(message("起動するプログラムがありません"));
    else if (!launchTargetExists(command))
        warning(printed("起動するファイル「%s」が見つかりません (実行する PC にあれば問題ありません)", program));
}

void Checker::commandLine(size_t number, const std::string& line)
{
    lineNumber = number;
    if (looksLikeUtf8(line))
        error(message("UTF-8 の文字があります。ANSI (シフト JIS) で保存してください"));
    std::string keyword, args;
    if (!splitCommandLine(line, keyword, args)) {
        say(line);
        error(message("「キーワード:」の形でないため、この行は何もしません"));
        return;
    }
    for (const Command& command : COMMANDS) {
        if (equalsNoCase(keyword, command.keyword)) {
            (this->*command.handler)(command.keyword, args);
            return;
        }
    }
    say(line);
    error(printed("不明なキーワード「%s」: この行は何もしません (コマンドの間隔だけ待ちます)", keyword));
}

void Checker::process(const std::string& keyword, const std::string& args)
{
    WindowFields w;
    if (!parseProcessArgs(args, w))
        return missingFields(keyword, "クラス,テキスト (クラスは空にできません)");
    say(printed("Process: [%s][%s] のトップレベルウィンドウを待ち、そのプロセスを対象にします", w.className, w.title));
    hasProcess = hasCurrent = true;
}

void Checker::target(const std::string& keyword, const std::string& args)
{
    WindowFields w;
    if (!parseTargetArgs(args, w))
        return missingFields(keyword, "クラス,テキスト");
    say(printed("Target: 対象プロセスの [%s][%s] のトップレベルウィンドウを待ちます", w.className, w.title));
    needsProcess(keyword);
    hasTarget = true;
}

void Checker::window(const std::string& keyword, const std::string& args)
{
    WindowFields w;
    if (!parseWindowArgs(args, w))
        return missingFields(keyword, "クラス,テキスト[,番号]");
    say(printed("Window: Target の中の [%s][%s] の %s 番目 (0 から) を待ちます", w.className, w.title,
                std::to_string(w.index)));
    size_t used = w.className.size() + 1 + w.title.size();
    index(w.index, args.size() > used ? args.substr(used + 1) : std::string());
    needsProcess(keyword);
    if (hasProcess && !hasTarget)
        error(message("Target より前の Window は、対象ウィンドウの中を探せません"));
    hasCurrent = true;
}

void Checker::targetWindow(const std::string& keyword, const std::string& args)
{
    WindowFields outer, inner;
    if (!parseTargetWindowArgs(args, outer, inner))
        return missingFields(keyword, "クラス,テキスト,クラス,テキスト[,番号]");
    say(printed("TargetWindow: [%s][%s] の中の [%s] ", outer.className, outer.title, inner.className) +
        printed("[%s] の %s 番目 (0 から) を、対象プロセスがある限り待ちます", inner.title,
                std::to_string(inner.index)));
    size_t used = outer.className.size() + outer.title.size() + inner.className.size() + inner.title.size() + 3;
    index(inner.index, args.size() > used ? args.substr(used + 1) : std::string());
    needsProcess(keyword);
    hasTarget = hasCurrent = true;
}

void Checker::nothing(const std::string& keyword, const std::string&)
{
    say(printed("%s: 何もしません", keyword));
}

void Checker::focus(const std::string& keyword, const std::string&)
{
    say(printed("%s: 現在のウィンドウを前面に出します", keyword));
}

void Checker::keys(const std::string& keyword, const std::string& args)
{
    say(printed("%s: キーを %s 回押します", keyword, std::to_string(readNumber(args))));
    number(args);
    needsWindow();
}

void Checker::select(const std::string& keyword, const std::string& args)
{
    say(printed("%s: 下矢印キーを %s 回押します", keyword, std::to_string(readNumber(args))));
    if (!literal(args))
        return;
    number(args);
    needsWindow();
}

void Checker::sleep(const std::string& keyword, const std::string& args)
{
    say(printed("%s: %s ミリ秒待ちます", keyword, std::to_string(readNumber(args))));
    number(args);
}

void Checker::setTimeout(const std::string& keyword, const std::string& args)
{
    say(printed("%s: WaitPixel の制限時間を %s ミリ秒にします", keyword, std::to_string(readNumber(args))));
    number(args);
}

void Checker::click(const std::string& keyword, const std::string& args)
{
    std::string x, y;
    if (!parseClickArgs(args, x, y))
        return missingFields(keyword, "x,y");
    say(printed("%s: クライアント座標 %s,%s (96 dpi) をクリックします", keyword, std::to_string(readNumber(x)),
                std::to_string(readNumber(y))));
    number(x);
    number(y);
    needsWindow();
}

void Checker::waitPixel(const std::string& keyword, const std::string& args)
{
    std::string x, y, colours;
    if (!parsePixelArgs(args, x, y, colours))
        return missingFields(keyword, "x,y,色[-色]");
    say(printed("%s: ウィンドウ座標 %s,%s ", keyword, std::to_string(readNumber(x)), std::to_string(readNumber(y))) +
        printed("の色が %s になるまで待ちます", colours));
    number(x);
    number(y);
    size_t dash = findChar(colours, '-');
    if (dash == std::string::npos) {
        colour(colours);
    } else {
        colour(colours.substr(0, dash));
        colour(colours.substr(dash + 1));
    }
    needsWindow();
}

void Checker::assertPixel(const std::string& keyword, const std::string& args)
{
    std::string x, y, c;
    if (!parsePixelArgs(args, x, y, c))
        return missingFields(keyword, "x,y,色");
    say(printed("%s: ウィンドウ座標 %s,%s ", keyword, std::to_string(readNumber(x)), std::to_string(readNumber(y))) +
        printed("の色が %s なら失敗します", c));
    number(x);
    number(y);
    colour(c);
}

void Checker::text(const std::string& keyword, const std::string& args)
{
    say(printed("%s: ウィンドウのテキストを [%s] にします", keyword, args));
    if (!literal(args))
        return;
    if (args.size() > TEXT_LIMIT)
        error(message("テキストが 255 バイトを超えるため、読み返しが一致せず必ず失敗します"));
    needsWindow();
}

void Checker::paste(const std::string& keyword, const std::string& args)
{
    say(printed("%s: [%s] を貼り付けます", keyword, args));
    if (!literal(args))
        return;
    // The paste is verified in a read-back of at most 255 bytes.
    if (args.size() > TEXT_LIMIT)
        error(message("テキストが 255 バイトを超えるため、読み返しに見つからず必ず失敗します"));
    needsWindow();
}

void Checker::comboSelect(const std::string& keyword, const std::string& args)
{
    say(printed("%s: %s 番目 (1 から) の項目を選びます", keyword, std::to_string(readNumber(args))));
    if (!literal(args))
        return;
    number(args);
    needsWindow();
}

void Checker::comboFind(const std::string& keyword, const std::string& args)
{
    say(printed("%s: 項目 [%s] を選びます", keyword, args));
    if (literal(args))
        needsWindow();
}

void Checker::screenshot(const std::string& keyword, const std::string&)
{
    say(printed("%s: 現在のウィンドウの画像を appleid フォルダーに保存します", keyword));
}
} // namespace

bool checkScript(const std::string& path, CheckReport& report)
{
    ScriptFile script;
    if (!loadScript(path, script))
        return false;
    report = {};
    Checker checker(report);
    checker.launchLine(script.launchCommand);
    for (size_t i = 0; i < script.commands.size(); ++i)
        checker.commandLine(script.lineNumbers[i], script.commands[i]);
    if (report.clean())
        report.text += message("問題は見つかりませんでした。\r\n");
    else
        report.text += printed("エラー %s 件、警告 %s 件\r\n", std::to_string(report.errors),
                               std::to_string(report.warnings));
    return true;
}

} // namespace vorn::find
