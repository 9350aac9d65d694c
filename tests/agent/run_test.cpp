// vornrun start-up and interpreter, run as a real process in a fresh folder.
#include <gtest/gtest.h>

#include "vorn_test_support.h"

namespace {

using vt::header;
using vt::VornFolder;

TEST(VornStartUp, NoArgumentExitsAtOnceWithoutOutput)
{
    VornFolder folder;
    auto run = folder.runWithArgs(L"");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "");
}

TEST(VornStartUp, MissingScriptFailsWithOpenError)
{
    VornFolder folder;
    auto run = folder.runWithArgs(L"missing.txt");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1u); // a batch file testing the exit code sees that nothing ran
    EXPECT_EQ(run.output, "missing.txt\nopen error\n");
}

TEST(VornStartUp, ScriptsFromAnyEditorAreReadAsWritten)
{
    // The same script as today's editors save it: UTF-8 with a mark and CR alone, UTF-16
    // with CR CR LF. Each line runs, and the text arrives in the ANSI code page.
    const std::wstring lines[] = {L"x.exe", L"Sleep:1", L"", L"Text:\u65e5\u672c\u8a9e"};
    std::string utf8 = "\xEF\xBB\xBF", utf16 = "\xFF\xFE";
    for (const std::wstring& line : lines) {
        utf8 += ts::wideToUtf8(line) + "\r";
        for (wchar_t c : line + L"\r\r\n")
            utf16 += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    }
    VornFolder folder;
    for (const std::string& bytes : {utf8, utf16}) {
        folder.writeScript(bytes);
        auto run = folder.run();
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED); // no window for the text
        EXPECT_EQ(run.output, header("x.exe") + "err launch[2]\r\nSleep:[1ms]\r\nText:[" + vt::cp932("日本語") + "]\r\n");
    }
}

TEST(VornStartUp, ScriptWithOnlyItsLaunchLineStartsTheProgram)
{
    vt::ProgramCleanup cleanup;
    VornFolder folder;
    std::string launch = folder.targetLaunch();
    folder.writeScript(launch + "\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header(launch));
    EXPECT_TRUE(folder.waitForRecord("started", 10000));
}

TEST(VornStartUp, FailedLaunchIsReportedAndTheCommandsStillRun)
{
    VornFolder folder;
    folder.writeScript("no_such_program_here.exe\r\nSleep:1\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header("no_such_program_here.exe") + "err launch[2]\r\nSleep:[1ms]\r\n");

    // An empty file: an empty launch line that cannot start anything.
    folder.writeScript("");
    run = folder.run();
    EXPECT_EQ(run.output, header("") + "err launch[2]\r\n");

    // A first line starting with ';' is still the launch command; the later one is a comment.
    folder.writeScript(";launch\r\n;Sleep:2\r\nSleep:3\r\n");
    run = folder.run();
    EXPECT_EQ(run.output, header(";launch") + "err launch[2]\r\nSleep:[3ms]\r\n");
}

TEST(VornStartUp, LaunchCommandTooLongForItsBufferIsRefusedWhole)
{
    VornFolder folder;
    std::string longCommand(2047, 'a');
    folder.writeScript(longCommand + "\r\nSleep:1\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    // ERROR_FILENAME_EXCED_RANGE (206); the commands run as after any failed start.
    EXPECT_EQ(run.output, header(longCommand) + "err launch[ce]\r\nSleep:[1ms]\r\n");
}

TEST(VornInterpreter, KeywordsIgnoreCaseButNothingIsTrimmed)
{
    VornFolder folder;
    folder.writeScript("x.exe\r\n"
                       "sleep:4\r\n"
                       "SLEEP:5\r\n"
                       "Sleep :100\r\n"
                       " Sleep:6\r\n"
                       "Sleep:-7\r\n"
                       "tab:0\r\n"
                       "TAB:-3\r\n"
                       "Enter:0\r\n"
                       "space:0\r\n"
                       "MOUSERANDOM:1,2\r\n"
                       "SetTimeout:1\r\n"
                       "Click:15\r\n"
                       "Click:,15\r\n"
                       "Paste:{name}\r\n"
                       "Text:{name}\r\n"
                       "SELECT:{name}\r\n"
                       ":Sleep:8\r\n"
                       "no colon here\r\n"
                       "Sleep:9\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header("x.exe") +
                              "err launch[2]\r\n"
                              "Sleep:[4ms]\r\nSleep:[5ms]\r\nSleep:[-7ms]\r\n"
                              "TAB:[0]\r\nTAB:[-3]\r\nENTER:[0]\r\nSPACE:[0]\r\n"
                              "Sleep:[9ms]\r\n");
}

TEST(VornInterpreter, TheIntervalPausesAfterDispatchedLinesOnly)
{
    VornFolder folder("[Config]\r\nInterval=600\r\n");
    folder.writeScript("x.exe\r\nunknown:1\r\nSleep :2\r\nother:3\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_GE(run.elapsedMs, 3u * 600u);

    // Lines without a usable colon are skipped without the pause.
    folder.writeConfig("[Config]\r\nInterval=20000\r\n");
    folder.writeScript("x.exe\r\nnothing\r\n:Sleep:1\r\nstill nothing\r\n");
    run = folder.run({}, 15000);
    ASSERT_TRUE(run.finished) << "a line without a keyword must not pause";

    // A negative interval is no pause, not an endless one.
    folder.writeConfig("[Config]\r\nInterval=-1\r\n");
    folder.writeScript("x.exe\r\nunknown:1\r\n");
    run = folder.run({}, 15000);
    EXPECT_TRUE(run.finished);
}

TEST(VornInterpreter, NegativeSleepDoesNotHang)
{
    VornFolder folder;
    folder.writeScript("x.exe\r\nSleep:-1\r\n");
    auto run = folder.run({}, 15000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.output, header("x.exe") + "err launch[2]\r\nSleep:[-1ms]\r\n");
}

} // namespace
