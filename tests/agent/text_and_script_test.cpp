// In-process tests of the agent's text helpers, script loading and configuration.
#include <gtest/gtest.h>
#include <windows.h>

#include "agent_settings.h"
#include "mbcs_text.h"
#include "script_file.h"
#include "window_search.h"
#include "test_support.h"

namespace {

std::string sjis(const char* utf8) { return ts::wideToCp932(ts::utf8ToWide(utf8)); }

TEST(MbcsText, SeparatorsInsideDoubleByteCharactersAreNotFound)
{
    // ＋ and ± are 81 7B and 81 7D in code page 932: their trail bytes are '{' and '}'.
    std::string plusMinus = sjis("＋±");
    ASSERT_EQ(plusMinus, "\x81\x7B\x81\x7D");
    EXPECT_EQ(vorn::findChar(plusMinus, '{'), std::string::npos);
    EXPECT_EQ(vorn::findChar(plusMinus, '}'), std::string::npos);
    std::string mixed = sjis("ソ{x}");
    EXPECT_EQ(vorn::findChar(mixed, '{'), 2u);
    EXPECT_EQ(vorn::findChar(mixed, '}'), 4u);
    EXPECT_EQ(vorn::findChar("a,b,c", ',', 2), 3u);
    // A lead byte cut off at the end stands alone.
    EXPECT_EQ(vorn::findChar(std::string("a\x81"), 'x'), std::string::npos);
}

TEST(MbcsText, SubstringSearchMatchesWholeCharactersOnly)
{
    // ソ is 83 5C: its trail byte is a backslash.
    std::string soft = sjis("ソフト");
    EXPECT_FALSE(vorn::containsText(soft, "\\"));
    EXPECT_TRUE(vorn::containsText(soft, sjis("フト")));
    EXPECT_TRUE(vorn::containsText("abc" + soft, soft));
    EXPECT_TRUE(vorn::containsText(soft + "\\", "\\"));
    EXPECT_FALSE(vorn::containsText("ab", "abc"));
    EXPECT_TRUE(vorn::containsText("ab", ""));
}

TEST(MbcsText, KeywordsCompareIgnoringCaseIncludingFullWidthLetters)
{
    EXPECT_TRUE(vorn::equalsNoCase("sLeEp", "Sleep"));
    EXPECT_FALSE(vorn::equalsNoCase("Sleep ", "Sleep"));
    EXPECT_TRUE(vorn::equalsNoCase(sjis("ａｂ"), sjis("ＡＢ")));
}

TEST(MbcsText, NumbersAndColoursReadLikeTheCRuntime)
{
    EXPECT_EQ(vorn::readNumber("  -12abc"), -12);
    EXPECT_EQ(vorn::readNumber("x1"), 0);
    EXPECT_EQ(vorn::readColour(" 0xff00"), 0xff00u);
    EXPECT_EQ(vorn::readColour("FF0000"), 0xff0000u);
    EXPECT_EQ(vorn::readColour("zz"), 0u);
}

TEST(MbcsText, JapaneseMessagesConvertToTheAnsiCodePage)
{
    EXPECT_EQ(vorn::ansiFromUtf8("対象"), sjis("対象"));
}

class ScriptFileTest : public ::testing::Test {
protected:
    ts::TempDir dir{L"script"};
    std::string path = ts::wideToCp932(dir.file(L"s.txt"));
    vorn::ScriptFile load(const std::string& bytes)
    {
        ts::writeFile(dir.file(L"s.txt"), bytes);
        vorn::ScriptFile script;
        EXPECT_TRUE(vorn::loadScript(path, script));
        return script;
    }
};

TEST_F(ScriptFileTest, FirstLineIsTheLaunchCommandWhateverItHolds)
{
    auto script = load(";notepad.exe\r\n;comment\r\nTAB:1\r\n");
    EXPECT_EQ(script.launchCommand, ";notepad.exe");
    EXPECT_EQ(script.commands, std::vector<std::string>{"TAB:1"});
}

TEST_F(ScriptFileTest, CommentsAndEmptyLinesAreDroppedOthersKeptUntrimmed)
{
    auto script = load("run\n\n;x:1\n ;y:2\n\tTAB: 3 \r\n\r\nlast");
    EXPECT_EQ(script.launchCommand, "run");
    EXPECT_EQ(script.commands, (std::vector<std::string>{" ;y:2", "\tTAB: 3 ", "last"}));
}

TEST_F(ScriptFileTest, EveryLineEndCountsAndMarkedFilesAreConverted)
{
    // CR, LF and CR LF each end one line: CR CR LF leaves an empty line, which is dropped.
    auto script = load("a\rb\r\r\nc\n\nd");
    EXPECT_EQ(script.launchCommand, "a");
    EXPECT_EQ(script.commands, (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(script.lineNumbers, (std::vector<size_t>{2, 4, 6}));
    EXPECT_EQ(script.encoding, vorn::ScriptEncoding::Ansi);

    // UTF-16 in either byte order; a character without an ANSI form becomes '?' and its
    // line is named.
    script = load(std::string("\xFE\xFF\0r\0\n\x65\xe5\0\r\0\n\x26\x03", 14));
    EXPECT_EQ(script.encoding, vorn::ScriptEncoding::Utf16BigEndian);
    EXPECT_EQ(script.commands, (std::vector<std::string>{sjis("日"), "?"}));
    EXPECT_EQ(script.lossyLines, std::vector<size_t>{3});
    script = load(std::string("\xFF\xFEr\0\r\0x\0", 8));
    EXPECT_EQ(script.encoding, vorn::ScriptEncoding::Utf16LittleEndian);
    EXPECT_EQ(script.commands, std::vector<std::string>{"x"});
    script = load("\xEF\xBB\xBFrun\r\n\xE6\x97\xA5:1");
    EXPECT_EQ(script.launchCommand, "run");
    EXPECT_EQ(script.commands, std::vector<std::string>{sjis("日") + ":1"});
}

TEST_F(ScriptFileTest, EmptyFileHasAnEmptyLaunchCommand)
{
    auto script = load("");
    EXPECT_EQ(script.launchCommand, "");
    EXPECT_TRUE(script.commands.empty());
}

TEST_F(ScriptFileTest, HugeLinesAreKeptWhole)
{
    std::string huge(100000, 'a');
    auto script = load("run\r\nText:" + huge + "\r\nTAB:1\r\n");
    ASSERT_EQ(script.commands.size(), 2u);
    EXPECT_EQ(script.commands[0], "Text:" + huge);
}

TEST_F(ScriptFileTest, MissingFileCannotBeLoaded)
{
    vorn::ScriptFile script;
    EXPECT_FALSE(vorn::loadScript(ts::wideToCp932(dir.file(L"none.txt")), script));
}

TEST(Configuration, MissingFileGivesDefaults)
{
    ts::TempDir dir{L"cfg"};
    vorn::AgentSettings settings;
    vorn::readConfiguration(settings, ts::wideToCp932(dir.path()));
    EXPECT_EQ(settings.commandInterval, 500);
    EXPECT_EQ(settings.keyDeliveryMode, 1);
    EXPECT_EQ(settings.searchTimeout, 60);
    EXPECT_EQ(settings.agentDirectory, ts::wideToCp932(dir.path()));
}

TEST(Configuration, ValuesAreReadAndANegativeIntervalMeansNoPause)
{
    ts::TempDir dir{L"cfg"};
    ts::writeFile(dir.file(L"config.ini"), "[Config]\r\nInterval=-1\r\nMessage=0\r\nTimeout=-5\r\n");
    vorn::AgentSettings settings;
    vorn::readConfiguration(settings, ts::wideToCp932(dir.path()));
    EXPECT_EQ(settings.commandInterval, 0);
    EXPECT_EQ(settings.keyDeliveryMode, 0);
    EXPECT_EQ(settings.searchTimeout, -5);
}

TEST(Configuration, AScreenThatCannotBeMeasuredIsNotScaled)
{
    EXPECT_EQ(vorn::scaleFromDpi(120), 1.25f);
    EXPECT_EQ(vorn::scaleFromDpi(0), 1.0f); // no screen context: every click would land at 0,0
}

TEST(RetryQuestion, ABoxThatCannotBeShownCountsAsCancel)
{
    EXPECT_TRUE(vorn::retryAnswerGoesOn(IDRETRY));
    EXPECT_FALSE(vorn::retryAnswerGoesOn(IDCANCEL));
    EXPECT_FALSE(vorn::retryAnswerGoesOn(0));
}

} // namespace

#include "capture.h"

namespace {

TEST(BitmapLayout, StrideAndHeadersFollowTheFileFormat)
{
    EXPECT_EQ(vorn::bitmapStride(101), 304u);
    EXPECT_EQ(vorn::bitmapStride(4), 12u);
    EXPECT_EQ(vorn::bitmapStride(1), 4u);
    auto h = vorn::bitmapHeaders(101, 2);
    const uint8_t expected[54] = {'B', 'M', 0x96, 0x02, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                  101, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0x60, 0x02,
                                  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(h.begin(), h.end()), std::vector<uint8_t>(expected, expected + 54));
}

TEST(BitmapLayout, AFailedWriteLeavesNoPartialFile)
{
    ts::TempDir dir{L"bmp"};
    std::wstring path = dir.file(L"shot.bmp");
    std::string pathA = ts::wideToCp932(path);
    ASSERT_TRUE(ts::writeFile(path, "older"));
    // The headers are written, then the pixel rows cannot be read.
    void* unreadable = ::VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(unreadable, nullptr);
    EXPECT_FALSE(vorn::writeBitmapFile(pathA, 10, 10, unreadable));
    ::VirtualFree(unreadable, 0, MEM_RELEASE);
    EXPECT_EQ(ts::readFile(path), "older");
    EXPECT_FALSE(ts::fileExists(path + L".tmp"));

    std::string pixels(vorn::bitmapStride(10) * 10, '\x7f');
    EXPECT_TRUE(vorn::writeBitmapFile(pathA, 10, 10, pixels.data()));
    EXPECT_EQ(ts::readFile(path).size(), 54 + pixels.size());
    EXPECT_FALSE(ts::fileExists(path + L".tmp"));
}

TEST(Timestamp, FourteenDigitsOfLocalTime)
{
    std::string name = vorn::timestampName();
    ASSERT_EQ(name.size(), 14u);
    EXPECT_EQ(name.find_first_not_of("0123456789"), std::string::npos);
}

} // namespace
