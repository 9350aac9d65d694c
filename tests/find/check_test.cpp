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
    std::string report; // UTF-8; %BOM% and %UTF8% stand for script bytes shown unchanged
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
    const CheckCase cases[] = {
        {"clean",
         "cmd.exe /c exit\r\n; comment\r\nProcess:VornTarget,Vorn Target\r\n\r\nTarget:VornTarget,Vorn Target\r\n"
         "Window:VornItem,item,2\r\ntab:2\r\nClick:10,-5\r\nWaitPixel:1,2,ff-0x00ff00\r\nAssert:3,4,1e140a\r\n"
         "Text:a,b\r\nSleep:100\r\nSS:\r\n",
         "1: 起動: cmd.exe /c exit\r\n"
         "3: Process: [VornTarget][Vorn Target] のトップレベルウィンドウを待ち、そのプロセスを対象にします\r\n"
         "5: Target: 対象プロセスの [VornTarget][Vorn Target] のトップレベルウィンドウを待ちます\r\n"
         "6: Window: Target の中の [VornItem][item] の 2 番目 (0 から) を待ちます\r\n"
         "7: TAB: キーを 2 回押します\r\n"
         "8: Click: クライアント座標 10,-5 (96 dpi) をクリックします\r\n"
         "9: WaitPixel: ウィンドウ座標 1,2 の色が ff-0x00ff00 になるまで待ちます\r\n"
         "10: Assert: ウィンドウ座標 3,4 の色が 1e140a なら失敗します\r\n"
         "11: Text: ウィンドウのテキストを [a,b] にします\r\n"
         "12: Sleep: 100 ミリ秒待ちます\r\n"
         "13: SS: 現在のウィンドウの画像を appleid フォルダーに保存します\r\n"
         "問題は見つかりませんでした。\r\n",
         0},
        {"problems",
         "\xEF\xBB\xBFnotepad.exe\nTarget:A,B\nTAB:1\nProcess:,x\nprocess:A,B\nWindow:Edit,,x\nsleep :5\nENTER 3\n"
         "Click:5\nText:{name}\nPaste:a{b}c\nText:" +
             std::string(256, 'x') + "\nSleep:テスト\nTargetWindow:A,B,C,D,-1\nPaste:" + std::string(256, 'y') + "\n",
         "1: 起動: %BOM%notepad.exe\r\n"
         "1: エラー: ファイルの先頭に BOM (EF BB BF) があるため、起動行が壊れます。ANSI (シフト JIS) で保存してください\r\n"
         "1: 警告: 起動するファイル「%BOM%notepad.exe」が見つかりません (実行する PC にあれば問題ありません)\r\n"
         "2: Target: 対象プロセスの [A][B] のトップレベルウィンドウを待ちます\r\n"
         "2: エラー: Process より前の Target は、対象プロセスがないため必ず失敗します\r\n"
         "3: TAB: キーを 1 回押します\r\n"
         "3: エラー: これより前に Process、Window、TargetWindow がなく、操作するウィンドウがないため必ず失敗します\r\n"
         "4: Process: 何もしません\r\n"
         "4: エラー: Process には「クラス,テキスト (クラスは空にできません)」が必要です。項目が足りないため、この行は何もしません\r\n"
         "5: Process: [A][B] のトップレベルウィンドウを待ち、そのプロセスを対象にします\r\n"
         "6: Window: Target の中の [Edit][] の 0 番目 (0 から) を待ちます\r\n"
         "6: エラー: 「x」は数値ではありません (0 として読まれます)\r\n"
         "7: sleep :5\r\n"
         "7: エラー: 不明なキーワード「sleep 」: この行は何もしません (コマンドの間隔だけ待ちます)\r\n"
         "8: ENTER 3\r\n"
         "8: エラー: 「キーワード:」の形でないため、この行は何もしません\r\n"
         "9: Click: 何もしません\r\n"
         "9: エラー: Click には「x,y」が必要です。項目が足りないため、この行は何もしません\r\n"
         "10: Text: ウィンドウのテキストを [{name}] にします\r\n"
         "10: エラー: 「{name}」は変数の参照ですが、変数は定義されていないため、この行は書かれたとおりには動きません\r\n"
         "11: Paste: [a{b}c] を貼り付けます\r\n"
         "11: エラー: 「{b}」は変数の参照ですが、変数は定義されていないため、この行は書かれたとおりには動きません\r\n"
         "12: Text: ウィンドウのテキストを [" +
             std::string(256, 'x') +
             "] にします\r\n"
             "12: エラー: テキストが 255 バイトを超えるため、読み返しが一致せず必ず失敗します\r\n"
             "13: エラー: UTF-8 の文字があります。ANSI (シフト JIS) で保存してください\r\n"
             "13: Sleep: 0 ミリ秒待ちます\r\n"
             "13: エラー: 「%UTF8%」は数値ではありません (0 として読まれます)\r\n"
             "14: TargetWindow: [A][B] の中の [C] [D] の -1 番目 (0 から) を、対象プロセスがある限り待ちます\r\n"
             "14: エラー: 番号が負のため、ウィンドウは見つかりません\r\n"
             "15: Paste: [" + std::string(256, 'y') + "] を貼り付けます\r\n"
             "15: エラー: テキストが 255 バイトを超えるため、読み返しに見つからず必ず失敗します\r\n"
             "エラー 15 件、警告 1 件\r\n",
         1},
        {"window before target", "cmd.exe\nProcess:A,B\nWindow:C,D\n",
         "1: 起動: cmd.exe\r\n"
         "2: Process: [A][B] のトップレベルウィンドウを待ち、そのプロセスを対象にします\r\n"
         "3: Window: Target の中の [C][D] の 0 番目 (0 から) を待ちます\r\n"
         "3: エラー: Target より前の Window は、対象ウィンドウの中を探せません\r\nエラー 1 件、警告 0 件\r\n",
         1},
        {"empty launch line", "\r\nSleep:1\r\n",
         "1: 起動: \r\n1: 警告: 起動するプログラムがありません\r\n2: Sleep: 1 ミリ秒待ちます\r\nエラー 0 件、警告 1 件\r\n",
         1},
    };
    vt::VornFolder folder;
    for (const CheckCase& c : cases) {
        folder.writeScript(c.script);
        auto run = ts::runProcess(ts::quote(ts::binPath(L"vornfind.exe")) + L" check " +
                                  ts::quote(folder.file(L"script.txt")));
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
        // The report is in code page 932; bytes of the script itself are shown unchanged.
        std::string expected = replaced(cp932(c.report.c_str()), "%BOM%", "\xEF\xBB\xBF");
        expected = replaced(expected, "%UTF8%", "テスト");
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
