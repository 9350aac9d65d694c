// Start-up of peltacfg: which window it shows, with which texts, for each
// state of its folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "app_driver.h"
#include "app_kit.h"
#include "resource.h"

namespace {

struct StatusView {
    std::wstring message;
    std::wstring serial;
    bool registerVisible = false;
};

// Starts the program, expects the status window and closes it.
StatusView runToStatus(AppKit& kit)
{
    StatusView view;
    kit.start();
    HWND w = kit.waitStatusWindow();
    EXPECT_TRUE(w) << "no status window";
    if (!w)
        return view;
    view.message = ts::dialogItemText(w, IDC_STATUS_MESSAGE);
    view.serial = ts::dialogItemText(w, IDC_STATUS_SERIAL);
    view.registerVisible = drv::isVisible(w, IDC_REGISTER_BUTTON);
    EXPECT_TRUE(kit.closeAndWait(w));
    return view;
}

const std::string ONE_ITEM = "<Value Name=\"a\" Method=\"m\">1</Value>";

} // namespace

TEST(Startup, MissingCatalogueShowsLoadFailure)
{
    AppKit kit;
    ::DeleteFileW(kit.file(L"methods.xml").c_str());
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"設定ファイルの読み込みに失敗しました");
    EXPECT_EQ(v.serial, L"---");
    EXPECT_FALSE(v.registerVisible);
}

TEST(Startup, EmptySerialOrNoSerialMethod)
{
    AppKit kit(L"");
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"シリアルナンバーが取得できませんでした");
    EXPECT_EQ(v.serial, L"未取得");

    // Only methods.xml is asked, never usersmethods.xml.
    AppKit other;
    other.write(L"methods.xml", "<Datas/>");
    other.write(L"usersmethods.xml", "<Datas><Data><Name>SerialNumber</Name><Method type=\"Registry\"><Root>HKCU</Root>"
                                     "<Key>Software\\PeltawinTest\\App</Key><Name>Serial</Name></Method></Data></Datas>");
    v = runToStatus(other);
    EXPECT_EQ(v.message, L"シリアルナンバーが取得できませんでした");
}

// A serial that many PCs share names no PC: like an unread one, with the
// text read shown; no log, no data file, no 登録.
TEST(Startup, PlaceholderSerialIsNotAnIdentity)
{
    for (const wchar_t* serial : {L"0", L" default STRING ", L"To be filled by O.E.M."}) {
        AppKit kit(serial);
        StatusView v = runToStatus(kit);
        EXPECT_EQ(v.message, L"シリアルナンバーが取得できませんでした");
        EXPECT_EQ(v.serial, L"「" + std::wstring(serial) + L"」（仮の値）");
        EXPECT_FALSE(v.registerVisible);
        EXPECT_TRUE(ts::folderEntries(kit.file(L"log")).empty());
        EXPECT_TRUE(ts::folderEntries(kit.file(L"data")).empty());
    }
}

// The data file name digests every byte of the serial in code page 932, so
// two serials that differ after a double-byte character are two PCs; an
// ASCII serial keeps the name it always had.
TEST(Startup, DoubleByteSerialsGetFilesOfTheirOwn)
{
    AppKit kit(L"東京,\"07\"");
    kit.write(kit.machineFile(), dataFile(ONE_ITEM, "<Serial>x</Serial><Done>true</Done>"));
    EXPECT_EQ(runToStatus(kit).message, L"設定済みです");
    std::wstring first = kit.machineFile();

    kit.setSerial(L"東京,\"08\"");
    EXPECT_NE(kit.machineFile(), first);
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"未登録のPCです");
    EXPECT_NE(kit.logText().find(L"|0|SerialNumber: 東京,\"08\"\r\n"), std::wstring::npos);

    // The SHA-1 of the ASCII text "SN-TEST-0001".
    AppKit ascii;
    runToStatus(ascii);
    EXPECT_TRUE(ts::fileExists(ascii.file(L"log\\b7788a456e4d949ab7ef82dc0656c712b8715e0b.txt")));
}

// A character without a code page 932 form no longer drops the log line,
// nor stops start-up for a serial that holds one.
TEST(Startup, SerialWithoutCodePage932FormIsLogged)
{
    AppKit kit(L"SN\u301C\u2013\u00E9-1");
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"未登録のPCです");
    EXPECT_TRUE(v.registerVisible);
    std::wstring log = kit.logText();
    EXPECT_NE(log.find(L"|0|SerialNumber: SN"), std::wstring::npos) << ts::wideToUtf8(log);
    EXPECT_NE(log.find(L"-1\r\n"), std::wstring::npos);
    EXPECT_NE(log.find(L"|0|未登録PC\r\n"), std::wstring::npos);
}

TEST(Startup, MissingLogFolderStopsWithPathNotFound)
{
    AppKit kit;
    ::RemoveDirectoryW(kit.file(L"log").c_str());
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"ログ出力に失敗したため中断しました[0x3]");
    EXPECT_EQ(v.serial, kit.serial());
    EXPECT_FALSE(ts::fileExists(kit.file(L"log")));
}

TEST(Startup, UnregisteredPcOffersRecord)
{
    AppKit kit;
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"未登録のPCです");
    EXPECT_EQ(v.serial, kit.serial());
    EXPECT_TRUE(v.registerVisible);
    std::wstring log = kit.logText();
    EXPECT_NE(log.find(L"|0|SerialNumber: " + kit.serial() + L"\r\n"), std::wstring::npos);
    EXPECT_NE(log.find(L"|0|未登録PC\r\n"), std::wstring::npos);
    // The log and the data file share the 40-digit name.
    EXPECT_EQ(kit.digest().size(), 40u);
}

TEST(Startup, InitialFileWinsAndItsOutcomes)
{
    AppKit kit;
    kit.write(kit.machineFile(), dataFile(ONE_ITEM));
    kit.write(L"data\\initial.xml", dataFile(ONE_ITEM, "<Done>TRUE</Done>"));
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"ネットワーク設定済みです");
    EXPECT_FALSE(v.registerVisible);

    kit.write(L"data\\initial.xml", dataFile(""));
    v = runToStatus(kit);
    EXPECT_EQ(v.message, L"設定情報がありません");

    // Not done with items: the main dialog on initial.xml, without a serial in it.
    kit.write(L"data\\initial.xml", dataFile(ONE_ITEM, ""));
    kit.start();
    HWND main = kit.waitMainDialog();
    ASSERT_TRUE(main);
    EXPECT_TRUE(kit.closeAndWait(main));

    // Unparsable: the program ends without any window after its log line.
    kit.write(L"data\\initial.xml", "<Data><Values>");
    kit.start();
    EXPECT_TRUE(kit.process().wait(15000));
    EXPECT_FALSE(ts::findWindow(L"#32770", nullptr, kit.process().pid()));
    std::wstring log = kit.logText();
    size_t last = log.rfind(L"|0|ネットワーク設定\r\n");
    ASSERT_NE(last, std::wstring::npos);
    EXPECT_EQ(log.find(L"|0|", last + 3), std::wstring::npos) << "nothing after the last network line";
}

TEST(Startup, CommonFileIsCopiedWithTheSerialAndNeverOverwrites)
{
    AppKit kit;
    kit.write(L"data\\common.xml", dataFile(ONE_ITEM, "<Serial>TEMPLATE</Serial><Common>true</Common>"));
    kit.start();
    HWND main = kit.waitMainDialog();
    ASSERT_TRUE(main);
    EXPECT_TRUE(kit.closeAndWait(main));
    std::string copy = kit.read(kit.machineFile());
    EXPECT_NE(copy.find("<Serial>SN-TEST-0001</Serial>"), std::string::npos) << copy;
    EXPECT_EQ(copy.find("TEMPLATE"), std::string::npos);

    // An existing machine file stays as it is.
    std::string own = dataFile(ONE_ITEM, "<Serial>mine</Serial><Common>true</Common><Done>true</Done>");
    kit.write(kit.machineFile(), own);
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"設定済みです");
    EXPECT_EQ(kit.read(kit.machineFile()), own);
}

// With common.xml present, "done" counts only for a file marked common;
// without shared files, "done" wins over everything.
TEST(Startup, DoneOrderingDiffersBetweenCommonAndOwn)
{
    AppKit kit;
    kit.write(L"data\\common.xml", dataFile(ONE_ITEM, "<Common>true</Common>"));
    kit.write(kit.machineFile(), dataFile(ONE_ITEM, "<Serial>x</Serial><Done>true</Done>"));
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"設定情報がありません");

    ::DeleteFileW(kit.file(L"data\\common.xml").c_str());
    v = runToStatus(kit);
    EXPECT_EQ(v.message, L"設定済みです");

    kit.write(kit.machineFile(), dataFile("", "<Done>true</Done>"));
    v = runToStatus(kit);
    EXPECT_EQ(v.message, L"設定済みです");
}

TEST(Startup, OwnFileOutcomes)
{
    AppKit kit;
    kit.write(kit.machineFile(), "not xml at all");
    StatusView v = runToStatus(kit);
    EXPECT_EQ(v.message, L"設定が不正");
    EXPECT_NE(kit.logText().find(L"|0|不正な設定\r\n"), std::wstring::npos);

    kit.write(kit.machineFile(), dataFile(ONE_ITEM, ""));
    v = runToStatus(kit);
    EXPECT_EQ(v.message, L"設定情報がありません") << "a file without a serial has no settings";

    kit.write(kit.machineFile(), dataFile(""));
    v = runToStatus(kit);
    EXPECT_EQ(v.message, L"設定情報がありません");
}

TEST(Startup, FolderTooDeepIsReported)
{
    AppKit kit;
    // A folder of 200 characters: the program fits, the files it builds would not.
    std::wstring deep = kit.folder();
    while (deep.size() < 200) {
        deep += L"\\" + std::wstring(std::min<size_t>(40, 199 - deep.size()), L'd');
        ::CreateDirectoryW(deep.c_str(), nullptr);
    }
    ASSERT_EQ(deep.size(), 200u);
    ASSERT_TRUE(ts::copyFile(kit.file(L"peltacfg.exe"), deep + L"\\peltacfg.exe"));
    ts::ChildProcess process;
    ASSERT_TRUE(process.start(ts::quote(deep + L"\\peltacfg.exe"), deep));
    HWND status = ts::waitForWindow(L"#32770", STATUS_TITLE, process.pid(), 15000);
    ASSERT_TRUE(status);
    EXPECT_EQ(ts::dialogItemText(status, IDC_STATUS_MESSAGE), L"フォルダのパスが長すぎます（183文字まで）");
    EXPECT_EQ(ts::dialogItemText(status, IDC_STATUS_SERIAL), L"---");
    ts::pressButton(status, IDOK);
    EXPECT_TRUE(process.wait(15000));
}

TEST(Startup, SecondInstanceEndsAtOnce)
{
    AppKit kit;
    kit.start();
    HWND first = kit.waitStatusWindow();
    ASSERT_TRUE(first);
    ts::RunResult second = ts::runProcess(ts::quote(kit.file(L"peltacfg.exe")), kit.folder(), 15000);
    EXPECT_TRUE(second.started);
    EXPECT_FALSE(second.timedOut);
    EXPECT_TRUE(::IsWindow(first));
    EXPECT_TRUE(kit.closeAndWait(first));
}
