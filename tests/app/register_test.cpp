// "登録" on an unregistered PC: the record with its serial and inventory.
#include <gtest/gtest.h>

#include "app_driver.h"
#include "app_kit.h"
#include "resource.h"

namespace {

const std::string MODEL_METHOD = "<Data><Name>Model</Name><Method type=\"Registry\"><Root>HKCU</Root>"
                                 "<Key>Software\\PeltawinTest\\App</Key><Name>Serial</Name></Method></Data>\n";

// Presses "登録" and returns the outcome box's text, leaving the window open.
std::wstring pressRegister(AppKit& kit, HWND status)
{
    HWND box = drv::pressAndWaitBox(status, IDC_REGISTER_BUTTON, kit.process().pid(), 60000);
    if (!box)
        return L"<no box>";
    std::wstring text = drv::messageBoxText(box);
    drv::closeMessageBox(box);
    return text;
}

} // namespace

TEST(Register, CreatesTheRecordWithSerialAndInventory)
{
    AppKit kit;
    ::RemoveDirectoryW(kit.file(L"data").c_str());
    kit.writeMethods(MODEL_METHOD);
    kit.write(L"inventory", "Model\r\n#Model\r\nUnknown\r\n");
    kit.start();
    HWND status = kit.waitStatusWindow();
    ASSERT_TRUE(status);
    EXPECT_EQ(pressRegister(kit, status), L"登録完了しました");
    EXPECT_EQ(ts::dialogItemText(status, IDC_STATUS_MESSAGE), L"登録完了しました");
    EXPECT_FALSE(drv::isVisible(status, IDC_REGISTER_BUTTON));
    EXPECT_TRUE(kit.closeAndWait(status));

    std::string record = kit.read(kit.machineFile());
    EXPECT_EQ(record.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"", 0), 0u) << record;
    EXPECT_NE(record.find("<Serial>SN-TEST-0001</Serial>"), std::string::npos) << record;
    EXPECT_NE(record.find("<Model>SN-TEST-0001</Model>"), std::string::npos) << record;
    EXPECT_EQ(record.find("Unknown"), std::string::npos);

    // The next start finds the record, which has no items yet.
    kit.start();
    status = kit.waitStatusWindow();
    ASSERT_TRUE(status);
    EXPECT_EQ(ts::dialogItemText(status, IDC_STATUS_MESSAGE), L"設定情報がありません");
    EXPECT_TRUE(kit.closeAndWait(status));
}

TEST(Register, FailuresKeepTheButtonAndTheFiles)
{
    AppKit kit;
    kit.start();
    HWND status = kit.waitStatusWindow();
    ASSERT_TRUE(status);
    // No inventory list: nothing is created.
    EXPECT_EQ(pressRegister(kit, status), L"失敗しました");
    EXPECT_TRUE(drv::isEnabled(status, IDC_REGISTER_BUTTON));
    EXPECT_FALSE(ts::fileExists(kit.file(kit.machineFile())));

    // The record appeared in the meantime: it is left untouched.
    kit.write(L"inventory", "# nothing\r\n");
    kit.write(kit.machineFile(), "someone else's record");
    EXPECT_EQ(pressRegister(kit, status), L"登録失敗しました");
    EXPECT_TRUE(drv::isEnabled(status, IDC_REGISTER_BUTTON));
    EXPECT_EQ(kit.read(kit.machineFile()), "someone else's record");
    EXPECT_TRUE(kit.closeAndWait(status));
}
