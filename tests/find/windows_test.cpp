// vornfind windows and point against the test application and Wine's notepad: the lines
// it prints, written into a script, make vornrun find the very windows it named.
#include <gtest/gtest.h>

#include <sstream>

#include "vorn_test_support.h"

namespace {

using vt::cp932;

struct FoundLine {
    std::string line;
    HWND window; // the handle printed in the window heading above the line
};

// The script lines of vornfind's output, each with the window it belongs to.
std::vector<FoundLine> scriptLines(const std::string& output)
{
    std::vector<FoundLine> lines;
    std::istringstream in(output);
    std::string line;
    HWND window = nullptr;
    const std::string handleLabel = cp932("ハンドル ");
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t at = line.find(handleLabel);
        if (at != std::string::npos)
            window = reinterpret_cast<HWND>(std::stoull(line.substr(at + handleLabel.size()), nullptr, 16));
        else if (!line.empty() && line[0] != ' ' && line.find(':') != std::string::npos)
            lines.push_back({line, window});
    }
    return lines;
}

ts::RunResult vornfind(const std::string& args)
{
    return ts::runProcess(ts::quote(ts::binPath(L"vornfind.exe")) + L" " + ts::cp932ToWide(args));
}

class VornFind : public ::testing::Test {
protected:
    void startTarget()
    {
        ASSERT_TRUE(target.start(ts::cp932ToWide(folder.targetLaunch(launchOptions))));
        ASSERT_TRUE(folder.waitForRecord("started", 10000));
    }
    vt::ProgramCleanup cleanup;
    vt::VornFolder folder{"[Config]\r\nInterval=0\r\nTimeout=5\r\n"};
    ts::ChildProcess target;
    std::string launchOptions;
};

TEST_F(VornFind, WindowsLinesMakeVornrunFindTheSameWindows)
{
    startTarget();
    auto byId = vornfind("windows " + std::to_string(target.pid()));
    ASSERT_EQ(byId.exitCode, 0u);
    EXPECT_EQ(vornfind("windows vorn_target.exe").output, byId.output);
    EXPECT_EQ(vornfind("windows " + cp932("第二ウィンドウ")).output, byId.output);
    EXPECT_NE(byId.output.find("Window:VornItem,item,2\r\n"), std::string::npos);
    // The comma in "a,b" would split a Window line: a note stands in for the line.
    EXPECT_NE(byId.output.find("[VornNote][a,b]"), std::string::npos);
    EXPECT_NE(byId.output.find(cp932("  ※ クラス名かテキストにカンマがあるため、Window 行はそこで分かれて見つかりません。\r\n")),
              std::string::npos);
    EXPECT_EQ(byId.output.find("Window:VornNote"), std::string::npos);

    // Without a program: every top-level window under its process, with its Process line.
    auto all = vornfind("windows");
    EXPECT_EQ(all.exitCode, 0u);
    size_t heading = all.output.find(cp932("プロセス ") + std::to_string(target.pid()) + " (vorn_target.exe)\r\n");
    ASSERT_NE(heading, std::string::npos) << all.output;
    for (const std::string& line : {std::string("Process:VornTarget,Vorn Target\r\n"), "Process:VornSecond," + cp932("第二ウィンドウ") + "\r\n"})
        EXPECT_NE(all.output.find("\r\n" + line, heading), std::string::npos) << line;
    EXPECT_EQ(all.output.find("Window:"), std::string::npos);

    // Each line found, then a click at a position of its own: the target records which
    // control the click reached. The launch line is empty: the target already runs.
    std::string script = "\r\n";
    std::vector<std::pair<int, HWND>> clicks;
    for (const FoundLine& found : scriptLines(byId.output)) {
        script += found.line + "\r\n";
        if (found.line.find(",VornItem,") != std::string::npos || found.line.rfind("Window:Vorn", 0) == 0) {
            clicks.push_back({static_cast<int>(clicks.size()) + 1, found.window});
            script += "Click:" + std::to_string(clicks.size()) + ",0\r\n";
        }
    }
    folder.writeScript(script);
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(run.questions.empty());
    ASSERT_GE(clicks.size(), 7u);
    for (auto [x, window] : clicks)
        EXPECT_TRUE(folder.waitForRecord("click " + std::to_string(::GetDlgCtrlID(window)) + " " +
                                             std::to_string(x) + " 0\n",
                                         3000))
            << x;
}

TEST_F(VornFind, WindowsLinesFindNotepadsEditControl)
{
    ts::ChildProcess notepad;
    ASSERT_TRUE(notepad.start(L"notepad.exe"));
    HWND main = ts::waitForWindow(L"Notepad", nullptr, notepad.pid(), 10000);
    ASSERT_TRUE(main);
    // The editing control may come a moment after the main window.
    for (DWORD start = ::GetTickCount(); !::FindWindowExW(main, nullptr, L"Edit", nullptr);) {
        ASSERT_LT(::GetTickCount() - start, 10000u);
        ::Sleep(50);
    }
    auto found = vornfind("windows notepad.exe");
    ASSERT_EQ(found.exitCode, 0u);
    std::string script = "\r\n";
    HWND edit = nullptr;
    for (const FoundLine& line : scriptLines(found.output)) {
        script += line.line + "\r\n";
        if (line.line == "Window:Edit,,0") {
            edit = line.window;
            script += "Text:found\r\n";
        }
    }
    ASSERT_TRUE(edit);
    folder.writeScript(script);
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    char text[32] = {};
    ::SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "found");
}

TEST_F(VornFind, PointPrintsTheWindowThePositionAndTheColour)
{
    startTarget();
    // The second window lies at 500,40 without a frame; its item child covers 5,5 to 35,25.
    ASSERT_TRUE(::SetCursorPos(500 + 60, 40 + 50));
    auto onWindow = vornfind("point 0");
    EXPECT_EQ(onWindow.exitCode, 0u);
    EXPECT_NE(onWindow.output.find("\r\nProcess:VornSecond," + cp932("第二ウィンドウ") + "\r\n"), std::string::npos);
    EXPECT_NE(onWindow.output.find("\r\nClick:60,50\r\nWaitPixel:60,50,1e140a\r\nAssert:60,50,1e140a\r\n"),
              std::string::npos)
        << onWindow.output;

    ASSERT_TRUE(::SetCursorPos(500 + 15, 40 + 10));
    auto onChild = vornfind("point 0");
    EXPECT_EQ(onChild.exitCode, 0u);
    EXPECT_NE(onChild.output.find("\r\nWindow:VornItem,item,0\r\nTargetWindow:VornSecond," +
                                  cp932("第二ウィンドウ") + ",VornItem,item,0\r\nClick:10,5\r\n"),
              std::string::npos)
        << onChild.output;
}

TEST_F(VornFind, PointNamesDisabledControlsBordersAndEmptyPlaces)
{
    launchOptions = "--disabled=60000";
    startTarget();
    HWND main = ts::findWindow(L"VornTarget", L"Vorn Target", target.pid());
    ASSERT_TRUE(main);
    // A disabled button: the platform passes over it to its parent.
    POINT onButton{280 + 10, 210 + 5};
    ::ClientToScreen(main, &onButton);
    ASSERT_TRUE(::SetCursorPos(onButton.x, onButton.y));
    auto disabled = vornfind("point 0");
    EXPECT_EQ(disabled.exitCode, 0u);
    EXPECT_NE(disabled.output.find(cp932("[Button][Later] ")), std::string::npos) << disabled.output;
    EXPECT_NE(disabled.output.find(cp932(" 表示 無効\r\nWindow:Button,Later,0\r\n")), std::string::npos)
        << disabled.output;
    EXPECT_NE(disabled.output.find("\r\nClick:10,5\r\n"), std::string::npos) << disabled.output;

    // The title bar lies outside the client area: the click goes to its nearest point inside.
    RECT frame{};
    ::GetWindowRect(main, &frame);
    POINT corner{0, 0};
    ::ClientToScreen(main, &corner);
    ASSERT_GT(corner.y, frame.top + 2);
    ASSERT_TRUE(::SetCursorPos(corner.x + 30, frame.top + 2));
    auto border = vornfind("point 0");
    EXPECT_EQ(border.exitCode, 0u);
    EXPECT_NE(border.output.find("\r\nClick:30,0\r\n" + cp932("  ※ ポインターはクライアント領域の外")),
              std::string::npos)
        << border.output;

    // No window at all under the pointer.
    ASSERT_TRUE(::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 2, ::GetSystemMetrics(SM_CYSCREEN) - 2));
    auto nothing = vornfind("point 0");
    EXPECT_EQ(nothing.exitCode, 1u);
    EXPECT_EQ(nothing.output.substr(nothing.output.find("\r\n") + 2),
              cp932("マウスポインターの下にウィンドウがありません。\r\n"));
}

TEST_F(VornFind, UnknownProgramAndBadArgumentsFail)
{
    for (const char* args : {"windows no_such_program.exe", "point x", "check", "nothing"}) {
        auto run = vornfind(args);
        EXPECT_EQ(run.exitCode, 1u) << args;
        EXPECT_FALSE(run.output.empty()) << args;
    }
}

} // namespace
