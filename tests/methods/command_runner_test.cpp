#include <gtest/gtest.h>

#include "command_runner.h"
#include "methods_fixture.h"

using mt::Escape;
using mt::LoadedCatalog;
using mt::Values;

namespace {

std::wstring Chatter(const std::wstring& args)
{
    return ts::quote(ts::binPath(L"pw_chatter.exe")) + L" " + args;
}

std::wstring CommandSet(const std::wstring& name, const std::wstring& children, const wchar_t* type = L"Command")
{
    return L"<Data><Name>" + name + L"</Name><Set type='" + type + L"'>" + children + L"</Set></Data>";
}

std::wstring Command(const std::wstring& line)
{
    return L"<Command>" + Escape(line) + L"</Command>";
}

// A command that appends a word to a file, so the test sees what ran and in which order.
std::wstring Append(const ts::TempDir& dir, const std::wstring& word)
{
    return L"cmd /c echo " + word + L">>\"" + dir.file(L"ran.txt") + L"\"";
}

} // namespace

TEST(RunCaptured, ExitCodeAndBothStreamsComeBack)
{
    std::wstring output;
    int code = -1;
    EXPECT_FALSE(RunCaptured(Chatter(L"out 5 err problem exit 3"), output, code));
    EXPECT_EQ(code, 3);
    EXPECT_EQ(output, L"01234problem");

    EXPECT_TRUE(RunCaptured(L"cmd /c echo hello", output, code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(output, L"hello\r\n");

    EXPECT_TRUE(RunCaptured(Chatter(L"japanese"), output, code));
    EXPECT_EQ(output, L"日本語");

    output = L"stale";
    EXPECT_FALSE(RunCaptured(L"no_such_program_here.exe /x", output, code));
    EXPECT_EQ(code, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(output.empty());
}

// A child that writes far more than the pipe holds must still finish.
TEST(RunCaptured, LargeOutputKeepsTheFirst8191Bytes)
{
    std::wstring output;
    int code = -1;
    EXPECT_FALSE(RunCaptured(Chatter(L"out 1048576 exit 5"), output, code));
    EXPECT_EQ(code, 5);
    ASSERT_EQ(output.size(), MAX_CAPTURED_OUTPUT);
    std::wstring expected;
    while (expected.size() < MAX_CAPTURED_OUTPUT)
        expected += L"0123456789";
    expected.resize(MAX_CAPTURED_OUTPUT);
    EXPECT_EQ(output, expected);
}

// A grandchild that inherited the pipe and lives on does not hold the run up.
TEST(RunCaptured, EndsWhenTheChildEndsEvenIfAGrandchildHoldsThePipe)
{
    std::wstring output;
    int code = -1;
    EXPECT_TRUE(RunCaptured(Chatter(L"spawn"), output, code));
    DWORD pid = static_cast<DWORD>(_wtoi(output.c_str()));
    ASSERT_NE(pid, 0u);
    UniqueHandle grandchild(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    ASSERT_TRUE(grandchild);
    EXPECT_EQ(::WaitForSingleObject(grandchild.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::TerminateProcess(grandchild.get(), 0);
}

TEST(RunInConsole, ReturnsTheExitCodeOfAChildInItsOwnConsole)
{
    int code = -1;
    EXPECT_TRUE(RunInConsole(L"cmd /c exit 0", code));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(RunInConsole(Chatter(L"exit 4"), code));
    EXPECT_EQ(code, 4);
    EXPECT_FALSE(RunInConsole(L"no_such_program_here.exe", code));
    EXPECT_EQ(code, ERROR_FILE_NOT_FOUND);
}

TEST(CommandMethod, SwitchRuleRunsEveryCommandInOrderOrNone)
{
    ts::TempDir dir;
    LoadedCatalog cat(CommandSet(L"Three", Command(Append(dir, L"one")) + Command(Append(dir, L"two")) + Command(Append(dir, L"three"))) +
                      CommandSet(L"Gap", Command(Append(dir, L"first")) + L"<Command/>" + Command(Append(dir, L"third")), L"COMMAND"));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    EXPECT_TRUE(cat->RunSet(L"Three", Values({{L"v", L"no"}}), notFound));
    EXPECT_TRUE(cat->RunSet(L"Three", Values({}), notFound));
    EXPECT_FALSE(ts::fileExists(dir.file(L"ran.txt")));

    EXPECT_TRUE(cat->RunSet(L"Three", Values({{L"v", L"Yes"}}), notFound));
    EXPECT_EQ(ts::readFile(dir.file(L"ran.txt")), "one\r\ntwo\r\nthree\r\n");

    // An empty command ends the list, successfully.
    ::DeleteFileW(dir.file(L"ran.txt").c_str());
    EXPECT_TRUE(cat->RunSet(L"Gap", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(ts::readFile(dir.file(L"ran.txt")), "first\r\n");
}

TEST(CommandMethod, FirstFailureStopsTheList)
{
    ts::TempDir dir;
    LoadedCatalog cat(CommandSet(L"Fails", Command(Chatter(L"err broken exit 3")) + Command(Append(dir, L"after"))) +
                      CommandSet(L"Missing", Command(L"no_such_program_here.exe") + Command(Append(dir, L"after"))));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"Fails", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(cat->lastError, 3);
    EXPECT_EQ(cat->output, L"broken");
    EXPECT_FALSE(cat->RunSet(L"Missing", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(cat->lastError, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(ts::fileExists(dir.file(L"ran.txt")));
}

TEST(CommandMethod, PlaceholdersAreReplacedInTheirOrder)
{
    std::wstring params = L"<InParam><Param name='A'>default-a</Param><Param name='B'>bee</Param></InParam>";
    LoadedCatalog cat(CommandSet(L"Ordered", Command(L"cmd /c echo [{A}][{EXEDIR}]") + params) +
                      CommandSet(L"Host", Command(L"cmd /c echo ping {Host}") + L"<InParam><Param name='Host'>127.0.0.1</Param></InParam>") +
                      CommandSet(L"NoParam", Command(L"cmd /c echo {EXEDIR}")));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    ASSERT_TRUE(cat->RunSet(L"Ordered", Values({}), notFound));
    EXPECT_EQ(cat->output, L"[default-a][" + cat->exeDir + L"]\r\n");
    // A value naming a later parameter is replaced again; one naming the
    // tool's folder is not, that step having passed.
    ASSERT_TRUE(cat->RunSet(L"Ordered", Values({{L"A", L"{B}+{EXEDIR}"}}), notFound));
    EXPECT_EQ(cat->output, L"[bee+{EXEDIR}][" + cat->exeDir + L"]\r\n");

    ASSERT_TRUE(cat->RunSet(L"Host", Values({{L"Host", L"10.0.0.1"}}), notFound));
    EXPECT_EQ(cat->output, L"ping 10.0.0.1\r\n");
    ASSERT_TRUE(cat->RunSet(L"Host", Values({{L"Other", L"10.0.0.1"}}), notFound));
    EXPECT_EQ(cat->output, L"ping 127.0.0.1\r\n");

    // Without parameters the command runs as written.
    ASSERT_TRUE(cat->RunSet(L"NoParam", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(cat->output, L"{EXEDIR}\r\n");
}

TEST(CommandMethod, TheItemValueIsTheCommandLineWithoutCommandElements)
{
    LoadedCatalog cat(CommandSet(L"Direct", L""));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"Direct", Values({{L"v", Chatter(L"out 3 exit 6")}}), notFound));
    EXPECT_EQ(cat->lastError, 6);
    EXPECT_EQ(cat->output, L"012");
    EXPECT_TRUE(cat->RunSet(L"Direct", Values({{L"v", L""}}), notFound));
    EXPECT_TRUE(cat->RunSet(L"Direct", Values({}), notFound));
    EXPECT_EQ(cat->lastError, 0);
}

TEST(CommandMethod, OverlongCommandLinesAreRefusedNotCut)
{
    ts::TempDir dir;
    std::wstring head = Append(dir, L"ran") + L" & rem ";
    std::wstring fits = head + std::wstring(MAX_COMMAND_LINE - head.size(), L'x');
    LoadedCatalog cat(CommandSet(L"Direct", L""));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"Direct", Values({{L"v", fits + L"x"}}), notFound));
    EXPECT_EQ(cat->lastError, COMMAND_LINE_TOO_LONG);
    EXPECT_FALSE(ts::fileExists(dir.file(L"ran.txt")));
    EXPECT_TRUE(cat->RunSet(L"Direct", Values({{L"v", fits}}), notFound));
    EXPECT_TRUE(ts::fileExists(dir.file(L"ran.txt")));
}

TEST(CommandMethod, ConsoleCommandsCaptureNothing)
{
    ts::TempDir dir;
    LoadedCatalog cat(CommandSet(L"Con", Command(Append(dir, L"one")) + Command(Chatter(L"out 10 exit 9")) + Command(Append(dir, L"two")),
                                 L"console"));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"Con", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(cat->lastError, 9);
    EXPECT_TRUE(cat->output.empty());
    EXPECT_EQ(ts::readFile(dir.file(L"ran.txt")), "one\r\n");
}

TEST(CommandMethod, AParamWithoutNameRunsNothing)
{
    ts::TempDir dir;
    LoadedCatalog cat(CommandSet(L"Bad", Command(Append(dir, L"ran")) + L"<InParam><Param name='A'>a</Param><Param>b</Param></InParam>"));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"Bad", Values({{L"v", L"yes"}}), notFound));
    EXPECT_FALSE(notFound);
    EXPECT_EQ(cat->lastError, -1);
    EXPECT_FALSE(ts::fileExists(dir.file(L"ran.txt")));
}
