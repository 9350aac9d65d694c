// Window searches of vornrun against the test application and Wine's notepad.
#include <gtest/gtest.h>

#include "vorn_test_support.h"

namespace {

using vt::cp932;
using vt::header;
using vt::VornFolder;

const std::string FIND_MAIN = "Process:VornTarget,Vorn Target\r\n";
const std::string SEARCH_MAIN = "Search Process:[VornTarget][Vorn Target]\r\n";

class VornSearch : public ::testing::Test {
protected:
    vt::ProgramCleanup cleanup;
    VornFolder folder;
    std::string launch = folder.targetLaunch();
};

TEST_F(VornSearch, ProcessFindsNotepadByClassAndJapaneseCaption)
{
    ts::writeFile(folder.file(L"notes.txt"), "hello");
    // Quoted: the launch line gets a blank appended, which notepad would take into the name.
    std::string notepad = "notepad.exe \"" + ts::wideToCp932(folder.file(L"notes.txt")) + "\"";
    std::string title = cp932("notes.txt - メモ帳");
    folder.writeScript(notepad + "\r\nProcess:Notepad," + title + "\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header(notepad) + "Search Process:[Notepad][" + title + "]\r\n");
    EXPECT_TRUE(run.questions.empty());
}

TEST_F(VornSearch, ProcessWaitsUntilTheCaptionMatchesExactly)
{
    // The caption reads "Loading" for the first two seconds.
    launch = folder.targetLaunch("--late=2000");
    folder.writeConfig("[Config]\r\nInterval=0\r\nTimeout=20\r\n");
    folder.writeScript(launch + "\r\n" + FIND_MAIN + "Target:VornTarget,Vorn Target\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN + "Search Target:[VornTarget][Vorn Target]\r\n");
    EXPECT_GE(run.elapsedMs, 2000u);
}

TEST_F(VornSearch, ProcessDrivesTheProgramThisRunStarted)
{
    // A copy left running by an earlier run, recording into a file of its own.
    ts::TempDir earlier(L"earlier");
    ts::ChildProcess old;
    ASSERT_TRUE(old.start(ts::quote(ts::binPath(L"vorn_target.exe")) + L" " + ts::quote(earlier.file(L"record.txt"))));
    ASSERT_TRUE(ts::waitForWindow(L"VornTarget", L"Vorn Target", old.pid(), 10000));
    const std::string clickPanel = FIND_MAIN + "Target:VornTarget,Vorn Target\r\nWindow:VornPanel,panel\r\nClick:";

    // A launcher that ends at once (it handed over): the running copy is driven.
    folder.writeScript("cmd.exe /c exit\r\n" + clickPanel + "5,6\r\n");
    auto run = folder.run();
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(ts::waitUntil([&] { return ts::readFile(earlier.file(L"record.txt")).find("click 105 5 6") != std::string::npos; },
                              30000));

    // The copy this run starts shows its caption only after 1.5 s: it is still the one driven.
    folder.writeScript(folder.targetLaunch("--late=1500") + "\r\n" + clickPanel + "3,4\r\n");
    run = folder.run();
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(folder.waitForRecord("click 105 3 4\n", 5000)) << folder.record();
    EXPECT_EQ(ts::readFile(earlier.file(L"record.txt")).find("click 105 3 4"), std::string::npos);
}

TEST_F(VornSearch, CancelOnTheRetryQuestionFailsTheStep)
{
    folder.writeConfig("[Config]\r\nInterval=0\r\nTimeout=0\r\n");
    folder.writeScript(launch + "\r\nProcess:NoSuchClass,none\r\nSleep:1\r\n");
    auto run = folder.run({IDRETRY, IDCANCEL});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    EXPECT_EQ(run.output, header(launch) + "Search Process:[NoSuchClass][none]\r\n");
    ASSERT_EQ(run.questions.size(), 2u);
    EXPECT_EQ(run.questions[0], ts::utf8ToWide("対象プロセスが見つかりませんでした。\r再試行しますか？"));
}

TEST_F(VornSearch, TargetBeforeProcessFindsNoProcess)
{
    folder.writeScript(launch + "\r\nTarget:VornTarget,Vorn Target\r\nSleep:1\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, vt::RESULT_PROCESS_LOST);
    EXPECT_EQ(run.output, header(launch) + "Search Target:[VornTarget][Vorn Target]\r\n");
    EXPECT_TRUE(run.questions.empty());
}

TEST_F(VornSearch, TargetEndedMidScriptEndsTheRun)
{
    // The exact "Process:" prefix skips the check; "process:" in lower case does not.
    folder.writeScript(launch + "\r\n" + FIND_MAIN + "Sleep:3000\r\nprocess:VornTarget,Vorn Target\r\nSleep:1\r\n");
    bool ended = false;
    auto run = folder.run({}, 30000, [&](const std::string& output) {
        if (!ended && output.find("Sleep:[3000ms]") != std::string::npos) {
            vt::ProgramCleanup::endAll();
            ended = true;
        }
    });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, vt::RESULT_PROCESS_LOST);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN + "Sleep:[3000ms]\r\n");

    // Even a line without a colon is checked.
    folder.writeScript(launch + "\r\n" + FIND_MAIN + "Sleep:3000\r\nno colon\r\nSleep:1\r\n");
    ended = false;
    run = folder.run({}, 30000, [&](const std::string& output) {
        if (!ended && output.find("Sleep:[3000ms]") != std::string::npos) {
            vt::ProgramCleanup::endAll();
            ended = true;
        }
    });
    EXPECT_EQ(run.exitCode, vt::RESULT_PROCESS_LOST);
    EXPECT_EQ(run.output.find("Sleep:[1ms]"), std::string::npos);
}

TEST_F(VornSearch, WindowTakesTheIndexedMatchAmongNestedChildren)
{
    // Three "item" windows in the main window, one nested in another; a fourth lies in another
    // top-level window of the same process and does not count.
    std::string prefix = launch + "\r\n" + FIND_MAIN + "Target:VornTarget,Vorn Target\r\n";
    folder.writeScript(prefix + "Window:VornItem,item,2\r\nWindow:VornItem,item\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN +
                              "Search Target:[VornTarget][Vorn Target]\r\n"
                              "Search Window:[VornItem][item]\r\nSearch Window:[VornItem][item]\r\n");
    EXPECT_TRUE(run.questions.empty());

    folder.writeConfig("[Config]\r\nInterval=0\r\nTimeout=1\r\n");
    for (const char* index : {"3", "-1"}) {
        folder.writeScript(prefix + "Window:VornItem,item," + index + "\r\nSleep:1\r\n");
        run = folder.run();
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED) << index;
        ASSERT_EQ(run.questions.size(), 1u);
        EXPECT_EQ(run.questions[0], ts::utf8ToWide("対象が見つかりませんでした。\r再試行しますか？"));
        vt::ProgramCleanup::endAll();
    }
}

TEST_F(VornSearch, TargetAndWindowFindJapaneseCaptionsAndEmptyTitles)
{
    std::string second = cp932("第二ウィンドウ");
    folder.writeScript(launch + "\r\n" + FIND_MAIN + "Target:VornSecond," + second +
                       "\r\nWindow:VornItem,item\r\nTarget:VornTarget,Vorn Target\r\nWindow:Edit,\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN + "Search Target:[VornSecond][" + second +
                              "]\r\nSearch Window:[VornItem][item]\r\n"
                              "Search Target:[VornTarget][Vorn Target]\r\nSearch Window:[Edit][]\r\n");
}

TEST_F(VornSearch, TargetWindowFindsBothWindowsWithoutOutput)
{
    std::string second = cp932("第二ウィンドウ");
    folder.writeScript(launch + "\r\n" + FIND_MAIN + "TargetWindow:VornSecond," + second +
                       ",VornItem,item,0\r\nTargetWindow:VornTarget,Vorn Target,VornItem,item\r\n"
                       "TargetWindow:VornTarget,Vorn Target\r\nSleep:1\r\n");
    auto run = folder.run({}, 20000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN + "Sleep:[1ms]\r\n");
}

TEST_F(VornSearch, TargetWindowWaitsUntilTheProcessIsGone)
{
    // Windows that never come: the wait ends only with the target process.
    folder.writeScript(launch + "\r\n" + FIND_MAIN + "Sleep:1\r\nTargetWindow:A,B,C,D\r\nSleep:2\r\n");
    DWORD seen = 0;
    bool ended = false;
    auto run = folder.run({}, 30000, [&](const std::string& output) {
        if (!seen && output.find("Sleep:[1ms]") != std::string::npos)
            seen = ::GetTickCount();
        if (seen && !ended && ::GetTickCount() - seen > 2000) {
            vt::ProgramCleanup::endAll();
            ended = true;
        }
    });
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(ended);
    EXPECT_EQ(run.exitCode, vt::RESULT_PROCESS_LOST);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN + "Sleep:[1ms]\r\n");
}

} // namespace
