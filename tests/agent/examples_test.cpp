// The example scripts shipped under examples\agent, one per command, run
// against the test application as they are written, so that they stay true.
#include <gtest/gtest.h>

#include "vorn_test_support.h"

namespace {

struct Example {
    const wchar_t* script;
    std::vector<std::string> recordParts; // in this order in the target's record
    int comboSelection = -2;              // checked when not -2
    bool screenshot = false;
};

const Example EXAMPLES[] = {
    {L"target-waitpixel.txt", {"click second 60 50\n"}},
    {L"target-assert.txt", {}},
    {L"target-click.txt", {"click 105 20 30\n"}},
    {L"target-combobox.txt", {}, 2},
    {L"target-keys.txt", {"key 104 down 9 ", "key 104 down 9 ", "key 104 down 13 ", "button 103 clicked\n"}},
    {L"target-select.txt", {"key 104 down 40 ", "key 104 down 40 ", "key 104 down 40 "}},
    {L"target-focus.txt", {}},
    {L"target-ss.txt", {}, -2, true},
};

// The parts in order, each after the one before.
bool containsInOrder(const std::string& text, const std::vector<std::string>& parts)
{
    size_t at = 0;
    for (const auto& part : parts) {
        at = text.find(part, at);
        if (at == std::string::npos)
            return false;
        at += part.size();
    }
    return true;
}

bool hasBitmap(const std::wstring& folder)
{
    for (const auto& name : ts::folderEntries(folder))
        if (name.size() > 4 && name.substr(name.size() - 4) == L".bmp")
            return true;
    return false;
}

} // namespace

TEST(VornExamples, EachExampleScriptRunsAgainstTheTestApplication)
{
    for (const auto& example : EXAMPLES) {
        SCOPED_TRACE(ts::wideToUtf8(example.script));
        vt::ProgramCleanup cleanup;
        vt::VornFolder folder;
        // The scripts start the test application by its bare name, found beside vornrun.exe.
        ASSERT_TRUE(ts::copyFile(ts::binPath(L"vorn_target.exe"), folder.file(L"vorn_target.exe")));
        ::CreateDirectoryW(folder.file(L"appleid").c_str(), nullptr);
        // Shipped in Shift-JIS, kept in UTF-8 in the source tree.
        std::string text = ts::readFile(ts::moduleDir() + L"\\example_agent\\" + example.script);
        ASSERT_FALSE(text.empty());
        folder.writeScript(ts::wideToCp932(ts::utf8ToWide(text)));

        vt::VornRun run = folder.run();
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        EXPECT_EQ(run.output.find("err launch"), std::string::npos) << run.output;
        if (!example.recordParts.empty()) {
            std::string last = example.recordParts.back();
            folder.waitForRecord(last, 5000);
            EXPECT_TRUE(containsInOrder(folder.record(), example.recordParts)) << folder.record();
        }
        if (example.comboSelection != -2) {
            HWND main = ts::findWindow(L"VornTarget", L"Vorn Target");
            EXPECT_EQ(::SendMessageW(::FindWindowExW(main, nullptr, L"ComboBox", nullptr), CB_GETCURSEL, 0, 0),
                      example.comboSelection);
        }
        if (example.screenshot) {
            EXPECT_TRUE(hasBitmap(folder.file(L"appleid")));
        }
    }
}
