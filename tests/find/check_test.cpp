// vornfind check on a small corpus of scripts, and the click position rule of vornfind point.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pointer_report.h"
#include "vorn_test_support.h"

namespace {

using vt::cp932;

struct CheckCase {
    const char* name;
    std::string script; // bytes as saved
    std::string report; // UTF-8; %UTF8% and %SCRIPT% stand for bytes shown unchanged
    DWORD exitCode;
};

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(VornFindCheck, ReportsWhatEachLineDoesAndEveryLineThatCannotWork)
{
    // Every line that vornrun refuses or that always fails is an error; a value vornrun reads
    // other than written, or a test that can never fail, is a warning; what works is neither.
    const CheckCase cases[] = {
        {"clean",
         "cmd.exe /c exit\r\n; comment\r\nProcess:VornTarget,Vorn Target\r\nWindow:VornSecond,second\r\n\r\n"
         "Target:VornTarget,Vorn Target\r\nWindow:VornItem,item,2\r\ntab:2\r\nSPACE:1 \r\nClick:10,5\r\n"
         "WaitPixel:1,2,ff-0x00ff00\r\nAssert:3,4,1e140a\r\nText:a,b\r\nSleep:100\r\nSS:\r\n",
         "1: 起動: cmd.exe /c exit\r\n"
         "3: Process: [VornTarget][Vorn Target] のトップレベルウィンドウを待ち、そのプロセスを対象にします\r\n"
         "4: Window: Target がないため、すべてのプログラムのトップレベルウィンドウから [VornSecond][second] の 0 番目 (0 から) を待ちます\r\n"
         "6: Target: 対象プロセスの [VornTarget][Vorn Target] のトップレベルウィンドウを待ちます\r\n"
         "7: Window: Target の中の [VornItem][item] の 2 番目 (0 から) を待ちます\r\n"
         "8: TAB: キーを 2 回押します\r\n"
         "9: SPACE: キーを 1 回押します (ウィンドウが有効になるのを待ちます)\r\n"
         "10: Click: クライアント座標 10,5 (96 dpi) をクリックします (ウィンドウが有効になるのを待ちます)\r\n"
         "11: WaitPixel: ウィンドウ座標 1,2 の色が ff-0x00ff00 になるまで待ちます\r\n"
         "12: Assert: ウィンドウ座標 3,4 の色が 1e140a なら失敗します\r\n"
         "13: Text: ウィンドウのテキストを [a,b] にします\r\n"
         "14: Sleep: 100 ミリ秒待ちます\r\n"
         "15: SS: 現在のウィンドウの画像を appleid フォルダーに保存します\r\n"
         "問題は見つかりませんでした。\r\n",
         0},
        {"problems",
         "%SCRIPT%\nTarget:A,B\nTAB:1\nTAB:0\nProcess:,x\nprocess:A,B\nWindow:Edit,,x\nsleep :5\nENTER 3\nClick:5\n"
         "Click:-1,70000\nText:{name}\nPaste:a{b}c\nText:" + std::string(256, 'x') + "\nSleep:-5\n"
         "TargetWindow:A,B,C,D,-1\nPaste:" + std::string(256, 'y') + "\nCOMBOBOXSELECT:-1\nSetTimeout:400\n"
         "WaitPixel:1,2,ff\nAssert:-1,2,1000000\n",
         "1: 起動: %SCRIPT%\r\n"
         "1: エラー: 「%SCRIPT%」はプログラムではないため起動できません (err launch[c1])。.msi は「msiexec /i ファイル」、文書は開くプログラムの後に書いてください\r\n"
         "2: Target: 対象プロセスの [A][B] のトップレベルウィンドウを待ちます\r\n"
         "2: エラー: Process より前の Target は、対象プロセスがないため必ず失敗します\r\n"
         "3: TAB: キーを 1 回押します\r\n"
         "3: エラー: これより前に Process、Window、TargetWindow がなく、操作するウィンドウがないため必ず失敗します\r\n"
         "4: TAB: キーを 0 回押します\r\n"
         "5: Process: 何もしません\r\n"
         "5: エラー: Process には「クラス,テキスト (クラス は空にできません)」が必要です。項目が足りないため、この行は何もしません\r\n"
         "6: Process: [A][B] のトップレベルウィンドウを待ち、そのプロセスを対象にします\r\n"
         "7: Window: Target の中の [Edit][] の 0 番目 (0 から) を待ちます\r\n"
         "7: 警告: 「x」は数値として 0 と読まれます\r\n"
         "8: sleep :5\r\n"
         "8: エラー: 不明なキーワード「sleep 」: この行は何もしません (コマンドの間隔だけ待ちます)\r\n"
         "9: ENTER 3\r\n"
         "9: エラー: 「キーワード:」の形でないため、この行は何もしません\r\n"
         "10: Click: 何もしません\r\n"
         "10: エラー: Click には「x,y (x は空にできません)」が必要です。項目が足りないため、この行は何もしません\r\n"
         "11: Click: クライアント座標 -1,70000 (96 dpi) をクリックします (ウィンドウが有効になるのを待ちます)\r\n"
         "11: エラー: 「x」の値 -1 は 0 から 65535ではないため、この行は必ず失敗します\r\n"
         "11: エラー: 「y」の値 70000 は 0 から 65535ではないため、この行は必ず失敗します\r\n"
         "12: Text: ウィンドウのテキストを [{name}] にします\r\n"
         "12: エラー: 「{name}」は変数の参照ですが、変数は定義されていないため、この行は書かれたとおりには動きません\r\n"
         "13: Paste: [a{b}c] を貼り付けます\r\n"
         "13: エラー: 「{b}」は変数の参照ですが、変数は定義されていないため、この行は書かれたとおりには動きません\r\n"
         "14: Text: ウィンドウのテキストを [" + std::string(256, 'x') + "] にします\r\n"
         "14: エラー: テキストが 255 バイトを超えるため、読み返しで確かめられず必ず失敗します\r\n"
         "15: Sleep: -5 ミリ秒待ちます\r\n"
         "15: 警告: 「ミリ秒」の値 -5 は 0 以上ではないため、0 として扱われます\r\n"
         "16: TargetWindow: [A][B] の中の [C] [D] の -1 番目 (0 から) を、対象プロセスがある限り待ちます\r\n"
         "16: エラー: 「番号」の値 -1 は 0 以上ではないため、この行は必ず失敗します\r\n"
         "17: Paste: [" + std::string(256, 'y') + "] を貼り付けます\r\n"
         "17: エラー: テキストが 255 バイトを超えるため、読み返しで確かめられず必ず失敗します\r\n"
         "18: COMBOBOXSELECT: -1 番目 (1 から) の項目を選びます\r\n"
         "18: エラー: 「番号」の値 -1 は 0 以上ではないため、この行は必ず失敗します\r\n"
         "19: SetTimeout: WaitPixel の制限時間を 400 ミリ秒にします\r\n"
         "20: WaitPixel: ウィンドウ座標 1,2 の色が ff になるまで待ちます\r\n"
         "20: エラー: SetTimeout が 400 ミリ秒のため、WaitPixel は色を読まずに必ず失敗します (500 以上にしてください)\r\n"
         "21: Assert: ウィンドウ座標 -1,2 の色が 1000000 なら失敗します\r\n"
         "21: 警告: 「x」の値 -1 は 0 以上ではないため、この行は決して失敗しません (何も確かめません)\r\n"
         "21: 警告: 「色」の値 1000000 は ffffff 以下ではないため、この行は決して失敗しません (何も確かめません)\r\n"
         "エラー 16 件、警告 4 件\r\n",
         1},
        // Saved by Notepad as UTF-8: read as written; a character without an ANSI form is named.
        {"marked UTF-8", "\xEF\xBB\xBF" "cmd.exe\nSleep:テスト\n; ☃\nText:☃\n",
         "1: 起動: cmd.exe\r\n"
         "2: Sleep: 0 ミリ秒待ちます\r\n"
         "2: 警告: 「テスト」は数値として 0 と読まれます\r\n"
         "4: 警告: ANSI (シフト JIS) にない文字があり、「?」として読まれます。ウィンドウのテキストは一致しません\r\n"
         "4: Text: ウィンドウのテキストを [?] にします\r\n"
         "4: エラー: これより前に Process、Window、TargetWindow がなく、操作するウィンドウがないため必ず失敗します\r\n"
         "エラー 1 件、警告 2 件\r\n",
         1},
        {"unmarked UTF-8", "cmd.exe\nSleep:1\n; テスト\nProcess:A,テスト\n",
         "1: 起動: cmd.exe\r\n"
         "2: Sleep: 1 ミリ秒待ちます\r\n"
         "4: 警告: BOM のない UTF-8 のファイルです。vornrun は ANSI (シフト JIS) として読むため、日本語が一致しません。UTF-8 (BOM 付き) か ANSI で保存してください\r\n"
         "4: Process: [A][%UTF8%] のトップレベルウィンドウを待ち、そのプロセスを対象にします\r\n"
         "エラー 0 件、警告 1 件\r\n",
         1},
        {"empty launch line", "\r\nSleep:1\r\n",
         "1: 起動: \r\n1: 警告: 起動するプログラムがありません\r\n2: Sleep: 1 ミリ秒待ちます\r\nエラー 0 件、警告 1 件\r\n",
         1},
    };
    vt::VornFolder folder;
    std::string scriptPath = ts::wideToCp932(folder.file(L"script.txt"));
    for (const CheckCase& c : cases) {
        folder.writeScript(replaced(c.script, "%SCRIPT%", scriptPath));
        auto run = ts::runProcess(ts::quote(ts::binPath(L"vornfind.exe")) + L" check " +
                                  ts::quote(folder.file(L"script.txt")));
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
        // The report is in code page 932; bytes of the script itself are shown unchanged.
        std::string expected = replaced(cp932(c.report.c_str()), "%UTF8%", "テスト");
        expected = replaced(expected, "%SCRIPT%", scriptPath);
        EXPECT_EQ(run.output, expected) << c.name;
    }
}

TEST(VornFindCheck, ClickPositionScalesBackToThePointedPixel)
{
    for (float scale : {1.0f, 1.25f, 1.5f, 1.75f, 2.0f}) {
        for (int pixels : {0, 1, 7, 99, 640, 1919}) {
            int written = vorn::find::unscaledPosition(pixels, scale);
            int reached = static_cast<int>(static_cast<float>(written) * scale);
            // A pixel between two scaled positions is reached as closely as the scale allows.
            EXPECT_LE(std::abs(reached - pixels), static_cast<int>(scale)) << scale << " " << pixels;
        }
    }
}

} // namespace
