// peltacheck as a program: the example kit checks clean, each broken kit of
// the corpus gives exactly its expected lines and exit code, and --plan tells
// what the example kit's items would do. Output arrives through a pipe, as
// ANSI code page bytes (932 in the test prefix).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

struct CheckRun {
    DWORD exitCode = 0;
    std::vector<std::wstring> lines;
};

CheckRun runCheck(const std::wstring& arguments)
{
    ts::RunResult r = ts::runProcess(ts::quote(ts::binPath(L"peltacheck.exe")) + L" " + arguments);
    EXPECT_TRUE(r.started && !r.timedOut);
    CheckRun run{r.exitCode, {}};
    std::wistringstream text(ts::cp932ToWide(r.output));
    for (std::wstring line; std::getline(text, line);) {
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        run.lines.push_back(line);
    }
    return run;
}

std::wstring exampleKit() { return ts::moduleDir() + L"\\example_kit"; }

const char* const METHODS =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Datas>\n"
    "  <Data><Name>SerialNumber</Name><Method type=\"WMI\"><Namespace>root\\cimv2</Namespace><Class>Win32_BIOS</Class>"
    "<Where/><Property>SerialNumber</Property></Method></Data>\n"
    "  <Data><Name>Flag</Name><Set type=\"Registry\"><Root>HKCU</Root><Key>K</Key><Name>F</Name><Type>REG_DWORD</Type></Set></Data>\n"
    "</Datas>\n";

// One broken kit: files over a small clean kit (methods.xml above and an empty
// log folder), written as bytes; an empty text removes the file or folder.
struct CorpusCase {
    const char* name;
    std::map<std::wstring, std::string> files;
    DWORD exitCode;
    std::vector<std::wstring> lines;  // every line before the summary
};

const CorpusCase CORPUS[] = {
    {"catalogue definitions",
     {{L"methods.xml",
       "<Datas>\n"
       "<Data><Name>SerialNumber</Name><Method type=\"Registry\"><Root>HKLM</Root><Key>K</Key></Method></Data>\n"
       "<Data><Name>A</Name><Set type=\"Registry\"><Root>HKML</Root><Key>K</Key><Name>n</Name><Type>REG_BINARY</Type></Set></Data>\n"
       "<Data><Name>A</Name><Set type=\"Bogus\"/></Data>\n"
       "<Data><Set><InParam><Param>x</Param></InParam></Set></Data>\n"
       "<Data><Name>It's</Name><Set type=\"WMIExecute\"><Namespace>n</Namespace><Class>c</Class><Object>{Nowhere}</Object>"
       "<Method>m</Method><InParam><Param name=\"p\" type=\"float\"/></InParam></Set></Data>\n"
       "<Data><Name>Loop</Name><Method type=\"Ini\"><Path>{Loop}</Path><File>f</File><Section>s</Section><Key>k</Key><Type>t</Type></Method></Data>\n"
       "<Data><Name>Sets</Name><Set type=\"Command\"><InParam><Param>p</Param></InParam></Set></Data>\n"
       "</Datas>\n"}},
     1,
     {L"methods.xml:2:32: error C007: Method (type \"Registry\") に Name がありません",
      L"methods.xml:3:42: error C008: Root \"HKML\" はルートキーではありません (HKLM、HKCU、HKCR)。HKLM に書き込まれます",
      L"methods.xml:3:85: error C009: Type \"REG_BINARY\" は書き込めません (REG_SZ、REG_DWORD、REG_QWORD)",
      L"methods.xml:4:1: warning C002: メソッド A は 3 行目でも定義されています。最初の定義が使われます",
      L"methods.xml:4:21: error C006: Set の type \"Bogus\" は使えません",
      L"methods.xml:5:1: error C001: Data に Name がありません。このメソッドは使われません",
      L"methods.xml:5:7: error C005: Set に type 属性がありません",
      L"methods.xml:6:1: error C003: メソッド名 It's にアポストロフィ (') があります。このメソッドは見つかりません",
      L"methods.xml:6:140: error C011: Param の type は string、stringarray、bool、int のどれかにしてください",
      L"methods.xml:6:47: warning C024: Namespace \"n\" は標準の Windows にある名前空間ではありません。綴りを確かめてください (例: root\\cimv2、root\\default、root\\wmi)。ない名前空間では項目が失敗します",
      L"methods.xml:6:87: error C012: 参照 {Nowhere} のメソッドが methods.xml にありません",
      L"methods.xml:8:53: error C010: Param に name 属性がありません。このメソッドは実行されません",
      L"methods.xml:7:43: error C014: メソッド Loop の参照をたどると自分に戻ります (循環参照)"}},
    {"no SerialNumber, broken usersmethods.xml, inventory with a byte-order mark",
     {{L"methods.xml", "<Datas><Data><Name>Model</Name><Method type=\"HDDPwd\"/></Data></Datas>"},
      {L"usersmethods.xml", "<Datas>\n<Data>\n</Datas>\n"},
      {L"inventory", "\xEF\xBB\xBFModel\r\n# note\r\n\r\nNope\r\nModel\r\n"}},
     1,
     {L"methods.xml:0:0: error C016: SerialNumber メソッドがありません。peltacfg はシリアルナンバーを取得できません",
      // Wine's DOM parse error has no position or reason, so the place and text come from
      // its SAX reader (libxml2): the end of the last tag read and an English reason.
      // MSXML on Windows reports line 3 and its own reason here.
      L"usersmethods.xml:2:6: error F002: XML の形式が正しくありません [0x80004005] Opening and ending tag mismatch: Data line 2 and Datas",
      L"inventory:1:1: error I001: 先頭に BOM があります。最初の名前が一致しません。BOM なしの ANSI (シフトJIS) で保存してください",
      L"inventory:4:1: warning I003: メソッド \"Nope\" は methods.xml にありません。インベントリに記録されません"}},
    {"data file items",
     {{L"data\\0123456789abcdef0123456789abcdef01234567.xml",
       "<?xml version=\"1.0\"?>\n<Data>\n<Serial>s</Serial><Progress>x</Progress>\n<Values>\n"
       "<Value Name=\"a\" Method=\"Flag\">12abc</Value>\n"
       "<Value Name=\"b\" Method=\"Missing\"/>\n"
       "<Value Name=\"c\" Method=\"SerialNumber\"/>\n"
       "<Value Name=\"d\" Method=\"REBOOT\">maybe</Value>\n"
       "<Value Name=\"e\" Method=\"Flag\">-1</Value>\n"
       "</Values>\n</Data>\n"},
      {L"data\\pc.xml", "<Data><Done>TRUE</Done><Progress>5</Progress><Values><Value Name=\"a\" Method=\"Flag\">1</Value></Values></Data>"}},
     1,
     {L"data\\0123456789abcdef0123456789abcdef01234567.xml:0:0: error D018: ファイル名が Serial \"s\" の SHA-1 と一致しません。その PC はこのファイルを見つけません。名前を a0f1490a20d0211c997b44bc357e1972deab8ae3.xml にしてください",
      L"data\\0123456789abcdef0123456789abcdef01234567.xml:5:1: error D006: REG_DWORD の値 \"12abc\" は 10 進数ではありません。peltacfg は先頭の数字だけを読み、12 を書き込みます。10 進数で書いてください (16 進数は 10 進数に直します)",
      L"data\\0123456789abcdef0123456789abcdef01234567.xml:6:1: warning D004: メソッド \"Missing\" はどのカタログにもありません。何もせずに完了扱いになります",
      L"data\\0123456789abcdef0123456789abcdef01234567.xml:8:1: error D003: 再起動の値 \"maybe\" は yes でも no でもありません。再起動しません",
      L"data\\0123456789abcdef0123456789abcdef01234567.xml:3:19: error D007: Progress \"x\" は数値ではありません",
      L"data\\pc.xml:1:24: error D008: Progress 5 は項目の範囲 (-1 から 0) の外です",
      L"data\\pc.xml:0:0: error D009: Serial がありません。peltacfg は「設定情報がありません」を表示します",
      L"data\\pc.xml:0:0: warning D010: ファイル名がシリアルナンバーの SHA-1 (16 進 40 桁) ではありません。peltacfg はこのファイルを読みません",
      L"data\\pc.xml:0:0: warning D012: Done が true です。この設定は実行されません"}},
    {"shared files",
     {{L"data\\initial.xml", "<?xml version=\"1.0\"?>\n<Data><Serial>\x83\x65</Serial></Data>"},
      {L"data\\common.xml", "<Data>\n<Values>\n  <Value Method=\"Flag\">1</Value>\n</Values></Data>"}},
     1,
     {L"data\\initial.xml:2:15: error F004: UTF-8 ではない文字があります (シフトJIS で保存されていませんか)。UTF-8 で保存してください",
      L"data\\common.xml:3:3: error D001: Value に Name 属性がありません。このファイルは読み込めません"}},
    {"common.xml without its mark, a wrong root",
     {{L"data\\common.xml", "<Data><Serial>t</Serial><Values/></Data>"},
      {L"usersmethods.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Methods/>"}},
     1,
     {L"usersmethods.xml:2:1: error F003: ルート要素が Datas ではありません",
      L"data\\common.xml:0:0: error D011: Common が true ではありません。どの PC でも「設定情報がありません」と表示されます",
      L"data\\common.xml:0:0: warning D013: 項目 (Values/Value) がありません。peltacfg は「設定情報がありません」を表示します"}},
    {"references, encodings, items that fail",
     {{L"methods.xml",
       "<Datas>\n"
       "<Data><Name>SerialNumber</Name><Method type=\"PowerShell\"><Command>x</Command></Method></Data>\n"
       "<Data><Name>NoGet</Name><Set type=\"Command\"/></Data>\n"
       "<Data><Name>W</Name><Set type=\"WMI\"><Namespace>n</Namespace><Class>c</Class><Where>{NoGet}</Where>"
       "<Property>p</Property><Value type=\"string\"/></Set></Data>\n"
       "<Data><Name>Inst</Name><Set type=\"Command\"><Command>x</Command><SuccessCodes>0,,3010</SuccessCodes></Set></Data>\n"
       "<Data><Name>Ok</Name><Set type=\"Console\"><Command>x</Command><SuccessCodes> 0, 3010 ,-1</SuccessCodes></Set></Data>\n"
       "</Datas>\n"},
      {L"usersmethods.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Datas><Data><Name>OnlyGet</Name><Method type=\"HDDPwd\"/></Data></Datas>"},
      {L"inventory", "SerialNumber\r\n# \xE6\xA9\x9F\xE7\xA8\xAE\r\n"},
      {L"data\\initial.xml", "<Data><Values><Value Name=\"v\" Method=\"NoGet\"><P Name=\"x\">1</P><!-- c --></Value></Values></Data>"},
      {L"data\\common.xml", "<Data><Serial>t</Serial><Common>true</Common><Values>\n<Value Name=\"a\" Method=\"OnlyGet\"/>\n</Values></Data>"}},
     1,
     {L"methods.xml:2:32: warning C015: type \"PowerShell\" の Get は何も読み取らず、常に失敗します",
      L"methods.xml:4:37: warning C024: Namespace \"n\" は標準の Windows にある名前空間ではありません。綴りを確かめてください (例: root\\cimv2、root\\default、root\\wmi)。ない名前空間では項目が失敗します",
      L"methods.xml:4:77: error C013: 参照 {NoGet} のメソッドに Get (Method) がありません",
      L"methods.xml:5:64: error C025: SuccessCodes \"0,,3010\" は終了コードをコンマで区切った一覧 (例: 0,3010) ではありません。このメソッドは実行されません",
      L"usersmethods.xml:0:0: warning F005: 文字コード ISO-8859-1 が宣言されています。UTF-8 で保存してください",
      L"inventory:0:0: warning I002: UTF-8 で保存されているようです。ANSI (シフトJIS) として読まれるため、日本語の名前は一致しません",
      L"data\\initial.xml:0:0: error D002: peltacfg はこのファイルを読み込めません (パラメータ要素に Name がない、または最初のパラメータの後にコメントがあります)",
      L"data\\common.xml:2:1: error D005: メソッド \"OnlyGet\" には usersmethods.xml に Set がなく、methods.xml に Get もありません。この項目は失敗します"}},
    {"registry keys, placeholders, WMI namespaces",
     {{L"methods.xml",
       "<Datas>\n"
       "<Data><Name>SerialNumber</Name><Method type=\"HDDPwd\"/></Data>\n"
       "<Data><Name>K1</Name><Set type=\"Registry\"><Root>HKLM</Root><Key>\\SOFTWARE\\X</Key><Name>n</Name><Type>REG_SZ</Type></Set></Data>\n"
       "<Data><Name>K2</Name><Set type=\"Registry\"><Root>HKLM</Root><Key>HKLM\\SOFTWARE\\X</Key><Name>n</Name><Type>REG_QWORD</Type></Set></Data>\n"
       "<Data><Name>Run</Name><Set type=\"Command\"><Command>{EXEDIR}\\setup.cmd</Command></Set></Data>\n"
       "<Data><Name>Ini</Name><Set type=\"Ini\"><Path>{EXEDIR}</Path><File>a.ini</File><Section>s</Section><Key>k</Key></Set></Data>\n"
       "<Data><Name>Zone</Name><Set type=\"PowerShell\"><Script>Set-Zone \"{zone}\" \"{Zone}\" | % { $_ }</Script>"
       "<InParam><Param name=\"Zone\">a</Param><Param name=\"Unused\">b</Param></InParam></Set></Data>\n"
       "<Data><Name>Install</Name><Set type=\"Console\"><Command>{EXEDIR}\\setup.exe /zone \"{Zone}\"</Command>"
       "<InParam><Param name=\"Zone\">a</Param></InParam></Set></Data>\n"
       "<Data><Name>Wmi</Name><Method type=\"WMI\"><Namespace>root\\cimv3</Namespace><Class>c</Class><Where/></Method></Data>\n"
       "</Datas>\n"}},
     1,
     {L"methods.xml:3:60: error C017: Key \"\\SOFTWARE\\X\" は \\ で始まっています。Windows はこのキーを開けないか、意図しない名前のキーとして扱います。余分な \\ を取り除いてください",
      L"methods.xml:4:60: error C018: Key \"HKLM\\SOFTWARE\\X\" がルートキー HKLM で始まっています。Root の下に HKLM という名前のキーが作られ、そこに書き込まれます。ルートキーは Root にだけ書き、Key からは取り除いてください",
      L"methods.xml:5:43: error C019: {EXEDIR} は Param のない定義では置き換えられません。そのまま実行され、この項目は失敗します。Param を 1 つ以上加えてください",
      L"methods.xml:6:39: error C020: Path の {EXEDIR} は置き換えられません。ここでは {…} はメソッド名を表し、"
      L"EXEDIR というメソッドはありません。フォルダを直接書くか、フォルダを返す Get を持つメソッドを参照してください",
      L"methods.xml:7:47: warning C021: {zone} を定義する Param がありません。Param \"Zone\" のことですか (名前の大文字と小文字は区別されます)。{zone} は置き換えられずにそのまま実行されます",
      L"methods.xml:7:138: warning C022: Param \"Unused\" はどのテキストにも {Unused} として使われていません。データファイルの値は渡されません",
      L"methods.xml:8:47: warning C023: {EXEDIR} が引用符 (\") の外にあります。置き換えた文字列に空白があると、コマンドラインが空白で分かれ、別のプログラムや引数として実行されます。\"{EXEDIR}\" のように囲んでください",
      L"methods.xml:9:42: warning C024: Namespace \"root\\cimv3\" は標準の Windows にある名前空間ではありません。綴りを確かめてください (例: root\\cimv2、root\\default、root\\wmi)。ない名前空間では項目が失敗します"}},
    {"items and their methods, machine files that start-up never reaches",
     {{L"usersmethods.xml",
       "<Datas>\n"
       "<Data><Name>Zone</Name><Set type=\"Command\"><Command>cmd /c echo \"{Zone}\"</Command><InParam><Param name=\"Zone\">a</Param></InParam></Set></Data>\n"
       "<Data><Name>Big</Name><Set type=\"Registry\"><Root>HKCU</Root><Key>K</Key><Name>B</Name><Type>REG_QWORD</Type></Set></Data>\n"
       "</Datas>\n"},
      {L"data\\common.xml",
       "<Data><Serial>t</Serial><Common>true</Common><Progress>5</Progress><Values>\n"
       "<Value Name=\"a\" Method=\"Flag\">4294967296</Value>\n"
       "<Value Name=\"b\" Method=\"Big\">18446744073709551615</Value>\n"
       "<Value Name=\"c\" Method=\"Zone\">b</Value>\n"
       "<Value Name=\"d\" Method=\"Zone\"><P Name=\"zone\">b</P></Value>\n"
       "<Value Name=\"e\" Method=\"flag\">1</Value>\n"
       "<Value Name=\"r\" Method=\"Reboot\">yes</Value>\n"
       "<Value Name=\"f\" Method=\"Flag\">-2147483648</Value>\n"
       "</Values></Data>\n"},
      {L"data\\1111111111111111111111111111111111111111.xml",
       "<Data><Serial>To be filled by O.E.M.</Serial><Common>true</Common><Values><Value Name=\"a\" Method=\"Flag\">1</Value></Values></Data>"},
      {L"data\\2222222222222222222222222222222222222222.xml",
       "<Data><Serial>PC-1</Serial><Values><Value Name=\"a\" Method=\"Flag\">1</Value></Values></Data>"}},
     1,
     {L"data\\common.xml:2:1: error D014: REG_DWORD の値 \"4294967296\" は範囲 (-2147483648 から 4294967295) の外です。何も書き込まれず、この項目は失敗します",
      L"data\\common.xml:4:1: warning D015: 値 \"b\" はどの Param にも渡されず、Param の既定値で実行されます。値は Param の名前の要素で書いてください (例: <P Name=\"Zone\">…</P>)",
      L"data\\common.xml:5:1: warning D016: パラメータ \"zone\" はメソッドの Param にないため使われません。Param \"Zone\" のことですか (名前の大文字と小文字は区別されます)",
      L"data\\common.xml:6:1: warning D017: メソッド \"flag\" はどのカタログにもありません。\"Flag\" のことですか (名前の大文字と小文字は区別されます)。このままでは何もせずに完了扱いになります",
      L"data\\common.xml:7:1: warning D022: 再起動の項目は Progress 5 で実行済みです。次の実行はその後の項目から始まり、ここで再起動しません",
      L"data\\1111111111111111111111111111111111111111.xml:0:0: error D019: Serial \"To be filled by O.E.M.\" は多くの PC に共通の仮の値です。peltacfg はこの値で PC を識別せず (「シリアルナンバーが取得できませんでした」)、このファイルは使われません",
      L"data\\2222222222222222222222222222222222222222.xml:0:0: error D018: ファイル名が Serial \"PC-1\" の SHA-1 と一致しません。その PC はこのファイルを見つけません。名前を 417507b235bc33d9882e7300db123224c8bc2a4d.xml にしてください",
      L"data\\2222222222222222222222222222222222222222.xml:0:0: error D020: common.xml があるのに、このファイルには Common の印がありません。この PC では「設定情報がありません」と表示されます。<Common>true</Common> を加えてください"}},
    {"a done initial.xml, a byte-order mark against the declaration, blanks around an inventory name",
     {{L"data\\initial.xml", "<Data><Done>true</Done><Values><Value Name=\"a\" Method=\"Flag\">1</Value></Values></Data>"},
      {L"usersmethods.xml", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><Datas/>"},
      {L"inventory", "SerialNumber \r\n"}},
     1,
     {L"usersmethods.xml:0:0: error F007: 先頭に UTF-8 の BOM がありますが、XML 宣言の文字コードは Shift_JIS です。peltacfg はこのファイルを読み込めないか、文字を取り違えます。宣言を encoding=\"UTF-8\" にしてください",
      // Wine's parser refuses the declared encoding after the mark and names it in English;
      // MSXML on Windows gives its own reason there.
      L"usersmethods.xml:1:0: error F002: XML の形式が正しくありません [0x80004005] Unsupported encoding Shift_JIS",
      L"inventory:1:1: warning I005: 名前 \"SerialNumber \" の前後に空白があります。空白も名前の一部として探されるため、メソッド \"SerialNumber\" と一致せず、インベントリに記録されません。空白を取り除いてください",
      L"data\\initial.xml:0:0: error D021: initial.xml が Done です。initial.xml はすべての PC で共有される 1 つのファイルなので、自分のファイルを持たないどの PC も「ネットワーク設定済みです」を表示し、何も実行しません。次の PC の前に Done と Progress を取り除いてください"}},
    {"no methods.xml, no log folder", {{L"methods.xml", ""}, {L"log", ""}}, 1,
     {L"log:0:0: error F006: log フォルダがありません。peltacfg は「ログ出力に失敗したため中断しました」で止まります",
      L"methods.xml:0:0: error F001: ファイルがありません。peltacfg は「設定ファイルの読み込みに失敗しました」を表示します"}},
};

TEST(Peltacheck, ExampleKitChecksClean)
{
    CheckRun run = runCheck(ts::quote(exampleKit()));
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.lines, std::vector<std::wstring>{L"エラー 0 件、警告 0 件"});
}

TEST(Peltacheck, CorpusGivesTheExpectedLines)
{
    for (const CorpusCase& c : CORPUS) {
        SCOPED_TRACE(c.name);
        ts::TempDir kit(L"chk");
        ::CreateDirectoryW(kit.file(L"data").c_str(), nullptr);
        ::CreateDirectoryW(kit.file(L"log").c_str(), nullptr);
        ts::writeFile(kit.file(L"methods.xml"), METHODS);
        for (const auto& [name, bytes] : c.files)
            bytes.empty() ? (void)(::DeleteFileW(kit.file(name).c_str()) || ::RemoveDirectoryW(kit.file(name).c_str()))
                          : (void)ts::writeFile(kit.file(name), bytes);
        CheckRun run = runCheck(ts::quote(kit.path()));
        ASSERT_FALSE(run.lines.empty());
        EXPECT_EQ(run.exitCode, c.exitCode);
        std::vector<std::wstring> findings(run.lines.begin(), run.lines.end() - 1);
        EXPECT_EQ(findings, c.lines);
    }
}

TEST(Peltacheck, PlanTellsWhatEachItemWouldDo)
{
    CheckRun run = runCheck(L"--plan " + ts::quote(exampleKit()));
    EXPECT_EQ(run.exitCode, 0u);
    auto has = [&](const std::wstring& line) { return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end(); };
    const std::wstring kit = exampleKit();
    EXPECT_TRUE(has(L"data\\common.xml: 項目 17 件、Progress -1"));
    EXPECT_TRUE(has(L"  1. 作業フォルダ (MakeFolder) [methods.xml, Set Command]: コマンドライン: cmd /c if not exist \"C:\\PeltawinKit\" "
                    L"mkdir \"C:\\PeltawinKit\"; コマンドライン: cmd /c echo prepared by \"" + kit + L"\\peltacfg.exe\">\"C:\\PeltawinKit\\prepared.txt\""));
    EXPECT_TRUE(has(L"  3. 組織名 (Organization) [usersmethods.xml, Set Registry]: HKLM\\SOFTWARE\\PeltawinKit\\Site (64 ビット ビュー) Organization = Example Co. (REG_SZ)"));
    EXPECT_TRUE(has(L"  4. 旧アプリ用フラグ (LegacyFlag) [methods.xml, Set Registry]: HKLM\\SOFTWARE\\Wow6432Node\\PeltawinKit (32 ビット ビュー) LegacyFlag = 1 "
                    L"(REG_DWORD、書き込まれる値 0x00000001 = 1)"));
    EXPECT_TRUE(has(L"  7. 表示色 (IniColor) [methods.xml, Set Ini]: INI {KitFolder}\\settings.ini [Display] Color = blue"));
    EXPECT_TRUE(has(L"  12. PowerShell (PsNote) [methods.xml, Set PowerShell]: PowerShell スクリプト Folder=C:\\PeltawinKit Text=written by PowerShell"));
    EXPECT_TRUE(has(L"  15. 再起動 (Reboot): ここで再起動します"));
    EXPECT_TRUE(has(L"  16. 機種 (読み取り) (ComputerModel) [methods.xml, Get WMI]: 読み取ってファイルに記録: WMI root\\cimv2 Win32_ComputerSystem Model"));
    EXPECT_TRUE(has(L"自分のデータファイルがない PC の起動時: common.xml (共通設定) を data\\<シリアルナンバーの SHA-1>.xml にコピーして: 項目を実行します"));
}

// What really happens on the PC: the number stored, the items Progress has
// passed, and whether start-up ever reaches a machine's own file.
TEST(Peltacheck, PlanShowsWhatReallyHappens)
{
    ts::TempDir kit(L"chk");
    ::CreateDirectoryW(kit.file(L"data").c_str(), nullptr);
    ::CreateDirectoryW(kit.file(L"log").c_str(), nullptr);
    ts::writeFile(kit.file(L"methods.xml"), METHODS);
    const std::string items = "<Values><Value Name=\"a\" Method=\"Flag\">4294967295</Value><Value Name=\"b\" Method=\"Flag\">-1</Value>"
                              "<Value Name=\"c\" Method=\"Flag\">99999999999</Value></Values>";
    // SHA-1 of "PC-1", the name start-up looks for.
    ts::writeFile(kit.file(L"data\\417507b235bc33d9882e7300db123224c8bc2a4d.xml"), "<Data><Serial>PC-1</Serial><Progress>0</Progress>" + items + "</Data>");
    ts::writeFile(kit.file(L"data\\2222222222222222222222222222222222222222.xml"), "<Data><Serial>PC-1</Serial>" + items + "</Data>");
    CheckRun run = runCheck(L"--plan " + ts::quote(kit.path()));
    EXPECT_EQ(run.exitCode, 1u);
    auto has = [&](const std::wstring& line) { return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end(); };
    EXPECT_TRUE(has(L"data\\2222222222222222222222222222222222222222.xml: 項目 3 件、Progress -1、起動時: どの PC も見つけません "
                    L"(名前が Serial の SHA-1 ではありません。正しい名前は 417507b235bc33d9882e7300db123224c8bc2a4d.xml)"));
    EXPECT_TRUE(has(L"data\\417507b235bc33d9882e7300db123224c8bc2a4d.xml: 項目 3 件、Progress 0、起動時: シリアルナンバー \"PC-1\" の PC で 2 番目の項目から実行されます"));
    EXPECT_TRUE(has(L"  1. a (Flag) [実行済み] [methods.xml, Set Registry]: HKCU\\K (64 ビット ビュー) F = 4294967295 (REG_DWORD、書き込まれる値 0xffffffff = 4294967295)"));
    EXPECT_TRUE(has(L"  2. b (Flag) [methods.xml, Set Registry]: HKCU\\K (64 ビット ビュー) F = -1 (REG_DWORD、書き込まれる値 0xffffffff = 4294967295)"));
    EXPECT_TRUE(has(L"  3. c (Flag) [methods.xml, Set Registry]: HKCU\\K (64 ビット ビュー) F = 99999999999 (REG_DWORD、範囲外のため何も書き込まれず、この項目は失敗します)"));

    // With initial.xml in the kit, no PC reaches its own file.
    ts::writeFile(kit.file(L"data\\initial.xml"), "<Data>" + items + "</Data>");
    run = runCheck(L"--plan " + ts::quote(kit.path()));
    EXPECT_TRUE(has(L"data\\417507b235bc33d9882e7300db123224c8bc2a4d.xml: 項目 3 件、Progress 0、起動時: initial.xml があるため、起動時に initial.xml が選ばれ、このファイルは使われません"));
}

TEST(Peltacheck, AFolderThatCannotBeReadGivesTwo)
{
    ts::TempDir kit(L"chk");
    CheckRun run = runCheck(ts::quote(kit.file(L"missing")));
    EXPECT_EQ(run.exitCode, 2u);
}

} // namespace
