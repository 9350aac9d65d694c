#include <gtest/gtest.h>
#include <windows.h>
#include <regex>

#include "log_writer.h"
#include "test_support.h"

namespace {

class LogWriterTest : public ::testing::Test {
protected:
    ts::TempDir dir{L"log"};
    void SetUp() override
    {
        logFolder = dir.path();
        logBaseName = L"0123456789abcdef0123456789abcdef01234567";
        lastLogError = 0;
    }
    std::wstring logPath() const { return logFolder + L"\\" + logBaseName + L".txt"; }
};

std::vector<std::wstring> filesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    for (const auto& name : ts::folderEntries(folder))
        if (name.back() != L'\\')
            names.push_back(name);
    return names;
}

} // namespace

TEST_F(LogWriterTest, LinesAreTimeStampedCp932WithCrLf)
{
    ASSERT_TRUE(WriteLog(L"Start"));
    ASSERT_TRUE(WriteLog(L"%ls: %d", L"設定項目", 42));
    std::string bytes = ts::readFile(logPath());
    // CR LF line ends, no bare LF.
    EXPECT_EQ(bytes.find("\n"), bytes.find("\r\n") + 1);
    std::wstring text = ts::cp932ToWide(bytes);
    std::wregex line(LR"((\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)\|0\|Start\r\n\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\|0\|設定項目: 42\r\n)");
    EXPECT_TRUE(std::regex_match(text, line)) << ts::wideToUtf8(text);
    // The Japanese text is really code page 932 bytes (設 = 0x90 0xDD).
    EXPECT_NE(bytes.find("\x90\xdd"), std::string::npos);
}

TEST_F(LogWriterTest, TimeStampIsLocalTime)
{
    SYSTEMTIME before;
    ::GetLocalTime(&before);
    ASSERT_TRUE(WriteLog(L"OK"));
    std::wstring text = ts::cp932ToWide(ts::readFile(logPath()));
    wchar_t date[16];
    swprintf(date, 16, L"%04d/%02d/%02d", before.wYear, before.wMonth, before.wDay);
    EXPECT_EQ(text.substr(0, 10), date);
    EXPECT_EQ(text.substr(19), L"|0|OK\r\n");
}

TEST_F(LogWriterTest, MessageLineBreakContinuesOnNextLine)
{
    ASSERT_TRUE(WriteLog(L"a\nb"));
    std::string bytes = ts::readFile(logPath());
    EXPECT_EQ(bytes.substr(bytes.size() - 9), "|0|a\r\nb\r\n");
}

TEST_F(LogWriterTest, LongMessagesAreWrittenWhole)
{
    std::wstring longText(100000, L'あ');
    ASSERT_TRUE(WriteLog(L"%ls", longText.c_str()));
    std::wstring text = ts::cp932ToWide(ts::readFile(logPath()));
    EXPECT_NE(text.find(longText + L"\r\n"), std::wstring::npos);
}

TEST_F(LogWriterTest, MissingFolderFailsWithPathNotFound)
{
    logFolder = dir.path() + L"\\missing";
    EXPECT_FALSE(WriteLog(L"x"));
    EXPECT_EQ(lastLogError, 3);
    wchar_t message[128];
    swprintf(message, 128, LOG_FAILED_MESSAGE, lastLogError);
    EXPECT_STREQ(message, L"ログ出力に失敗したため中断しました[0x3]");
}

TEST_F(LogWriterTest, EmptyBaseNameWritesDotTxt)
{
    logBaseName.clear();
    ASSERT_TRUE(WriteLog(L"x"));
    EXPECT_TRUE(ts::fileExists(dir.file(L".txt")));
}

// A character with no code page 932 form comes out as the substitute; the
// rest of the line is written as it is.
TEST_F(LogWriterTest, UnencodableCharacterIsSubstituted)
{
    ASSERT_TRUE(WriteLog(L"emoji \U0001F600 here"));
    std::string bytes = ts::readFile(logPath());
    EXPECT_NE(bytes.find("|0|emoji "), std::string::npos);
    EXPECT_NE(bytes.find(" here\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\xF0\x9F"), std::string::npos) << "no UTF-8 in a code page 932 file";
}

TEST_F(LogWriterTest, OtherWritersShareTheFile)
{
    ASSERT_TRUE(WriteLog(L"one"));
    HANDLE reader = ::CreateFileW(logPath().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(WriteLog(L"two"));
    ::CloseHandle(reader);
}

// Rotation without writing 150 MiB line by line: the file is first extended
// to just under the limit.
TEST_F(LogWriterTest, RotatesPastTheLimit)
{
    {
        HANDLE h = ::CreateFileW(logPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size;
        size.QuadPart = LOG_ROTATE_BYTES - 10;
        ::SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
        ::SetEndOfFile(h);
        ::CloseHandle(h);
    }
    ASSERT_TRUE(WriteLog(L"this line crosses the limit"));
    EXPECT_FALSE(ts::fileExists(logPath()));
    auto names = filesIn(dir.path());
    ASSERT_EQ(names.size(), 1u);
    std::wregex rotated(logBaseName + LR"(_\d{8}_\d{6}\.txt)");
    EXPECT_TRUE(std::regex_match(names[0], rotated)) << ts::wideToUtf8(names[0]);

    // The rotated file ends with the line that took it past the limit.
    HANDLE h = ::CreateFileW(dir.file(names[0]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    ::GetFileSizeEx(h, &size);
    LARGE_INTEGER tail;
    tail.QuadPart = size.QuadPart - 29;
    ::SetFilePointerEx(h, tail, nullptr, FILE_BEGIN);
    char buf[64] = {};
    DWORD got = 0;
    ::ReadFile(h, buf, 29, &got, nullptr);
    ::CloseHandle(h);
    EXPECT_EQ(std::string(buf, got), "this line crosses the limit\r\n");

    // The next line starts a new file under the plain name.
    ASSERT_TRUE(WriteLog(L"fresh"));
    std::string fresh = ts::readFile(logPath());
    EXPECT_EQ(fresh.substr(fresh.size() - 10), "|0|fresh\r\n");
    EXPECT_LT(fresh.size(), 64u);
}

TEST_F(LogWriterTest, ExactlyAtTheLimitDoesNotRotate)
{
    ASSERT_TRUE(WriteLog(L"x"));
    std::string one = ts::readFile(logPath());
    {
        HANDLE h = ::CreateFileW(logPath().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER size;
        size.QuadPart = LOG_ROTATE_BYTES - static_cast<LONGLONG>(one.size());
        ::SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
        ::SetEndOfFile(h);
        ::CloseHandle(h);
    }
    ASSERT_TRUE(WriteLog(L"x"));
    EXPECT_TRUE(ts::fileExists(logPath()));
    EXPECT_EQ(filesIn(dir.path()).size(), 1u);
}
