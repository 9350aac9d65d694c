// vornrun against a target that stops answering or ends in the middle of a command:
// the run ends with a failure code in bounded time, never hangs and never crashes.
#include <gtest/gtest.h>

#include "vorn_test_support.h"

namespace {

using vt::VornFolder;

constexpr int REPLY_LIMIT_S = 1;
// The time-out, the searches' one-second pace, the target's start and some slack.
constexpr DWORD RUN_BOUND_MS = REPLY_LIMIT_S * 1000 + 9000;

const std::string FIND_MAIN = "Process:VornTarget,Vorn Target\r\nTarget:VornTarget,Vorn Target\r\n";

class HungTarget : public ::testing::Test {
protected:
    vt::ProgramCleanup cleanup;
    VornFolder folder{"[Config]\r\nInterval=0\r\nTimeout=" + std::to_string(REPLY_LIMIT_S) + "\r\n"};
    std::string launch = folder.targetLaunch("--triggers=1");

    vt::VornRun runScript(const std::string& commands)
    {
        vt::ProgramCleanup::endAll();
        ts::removeTree(folder.file(L"record.txt"));
        folder.writeScript(launch + "\r\n" + FIND_MAIN + commands);
        return folder.run({}, 60000);
    }
};

// Every operation that waits for the target's answer: keys, text, paste, combo boxes.
const char* const WAITING_OPERATIONS[] = {"TAB:1", "ENTER:2", "SPACE:1", "SELECT:1", "Text:abc",
                                          "Paste:abc", "COMBOBOXSELECT:1", "COMBOBOXFIND:Alpha"};

TEST_F(HungTarget, EveryWaitingOperationFailsTheStepAfterTheLimit)
{
    for (const char* operation : WAITING_OPERATIONS) {
        SCOPED_TRACE(operation);
        // The click is never waited for; it makes the target stop answering.
        auto run = runScript(std::string("Window:VornHang,hang\r\nClick:5,5\r\nSleep:300\r\n") + operation +
                             "\r\nSleep:1\r\n");
        ASSERT_TRUE(run.finished) << run.output;
        EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED) << run.output;
        EXPECT_LT(run.elapsedMs, RUN_BOUND_MS);
        EXPECT_GE(run.elapsedMs, REPLY_LIMIT_S * 1000u); // the whole limit is granted
        EXPECT_NE(folder.record().find("hang"), std::string::npos);
        // The run stopped at the operation: the following line never ran.
        EXPECT_EQ(run.output.find("Sleep:[1ms]"), std::string::npos) << run.output;
        EXPECT_TRUE(run.questions.empty());
    }
}

TEST_F(HungTarget, CommandsThatDoNotWaitForAnAnswerStillWork)
{
    // Focus and a new search (which repaints the old window's outline) skip a target that
    // does not answer; screenshots and pixel reads need no answer; the next key press
    // then fails on the limit.
    ::CreateDirectoryW(folder.file(L"appleid").c_str(), nullptr);
    auto run = runScript("Window:VornHang,hang\r\nClick:5,5\r\nSleep:300\r\nFOCUS:0\r\nSS:\r\n"
                         "Assert:5,5,123456\r\nWindow:VornKeys,keys\r\n"
                         "Sleep:2\r\nTAB:1\r\nSleep:1\r\n");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED) << run.output;
    EXPECT_LT(run.elapsedMs, RUN_BOUND_MS + 3 * REPLY_LIMIT_S * 1000);
    EXPECT_NE(run.output.find("Search Window:[VornKeys][keys]\r\nSleep:[2ms]\r\nTAB:[1]\r\n"), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Sleep:[1ms]"), std::string::npos);
}

TEST_F(HungTarget, TargetThatHangsWhileAPixelIsAwaitedTimesOutNormally)
{
    launch = folder.targetLaunch("--hang=1500");
    auto run = runScript("SetTimeout:3000\r\nWaitPixel:5,5,123456\r\nSleep:1\r\n");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED) << run.output;
    EXPECT_LT(run.elapsedMs, RUN_BOUND_MS + 3000);
}

// Everything the agent does to a window, each aimed at the control that ends the process
// as soon as the message arrives.
const char* const ALL_OPERATIONS[] = {"TAB:1",     "ENTER:1",    "SPACE:3",          "SELECT:2",
                                      "Text:abc",  "Paste:abc",  "COMBOBOXSELECT:1", "COMBOBOXFIND:Alpha",
                                      "Click:5,5", "FOCUS:0",    "SS:",              "Assert:5,5,0"};

TEST_F(HungTarget, TargetEndingInTheMiddleOfAnyCommandEndsTheRunWithAFailure)
{
    ::CreateDirectoryW(folder.file(L"appleid").c_str(), nullptr);
    for (const char* operation : ALL_OPERATIONS) {
        SCOPED_TRACE(operation);
        // The click on the exit control first ends the process for the commands that send
        // nothing the control would receive.
        std::string commands = "Window:VornExit,exit\r\n";
        std::string op = operation;
        if (op == "FOCUS:0" || op == "SS:" || op == "Assert:5,5,0")
            commands += "Click:5,5\r\n";
        auto run = runScript(commands + op + "\r\nSleep:1\r\nTAB:1\r\n");
        ASSERT_TRUE(run.finished) << run.output;
        EXPECT_TRUE(run.exitCode == vt::RESULT_PROCESS_LOST || run.exitCode == vt::RESULT_STEP_FAILED)
            << run.exitCode << "\n"
            << run.output;
        EXPECT_LT(run.elapsedMs, RUN_BOUND_MS);
        EXPECT_NE(folder.record().find("exit"), std::string::npos);
    }
}

TEST_F(HungTarget, TargetEndingDuringAPixelWaitOrASearchIsAProcessLoss)
{
    // A long search limit: the loss, not the retry question, must end these runs.
    folder.writeConfig("[Config]\r\nInterval=0\r\nTimeout=20\r\n");
    launch = folder.targetLaunch("--exit=2500");
    auto run = runScript("SetTimeout:20000\r\nWaitPixel:5,5,123456\r\nSleep:1\r\n");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, vt::RESULT_PROCESS_LOST) << run.output;

    run = runScript("Sleep:1\r\nWindow:NoSuchClass,none\r\nSleep:1\r\n");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, vt::RESULT_PROCESS_LOST) << run.output;
}

} // namespace
