// peltacfg over the corpus of bad catalogues, data files and inventory lists: every case
// shows its expected status text, log line or message box within a time limit, and the
// data file is either left as it was or saved so that it loads again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app_driver.h"
#include "app_kit.h"
#include "machine_data_file.h"
#include "mutator.h"
#include "win32_owners.h"
#include "resource.h"

namespace {

constexpr DWORD WINDOW_LIMIT_MS = 30000;
constexpr const wchar_t* SERIAL = L"SN-CORPUS";
const std::wstring COMPLETED = L"完了しました\r\n設定の反映には再起動が必要です";
const std::wstring FAILED = L"失敗しました";

std::string corpus(const std::wstring& name) { return ts::readFile(ts::moduleDir() + L"\\robust_corpus\\" + name); }

const std::string PUT_METHOD = "<Data><Name>Put</Name><Set type=\"Registry\"><Root>HKCU</Root>"
                               "<Key>Software\\PeltawinTest\\Corpus</Key><Name>Put</Name><Type>REG_SZ</Type></Set></Data>\n"
                               "<Data><Name>Model</Name><Method type=\"WMI\"><Namespace>root\\cimv2</Namespace>"
                               "<Class>Win32_ComputerSystem</Class><Property>Model</Property></Method></Data>\n";

size_t countOf(const std::wstring& text, const std::wstring& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

class Corpus : public ::testing::Test {
protected:
    ComApartment com;
    AppKit kit{SERIAL};

    void SetUp() override { kit.writeMethods(PUT_METHOD); }

    struct Status {
        bool shown = false;
        std::wstring message, serial;
    };
    Status startForStatus()
    {
        Status s;
        kit.start();
        HWND window = kit.waitStatusWindow(WINDOW_LIMIT_MS);
        if (!window)
            return s;
        s.shown = true;
        s.message = ts::dialogItemText(window, IDC_STATUS_MESSAGE);
        s.serial = ts::dialogItemText(window, IDC_STATUS_SERIAL);
        ts::pressButton(window, IDOK);
        EXPECT_TRUE(kit.process().wait(15000));
        return s;
    }
    // Starts, presses "実行" and answers the box that ends the run; its text, or "" if none.
    std::wstring runToBox()
    {
        kit.start();
        HWND dialog = kit.waitMainDialog(WINDOW_LIMIT_MS);
        if (!dialog)
            return L"<no main dialog>";
        HWND box = kit.runAndWaitBox(dialog, WINDOW_LIMIT_MS);
        std::wstring text = box ? drv::messageBoxText(box) : L"<no box>";
        if (box)
            drv::closeMessageBox(box);
        // The file is saved once the box is answered; the program waits for that
        // save before it ends, so closing now loses nothing.
        EXPECT_TRUE(kit.closeAndWait(dialog));
        return text;
    }
    bool machineFileLoads(MachineDataFile& data)
    {
        robust::QuietStdout quiet;
        return data.Load(kit.file(kit.machineFile()));
    }
};

struct StartupCase {
    const wchar_t* file;
    const wchar_t* message;
    const wchar_t* serial; // null: the serial number
};

TEST_F(Corpus, BadCataloguesStopStartUpWithTheirMessage)
{
    const StartupCase cases[] = {
        {L"empty.xml", L"設定ファイルの読み込みに失敗しました", L"---"},
        {L"binary_junk.xml", L"設定ファイルの読み込みに失敗しました", L"---"},
        {L"truncated.xml", L"設定ファイルの読み込みに失敗しました", L"---"},
        {L"invalid_utf8.xml", L"設定ファイルの読み込みに失敗しました", L"---"},
        {L"wrong_root.xml", L"シリアルナンバーが取得できませんでした", L"未取得"},
        {L"missing_type.xml", L"シリアルナンバーが取得できませんでした", L"未取得"},
        {L"missing_name.xml", L"シリアルナンバーが取得できませんでした", L"未取得"},
        {L"unknown_get_type.xml", L"シリアルナンバーが取得できませんでした", L"未取得"},
        // A catalogue in UTF-16 with its byte-order mark is a good catalogue.
        {L"utf16_bom.xml", L"未登録のPCです", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ts::wideToUtf8(c.file));
        kit.write(L"methods.xml", corpus(std::wstring(L"catalogue\\") + c.file));
        Status s = startForStatus();
        ASSERT_TRUE(s.shown);
        EXPECT_EQ(s.message, c.message);
        EXPECT_EQ(s.serial, c.serial ? c.serial : SERIAL);
        EXPECT_FALSE(ts::fileExists(kit.file(kit.machineFile())));
    }
}

struct RunCase {
    const wchar_t* usersFile;
    std::string items;
    std::wstring box;     // the start of the box text
    std::wstring logLine; // a line the log must hold
};

TEST_F(Corpus, BadUserCataloguesEndTheRunWithAClearOutcome)
{
    const std::string step = "<Value Name=\"step\" Method=\"Step\">1</Value>";
    const RunCase cases[] = {
        {L"unknown_type.xml", step, FAILED, L"|Error: 0\r\n"},
        // The cycle is cut after a few references; the step gets no usable path and fails.
        {L"reference_cycle.xml", step, FAILED, L"|step - Step\r\n"},
        {L"param_without_name.xml", step, FAILED, L"|Error: "},
        {L"apostrophe.xml", "<Value Name=\"q\" Method=\"it's\">1</Value>" + step, COMPLETED,
         L"|Method Not Found: it's\r\n"},
        {L"binary_junk.xml", step, COMPLETED, L"|Method Not Found: Step\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ts::wideToUtf8(c.usersFile));
        kit.write(L"usersmethods.xml", corpus(std::wstring(L"users\\") + c.usersFile));
        kit.write(kit.machineFile(), dataFile(c.items, "<Serial>SN-CORPUS</Serial><Inventory/>"));
        std::wstring box = runToBox();
        EXPECT_EQ(box.rfind(c.box, 0), 0u) << ts::wideToUtf8(box);
        EXPECT_NE(kit.logText().find(c.logLine), std::wstring::npos) << ts::wideToUtf8(c.logLine);
        MachineDataFile data;
        EXPECT_TRUE(machineFileLoads(data));
        EXPECT_EQ(data.isDone, box.rfind(L"完了", 0) == 0);
    }
}

TEST_F(Corpus, AMethodNameOfOneMegabyteIsNotFoundAndTheRunGoesOn)
{
    std::string name(1024 * 1024, 'm');
    kit.write(L"usersmethods.xml", "<Datas><Data><Name>" + name + "</Name><Set type=\"Registry\"><Root>HKCU</Root>"
                                   "<Key>Software\\PeltawinTest\\Corpus</Key><Name>Long</Name><Type>REG_SZ</Type>"
                                   "</Set></Data></Datas>");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"long\" Method=\"" + name + "\">1</Value>",
                                          "<Serial>SN-CORPUS</Serial><Inventory/>"));
    EXPECT_EQ(runToBox(), COMPLETED);
    EXPECT_NE(kit.logText().find(L"|Method Not Found: mmmm"), std::wstring::npos);
}

TEST_F(Corpus, BrokenDataFilesAreReportedAndLeftAsTheyWere)
{
    for (const wchar_t* file : {L"missing_name.xml", L"missing_method.xml", L"comment_among_params.xml",
                                L"binary_junk.xml", L"truncated.xml"}) {
        SCOPED_TRACE(ts::wideToUtf8(file));
        std::string bytes = corpus(std::wstring(L"data\\") + file);
        kit.write(kit.machineFile(), bytes);
        Status s = startForStatus();
        ASSERT_TRUE(s.shown);
        EXPECT_EQ(s.message, L"設定が不正");
        EXPECT_NE(kit.logText().find(L"|不正な設定\r\n"), std::wstring::npos);
        EXPECT_EQ(kit.read(kit.machineFile()), bytes) << "the broken file was changed";
    }
    kit.write(kit.machineFile(), corpus(L"data\\no_values.xml"));
    EXPECT_EQ(startForStatus().message, L"設定情報がありません");
}

struct ProgressCase {
    const wchar_t* file;
    size_t itemsApplied;
};

TEST_F(Corpus, OddProgressValuesRunTheRightItems)
{
    const ProgressCase cases[] = {
        {L"comment_first.xml", 1},
        {L"duplicate_names.xml", 3},
        // Below -1 nothing is recorded: every item runs (not none, with the file marked done).
        {L"progress_negative.xml", 3},
        {L"progress_text.xml", 2},  // no digits read as 0: the first item counts as done
        {L"progress_beyond.xml", 0},
        // Larger than any integer: the dialog marks its rows and the run completes at once.
        {L"progress_huge.xml", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ts::wideToUtf8(c.file));
        ::DeleteFileW(kit.file(L"log\\" + kit.digest() + L".txt").c_str());
        kit.write(kit.machineFile(), corpus(std::wstring(L"data\\") + c.file));
        EXPECT_EQ(runToBox(), COMPLETED);
        std::wstring log = kit.logText();
        EXPECT_EQ(countOf(log, L" - Put\r\n"), c.itemsApplied) << ts::wideToUtf8(log);
        MachineDataFile data;
        ASSERT_TRUE(machineFileLoads(data));
        EXPECT_TRUE(data.isDone);
        EXPECT_EQ(data.ItemCount(), c.file == std::wstring(L"comment_first.xml") ? 1u : 3u);
    }
}

TEST_F(Corpus, BadInventoryListsAddNothingAndTheRunGoesOn)
{
    std::string longLine(2 * 1024 * 1024, 'L');
    const std::pair<const wchar_t*, std::string> cases[] = {
        {L"binary", corpus(L"inventory\\binary.bin")},
        {L"nul and comments", corpus(L"inventory\\nul_and_comments.txt")},
        {L"2 MB line", "Model\r\n" + longLine + "\r\n" + longLine},
    };
    for (const auto& [label, bytes] : cases) {
        SCOPED_TRACE(ts::wideToUtf8(label));
        kit.write(L"inventory", bytes);
        kit.write(kit.machineFile(), dataFile("<Value Name=\"one\" Method=\"Put\">1</Value>",
                                              "<Serial>SN-CORPUS</Serial>"));
        EXPECT_EQ(runToBox(), COMPLETED);
        EXPECT_NE(kit.logText().find(L"|インベントリ取得\r\n"), std::wstring::npos);
        MachineDataFile data;
        ASSERT_TRUE(machineFileLoads(data));
        EXPECT_TRUE(data.isDone);
    }
}

// 100,000 items in the long run (ROBUST_BIG_ITEMS); the list takes most of a minute to
// fill under Wine, so the normal suite uses a fifth of that.
int bigItemCount()
{
    const char* value = std::getenv("ROBUST_BIG_ITEMS");
    int n = value ? std::atoi(value) : 0;
    return n > 0 ? n : 20000;
}

TEST_F(Corpus, TensOfThousandsOfItemsOpenTheDialog)
{
    const int count = bigItemCount();
    std::string values;
    values.reserve(static_cast<size_t>(count) * 50);
    for (int i = 0; i < count; ++i)
        values += "<Value Name=\"i" + std::to_string(i) + "\" Method=\"Put\">" + std::to_string(i) + "</Value>";
    std::string bytes = dataFile(values, "<Serial>SN-CORPUS</Serial><Inventory/>");
    kit.write(kit.machineFile(), bytes);
    kit.start();
    HWND dialog = kit.waitMainDialog(180000);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(kit.closeAndWait(dialog, 60000));
    EXPECT_EQ(kit.read(kit.machineFile()), bytes);
}

} // namespace
