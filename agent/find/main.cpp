// vornfind: shows the windows a vornrun script can find and the lines that find them, and
// checks a script before it runs.
//   vornfind windows [PROGRAM] (a process id, an executable name or a window caption;
//                              without it, every top-level window with its process)
//   vornfind point [SECONDS]
//   vornfind check SCRIPT
//   vornfind --version
#include <windows.h>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>

#include "agent_settings.h"
#include "mbcs_text.h"
#include "pointer_report.h"
#include "program_lookup.h"
#include "script_check.h"
#include "window_lines.h"

namespace {
using vorn::find::message;

constexpr int EXIT_OK = 0;
constexpr int EXIT_PROBLEM = 1;
constexpr int DEFAULT_POINT_SECONDS = 3;
constexpr int MAX_POINT_SECONDS = 3600;

void write(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int usage()
{
    write(message("使い方:\r\n"
                  "  vornfind windows [プログラム]   (プロセス ID、実行ファイル名、ウィンドウのタイトル。\r\n"
                  "                                省くと、すべてのトップレベルウィンドウ)\r\n"
                  "  vornfind point [秒数]\r\n"
                  "  vornfind check スクリプト\r\n"
                  "  vornfind --version\r\n"));
    return EXIT_PROBLEM;
}

int listAllWindows()
{
    std::string windows = vorn::find::describeAllTopLevelWindows();
    if (windows.empty()) {
        write(message("トップレベルウィンドウがありません。\r\n"));
        return EXIT_PROBLEM;
    }
    write(windows);
    return EXIT_OK;
}

int listWindows(const std::string& program)
{
    auto processes = vorn::find::findProgram(program);
    if (processes.empty()) {
        write(message("プログラムが見つかりません: ") + program + "\r\n");
        return EXIT_PROBLEM;
    }
    for (const auto& process : processes) {
        std::string windows = vorn::find::describeProcessWindows(process.id);
        if (windows.empty())
            windows = message("(ウィンドウがありません)\r\n");
        write(vorn::find::processHeadline(process.id, process.exeName) + windows);
    }
    return EXIT_OK;
}

int showPoint(const char* secondsArgument)
{
    int seconds = DEFAULT_POINT_SECONDS;
    if (secondsArgument) {
        std::string field = secondsArgument;
        bool digits = !field.empty() && field.size() <= 4 && field.find_first_not_of("0123456789") == std::string::npos;
        seconds = digits ? vorn::readNumber(field) : -1;
        if (seconds < 0 || seconds > MAX_POINT_SECONDS) {
            write(message("秒数は 0 から 3600 の整数で指定してください: ") + field + "\r\n");
            return EXIT_PROBLEM;
        }
    }
    write(message("マウスポインターを調べたい位置に置いてください。") + std::to_string(seconds) +
          message(" 秒後に読み取ります。\r\n"));
    ::Sleep(static_cast<DWORD>(seconds) * 1000u);
    POINT pointer{};
    if (!::GetCursorPos(&pointer)) {
        write(message("マウスポインターの位置を読めません。\r\n"));
        return EXIT_PROBLEM;
    }
    vorn::AgentSettings settings;
    vorn::measureDisplayScale(settings);
    std::string report;
    bool found = vorn::find::describePoint(pointer, settings, report);
    write(report);
    return found ? EXIT_OK : EXIT_PROBLEM;
}

int checkScript(const std::string& path)
{
    vorn::find::CheckReport report;
    if (!vorn::find::checkScript(path, report)) {
        write(message("スクリプトを開けません: ") + path + "\r\n");
        return EXIT_PROBLEM;
    }
    write(report.text);
    return report.clean() ? EXIT_OK : EXIT_PROBLEM;
}
} // namespace

int main(int argc, char** argv)
{
    // Lines end exactly as written ("\r\n"); the runtime must not add carriage returns.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    if (argc < 2)
        return usage();
    std::string command = argv[1];
    if (command == "--version" && argc == 2) {
        write("vornfind " PW_VERSION_TEXT "\r\n");
        return EXIT_OK;
    }
    if (vorn::equalsNoCase(command, "windows") && argc == 3)
        return listWindows(argv[2]);
    if (vorn::equalsNoCase(command, "windows") && argc == 2)
        return listAllWindows();
    if (vorn::equalsNoCase(command, "point") && argc <= 3)
        return showPoint(argc == 3 ? argv[2] : nullptr);
    if (vorn::equalsNoCase(command, "check") && argc == 3)
        return checkScript(argv[2]);
    return usage();
}
