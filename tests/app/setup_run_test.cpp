// The setup run behind "実行": items applied for real, failures, read-backs,
// the catalogue order, the inventory, restarts and the log.
#include <gtest/gtest.h>

#include <wbemidl.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <stdexcept>

#include "app_driver.h"
#include "app_kit.h"
#include "app_messages.h"
#include "inventory_list.h"
#include "log_writer.h"
#include "win32_owners.h"
#include "registry_value.h"
#include "setup_thread.h"
#include "resource.h"

namespace {

constexpr const wchar_t* RUN_KEY = L"Software\\PeltawinTest\\Run";

std::wstring readRegistry(HKEY root, const wchar_t* key, const wchar_t* name, REGSAM view, DWORD* dword = nullptr)
{
    if (!ts::registryKeyExists(root, key, view))
        return L"<no key>";
    ts::RegistryValue value = ts::readRegistryValue(root, key, name, view);
    if (!value.found)
        return L"<no value>";
    if (value.type == REG_DWORD && dword) {
        *dword = value.dword();
        return L"<dword>";
    }
    return value.text();
}

void deleteRunKeys()
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, RUN_KEY);
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY software = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | view, &software) == ERROR_SUCCESS) {
            ::RegDeleteTreeW(software, L"PeltawinTest");
            ::RegCloseKey(software);
        }
    }
}

std::string xmlEscape(const std::wstring& text)
{
    std::string out;
    for (char c : ts::wideToUtf8(text)) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

std::string registrySet(const std::string& name, const std::string& root, const std::string& key,
                        const std::string& value, const std::string& type)
{
    return "<Data><Name>" + name + "</Name><Set type=\"Registry\"><Root>" + root + "</Root><Key>" + key +
           "</Key><Name>" + value + "</Name><Type>" + type + "</Type></Set></Data>\n";
}

// The log's messages (the part after "date time|0|"), in order.
std::vector<std::wstring> logMessages(const std::wstring& log)
{
    std::vector<std::wstring> lines;
    std::wregex line(LR"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\|0\|([^\r]*)\r\n)");
    for (auto it = std::wsregex_iterator(log.begin(), log.end(), line); it != std::wsregex_iterator(); ++it)
        lines.push_back((*it)[1].str());
    return lines;
}

class SetupRun : public ::testing::Test {
protected:
    void SetUp() override { deleteRunKeys(); }
    void TearDown() override { deleteRunKeys(); }
};

} // namespace

TEST_F(SetupRun, AppliesEveryKindOfItemForReal)
{
    AppKit kit;
    std::string dir = xmlEscape(kit.folder());
    kit.writeMethods(registrySet("RegSz", "HKCU", "Software\\PeltawinTest\\Run", "Sz", "REG_SZ") +
                     registrySet("Reg32", "HKLM", "Software\\Wow6432Node\\PeltawinTest\\Run", "Dw", "REG_DWORD") +
                     registrySet("Reg64", "hklm", "Software\\PeltawinTest\\Run", "Dw", "reg_dword") +
                     "<Data><Name>IniSet</Name><Set type=\"Ini\"><Path>" + dir +
                     "</Path><File>settings.ini</File><Section>Main</Section><Key>Color</Key></Set></Data>\n"
                     "<Data><Name>Cmd</Name><Set type=\"Command\"><Command>cmd /c echo {text}&gt;\"{EXEDIR}\\cmd.txt\""
                     "</Command><InParam><Param name=\"text\">default</Param></InParam></Set></Data>\n"
                     "<Data><Name>Con</Name><Set type=\"Console\"><Command>cmd /c echo console&gt;\"" + dir +
                     "\\console.txt\"</Command></Set></Data>\n"
                     "<Data><Name>Vbs</Name><Set type=\"VBScript\"><Script>Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
                     "Set f = fso.CreateTextFile(\"{EXEDIR}\\vbs.txt\", True)\nf.Write \"{v}\"\nf.Close\n</Script>"
                     "<InParam><Param name=\"v\"/></InParam></Set></Data>\n"
                     "<Data><Name>WmiSet</Name><Set type=\"WMIExecute\"><Namespace>root\\default</Namespace>"
                     "<Class>StdRegProv</Class><Object></Object><Method>SetStringValue</Method><InParam>"
                     "<Param name=\"hive\" type=\"int\" code=\"hDefKey\">-2147483647</Param>"
                     "<Param name=\"key\" type=\"string\" code=\"sSubKeyName\">Software\\PeltawinTest\\Run</Param>"
                     "<Param name=\"name\" type=\"string\" code=\"sValueName\">Wmi</Param>"
                     "<Param name=\"value\" type=\"string\" code=\"sValue\">default</Param>"
                     "</InParam></Set></Data>\n"
                     "<Data><Name>ReadOnly</Name><Method type=\"Registry\"><Root>HKCU</Root>"
                     "<Key>Software\\PeltawinTest\\App</Key><Name>Serial</Name></Method></Data>\n");
    kit.write(kit.machineFile(),
              dataFile("<Value Name=\"sz\" Method=\"RegSz\">こんにちは</Value>"
                       "<Value Name=\"wmi\" Method=\"WmiSet\"><P Name=\"value\">through WMI</P></Value>"
                       "<Value Name=\"dw32\" Method=\"Reg32\">-1</Value>"
                       "<Value Name=\"dw64\" Method=\"Reg64\">42</Value>"
                       "<Value Name=\"ini\" Method=\"IniSet\">blue</Value>"
                       "<Value Name=\"cmd\" Method=\"Cmd\"><P Name=\"text\">hello</P></Value>"
                       "<Value Name=\"con\" Method=\"Con\">yes</Value>"
                       "<Value Name=\"vbs\" Method=\"Vbs\"><P Name=\"v\">from-vbs</P></Value>"
                       "<Value Name=\"nowhere\" Method=\"NoSuchMethod\">1</Value>"
                       "<Value Name=\"readback\" Method=\"ReadOnly\">before</Value>",
                       "<Serial>SN-TEST-0001</Serial>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"完了しました\r\n設定の反映には再起動が必要です");

    auto rows = drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3);
    ASSERT_EQ(rows.size(), 10u);
    for (const auto& row : rows)
        EXPECT_EQ(row[0], L"○") << ts::wideToUtf8(row[1]);
    EXPECT_EQ(rows[9][2], kit.serial()) << "the value read back replaces the parameter text";
    // Done is written only after the completion box is closed.
    EXPECT_EQ(kit.read(kit.machineFile()).find("<Done>"), std::string::npos);
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_FALSE(drv::isEnabled(dialog, IDC_RUN_BUTTON));
    EXPECT_TRUE(kit.closeAndWait(dialog));

    EXPECT_EQ(readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"Sz", 0), L"こんにちは");
    EXPECT_EQ(readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"Wmi", 0), L"through WMI");
    DWORD dw32 = 0, dw64 = 0;
    readRegistry(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\PeltawinTest\\Run", L"Dw", KEY_WOW64_32KEY, &dw32);
    readRegistry(HKEY_LOCAL_MACHINE, RUN_KEY, L"Dw", KEY_WOW64_64KEY, &dw64);
    EXPECT_EQ(dw32, 0xFFFFFFFFu);
    EXPECT_EQ(dw64, 42u);
    wchar_t color[64] = {};
    ::GetPrivateProfileStringW(L"Main", L"Color", L"", color, 64, kit.file(L"settings.ini").c_str());
    EXPECT_STREQ(color, L"blue");
    EXPECT_EQ(kit.read(L"cmd.txt"), "hello\r\n");
    EXPECT_EQ(kit.read(L"console.txt"), "console\r\n");
    EXPECT_EQ(kit.read(L"vbs.txt"), "from-vbs");

    std::string saved = kit.read(kit.machineFile());
    EXPECT_NE(saved.find("<Done>true</Done>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<Progress name=\"readback\">9</Progress>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Get=\"true\""), std::string::npos);
    std::string serialValue = ">"; // built by += : GCC 12 warns (-Wrestrict) on "literal" + temporary
    serialValue += ts::wideToUtf8(kit.serial());
    serialValue += "</Value>";
    EXPECT_NE(saved.find(serialValue), std::string::npos);

    auto log = logMessages(kit.logText());
    std::vector<std::wstring> expected = {L"SerialNumber: SN-TEST-0001", L"Start", L"インベントリ取得",
                                          L"sz - RegSz", L"OK", L"wmi - WmiSet", L"OK", L"dw32 - Reg32", L"OK", L"dw64 - Reg64", L"OK",
                                          L"ini - IniSet", L"OK", L"cmd - Cmd", L"OK", L"con - Con", L"OK",
                                          L"vbs - Vbs", L"OK", L"nowhere - NoSuchMethod",
                                          L"Method Not Found: NoSuchMethod", L"OK", L"readback - ReadOnly",
                                          L"GetString: ReadOnly", L"OK"};
    EXPECT_EQ(log, expected);
}

TEST_F(SetupRun, FailedItemStopsTheRunAndIsRetriedFirst)
{
    AppKit kit;
    kit.writeMethods(registrySet("RegSz", "HKCU", "Software\\PeltawinTest\\Run", "Sz", "REG_SZ") +
                     "<Data><Name>Fail</Name><Set type=\"Command\"><Command>cmd /c echo broken&amp;exit 7</Command>"
                     "</Set></Data>\n"
                     "<Data><Name>Quiet</Name><Set type=\"Command\"><Command>cmd /c exit 3</Command>"
                     "<Message>ネットワークを確認してください</Message></Set></Data>\n");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"first\" Method=\"RegSz\">1</Value>"
                                          "<Value Name=\"second\" Method=\"Fail\">yes</Value>"
                                          "<Value Name=\"third\" Method=\"RegSz\">3</Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"失敗しました\r\n\r\n");
    EXPECT_TRUE(drv::closeMessageBox(box));
    auto rows = drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3);
    EXPECT_EQ(rows[0][0], L"○");
    EXPECT_EQ(rows[1][0], L"×");
    EXPECT_EQ(rows[2][0], L"");
    EXPECT_TRUE(drv::waitEnabled(dialog, IDC_RUN_BUTTON, 30000)) << "once the run has saved";
    EXPECT_EQ(readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"Sz", 0), L"1") << "the third item was not tried";
    EXPECT_NE(kit.read(kit.machineFile()).find("<Progress name=\"first\">0</Progress>"), std::string::npos);

    // Pressing "実行" again runs the failed item first; it fails the same way.
    box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    std::wstring log = kit.logText();
    // The output goes into the line unchanged, its line end included.
    const std::wstring failure = L"|0|second - Fail\r\n";
    size_t firstRun = log.find(failure);
    ASSERT_NE(firstRun, std::wstring::npos);
    EXPECT_NE(log.find(L"|0|Error: 7[broken\r\r\n]\r\n", firstRun), std::wstring::npos) << ts::wideToUtf8(log);
    size_t secondStart = log.find(L"|0|Start\r\n", firstRun);
    ASSERT_NE(secondStart, std::wstring::npos);
    // Without an inventory list the data file still has no inventory, so the
    // second run tries it again before its first item.
    size_t inventory = log.find(L"|0|", secondStart + 3);
    const std::wstring inventoryLine = L"|0|インベントリ取得\r\n";
    EXPECT_EQ(log.substr(inventory, inventoryLine.size()), inventoryLine);
    size_t secondRun = log.find(L"|0|", inventory + 3);
    EXPECT_EQ(log.substr(secondRun, failure.size()), failure) << "the second run starts with the failed item";

    // A failure without output logs the plain form, and the box shows the Message text.
    kit.write(kit.machineFile(), dataFile("<Value Name=\"q\" Method=\"Quiet\">yes</Value>"));
    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"失敗しました\r\n\r\nネットワークを確認してください");
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    EXPECT_EQ(logMessages(kit.logText()).back(), L"Error: 3");
}

TEST_F(SetupRun, UsersCatalogueWinsAndInventoryIsCollectedOnce)
{
    AppKit kit;
    kit.writeMethods(registrySet("Which", "HKCU", "Software\\PeltawinTest\\Run", "FromMain", "REG_SZ") +
                     "<Data><Name>Model</Name><Method type=\"Registry\"><Root>HKCU</Root>"
                     "<Key>Software\\PeltawinTest\\App</Key><Name>Serial</Name></Method></Data>\n"
                     "<Data><Name>Disks</Name><Method type=\"HDDPwd\"/></Data>\n");
    kit.write(L"usersmethods.xml", "<Datas>" + registrySet("Which", "HKCU", "Software\\PeltawinTest\\Run", "FromUsers", "REG_SZ") +
                                       "<Data><Name>Model</Name><Method type=\"Registry\"><Root>HKCU</Root>"
                                       "<Key>Nowhere</Key><Name>x</Name></Method></Data></Datas>");
    kit.write(L"inventory", "# comment\r\n\r\nModel\r\nNotAMethod\r\nDisks\r\n #Model\r\n");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"w\" Method=\"Which\">v</Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));

    EXPECT_EQ(readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"FromUsers", 0), L"v");
    EXPECT_EQ(readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"FromMain", 0), L"<no value>");
    std::string saved = kit.read(kit.machineFile());
    // Inventory reads use methods.xml alone.
    EXPECT_NE(saved.find("<Model>SN-TEST-0001</Model>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<Disks"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("NotAMethod"), std::string::npos);
}

TEST_F(SetupRun, RebootItemSavesAndResumesAfterRestart)
{
    AppKit kit;
    kit.installShutdownStub(0);
    kit.writeMethods(registrySet("RegSz", "HKCU", "Software\\PeltawinTest\\Run", "Sz", "REG_SZ"));
    kit.write(kit.machineFile(), dataFile("<Value Name=\"a\" Method=\"RegSz\">before</Value>"
                                          "<Value Name=\"skip\" Method=\"reboot\">no</Value>"
                                          "<Value Name=\"restart\" Method=\"再起動\">YES</Value>"
                                          "<Value Name=\"b\" Method=\"RegSz\">after</Value>"
                                          "<Value Name=\"last\" Method=\"Reboot\">yes</Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    std::vector<DWORD> threadsBefore = ts::processThreads(kit.process().pid());
    ts::pressButton(dialog, IDC_RUN_BUTTON);
    // The restart leaves no box: wait for the stand-in to be called.
    ASSERT_TRUE(ts::waitUntil([&] { return !kit.shutdownCalls().empty(); }, 60000));
    EXPECT_EQ(kit.shutdownCalls(), L"shutdown.exe /r /t 0\n");
    // A box would be shown while the worker waits for it, so once every thread the
    // run started has ended, a box that was coming is already there.
    EXPECT_TRUE(ts::waitUntil([&] {
        for (DWORD id : ts::processThreads(kit.process().pid()))
            if (std::find(threadsBefore.begin(), threadsBefore.end(), id) == threadsBefore.end())
                return false;
        return true;
    }, 60000)) << "the run's worker did not end";
    EXPECT_TRUE(drv::messageBoxes(kit.process().pid()).empty());
    EXPECT_TRUE(kit.closeAndWait(dialog));
    EXPECT_NE(kit.read(kit.machineFile()).find("<Progress name=\"restart\">2</Progress>"), std::string::npos);

    // After the "restart": items up to the reboot are marked, the run goes on after it.
    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    auto rows = drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[2][0], L"○");
    EXPECT_EQ(rows[3][0], L"");
    ts::pressButton(dialog, IDC_RUN_BUTTON);
    // The second call of the stand-in: two lines.
    EXPECT_TRUE(ts::waitUntil([&] {
        std::wstring calls = kit.shutdownCalls();
        return calls.find(L"\n") != calls.rfind(L"\n");
    }, 60000));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    EXPECT_EQ(readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"Sz", 0), L"after");

    // After the final reboot item the run completes at once.
    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"完了しました\r\n設定の反映には再起動が必要です");
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    EXPECT_NE(kit.read(kit.machineFile()).find("<Done>true</Done>"), std::string::npos);
}

TEST_F(SetupRun, FailedRestartIsTriedAgain)
{
    AppKit kit;
    kit.installShutdownStub(1);
    kit.write(kit.machineFile(), dataFile("<Value Name=\"restart\" Method=\"Reboot\">yes</Value>"
                                          "<Value Name=\"b\" Method=\"Nothing\">x</Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"失敗しました\r\n\r\n");
    EXPECT_TRUE(drv::closeMessageBox(box));
    // The failed restart is logged and marked like any failed item.
    EXPECT_EQ(drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3)[0][0], L"×");
    EXPECT_EQ(logMessages(kit.logText()).back(), L"Error: 1");
    EXPECT_TRUE(kit.closeAndWait(dialog));
    // The first item was the reboot: no progress is recorded, so the next run starts with it.
    std::string saved = kit.read(kit.machineFile());
    EXPECT_EQ(saved.find("<Progress"), std::string::npos) << saved;

    kit.installShutdownStub(0);
    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    auto rows = drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3);
    EXPECT_EQ(rows[0][0], L"");
    ts::pressButton(dialog, IDC_RUN_BUTTON);
    // The second call of the stand-in: two lines.
    EXPECT_TRUE(ts::waitUntil([&] {
        std::wstring calls = kit.shutdownCalls();
        return calls.find(L"\n") != calls.rfind(L"\n");
    }, 60000));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    EXPECT_NE(kit.read(kit.machineFile()).find("<Progress name=\"restart\">0</Progress>"), std::string::npos);
}

namespace {

std::string wmiGet(const std::string& name, const std::string& cls, const std::string& property)
{
    return "<Data><Name>" + name + "</Name><Method type=\"WMI\"><Namespace>root\\cimv2</Namespace><Class>" + cls +
           "</Class><Where></Where><Property>" + property + "</Property></Method></Data>\n";
}

// A StdRegProv method writing the value "v" below the run key.
std::string stdRegProvSet(const std::string& name, const std::string& method, const std::string& valueParam,
                          const std::string& valueType)
{
    return "<Data><Name>" + name + "</Name><Set type=\"WMIExecute\"><Namespace>root\\default</Namespace>"
           "<Class>StdRegProv</Class><Object></Object><Method>" + method + "</Method><InParam>"
           "<Param name=\"hive\" type=\"int\" code=\"hDefKey\">-2147483647</Param>"
           "<Param name=\"key\" type=\"string\" code=\"sSubKeyName\">Software\\PeltawinTest\\Run</Param>"
           "<Param name=\"name\" type=\"string\" code=\"sValueName\">v</Param>"
           "<Param name=\"value\" type=\"" + valueType + "\" code=\"" + valueParam + "\">1</Param>"
           "</InParam></Set></Data>\n";
}

// Waits until the log holds the text; false after timeoutMs.
bool waitForLog(const AppKit& kit, const std::wstring& text, DWORD timeoutMs = 60000)
{
    return ts::waitUntil([&] { return kit.logText().find(text) != std::wstring::npos; }, timeoutMs, 100);
}

} // namespace

// Wine fails a read of a property that Win32_BIOS lacks; that failure must
// not fail the reads and items after it on the same namespace.
TEST_F(SetupRun, FailedWmiReadStaysInItsCall)
{
    AppKit kit;
    kit.writeMethods(wmiGet("BiosMissing", "Win32_BIOS", "NoSuchProperty") +
                     wmiGet("OsCaption", "Win32_OperatingSystem", "Caption") +
                     wmiGet("BiosSerial", "Win32_BIOS", "SerialNumber") +
                     stdRegProvSet("WmiString", "SetStringValue", "sValue", "string") +
                     // StdRegProv refuses an int for uValue under Wine.
                     stdRegProvSet("WmiDword", "SetDWORDValue", "uValue", "int") +
                     registrySet("RegSz", "HKCU", "Software\\PeltawinTest\\Run", "Sz", "REG_SZ"));
    kit.write(L"inventory", "BiosMissing\r\nOsCaption\r\n");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"key\" Method=\"RegSz\">0</Value>"
                                          "<Value Name=\"serial\" Method=\"BiosSerial\">x</Value>"
                                          "<Value Name=\"string\" Method=\"WmiString\">yes</Value>"
                                          "<Value Name=\"dword\" Method=\"WmiDword\">yes</Value>"
                                          "<Value Name=\"after\" Method=\"RegSz\">1</Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_TRUE(drv::closeMessageBox(box));
    auto rows = drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1][0], L"○");
    EXPECT_EQ(rows[1][2], L"0") << "read on the namespace of the failed inventory read";
    EXPECT_EQ(rows[2][0], L"○");
    EXPECT_EQ(rows[3][0], L"×");
    EXPECT_EQ(rows[4][0], L"");
    EXPECT_TRUE(kit.closeAndWait(dialog));

    EXPECT_EQ(readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"v", 0), L"1");
    EXPECT_EQ(readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"Sz", 0), L"0") << "the last item was not tried";
    std::string saved = kit.read(kit.machineFile());
    EXPECT_NE(saved.find("<OsCaption>"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("BiosMissing"), std::string::npos);
    // The failed item reports its own code, not the inventory read's.
    auto log = logMessages(kit.logText());
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], L"dword - WmiDword");
    EXPECT_TRUE(std::regex_match(log.back(), std::wregex(LR"(Error: -?[1-9]\d*)"))) << ts::wideToUtf8(log.back());
    EXPECT_NE(log.back(), L"Error: " + std::to_wstring(static_cast<int>(WBEM_E_NOT_FOUND)));
}

TEST_F(SetupRun, RunButtonWaitsForTheFinalSave)
{
    AppKit kit;
    kit.writeMethods(registrySet("RegSz", "HKCU", "Software\\PeltawinTest\\Run", "Sz", "REG_SZ") +
                     "<Data><Name>Fail</Name><Set type=\"Command\"><Command>cmd /c exit 7</Command></Set></Data>\n");
    // A large inventory makes the save after the failure box take a while.
    std::string inventory = "<Inventory>";
    for (int i = 0; i < 60000; ++i)
        inventory += "<Entry" + std::to_string(i) + ">value</Entry" + std::to_string(i) + ">";
    inventory += "</Inventory>";
    kit.write(kit.machineFile(), dataFile("<Value Name=\"first\" Method=\"RegSz\">1</Value>"
                                          "<Value Name=\"second\" Method=\"Fail\">yes</Value>",
                                          "<Serial>x</Serial>" + inventory));
    kit.start();
    HWND dialog = kit.waitMainDialog(60000);
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    // The progress is saved before the box is shown.
    EXPECT_NE(kit.read(kit.machineFile()).find("<Progress name=\"first\">0</Progress>"), std::string::npos);
    EXPECT_TRUE(drv::closeMessageBox(box));
    ASSERT_TRUE(drv::waitEnabled(dialog, IDC_RUN_BUTTON, 120000));

    box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog, 60000));
    auto log = logMessages(kit.logText());
    std::vector<std::wstring> expected = {L"Start", L"first - RegSz", L"OK", L"second - Fail", L"Error: 7",
                                          L"Start", L"second - Fail", L"Error: 7"};
    ASSERT_GE(log.size(), expected.size());
    EXPECT_EQ(std::vector<std::wstring>(log.end() - expected.size(), log.end()), expected);
}

TEST_F(SetupRun, ClosingDuringAHungCommandEndsTheProgram)
{
    AppKit kit;
    ts::copyFile(ts::binPath(L"sleeper.exe"), kit.file(L"sleeper.exe"));
    kit.writeMethods(registrySet("RegSz", "HKCU", "Software\\PeltawinTest\\Run", "Sz", "REG_SZ") +
                     "<Data><Name>Hang</Name><Set type=\"Command\"><Command>\"{EXEDIR}\\sleeper.exe\" {x}</Command>"
                     "<InParam><Param name=\"x\">1</Param></InParam></Set></Data>\n");
    const std::string data = dataFile("<Value Name=\"first\" Method=\"RegSz\">1</Value>"
                                      "<Value Name=\"hang\" Method=\"Hang\"><P Name=\"x\">1</P></Value>"
                                      "<Value Name=\"third\" Method=\"RegSz\">3</Value>");
    kit.write(kit.machineFile(), data);
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    ts::pressButton(dialog, IDC_RUN_BUTTON);
    ASSERT_TRUE(waitForLog(kit, L"|0|hang - Hang\r\n"));
    ts::pressButton(dialog, IDOK);
    // The program waits about ten seconds for the worker, then ends anyway.
    EXPECT_TRUE(kit.process().wait(40000));
    EXPECT_EQ(logMessages(kit.logText()).back(), L"終了により実行を中止しました");
    // Nothing was saved during the run: the file is as it was and loads.
    EXPECT_EQ(kit.read(kit.machineFile()), data);

    kit.start();
    dialog = kit.waitMainDialog();
    EXPECT_TRUE(dialog) << "the mutex was released";
    if (dialog) {
        EXPECT_TRUE(kit.closeAndWait(dialog));
    }
    kit.write(L"sleeper_stop.txt", "");
}

TEST_F(SetupRun, FailedSaveBeforeARestartDoesNotRestart)
{
    AppKit kit;
    kit.installShutdownStub(0);
    kit.writeMethods(registrySet("RegSz", "HKCU", "Software\\PeltawinTest\\Run", "Sz", "REG_SZ"));
    kit.write(kit.machineFile(), dataFile("<Value Name=\"a\" Method=\"RegSz\">1</Value>"
                                          "<Value Name=\"restart\" Method=\"Reboot\">yes</Value>"
                                          "<Value Name=\"b\" Method=\"RegSz\">2</Value>"));
    // Held open for reading without delete sharing: the save cannot replace it.
    HANDLE held = ::CreateFileW(kit.file(kit.machineFile()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    // The file stays held, so the save at the end of the failed run fails
    // too: the user is told so first, then the failure box follows.
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box).rfind(L"進行状況を保存できませんでした[0x", 0), 0u) << ts::wideToUtf8(drv::messageBoxText(box));
    EXPECT_TRUE(drv::closeMessageBox(box));
    ASSERT_TRUE(ts::waitForWindowGone(box, 10000));
    box = drv::findMessageBox(kit.process().pid(), 30000);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"失敗しました\r\n\r\n");
    EXPECT_TRUE(drv::closeMessageBox(box));
    auto rows = drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][0], L"×");
    EXPECT_TRUE(kit.closeAndWait(dialog));
    ::CloseHandle(held);

    EXPECT_EQ(kit.shutdownCalls(), L"") << "no restart";
    EXPECT_EQ(readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"Sz", 0), L"1");
    auto log = logMessages(kit.logText());
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], L"restart - Reboot");
    EXPECT_TRUE(std::regex_match(log[log.size() - 2], std::wregex(LR"(Error: [1-9]\d*)"))) << ts::wideToUtf8(log[log.size() - 2]);
    EXPECT_TRUE(std::regex_match(log.back(), std::wregex(LR"(保存失敗: [1-9]\d*)"))) << ts::wideToUtf8(log.back());
}

// Restarting the PC while the completion box is open loses nothing: the
// progress is on disk before the box, Done only after it.
TEST_F(SetupRun, RestartAtTheCompletionBoxLosesNothing)
{
    AppKit kit;
    kit.writeMethods(registrySet("RegSz", "HKCU", "Software\\PeltawinTest\\Run", "Sz", "REG_SZ"));
    kit.write(kit.machineFile(), dataFile("<Value Name=\"a\" Method=\"RegSz\">1</Value>"
                                          "<Value Name=\"b\" Method=\"RegSz\">2</Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(kit.runAndWaitBox(dialog));
    std::string saved = kit.read(kit.machineFile());
    EXPECT_NE(saved.find("<Progress name=\"b\">1</Progress>"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("<Done>"), std::string::npos);
    kit.process().kill(); // the restart

    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    auto rows = drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], L"○");
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"完了しました\r\n設定の反映には再起動が必要です");
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    EXPECT_NE(kit.read(kit.machineFile()).find("<Done>true</Done>"), std::string::npos);
    auto log = logMessages(kit.logText());
    EXPECT_EQ(std::count(log.begin(), log.end(), L"a - RegSz"), 1) << "no item ran twice";
}

// A final save that keeps failing is retried, then logged and shown.
TEST_F(SetupRun, FailedFinalSaveIsReported)
{
    AppKit kit;
    kit.writeMethods(registrySet("RegSz", "HKCU", "Software\\PeltawinTest\\Run", "Sz", "REG_SZ"));
    kit.write(kit.machineFile(), dataFile("<Value Name=\"a\" Method=\"RegSz\">1</Value>"));
    // Held open for reading without delete sharing: the save cannot replace it.
    HANDLE held = ::CreateFileW(kit.file(kit.machineFile()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box).rfind(L"進行状況を保存できませんでした[0x", 0), 0u) << ts::wideToUtf8(drv::messageBoxText(box));
    auto log = logMessages(kit.logText());
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(std::regex_match(log.back(), std::wregex(LR"(保存失敗: [1-9]\d*)"))) << ts::wideToUtf8(log.back());
    ::CloseHandle(held); // the scanner lets go: the save after the completion box succeeds
    EXPECT_TRUE(drv::closeMessageBox(box));
    ASSERT_TRUE(ts::waitForWindowGone(box, 10000));
    box = drv::findMessageBox(kit.process().pid(), 30000);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"完了しました\r\n設定の反映には再起動が必要です");
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    EXPECT_NE(kit.read(kit.machineFile()).find("<Done>true</Done>"), std::string::npos);
}

// Numbers up to 4294967295 are written as given; one beyond 32 bits fails
// its item and writes nothing.
TEST_F(SetupRun, RegistryNumbersAreWrittenAsGiven)
{
    AppKit kit;
    kit.writeMethods(registrySet("Dw", "HKCU", "Software\\PeltawinTest\\Run", "Dw", "REG_DWORD"));
    kit.write(kit.machineFile(), dataFile("<Value Name=\"max\" Method=\"Dw\">4294967295</Value>"
                                          "<Value Name=\"over\" Method=\"Dw\">4294967296</Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_TRUE(drv::closeMessageBox(box));
    auto rows = drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], L"○");
    EXPECT_EQ(rows[1][0], L"×");
    EXPECT_TRUE(kit.closeAndWait(dialog));
    DWORD dw = 0;
    readRegistry(HKEY_CURRENT_USER, RUN_KEY, L"Dw", 0, &dw);
    EXPECT_EQ(dw, 0xFFFFFFFFu);
    EXPECT_EQ(logMessages(kit.logText()).back(), L"Error: 534");
}

// A bare program name is never taken from the current folder: a planted
// cmd.exe there does not run, the real one does, in that same folder.
TEST_F(SetupRun, PlantedProgramInTheWorkingFolderDoesNotRun)
{
    AppKit kit;
    ts::TempDir work(L"work");
    // The stand-in records its call in shutdown_args.txt beside itself.
    ASSERT_TRUE(ts::copyFile(ts::binPath(L"shutdown.exe"), work.file(L"cmd.exe")));
    kit.writeMethods("<Data><Name>Cmd</Name><Set type=\"Command\"/></Data>\n");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"c\" Method=\"Cmd\">cmd /c echo ran&gt;here.txt</Value>"));
    kit.start(true, work.path());
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"完了しました\r\n設定の反映には再起動が必要です");
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    EXPECT_FALSE(ts::fileExists(work.file(L"shutdown_args.txt"))) << "the planted cmd.exe ran";
    EXPECT_EQ(ts::readFile(work.file(L"here.txt")), "ran\r\n");
}

// An installer's "restart needed" (3010) counts as success where the
// definition lists it; the run goes on to the reboot item.
TEST_F(SetupRun, InstallerRestartCodeCountsAsSuccess)
{
    AppKit kit;
    kit.installShutdownStub(0);
    kit.writeMethods("<Data><Name>Install</Name><Set type=\"Command\"><Command>cmd /c exit 3010</Command>"
                     "<SuccessCodes>0, 3010</SuccessCodes></Set></Data>\n");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"setup\" Method=\"Install\">yes</Value>"
                                          "<Value Name=\"restart\" Method=\"Reboot\">yes</Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    ts::pressButton(dialog, IDC_RUN_BUTTON);
    kit.waitShutdownCall();
    EXPECT_EQ(kit.shutdownCalls(), L"shutdown.exe /r /t 0\n");
    EXPECT_TRUE(kit.closeAndWait(dialog));
    // Closed as soon as shutdown.exe was called: on a busy machine the worker may still be
    // collecting its output, and the log then ends with the close; the run's lines come first.
    auto log = logMessages(kit.logText());
    std::vector<std::wstring> expected = {L"setup - Install", L"OK: 3010", L"restart - Reboot"};
    auto first = std::find(log.begin(), log.end(), expected.front());
    ASSERT_GE(log.end() - first, static_cast<ptrdiff_t>(expected.size()));
    EXPECT_EQ(std::vector<std::wstring>(first, first + expected.size()), expected);
}

// Content marked xml:space="preserve" comes back from the save before a
// restart as it was written: the parameters after the restart are the item's.
TEST_F(SetupRun, PreservedSpaceSurvivesTheSaveBeforeARestart)
{
    AppKit kit;
    kit.installShutdownStub(0);
    kit.writeMethods("<Data><Name>Cmd</Name><Set type=\"Command\"><Command>cmd /c echo [{text}][{pad}]&gt;\"{EXEDIR}\\cmd.txt\""
                     "</Command><InParam><Param name=\"text\">default</Param><Param name=\"pad\">x</Param></InParam>"
                     "</Set></Data>\n");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"restart\" Method=\"Reboot\">yes</Value>"
                                          "<Value Name=\"c\" Method=\"Cmd\" xml:space=\"preserve\"><P Name=\"text\">hello</P>"
                                          "<P Name=\"pad\"> </P></Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    ts::pressButton(dialog, IDC_RUN_BUTTON);
    kit.waitShutdownCall();
    EXPECT_TRUE(kit.closeAndWait(dialog));
    std::string saved = kit.read(kit.machineFile());
    EXPECT_NE(saved.find("<P Name=\"text\">hello</P><P Name=\"pad\"> </P></Value>"), std::string::npos) << saved;

    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));
    EXPECT_EQ(kit.read(L"cmd.txt"), "[hello][ ]\r\n");
}

TEST_F(SetupRun, FailureBoxShowsTheFailedItemsOwnMessage)
{
    AppKit kit;
    kit.writeMethods("<Data><Name>RegSz</Name><Set type=\"Registry\"><Root>HKCU</Root><Key>Software\\PeltawinTest\\Run"
                     "</Key><Name>Sz</Name><Type>REG_SZ</Type><Message>前の項目の説明</Message></Set></Data>\n");
    kit.write(L"usersmethods.xml",
              "<Datas><Data><Name>UsersFail</Name><Set type=\"Command\"><Command>cmd /c exit 4</Command>"
              "<Message>利用者定義の確認</Message></Set></Data>"
              "<Data><Name>UsersRead</Name><Method type=\"Registry\"><Root>HKCU</Root><Key>Nowhere</Key>"
              "<Name>x</Name></Method></Data></Datas>");
    // A Set of usersmethods.xml that fails shows its own Message, not that of
    // the methods.xml item before it.
    kit.write(kit.machineFile(), dataFile("<Value Name=\"a\" Method=\"RegSz\">1</Value>"
                                          "<Value Name=\"b\" Method=\"UsersFail\">yes</Value>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    HWND box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"失敗しました\r\n\r\n利用者定義の確認");
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));

    // A failed read-back ran no Set definition: no Message.
    kit.write(kit.machineFile(), dataFile("<Value Name=\"a\" Method=\"RegSz\">1</Value>"
                                          "<Value Name=\"c\" Method=\"UsersRead\">x</Value>"));
    kit.start();
    dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    box = kit.runAndWaitBox(dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"失敗しました\r\n\r\n");
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));
}

TEST(InventoryList, NamesAreReadInCodePage932)
{
    // A second ctest entry runs this under a Western code page, where decoding with
    // the system's code page would garble the names.
    if (const char* expected = std::getenv("PW_EXPECT_ACP")) {
        ASSERT_EQ(::GetACP(), static_cast<UINT>(std::atoi(expected)));
    }
    ts::TempDir dir(L"inv");
    // "機種" and "メモリ" in code page 932, whatever the system's code page.
    ts::writeFile(dir.file(L"inventory"), ts::wideToCp932(L"機種\r\n#メモ\r\nメモリ\r\n"));
    std::vector<std::wstring> names;
    ASSERT_TRUE(ReadInventoryList(dir.file(L"inventory"), names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"機種", L"メモリ"}));
}

namespace {

// A run whose inventory pass fails with an exception.
class ThrowingRun : public CSetupThread {
protected:
    void CollectInventory(const std::wstring&, MethodCatalog&, MachineDataFile&) override
    {
        throw std::runtime_error("inventory broke");
    }
};

// Stands in for the main dialog: records the outcome the run reports.
class OutcomeWindow : public CWinApp {
public:
    OutcomeWindow()
    {
        WNDCLASSW cls{};
        cls.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_SETUP_FINISHED)
                outcome = static_cast<int>(wParam);
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        };
        cls.lpszClassName = L"PeltawinTestOutcome";
        ::RegisterClassW(&cls);
        mainWindow = ::CreateWindowW(cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~OutcomeWindow() override { ::DestroyWindow(mainWindow); }
    BOOL InitInstance() override { return FALSE; }
    static inline int outcome = -1;
};

} // namespace

TEST(SetupThread, EscapingExceptionEndsTheRunAsFailed)
{
    AppKit kit;
    kit.write(kit.machineFile(), dataFile("<Value Name=\"a\" Method=\"m\">1</Value>"));
    logFolder = kit.file(L"log");
    logBaseName = kit.digest();
    ComApartment com(COINIT_APARTMENTTHREADED);
    OutcomeWindow window;
    ThrowingRun run;
    run.context = RunContext::ForExecutable(kit.file(L"peltacfg.exe"));
    run.context.dataFilePath = kit.file(kit.machineFile());
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(OutcomeWindow::outcome, 0) << "reported as a failed run";
    EXPECT_EQ(logMessages(kit.logText()).back(), L"例外により中断しました: inventory broke");
}
