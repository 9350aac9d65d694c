// peltacheck --report over a fleet that the real peltacfg.exe made: one kit
// folder, one simulated PC per serial number (a registry value the catalogue's
// SerialNumber reads), PCs left in every state. report.csv is checked cell by
// cell; report.html is kept for the page test (report_page.sh) when
// PW_REPORT_PAGE_DIR names a folder.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>

#include "app_driver.h"
#include "app_kit.h"
#include "resource.h"
#include "serial_digest.h"

namespace {

constexpr const char* REPORT_KEY = "Software\\PeltawinTest\\Report";

std::string methods()
{
    return std::string("<Data><Name>Put</Name><Set type=\"Registry\"><Root>HKCU</Root><Key>") + REPORT_KEY +
           "</Key><Name>v</Name><Type>REG_SZ</Type></Set></Data>\n"
           "<Data><Name>Install</Name><Set type=\"Command\"><Command>cmd /c echo 失敗の理由&amp;echo second line&amp;exit 1603"
           "</Command></Set></Data>\n"
           "<Data><Name>Hang</Name><Set type=\"Command\"><Command>\"{EXEDIR}\\sleeper.exe\" {x}</Command>"
           "<InParam><Param name=\"x\">1</Param></InParam></Set></Data>\n"
           "<Data><Name>Model</Name><Method type=\"Registry\"><Root>HKCU</Root><Key>Software\\PeltawinTest\\App</Key>"
           "<Name>Model</Name></Method></Data>\n";
}

void setModel(const std::wstring& model)
{
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, SERIAL_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ::RegSetValueExW(key, L"Model", 0, REG_SZ, reinterpret_cast<const BYTE*>(model.c_str()),
                     static_cast<DWORD>((model.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

// RFC 4180 records of the whole text.
std::vector<std::vector<std::wstring>> parseCsv(const std::wstring& text)
{
    std::vector<std::vector<std::wstring>> rows(1);
    std::wstring field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (quoted) {
            if (c == L'"' && i + 1 < text.size() && text[i + 1] == L'"')
                field += L'"', ++i;
            else if (c == L'"')
                quoted = false;
            else
                field += c;
        } else if (c == L'"') {
            quoted = true;
        } else if (c == L',') {
            rows.back().push_back(field), field.clear();
        } else if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            rows.back().push_back(field), field.clear();
            rows.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    rows.pop_back(); // after the last CR LF
    return rows;
}

std::wstring lastLogTime(const AppKit& kit)
{
    std::wstring log = kit.logText();
    std::wregex stamp(LR"((\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)\|0\|)");
    std::wstring last;
    for (auto it = std::wsregex_iterator(log.begin(), log.end(), stamp); it != std::wsregex_iterator(); ++it)
        last = (*it)[1].str();
    return last;
}

bool waitFor(const std::function<bool()>& condition) { return ts::waitUntil(condition, 60000); }

} // namespace

TEST(FleetReport, EveryStateCellByCell)
{
    AppKit kit(L"東京,\"07\"");
    kit.writeMethods(methods());
    kit.write(L"inventory", "# the kit's inventory\r\nModel\r\nDisks\r\n");
    ts::copyFile(ts::binPath(L"sleeper.exe"), kit.file(L"sleeper.exe"));
    std::map<std::wstring, std::wstring> lastTimes; // serial → time of the log's last line

    // 完了: two items, the completion box closed.
    setModel(L"Model A, \"rev 2\"");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"one\" Method=\"Put\">1</Value><Value Name=\"two\" Method=\"Put\">2</Value>",
                                          "<Serial>東京,\"07\"</Serial>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_TRUE(drv::closeMessageBox(box));
    ASSERT_TRUE(waitFor([&] { return kit.read(kit.machineFile()).find("<Done>true</Done>") != std::string::npos; }));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    lastTimes[kit.serial()] = lastLogTime(kit);

    // 失敗: the command's output runs over two lines of the log.
    kit.setSerial(L"PC-FAIL");
    setModel(L"=cmd|' /C calc'!A0");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"one\" Method=\"Put\">1</Value><Value Name=\"install\" Method=\"Install\">yes</Value>"
                                          "<Value Name=\"three\" Method=\"Put\">3</Value>",
                                          "<Serial>PC-FAIL</Serial>"));
    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(drv::waitEnabled(dialog, IDC_RUN_BUTTON, 30000)) << "once the run has saved";
    EXPECT_TRUE(kit.closeAndWait(dialog));
    lastTimes[kit.serial()] = lastLogTime(kit);

    // 再起動待ち: the restart was asked for and the "restart" ends the program.
    kit.setSerial(L"PC-RESTART");
    kit.installShutdownStub(0);
    kit.write(kit.machineFile(), dataFile("<Value Name=\"one\" Method=\"Put\">1</Value><Value Name=\"restart\" Method=\"Reboot\">yes</Value>"
                                          "<Value Name=\"three\" Method=\"Put\">3</Value>",
                                          "<Serial>PC-RESTART</Serial>"));
    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    ts::pressButton(dialog, IDC_RUN_BUTTON);
    ASSERT_TRUE(kit.waitShutdownCall());
    kit.process().kill();
    lastTimes[kit.serial()] = lastLogTime(kit);

    // 失敗 at a reboot item: shutdown.exe fails.
    kit.setSerial(L"PC-REBOOTFAIL");
    kit.installShutdownStub(1);
    kit.write(kit.machineFile(), dataFile("<Value Name=\"one\" Method=\"Put\">1</Value><Value Name=\"restart\" Method=\"Reboot\">yes</Value>",
                                          "<Serial>PC-REBOOTFAIL</Serial>"));
    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(drv::waitEnabled(dialog, IDC_RUN_BUTTON, 30000));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    lastTimes[kit.serial()] = lastLogTime(kit);

    // 途中: 終了 pressed while an item hangs; nothing is saved during a run.
    kit.setSerial(L"PC-STOP");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"one\" Method=\"Put\">1</Value><Value Name=\"hang\" Method=\"Hang\"><P Name=\"x\">1</P></Value>",
                                          "<Serial>PC-STOP</Serial><Progress name=\"one\">0</Progress><Inventory/>"));
    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    ts::pressButton(dialog, IDC_RUN_BUTTON);
    ASSERT_TRUE(waitFor([&] { return kit.logText().find(L"|0|hang - Hang\r\n") != std::wstring::npos; }));
    ts::pressButton(dialog, IDOK);
    EXPECT_TRUE(kit.process().wait(40000));
    kit.write(L"sleeper_stop.txt", "");
    lastTimes[kit.serial()] = lastLogTime(kit);

    // 読めません: the data file does not parse; the log still names the PC.
    kit.setSerial(L"PC-BROKEN");
    kit.write(kit.machineFile(), "<Data><Serial>PC-BROKEN</Serial><Values>");
    kit.start();
    HWND status = kit.waitStatusWindow();
    ASSERT_TRUE(status);
    EXPECT_TRUE(kit.closeAndWait(status));
    lastTimes[kit.serial()] = lastLogTime(kit);

    // 未登録: a start on a PC without data file.
    kit.setSerial(L"PC-UNREG");
    kit.start();
    status = kit.waitStatusWindow();
    ASSERT_TRUE(status);
    EXPECT_TRUE(kit.closeAndWait(status));
    lastTimes[kit.serial()] = lastLogTime(kit);

    // 未実行, written as an administrator would: an inventory with a table, a
    // copy under another PC's name, and a placeholder serial.
    const std::string fresh = dataFile("<Value Name=\"one\" Method=\"Put\">1</Value>",
                                       "<Serial>PC-NEW</Serial><Inventory><Model>M &lt;1&gt;</Model><Disks>"
                                       "<Item><Model>SSD</Model><Password>0</Password></Item>"
                                       "<Item><Model>HDD</Model><Password>1</Password></Item></Disks></Inventory>");
    kit.setSerial(L"PC-NEW");
    kit.write(kit.machineFile(), fresh);
    const std::wstring newFile = kit.machineFile();
    kit.setSerial(L"PC-COPY");
    kit.write(kit.machineFile(), fresh);
    const std::wstring copyFile = kit.machineFile();
    kit.setSerial(L"To be filled by O.E.M.");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"one\" Method=\"Put\">1</Value>", "<Serial>To be filled by O.E.M.</Serial>"));
    const std::wstring placeholderFile = kit.machineFile();
    // Not PCs: the verification log of another command, and a rotated log.
    kit.write(L"log\\" + kit.digest() + L"-verify.txt", "x\r\n");
    kit.write(L"log\\" + kit.digest() + L"_20260101_000000.txt", "x\r\n");
    // The latest peltacheck --verify of one PC, shown in the 検証 column.
    ts::writeFile(kit.file(L"log\\" + SerialFileName(L"PC-STOP") + L"-verify.txt"),
                  ts::wideToCp932(L"検証日時: 2026/12/08 21:00:00\r\nシリアルナンバー: PC-STOP\r\n"
                                  L"結果: 一致 1 件、相違 1 件、変化 0 件、読み取り失敗 0 件、確認できません 0 件、未適用 1 件\r\n"));

    ts::TempDir out(L"report");
    ts::RunResult run = ts::runProcess(ts::quote(ts::binPath(L"peltacheck.exe")) + L" --report " + ts::quote(kit.folder()) +
                                       L" --out " + ts::quote(out.path()));
    ASSERT_TRUE(run.started && !run.timedOut);
    EXPECT_EQ(run.exitCode, 1u) << "not every PC is done";
    std::wstring console = ts::cp932ToWide(run.output);
    EXPECT_NE(console.find(L"PC 10 台: 完了 1、失敗 2、再起動待ち 1、途中 1、未実行 3、読めません 1、未登録 1"), std::wstring::npos)
        << ts::wideToUtf8(console);
    EXPECT_NE(console.find(L"失敗 項目 install: 1603 ― 1台"), std::wstring::npos) << ts::wideToUtf8(console);

    std::string csvBytes = ts::readFile(out.file(L"report.csv"));
    ASSERT_EQ(csvBytes.substr(0, 3), "\xEF\xBB\xBF") << "a byte-order mark for spreadsheet programs";
    auto rows = parseCsv(ts::utf8ToWide(csvBytes.substr(3)));
    const std::vector<std::wstring> header = {L"シリアル番号", L"データファイル", L"状態", L"完了項目数", L"項目数", L"最後の項目",
                                              L"エラー", L"最終記録", L"Model", L"Disks", L"注意", L"検証"};
    ASSERT_EQ(rows.size(), 11u) << csvBytes;
    EXPECT_EQ(rows[0], header);
    std::map<std::wstring, std::vector<std::wstring>> bySerialAndFile;
    for (size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), header.size()) << ts::wideToUtf8(rows[i][0]);
        bySerialAndFile[rows[i][0] + L"|" + rows[i][1]] = rows[i];
    }
    auto row = [&](const std::wstring& serial, const std::wstring& file) {
        auto found = bySerialAndFile.find(serial + L"|" + file);
        return found == bySerialAndFile.end() ? std::vector<std::wstring>{} : found->second;
    };
    auto file = [](const std::wstring& serial) { return L"data\\" + SerialFileName(serial) + L".xml"; };
    const std::wstring dup = L"シリアル番号が重複 (2 件)";
    using V = std::vector<std::wstring>;
    EXPECT_EQ(row(L"東京,\"07\"", file(L"東京,\"07\"")),
              (V{L"東京,\"07\"", file(L"東京,\"07\""), L"完了", L"2", L"2", L"two", L"", lastTimes[L"東京,\"07\""], L"Model A, \"rev 2\"", L"", L"", L""}));
    EXPECT_EQ(row(L"PC-FAIL", file(L"PC-FAIL")),
              (V{L"PC-FAIL", file(L"PC-FAIL"), L"失敗", L"1", L"3", L"install", L"1603 失敗の理由\r\nsecond line", lastTimes[L"PC-FAIL"],
                 L"'=cmd|' /C calc'!A0", L"", L"", L""}));
    EXPECT_EQ(row(L"PC-RESTART", file(L"PC-RESTART")),
              (V{L"PC-RESTART", file(L"PC-RESTART"), L"再起動待ち", L"2", L"3", L"restart", L"", lastTimes[L"PC-RESTART"], L"'=cmd|' /C calc'!A0", L"", L"", L""}));
    // A failed restart: logs written before such failures were logged hold no
    // code; newer ones hold "Error: 1" (the stand-in's exit code).
    V rebootFail = row(L"PC-REBOOTFAIL", file(L"PC-REBOOTFAIL"));
    ASSERT_EQ(rebootFail.size(), header.size());
    EXPECT_TRUE(rebootFail[6] == L"" || rebootFail[6] == L"1") << ts::wideToUtf8(rebootFail[6]);
    rebootFail[6] = L"";
    EXPECT_EQ(rebootFail, (V{L"PC-REBOOTFAIL", file(L"PC-REBOOTFAIL"), L"失敗", L"1", L"2", L"restart", L"", lastTimes[L"PC-REBOOTFAIL"],
                             L"'=cmd|' /C calc'!A0", L"", L"", L""}));
    EXPECT_EQ(row(L"PC-STOP", file(L"PC-STOP")),
              (V{L"PC-STOP", file(L"PC-STOP"), L"途中", L"1", L"2", L"one", L"", lastTimes[L"PC-STOP"], L"", L"", L"", L"2026/12/08 21:00:00 相違 1 変化 0"}));
    EXPECT_EQ(row(L"PC-BROKEN", file(L"PC-BROKEN")),
              (V{L"PC-BROKEN", file(L"PC-BROKEN"), L"読めません", L"", L"", L"", L"XML として読み込めません", lastTimes[L"PC-BROKEN"], L"", L"", L"", L""}));
    EXPECT_EQ(row(L"PC-UNREG", L""), (V{L"PC-UNREG", L"", L"未登録", L"", L"", L"", L"", lastTimes[L"PC-UNREG"], L"", L"", L"", L""}));
    const std::wstring disks = L"Model=SSD, Password=0; Model=HDD, Password=1";
    EXPECT_EQ(row(L"PC-NEW", newFile), (V{L"PC-NEW", newFile, L"未実行", L"0", L"1", L"", L"", L"", L"M <1>", disks, dup, L""}));
    EXPECT_EQ(row(L"PC-NEW", copyFile), (V{L"PC-NEW", copyFile, L"未実行", L"0", L"1", L"", L"", L"", L"M <1>", disks,
                                         L"ファイル名がシリアル番号の SHA-1 と一致しません、" + dup, L""}));
    EXPECT_EQ(row(L"To be filled by O.E.M.", placeholderFile),
              (V{L"To be filled by O.E.M.", placeholderFile, L"未実行", L"0", L"1", L"", L"", L"", L"", L"", L"仮のシリアル番号", L""}));
    for (const auto& [serial, time] : lastTimes)
        EXPECT_TRUE(std::regex_match(time, std::wregex(LR"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"))) << ts::wideToUtf8(serial);

    // The report wrote nothing into the kit.
    EXPECT_FALSE(ts::fileExists(kit.file(L"report.csv")));
    EXPECT_EQ(ts::folderEntries(kit.file(L"data")).size(), 9u);

    wchar_t keep[MAX_PATH];
    if (::GetEnvironmentVariableW(L"PW_REPORT_PAGE_DIR", keep, MAX_PATH) > 0) {
        EXPECT_TRUE(ts::copyFile(out.file(L"report.html"), std::wstring(keep) + L"\\report.html"));
        EXPECT_TRUE(ts::copyFile(out.file(L"report.csv"), std::wstring(keep) + L"\\report.csv"));
    }
}

// Bad command lines and folders: a clear message and an exit code, nothing written.
TEST(FleetReport, RefusesWhatItCannotDo)
{
    AppKit kit;
    auto report = [](const std::wstring& arguments) {
        return ts::runProcess(ts::quote(ts::binPath(L"peltacheck.exe")) + L" --report " + arguments);
    };
    ts::RunResult missing = report(ts::quote(kit.file(L"nowhere")));
    EXPECT_EQ(missing.exitCode, 2u);
    EXPECT_NE(ts::cp932ToWide(missing.output).find(L"フォルダを読み取れません"), std::wstring::npos);
    ts::RunResult inside = report(ts::quote(kit.folder()) + L" --out " + ts::quote(kit.file(L"log")));
    EXPECT_EQ(inside.exitCode, 3u);
    EXPECT_NE(ts::cp932ToWide(inside.output).find(L"キットのフォルダの中にはレポートを書きません"), std::wstring::npos);
    EXPECT_FALSE(ts::fileExists(kit.file(L"log\\report.csv")));
    ts::RunResult usage = report(L"--out");
    EXPECT_EQ(usage.exitCode, 2u);
    EXPECT_NE(ts::cp932ToWide(usage.output).find(L"使い方: peltacheck --report"), std::wstring::npos);
    // An empty kit has no PC that is not done.
    ts::TempDir out(L"report");
    EXPECT_EQ(report(ts::quote(kit.folder()) + L" --out " + ts::quote(out.path())).exitCode, 0u);
}
