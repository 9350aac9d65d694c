// vornrun over the corpus of bad scripts and config.ini files: each case ends within its
// time limit with the expected exit code and output line, without a crash.
#include <gtest/gtest.h>

#include <set>

#include "vorn_test_support.h"

namespace {

constexpr DWORD CASE_LIMIT_MS = 30000;
const std::string QUICK_CONFIG = "[Config]\r\nInterval=0\r\nTimeout=1\r\n";
const std::set<DWORD> ANY_RESULT = {0, vt::RESULT_PROCESS_LOST, vt::RESULT_STEP_FAILED};

std::string corpus(const std::wstring& name) { return ts::readFile(ts::moduleDir() + L"\\robust_corpus\\" + name); }

struct ScriptCase {
    const wchar_t* file;
    std::set<DWORD> exitCodes;
    std::vector<std::string> outputParts; // each must appear in standard output
};

const ScriptCase SCRIPT_CASES[] = {
    {L"binary.txt", ANY_RESULT, {"launch:"}},
    {L"lead_byte_at_line_end.txt", {0}, {"Sleep:[1ms]\r\nTAB:[0]\r\nSleep:[2ms]\r\n"}},
    {L"only_separators.txt", {0}, {"err launch[2]\r\nSleep:[3ms]\r\n"}},
    {L"keywords_empty.txt", {0},
     {"err launch[2]\r\nTAB:[0]\r\nENTER:[0]\r\nSPACE:[0]\r\nSleep:[0ms]\r\nSleep:[4ms]\r\n"}},
    // Ends at the search for a window with no target process.
    {L"keywords_absurd.txt", {vt::RESULT_PROCESS_LOST},
     {"Sleep:[-2147483648ms]\r\n", "Sleep:[5ms]\r\nSearch Window:[][]\r\n"}},
    // A press, a text or a selection with no window to receive it fails the step.
    {L"text_empty.txt", {vt::RESULT_STEP_FAILED}, {"Text:[]\r\n"}},
    {L"tab_huge_no_window.txt", {vt::RESULT_STEP_FAILED}, {"TAB:["}},
    {L"click_absurd.txt", {vt::RESULT_STEP_FAILED}, {"Click:[99999999,-99999999]\r\n"}},
    {L"combo_empty.txt", {vt::RESULT_STEP_FAILED}, {"err launch[2]\r\n"}},
    {L"combo_find_absurd.txt", {vt::RESULT_STEP_FAILED}, {"err launch[2]\r\n"}},
    {L"waitpixel_no_process.txt", {vt::RESULT_PROCESS_LOST}, {"err launch[2]\r\n"}},
    {L"waitpixel_negative_timeout.txt", {vt::RESULT_STEP_FAILED}, {"err launch[2]\r\n"}},
    {L"window_negative_index.txt", {vt::RESULT_PROCESS_LOST}, {"Search Window:[a][b]\r\n"}},
    {L"process_never_found.txt", {vt::RESULT_STEP_FAILED}, {"Search Process:[NoSuchClass][\x82\xa0]\r\n"}},
};

TEST(VornCorpus, EveryBadScriptEndsWithAClearResult)
{
    for (const ScriptCase& c : SCRIPT_CASES) {
        SCOPED_TRACE(ts::wideToUtf8(c.file));
        vt::VornFolder folder(QUICK_CONFIG);
        folder.writeScript(corpus(std::wstring(L"script\\") + c.file));
        auto run = folder.run({}, CASE_LIMIT_MS);
        ASSERT_TRUE(run.finished) << "no result within the limit";
        EXPECT_TRUE(c.exitCodes.count(run.exitCode)) << run.exitCode << "\n" << run.output;
        EXPECT_EQ(run.output.rfind("script.txt\n", 0), 0u) << run.output;
        for (const std::string& part : c.outputParts)
            EXPECT_NE(run.output.find(part), std::string::npos) << part << "\n---\n" << run.output;
    }
}

TEST(VornCorpus, HugeLinesAreHandledWhole)
{
    const std::string huge(10 * 1024 * 1024, 'x');
    vt::VornFolder folder(QUICK_CONFIG);
    // A 10 MB text cannot be read back through a 256-byte buffer: the step fails.
    folder.writeScript("x.exe\r\nText:" + huge + "\r\nSleep:1\r\n");
    auto run = folder.run({}, 60000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    EXPECT_NE(run.output.find("Text:[" + huge + "]\r\n"), std::string::npos);

    // A 10 MB launch line does not fit the command-line buffer: refused, the commands run.
    folder.writeScript(huge + "\r\nSleep:2\r\n");
    run = folder.run({}, 60000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.output.find("err launch[ce]\r\nSleep:[2ms]\r\n"), std::string::npos);

    // A 10 MB unknown keyword, and a 10 MB line without a colon.
    folder.writeScript("x.exe\r\n" + huge + ":1\r\n" + huge + "\r\nSleep:3\r\n");
    run = folder.run({}, 60000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.output.find("Sleep:[3ms]\r\n"), std::string::npos);
}

TEST(VornCorpus, JunkConfigurationFallsBackToUsableSettings)
{
    for (const wchar_t* file : {L"binary.ini", L"not_numbers.ini", L"overflow.ini", L"sections_twice.ini"}) {
        SCOPED_TRACE(ts::wideToUtf8(file));
        vt::VornFolder folder(corpus(std::wstring(L"config\\") + file));
        folder.writeScript("x.exe\r\nSleep:1\r\nunknown:2\r\n");
        auto run = folder.run({}, CASE_LIMIT_MS);
        ASSERT_TRUE(run.finished) << "no result within the limit";
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_NE(run.output.find("err launch[2]\r\nSleep:[1ms]\r\n"), std::string::npos) << run.output;
    }
}

} // namespace
