// vornrun's control operations, pixel tests and screenshots against the test application
// and notepad.
#include <gtest/gtest.h>

#include <regex>

#include "vorn_test_support.h"

namespace {

using vt::cp932;
using vt::header;
using vt::VornFolder;

const std::string NO_LAUNCH = "none.exe";
#define FIND_MAIN_CSTR "Process:VornTarget,Vorn Target\r\nTarget:VornTarget,Vorn Target\r\n"
const std::string FIND_MAIN = FIND_MAIN_CSTR;
const std::string SEARCH_MAIN =
    "Search Process:[VornTarget][Vorn Target]\r\nSearch Target:[VornTarget][Vorn Target]\r\n";
constexpr COLORREF RED = RGB(255, 0, 0);

HWND mainWindow() { return ts::findWindow(L"VornTarget", L"Vorn Target"); }
HWND control(const wchar_t* cls) { return ::FindWindowExW(mainWindow(), nullptr, cls, nullptr); }

std::string keyLine(UINT vk, bool down)
{
    UINT scan = ::MapVirtualKeyA(vk, 0);
    char line[64];
    unsigned long lParam = down ? ((scan << 16) | 1u) : ((scan << 16) | 0xC0000001u);
    std::snprintf(line, sizeof line, "key 104 %s %u %08lx\n", down ? "down" : "up", vk, lParam);
    return line;
}

std::string keyPresses(UINT vk, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += keyLine(vk, true) + keyLine(vk, false);
    return out;
}

// Bitmap files in the folder's appleid folder.
std::vector<std::wstring> bitmaps(const VornFolder& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW(folder.file(L"appleid\\*.bmp").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do
            names.push_back(fd.cFileName);
        while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    return names;
}

uint32_t le32(const std::string& bytes, size_t at)
{
    return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
           static_cast<uint8_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

class VornOps : public ::testing::Test {
protected:
    vt::ProgramCleanup cleanup;
    VornFolder folder;
    std::string launch = folder.targetLaunch();

    // Runs a script against the test application started by the first run.
    vt::VornRun runScript(const std::string& commands, const std::vector<int>& answers = {})
    {
        bool started = mainWindow() != nullptr;
        folder.writeScript((started ? NO_LAUNCH : launch) + "\r\n" + commands);
        return folder.run(answers);
    }
    std::string lastHeader() const { return header(mainWindow() ? NO_LAUNCH : launch); }
};

TEST_F(VornOps, KeysArePressedAndReleasedInSendMode)
{
    auto run = runScript(FIND_MAIN + "Window:VornKeys,keys\r\nFOCUS:\r\nTAB:2\r\nENTER:1\r\nSPACE:1\r\nSELECT:2\r\n"
                                     "TAB:0\r\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN + "Search Window:[VornKeys][keys]\r\n"
                                                         "TAB:[2]\r\nENTER:[1]\r\nSPACE:[1]\r\nTAB:[0]\r\n");
    EXPECT_EQ(folder.record(), "started\n" + keyPresses(VK_TAB, 2) + keyPresses(VK_RETURN, 1) +
                                   keyPresses(VK_SPACE, 1) + keyPresses(VK_DOWN, 2));
}

TEST_F(VornOps, PostModePostsKeysButCannotVerifyText)
{
    folder.writeConfig("[Config]\r\nInterval=0\r\nMessage=0\r\n");
    auto run = runScript(FIND_MAIN + "Window:VornKeys,keys\r\nTAB:1\r\nWindow:Edit,\r\nText:abc\r\nSleep:1\r\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN +
                              "Search Window:[VornKeys][keys]\r\nTAB:[1]\r\nSearch Window:[Edit][]\r\nText:[abc]\r\n");
    EXPECT_TRUE(folder.waitForRecord(keyPresses(VK_TAB, 1), 5000));
    // The text arrived; only its read-back is impossible by post.
    EXPECT_EQ(ts::windowText(control(L"Edit")), L"abc");
}

TEST_F(VornOps, PostedKeysReachNotepad)
{
    folder.writeConfig("[Config]\r\nInterval=0\r\nMessage=0\r\n");
    std::string title = cp932("(無題) - メモ帳");
    folder.writeScript("notepad.exe\r\nProcess:Notepad," + title + "\r\nTarget:Notepad," + title +
                       "\r\nWindow:Edit,\r\nTAB:2\r\nENTER:1\r\n");
    auto run = folder.run();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    HWND notepad = ts::findWindow(L"Notepad", nullptr);
    HWND edit = ::FindWindowExW(notepad, nullptr, L"Edit", nullptr);
    DWORD start = ::GetTickCount();
    while (ts::windowText(edit) != L"\t\t\r\n" && ::GetTickCount() - start < 3000)
        ::Sleep(50);
    EXPECT_EQ(ts::windowText(edit), L"\t\t\r\n");
}

TEST_F(VornOps, TextAndPasteIntoAnEdit)
{
    std::string plusMinus = cp932("＋±"); // trail bytes '{' and '}': no variable reference
    auto run = runScript(FIND_MAIN + "Window:Edit,\r\nText:a,b\r\nPaste:" + plusMinus + "\r\nPaste:{name}\r\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN + "Search Window:[Edit][]\r\nText:[a,b]\r\nPaste:[" +
                              plusMinus + "]\r\n");
    std::wstring text = ts::windowText(control(L"Edit"));
    EXPECT_NE(text.find(L"a,b"), std::wstring::npos);
    EXPECT_NE(text.find(ts::utf8ToWide("＋±")), std::wstring::npos);

    // More than 255 bytes never read back whole: Text fails after its attempts.
    std::string longText(300, 'x');
    run = runScript(FIND_MAIN + "Window:Edit,\r\nText:" + longText + "\r\nSleep:1\r\n");
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    EXPECT_EQ(ts::windowText(control(L"Edit")), std::wstring(300, L'x'));

    // A paste of 300 bytes arrives whole (no truncation or overflow), but cannot be verified.
    ::SendMessageW(control(L"Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    run = runScript(FIND_MAIN + "Window:Edit,\r\nPaste:" + std::string(300, 'y') + "\r\nSleep:1\r\n");
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    EXPECT_NE(ts::windowText(control(L"Edit")).find(std::wstring(300, L'y')), std::wstring::npos);
}

TEST_F(VornOps, ABusyTargetIsWaitedForUpToTheTimeout)
{
    // After each click the target reads no messages for 7 s. The text and the key are sent
    // when it has looked hung for more than 5 s, and it answers a second later.
    folder.writeConfig("[Config]\r\nInterval=0\r\nTimeout=60\r\n");
    launch = folder.targetLaunch("--busy=7000");
    folder.writeScript(launch + "\r\n" + FIND_MAIN + "Window:VornBusy,busy\r\nClick:5,5\r\nSleep:6000\r\nText:abc\r\n"
                       "Click:5,5\r\nSleep:6000\r\nTAB:1\r\n");
    auto run = folder.run({}, 120000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ts::windowText(control(L"VornBusy")), L"abc");
    EXPECT_NE(folder.record().find("answering\nkey 112 down"), std::string::npos) << folder.record();
}

// A window of the test's own thread that owns the clipboard. The thread reads no messages
// while vornrun runs, so the owner never answers the notice that the clipboard is emptied.
class ClipboardOwner {
public:
    ClipboardOwner() : window(::CreateWindowExW(0, L"STATIC", L"owner", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr))
    {
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4);
        if (!window || !block || !::OpenClipboard(window))
            return;
        ::EmptyClipboard();
        owns = ::SetClipboardData(CF_TEXT, block) != nullptr;
        ::CloseClipboard();
        // Wine does not wait for an owner whose thread has read no messages for 5 s: this
        // one read its messages last just now.
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    ~ClipboardOwner() { ::DestroyWindow(window); }
    bool owns = false;

private:
    HWND window;
};

TEST_F(VornOps, AClipboardOwnerThatDoesNotAnswerCannotHoldAPaste)
{
    // Wine itself stops waiting for the owner after 5 s; the agent's limit comes first.
    folder.writeConfig("[Config]\r\nInterval=0\r\nTimeout=2\r\n");
    runScript(FIND_MAIN); // starts the target
    ClipboardOwner owner;
    ASSERT_TRUE(owner.owns);
    auto run = runScript(FIND_MAIN + "Window:Edit,\r\nPaste:xyz\r\nSleep:1\r\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    EXPECT_EQ(run.output, lastHeader() + "err launch[2]\r\n" + SEARCH_MAIN + "Search Window:[Edit][]\r\nPaste:[xyz]\r\n");
}

TEST_F(VornOps, ComboBoxSelectionByNumberAndText)
{
    const std::string prefix = FIND_MAIN + "Window:ComboBox,\r\n";
    auto run = runScript(prefix + "COMBOBOXSELECT:1\r\n");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(::SendMessageW(control(L"ComboBox"), CB_GETCURSEL, 0, 0), 0);

    run = runScript(prefix + "COMBOBOXFIND:gamma\r\n");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(::SendMessageW(control(L"ComboBox"), CB_GETCURSEL, 0, 0), 2);

    // Number 0 and an unknown variable both clear the selection and succeed.
    run = runScript(prefix + "COMBOBOXSELECT:0\r\nCOMBOBOXSELECT:{name}\r\n");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(::SendMessageW(control(L"ComboBox"), CB_GETCURSEL, 0, 0), -1);

    for (const char* failing : {"COMBOBOXFIND:Delta", "COMBOBOXSELECT:9"}) {
        run = runScript(prefix + failing + "\r\nSleep:1\r\n");
        EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED) << failing;
        EXPECT_EQ(run.output, lastHeader() + "err launch[2]\r\n" + SEARCH_MAIN + "Search Window:[ComboBox][]\r\n")
            << failing;
    }
}

TEST_F(VornOps, ClickLandsAtTheClientPosition)
{
    auto run = runScript(FIND_MAIN + "Window:VornItem,item,1\r\nClick:7,9\r\nWindow:VornPanel,panel\r\nClick:20,30\r\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, header(launch) + SEARCH_MAIN +
                              "Search Window:[VornItem][item]\r\nClick:[7,9]\r\n"
                              "Search Window:[VornPanel][panel]\r\nClick:[20,30]\r\n");
    // Index 1 is the item nested inside the first one (id 108).
    EXPECT_TRUE(folder.waitForRecord("click 108 7 9\nclick 105 20 30\n", 5000)) << folder.record();

    // No window, or a position that cannot be packed into a message: the click fails.
    for (const char* failing : {"Click:1,1\r\n", FIND_MAIN_CSTR "Window:VornPanel,panel\r\nClick:70000,1\r\n"}) {
        run = runScript(std::string(failing) + "Sleep:1\r\n");
        EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED) << failing;
    }
}

// The display's logical dots per inch, changed in the prefix's registry for one test.
class LogPixels {
public:
    explicit LogPixels(DWORD dpi)
    {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr);
        DWORD size = sizeof old;
        hadOld = ::RegQueryValueExW(key, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old), &size) == 0;
        ::RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~LogPixels()
    {
        if (hadOld)
            ::RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof old);
        else
            ::RegDeleteValueW(key, L"LogPixels");
        ::RegCloseKey(key);
    }

private:
    HKEY key = nullptr;
    DWORD old = 0;
    bool hadOld = false;
};

TEST_F(VornOps, ClickIsScaledOnA144DpiDisplay)
{
    LogPixels dpi(144);
    auto run = runScript(FIND_MAIN + "Window:VornPanel,panel\r\nClick:20,30\r\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(folder.waitForRecord("click 105 30 45\n", 5000)) << folder.record();
}

// Pixel tests read the second top-level window (101 x 80, background 1e140a, green ff00 a
// moment after a click). Wine reads pixels of another process's child windows as CLR_INVALID.
const std::string FIND_SECOND = "Process:VornTarget,Vorn Target\r\nWindow:VornSecond," + cp932("第二ウィンドウ") + "\r\n";
const std::string SEARCH_SECOND =
    "Search Process:[VornTarget][Vorn Target]\r\nSearch Window:[VornSecond][" + cp932("第二ウィンドウ") + "]\r\n";

TEST_F(VornOps, WaitPixelWaitsForTheColourOrTimesOut)
{
    ::CreateDirectoryW(folder.file(L"appleid").c_str(), nullptr);
    // The range's bounds are swapped into order; then a wait across the colour change.
    auto run = runScript(FIND_SECOND + "WaitPixel:60,50,1e140a-0\r\nClick:60,50\r\nWaitPixel:60,50,00ff00\r\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    std::string expectedStart = header(launch) + SEARCH_SECOND + "1e140a.Click:[60,50]\r\n";
    ASSERT_EQ(run.output.substr(0, expectedStart.size()), expectedStart);
    EXPECT_TRUE(std::regex_match(run.output.substr(expectedStart.size()), std::regex("(1e140a\\.)+ff00\\.")))
        << run.output;
    EXPECT_TRUE(bitmaps(folder).empty());

    // Two polls in one second, then the time-out with a failure screenshot.
    run = runScript(FIND_SECOND + "SetTimeout:1000\r\nWaitPixel:60,50,123456\r\nSleep:1\r\n");
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    EXPECT_EQ(run.output, lastHeader() + "err launch[2]\r\n" + SEARCH_SECOND + "ff00.ff00.");
    auto shots = bitmaps(folder);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_TRUE(std::regex_match(shots[0], std::wregex(L"err_\\d{14}\\.bmp")));

    // Less than one poll's time: fails at once without reading a pixel.
    run = runScript(FIND_SECOND + "SetTimeout:400\r\nWaitPixel:60,50,ff00\r\n");
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    EXPECT_EQ(run.output, lastHeader() + "err launch[2]\r\n" + SEARCH_SECOND);
}

TEST_F(VornOps, AssertFailsOnlyWhenTheColourIsPresent)
{
    ::CreateDirectoryW(folder.file(L"appleid").c_str(), nullptr);
    auto run = runScript(FIND_SECOND + "Assert:60,50,ff00\r\nAssert:5000,5,0\r\nAssert:60,50,1e140a\r\nSleep:1\r\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    // A pixel outside the window reads as CLR_INVALID.
    EXPECT_EQ(run.output, header(launch) + SEARCH_SECOND + "1e140a.ffffffff.1e140a.");
    auto shots = bitmaps(folder);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].substr(0, 4), L"err_");

    // Beside the failure screenshot, its record: the line, its number, the result and the
    // windows of the target with their Window line index and state.
    std::wstring stem = shots[0].substr(0, shots[0].size() - 4);
    std::string record = ts::readFile(folder.file(L"appleid\\" + stem + L".txt"));
    for (const char* part : {"行 6: Assert:60,50,1e140a\r\n", "結果コード: 1050008 (RESULT_STEP_FAILED",
                             "\r\n[VornSecond][第二ウィンドウ] トップレベル 表示 有効 画面位置 500,40 大きさ 101x80",
                             "\r\n    [VornItem][item] 番号 0 表示 有効 画面位置 505,45 大きさ 30x20"})
        EXPECT_NE(record.find(cp932(part)), std::string::npos) << part << "\n" << record;
}

TEST_F(VornOps, AssertOnAWindowThatIsGoneFails)
{
    // The second window closes during the sleep; its process goes on.
    folder.writeScript(launch + "\r\n" + FIND_SECOND + "Sleep:3000\r\nAssert:60,50,ff00\r\nSleep:1\r\n");
    bool closed = false;
    auto run = folder.run({}, 30000, [&](const std::string& output) {
        HWND second = ts::findWindow(L"VornSecond", nullptr);
        if (!closed && second && output.find("Sleep:[3000ms]") != std::string::npos) {
            ::PostMessageW(second, WM_CLOSE, 0, 0);
            closed = ts::waitForWindowGone(second, 2500);
        }
    });
    ASSERT_TRUE(closed);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, vt::RESULT_PROCESS_LOST);
    EXPECT_EQ(run.output, header(launch) + SEARCH_SECOND + "Sleep:[3000ms]\r\n"); // no pixel read
}

TEST_F(VornOps, ADisabledButtonIsWaitedForAndNeverPressed)
{
    // "Later" stays disabled for a minute: Click and SPACE wait the step's limit and fail.
    ::CreateDirectoryW(folder.file(L"appleid").c_str(), nullptr);
    folder.writeConfig("[Config]\r\nInterval=0\r\nTimeout=1\r\n");
    launch = folder.targetLaunch("--disabled=60000");
    for (const char* press : {"Click:5,5\r\n", "SPACE:1\r\n"}) {
        auto run = runScript(FIND_MAIN + "Window:Button,Later\r\n" + press + "Sleep:1\r\n");
        EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED) << press;
    }
    EXPECT_EQ(folder.record().find("button 114"), std::string::npos) << folder.record();
    // The record of the failure shows the button disabled (no screenshot for a press).
    EXPECT_TRUE(bitmaps(folder).empty());
    std::vector<std::wstring> records;
    for (const std::wstring& name : ts::folderEntries(folder.file(L"appleid")))
        records.push_back(name);
    ASSERT_FALSE(records.empty());
    std::string record = ts::readFile(folder.file(L"appleid\\" + records.back()));
    EXPECT_NE(record.find(cp932("[Button][Later] 番号 0 表示 無効")), std::string::npos) << record;

    // Enabled 1.5 s after its start: the click waits for it and presses it.
    vt::ProgramCleanup::endAll();
    folder.writeConfig("[Config]\r\nInterval=0\r\nTimeout=20\r\n");
    launch = folder.targetLaunch("--disabled=1500");
    auto run = runScript(FIND_MAIN + "Window:Button,Later\r\nClick:5,5\r\n");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(folder.waitForRecord("button 114 clicked\n", 5000)) << folder.record();
}

std::string onlyBitmap(const VornFolder& folder)
{
    auto shots = bitmaps(folder);
    if (shots.size() != 1)
        return {};
    EXPECT_TRUE(std::regex_match(shots[0], std::wregex(L"\\d{14}\\.bmp")));
    return ts::readFile(folder.file(L"appleid\\" + shots[0]));
}

// The colour at x, y (from the top) of a 24-bit bottom-up bitmap file.
COLORREF bitmapPixel(const std::string& bmp, uint32_t x, uint32_t y)
{
    uint32_t width = le32(bmp, 18), height = le32(bmp, 22);
    size_t at = 54 + (height - 1 - y) * ((3 * width + 3) / 4 * 4) + 3 * x;
    return RGB(static_cast<uint8_t>(bmp[at + 2]), static_cast<uint8_t>(bmp[at + 1]), static_cast<uint8_t>(bmp[at]));
}

TEST_F(VornOps, ScreenshotIsA24BitBottomUpBitmapWithTheOutline)
{
    ::CreateDirectoryW(folder.file(L"appleid").c_str(), nullptr);
    auto run = runScript(FIND_SECOND + "SS:\r\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    std::string bmp = onlyBitmap(folder);

    // The window is 101 x 80 pixels: rows of 303 bytes padded to 304.
    const uint32_t stride = 304, width = 101, height = 80;
    ASSERT_EQ(bmp.size(), 54 + stride * height);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 6), 0u);
    EXPECT_EQ(le32(bmp, 10), 54u);
    EXPECT_EQ(le32(bmp, 14), 40u);
    EXPECT_EQ(le32(bmp, 18), width);
    EXPECT_EQ(le32(bmp, 22), height);
    EXPECT_EQ(le32(bmp, 26), 1u | (24u << 16));
    EXPECT_EQ(le32(bmp, 30), 0u);
    EXPECT_EQ(le32(bmp, 34), stride * height);
    for (size_t at = 38; at < 54; at += 4)
        EXPECT_EQ(le32(bmp, at), 0u);
    EXPECT_EQ(bitmapPixel(bmp, 60, 50), RGB(10, 20, 30)); // the window's own background
    EXPECT_EQ(bitmapPixel(bmp, 60, 0), RED);              // the outline drawn by the Window search
    EXPECT_EQ(bitmapPixel(bmp, 0, 50), RED);
    EXPECT_EQ(bitmapPixel(bmp, 100, 50), RED);
    EXPECT_EQ(bitmapPixel(bmp, 60, 79), RED);
    EXPECT_EQ(bmp[54 + 303], '\0'); // row padding
}

TEST_F(VornOps, TargetOutlinesTheClientAreaOfItsWindow)
{
    // Wine shows what one process draws on another's window only once the drawing process
    // reads the screen, so the outline is checked in vornrun's own screenshot.
    ::CreateDirectoryW(folder.file(L"appleid").c_str(), nullptr);
    auto run = runScript(FIND_MAIN + "SS:\r\n");
    ASSERT_EQ(run.exitCode, 0u);
    std::string bmp = onlyBitmap(folder);
    ASSERT_GT(bmp.size(), 54u);
    HWND main = mainWindow();
    RECT window{}, client{};
    ::GetWindowRect(main, &window);
    ::GetClientRect(main, &client);
    POINT corner{0, 0};
    ::ClientToScreen(main, &corner);
    uint32_t left = corner.x - window.left, top = corner.y - window.top;
    EXPECT_EQ(bitmapPixel(bmp, left, top + client.bottom / 2), RED);
    EXPECT_EQ(bitmapPixel(bmp, left + client.right / 2, top), RED);
    EXPECT_NE(bitmapPixel(bmp, left + 4, top + client.bottom / 2), RED);
}

TEST_F(VornOps, ScreenshotsNeedTheFolderAndAWindow)
{
    // Without the appleid folder nothing is written and nothing fails.
    auto run = runScript("Process:VornTarget,Vorn Target\r\nSS:\r\nAssert:1,1,0\r\n");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(ts::fileExists(folder.file(L"appleid")));

    // Without a window there is no image to take.
    ::CreateDirectoryW(folder.file(L"appleid").c_str(), nullptr);
    run = runScript("SS:\r\nSetTimeout:0\r\nWaitPixel:1,1,0\r\n");
    EXPECT_EQ(run.exitCode, vt::RESULT_STEP_FAILED);
    EXPECT_TRUE(bitmaps(folder).empty());
}

} // namespace
