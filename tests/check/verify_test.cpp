// peltacheck --verify on a PC that the real peltacfg.exe set up under Wine:
// every applied value agrees, values changed behind its back are named,
// items the run has not reached and items it cannot read are said to be so,
// and its record in the log folder gives the fleet report its counts.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app_kit.h"
#include "resource.h"
#include "verify_log.h"
#include "win32_owners.h"
#include "written_value.h"
#include "xml_dom.h"

namespace {

constexpr const wchar_t* KEY = L"Software\\PeltawinTest\\Verify";

struct VerifyRun {
    DWORD exitCode = 0;
    std::vector<std::wstring> lines;
};

VerifyRun runVerify(const AppKit& kit)
{
    ts::RunResult r = ts::runProcess(ts::quote(ts::binPath(L"peltacheck.exe")) + L" --verify " + ts::quote(kit.folder()));
    EXPECT_TRUE(r.started && !r.timedOut);
    VerifyRun run{r.exitCode, {}};
    std::wistringstream text(ts::cp932ToWide(r.output));
    for (std::wstring line; std::getline(text, line);) {
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        run.lines.push_back(line);
    }
    return run;
}

void setValue(const wchar_t* name, const std::wstring& text)
{
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

// A method whose Set writes a registry value and whose Get reads it back.
std::string registryMethod(const std::string& name, const std::string& value, const std::string& type)
{
    std::string place = "<Root>HKCU</Root><Key>Software\\PeltawinTest\\Verify</Key><Name>" + value + "</Name>";
    return "<Data><Name>" + name + "</Name><Set type=\"Registry\">" + place + "<Type>" + type + "</Type></Set>"
           "<Method type=\"Registry\">" + place + "</Method></Data>\n";
}

class Verify : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, KEY); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, KEY); }
};

} // namespace

TEST_F(Verify, AfterARealRunOnlyWhatChangedIsReported)
{
    AppKit kit;
    kit.installShutdownStub(0);
    std::string ini = "<Path>" + ts::wideToUtf8(kit.folder()) + "</Path><File>settings.ini</File><Section>Display</Section><Key>Color</Key>";
    kit.writeMethods(registryMethod("RegSz", "Sz", "REG_SZ") + registryMethod("RegDw", "Dw", "REG_DWORD") +
                     registryMethod("RegAfter", "After", "REG_SZ") +
                     "<Data><Name>IniColor</Name><Set type=\"Ini\">" + ini + "</Set><Method type=\"Ini\">" + ini +
                     "<Type>String</Type></Method></Data>\n"
                     "<Data><Name>Cmd</Name><Set type=\"Command\"><Command>cmd /c exit 0</Command></Set></Data>\n"
                     "<Data><Name>Model</Name><Method type=\"Registry\"><Root>HKCU</Root>"
                     "<Key>Software\\PeltawinTest\\Verify</Key><Name>Model</Name></Method></Data>\n");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"sz\" Method=\"RegSz\">こんにちは</Value>"
                                          "<Value Name=\"dw\" Method=\"RegDw\">-1</Value>"
                                          "<Value Name=\"ini\" Method=\"IniColor\">blue</Value>"
                                          "<Value Name=\"cmd\" Method=\"Cmd\">yes</Value>"
                                          "<Value Name=\"model\" Method=\"Model\">unknown</Value>"
                                          "<Value Name=\"restart\" Method=\"Reboot\">yes</Value>"
                                          "<Value Name=\"after\" Method=\"RegAfter\">later</Value>",
                                          "<Serial>SN-TEST-0001</Serial>"));
    setValue(L"Model", L"Model-1");

    // Applied for real up to the restart; the item after it is not reached.
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    ts::pressButton(dialog, IDC_RUN_BUTTON);
    kit.waitShutdownCall();
    ASSERT_EQ(kit.shutdownCalls(), L"shutdown.exe /r /t 0\n");
    EXPECT_TRUE(kit.closeAndWait(dialog));

    const std::wstring file = L"data\\" + kit.digest() + L".xml";
    std::vector<std::wstring> expected = {
        L"シリアルナンバー: SN-TEST-0001",
        L"データファイル: " + file + L" (この PC の設定)",
        L"  1. sz (RegSz): 一致: \"こんにちは\"",
        L"  2. dw (RegDw): 一致: \"-1\"",
        L"  3. ini (IniColor): 一致: \"blue\"",
        L"  4. cmd (Cmd): 確認できません: Set (Command) は処理を実行する型で、結果を読み取れません",
        L"  5. model (Model): 一致: \"Model-1\"",
        L"  6. restart (Reboot): 確認できません: 再起動の項目です",
        L"  7. after (RegAfter): 未適用",
        L"結果: 一致 4 件、相違 0 件、変化 0 件、読み取り失敗 0 件、確認できません 2 件、未適用 1 件",
    };
    VerifyRun run = runVerify(kit);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.front().rfind(L"検証日時: ", 0), 0u) << ts::wideToUtf8(run.lines.front());
    EXPECT_EQ(std::vector<std::wstring>(run.lines.begin() + 1, run.lines.end()), expected);
    // The record holds the same lines, in code page 932.
    const std::wstring record = kit.file(L"log\\" + kit.digest() + L"-verify.txt");
    std::wstring printed;
    for (const std::wstring& line : run.lines)
        printed += line + L"\r\n";
    EXPECT_EQ(ts::cp932ToWide(ts::readFile(record)), printed);
    std::string before = kit.read(kit.machineFile());

    // A registry value and an INI value changed behind its back: those two, nothing else.
    setValue(L"Sz", L"changed");
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Display", L"Color", L"red", kit.file(L"settings.ini").c_str()));
    expected[2] = L"  1. sz (RegSz): 相違: データファイル \"こんにちは\"、PC \"changed\"";
    expected[4] = L"  3. ini (IniColor): 相違: データファイル \"blue\"、PC \"red\"";
    expected.back() = L"結果: 一致 2 件、相違 2 件、変化 0 件、読み取り失敗 0 件、確認できません 2 件、未適用 1 件";
    run = runVerify(kit);
    EXPECT_EQ(run.exitCode, 1u);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(std::vector<std::wstring>(run.lines.begin() + 1, run.lines.end()), expected);
    VerifySummary summary;
    ASSERT_TRUE(ReadVerifySummary(record, summary));
    EXPECT_EQ(VerifyCellText(summary), run.lines.front().substr(6) + L" 相違 2 変化 0");

    // A value read back into the file that reads otherwise now has changed.
    setValue(L"Model", L"Model-2");
    run = runVerify(kit);
    EXPECT_EQ(run.exitCode, 1u);
    ASSERT_GE(run.lines.size(), 8u);
    EXPECT_EQ(run.lines[7], L"  5. model (Model): 変化: データファイル \"Model-1\"、PC \"Model-2\"");

    // Nothing of the kit was written: the data file is as the run left it.
    EXPECT_EQ(kit.read(kit.machineFile()), before);
}

TEST_F(Verify, APcNotSetUpYetIsSaidSoAndNotWritten)
{
    AppKit kit;
    VerifyRun run = runVerify(kit);
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_EQ(run.lines, (std::vector<std::wstring>{
                             L"シリアルナンバー: SN-TEST-0001",
                             L"この PC のデータファイル data\\" + kit.digest() + L".xml がありません (未登録のPCです)。検証できません"}));
    EXPECT_FALSE(ts::fileExists(kit.file(L"log\\" + kit.digest() + L"-verify.txt")));

    // With common.xml the PC's copy is judged in memory; peltacfg makes it at its next start.
    kit.write(L"data\\common.xml", dataFile("<Value Name=\"a\" Method=\"m\">1</Value>", "<Serial>x</Serial><Common>true</Common>"));
    run = runVerify(kit);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.lines.size(), 5u);
    EXPECT_EQ(run.lines[2], L"データファイル: data\\" + kit.digest() + L".xml (共通設定、まだありません。common.xml から作られます)");
    EXPECT_EQ(run.lines[3], L"  1. a (m): 未適用");
    EXPECT_FALSE(ts::fileExists(kit.file(kit.machineFile())));

    // A placeholder serial names no PC, as at peltacfg's start-up.
    kit.setSerial(L"To be filled by O.E.M.");
    run = runVerify(kit);
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_EQ(run.lines, std::vector<std::wstring>{L"シリアルナンバー「To be filled by O.E.M.」は多くの PC に共通の仮の値で、この PC を識別できません。検証できません"});
}

TEST(VerifyRules, ARegistryNumberIsComparedAsTheNumberItWrites)
{
    ComApartment com;
    xmldom::ComPtr<IXMLDOMDocument2> doc;
    ASSERT_TRUE(SUCCEEDED(xmldom::CreateDocument(doc)));
    long error = 0;
    ASSERT_TRUE(xmldom::LoadText(doc.Get(), L"<r><Set type=\"Registry\"><Type>REG_DWORD</Type></Set>"
                                            L"<Set type=\"Registry\"><Type>REG_QWORD</Type></Set></r>", error));
    xmldom::ComPtr<IXMLDOMNode> dword = xmldom::SelectNode(doc.Get(), L"/r/Set[1]");
    xmldom::ComPtr<IXMLDOMNode> qword = xmldom::SelectNode(doc.Get(), L"/r/Set[2]");
    EXPECT_TRUE(IsWrittenValue(dword.Get(), nullptr, L"4294967295", L"-1"));
    EXPECT_TRUE(IsWrittenValue(dword.Get(), nullptr, L"12abc", L"12"));
    EXPECT_FALSE(IsWrittenValue(dword.Get(), nullptr, L"4294967296", L"0"));
    EXPECT_TRUE(IsWrittenValue(qword.Get(), nullptr, L"18446744073709551615", L"-1"));
    EXPECT_FALSE(IsWrittenValue(qword.Get(), nullptr, L"5000000000", L"705032704"));
}
