// The main dialog: its rows, parameter texts, marks and the effects of the
// workers' messages.
#include <gtest/gtest.h>

#include "app_driver.h"
#include "app_kit.h"
#include "app_messages.h"
#include "main_dialog.h"
#include "resource.h"

namespace {

const std::string ITEMS =
    "<Value Name=\"single\" Method=\"m1\">値1</Value>"
    "<Value Name=\"pair\" Method=\"m2\"><P Name=\"a\">1</P><P Name=\"b\">2</P></Value>"
    "<Value Name=\"empty\" Method=\"m3\"/>"
    "<Value Name=\"dup\" Method=\"m4\"><P Name=\"k\">1</P><P Name=\"j\">2</P><P Name=\"k\">3</P></Value>"
    "<Value Name=\"fifth\" Method=\"m5\">5</Value>"
    "<Value Name=\"sixth\" Method=\"m6\">6</Value>";

std::vector<std::vector<std::wstring>> rowsOf(HWND dialog) { return drv::listViewRows(::GetDlgItem(dialog, IDC_ITEM_LIST), 3); }

} // namespace

TEST(MainDialog, ListsItemsWithTheirParameterTexts)
{
    AppKit kit;
    kit.write(kit.machineFile(), dataFile(ITEMS, "<Serial>SN-TEST-0001</Serial>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(ts::dialogItemText(dialog, IDC_SERIAL_NUMBER), kit.serial());
    EXPECT_TRUE(drv::isEnabled(dialog, IDC_RUN_BUTTON));

    auto rows = rowsOf(dialog);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"", L"single", L"値1"}));
    EXPECT_EQ(rows[1][2], L"a:1, b:2, ");
    EXPECT_EQ(rows[2][2], L""); // an empty item: its one entry is empty
    // A repeated parameter name is listed at each place, with the later value.
    EXPECT_EQ(rows[3][2], L"k:3, j:2, k:3, ");
    for (const auto& row : rows)
        EXPECT_EQ(row[0], L"") << "nothing done yet";
    // A dialog answers this one by its return value: its icon (the one it
    // shows in its caption), not the TRUE that says "handled".
    EXPECT_EQ(drv::sendWithTimeout(dialog, WM_QUERYDRAGICON, 0, 0), drv::sendWithTimeout(dialog, WM_GETICON, ICON_BIG, 0));
    EXPECT_TRUE(kit.closeAndWait(dialog));
}

TEST(MainDialog, MarksItemsUpToTheRecordedProgress)
{
    AppKit kit;
    kit.write(kit.machineFile(), dataFile(ITEMS, "<Serial>s</Serial><Progress name=\"fifth\">4</Progress>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);
    auto rows = rowsOf(dialog);
    ASSERT_EQ(rows.size(), 6u);
    for (int i = 0; i <= 4; ++i)
        EXPECT_EQ(rows[i][0], L"○") << i;
    EXPECT_EQ(rows[5][0], L"");
    EXPECT_TRUE(kit.closeAndWait(dialog));
}

TEST(MainDialog, WorkerMessagesUpdateRowsAndButton)
{
    AppKit kit;
    kit.write(kit.machineFile(), dataFile(ITEMS, "<Serial>s</Serial>"));
    kit.start();
    HWND dialog = kit.waitMainDialog();
    ASSERT_TRUE(dialog);

    drv::sendWithTimeout(dialog, WM_SETUP_ITEM_STATUS, 1, 0);
    drv::sendWithTimeout(dialog, WM_SETUP_ITEM_STATUS, 2, 1);
    auto rows = rowsOf(dialog);
    EXPECT_EQ(rows[1][0], L"○");
    EXPECT_EQ(rows[2][0], L"×");
    drv::sendWithTimeout(dialog, WM_SETUP_ITEM_STATUS, 2, 0);
    EXPECT_EQ(rowsOf(dialog)[2][0], L"○") << "a later success replaces the failure mark";

    // Completion: the box, and the run button stays as it was (disabled by a run).
    ::EnableWindow(::GetDlgItem(dialog, IDC_RUN_BUTTON), FALSE);
    ::PostMessageW(dialog, WM_SETUP_FINISHED, 1, 0);
    HWND box = drv::findMessageBox(kit.process().pid(), 10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"完了しました\r\n設定の反映には再起動が必要です");
    EXPECT_EQ(drv::messageBoxCaption(box), L"");
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_FALSE(drv::isEnabled(dialog, IDC_RUN_BUTTON));

    // Failure with an empty detail (a null text): the box, then the button is enabled again.
    ::PostMessageW(dialog, WM_SETUP_FINISHED, 0, 0);
    box = drv::findMessageBox(kit.process().pid(), 10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"失敗しました\r\n\r\n");
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(drv::isEnabled(dialog, IDC_RUN_BUTTON));

    // Any other outcome does nothing: a failure posted after it brings the only box,
    // where a box for the unknown outcome would already stand beneath it.
    ::PostMessageW(dialog, WM_SETUP_FINISHED, 7, 0);
    ::PostMessageW(dialog, WM_SETUP_FINISHED, 0, 0);
    box = drv::findMessageBox(kit.process().pid(), 10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(drv::messageBoxText(box), L"失敗しました\r\n\r\n");
    EXPECT_EQ(drv::messageBoxes(kit.process().pid()).size(), 1u);
    EXPECT_TRUE(drv::closeMessageBox(box));
    EXPECT_TRUE(kit.closeAndWait(dialog));
}

TEST(MainDialog, FailureBoxTextIsCutAtACharacterBoundary)
{
    EXPECT_EQ(FailureBoxText(L"詳細"), L"失敗しました\r\n\r\n詳細");
    std::wstring text = FailureBoxText(std::wstring(2000, L'x'));
    EXPECT_EQ(text.size(), 1023u);
    EXPECT_EQ(text.back(), L'…');
    // A surrogate pair is never split by the cut.
    std::wstring pairs;
    for (int i = 0; i < 600; ++i)
        pairs += L"\U0001F600";
    text = FailureBoxText(pairs);
    EXPECT_LE(text.size(), 1023u);
    EXPECT_EQ(text.back(), L'…');
    EXPECT_FALSE(IS_HIGH_SURROGATE(text[text.size() - 2]));
}
