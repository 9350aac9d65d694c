// Applying registry items: the real setup run of peltacfg.exe (the run
// button pressed in its main dialog, timed until its closing message box)
// against `reg add` from a batch and `regedit /s` of one .reg file, and the
// split of one item's time into its steps, each measured on its own.
#include "bench_parts.h"

#include <windows.h>
#include <commctrl.h>

#include <clocale>
#include <cstdio>
#include <ctime>
#include <cwchar>

#include "app_driver.h"
#include "app_kit.h"
#include "app_messages.h"
#include "bench_common.h"
#include "log_writer.h"
#include "machine_data_file.h"
#include "method_catalog.h"
#include "registry_value.h"

namespace bench {

namespace {

constexpr int ITEMS = 10000;
constexpr int REG_ADD_SAMPLE = 30; // `reg add` takes about 0.1 s a value: a sample stands for all
constexpr int SPLIT_ITEMS = 2000;
const std::string APPLY_KEY = "Software\\PeltawinBench\\Apply";

std::string valueText(int i) { return "value " + std::to_string(i) + " 値"; }

std::string dataValues(int count)
{
    std::string values;
    values.reserve(static_cast<size_t>(count) * 60);
    for (int i = 1; i <= count; ++i) {
        std::string n = methodName(i);
        values += "<Value Name=\"I" + n.substr(1) + "\" Method=\"" + n + "\">" + valueText(i) + "</Value>";
    }
    return values;
}

std::wstring readValue(const std::wstring& key, const std::wstring& name)
{
    ts::RegistryValue value = ts::readRegistryValue(HKEY_CURRENT_USER, key, name);
    return value.found && value.type == REG_SZ ? value.text() : L"<missing>";
}

// Both the first and the last value arrived, with the expected text.
bool applied(const std::wstring& key, int count)
{
    for (int i : {1, count}) {
        std::wstring name = L"V" + ts::utf8ToWide(methodName(i).substr(1));
        if (readValue(key, name) != ts::utf8ToWide(valueText(i)))
            return false;
    }
    return true;
}

// The real run, ms for all items; 0 when it did not complete.
double runPeltacfg()
{
    deleteBenchKey();
    AppKit kit(L"SN-BENCH-APPLY");
    kit.writeMethods(registryMethods(ITEMS, APPLY_KEY));
    kit.write(kit.machineFile(), dataFile(dataValues(ITEMS)));
    kit.start();
    HWND dialog = kit.waitMainDialog(120000);
    if (!dialog) {
        addDetail("setup run: the main dialog did not show");
        return 0;
    }
    double start = nowMs();
    HWND box = kit.runAndWaitBox(dialog, 600000);
    double elapsed = nowMs() - start;
    if (!box) {
        addDetail("setup run: no closing message box");
        return 0;
    }
    std::wstring text = drv::messageBoxText(box);
    drv::closeMessageBox(box);
    kit.closeAndWait(dialog);
    if (text.find(L"完了しました") == std::wstring::npos || !applied(ts::utf8ToWide(APPLY_KEY), ITEMS)) {
        addDetail("setup run: the run did not apply every item");
        return 0;
    }
    return elapsed;
}

double runRegedit(const ts::TempDir& dir)
{
    deleteBenchKey();
    std::wstring reg = L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\PeltawinBench\\Regedit]\r\n";
    for (int i = 1; i <= ITEMS; ++i)
        reg += L"\"V" + ts::utf8ToWide(methodName(i).substr(1)) + L"\"=\"" + ts::utf8ToWide(valueText(i)) + L"\"\r\n";
    std::wstring path = dir.file(L"values.reg");
    ts::writeFile(path, std::string(reinterpret_cast<const char*>(reg.data()), reg.size() * sizeof(wchar_t)));
    double start = nowMs();
    ts::RunResult run = ts::runProcess(L"regedit.exe /s " + ts::quote(path), dir.path(), 300000);
    double elapsed = nowMs() - start;
    if (!run.started || run.timedOut || !applied(L"Software\\PeltawinBench\\Regedit", ITEMS)) {
        addDetail("regedit /s: the import did not complete");
        return 0;
    }
    return elapsed;
}

double runRegAdd(const ts::TempDir& dir)
{
    deleteBenchKey();
    std::string batch = "@echo off\r\n";
    for (int i = 1; i <= REG_ADD_SAMPLE; ++i)
        batch += "reg add \"HKCU\\Software\\PeltawinBench\\RegAdd\" /v V" + methodName(i).substr(1) +
                 " /t REG_SZ /d \"value " + std::to_string(i) + "\" /f >nul\r\n";
    std::wstring path = dir.file(L"values.cmd");
    ts::writeFile(path, batch);
    double start = nowMs();
    ts::RunResult run = ts::runProcess(L"cmd.exe /c " + ts::quote(path), dir.path(), 300000);
    double elapsed = nowMs() - start;
    std::wstring last = L"V" + ts::utf8ToWide(methodName(REG_ADD_SAMPLE).substr(1));
    if (!run.started || run.timedOut ||
        readValue(L"Software\\PeltawinBench\\RegAdd", last) != L"value " + std::to_wstring(REG_ADD_SAMPLE)) {
        addDetail("reg add: the batch did not complete");
        return 0;
    }
    return elapsed;
}

// A window standing in for the main dialog: a report list of the items on a
// thread of its own, whose row mark is set by the item status message, as
// the dialog does it.
class ListWindow {
public:
    ListWindow()
    {
        ready_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = ::CreateThread(nullptr, 0, &ListWindow::threadProc, this, 0, nullptr);
        double start = nowMs();
        if (::WaitForSingleObject(ready_, 300000) != WAIT_OBJECT_0)
            addDetail("split: the list window did not get ready");
        fillMs = nowMs() - start;
    }
    ~ListWindow()
    {
        if (window_)
            ::PostMessageW(window_, WM_CLOSE, 0, 0);
        ::WaitForSingleObject(thread_, 10000);
        ::CloseHandle(thread_);
        ::CloseHandle(ready_);
    }
    HWND window() const { return window_; }
    double fillMs = 0;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_SETUP_ITEM_STATUS) {
            HWND list = ::GetWindow(window, GW_CHILD);
            LVITEMW cell{};
            cell.iSubItem = 0;
            cell.pszText = const_cast<wchar_t*>(lp == 0 ? L"○" : L"×");
            ::SendMessageW(list, LVM_SETITEMTEXTW, wp, reinterpret_cast<LPARAM>(&cell));
            return 0;
        }
        if (msg == WM_DESTROY) {
            ::PostQuitMessage(0);
            return 0;
        }
        return ::DefWindowProcW(window, msg, wp, lp);
    }

    static DWORD WINAPI threadProc(void* self)
    {
        auto* me = static_cast<ListWindow*>(self);
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        WNDCLASSW wc{};
        wc.lpfnWndProc = windowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BenchListHost";
        ::RegisterClassW(&wc);
        me->window_ = ::CreateWindowExW(0, L"BenchListHost", L"Bench List", WS_OVERLAPPEDWINDOW, 10, 10,
                                        600, 400, nullptr, nullptr, wc.hInstance, nullptr);
        HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 580, 360,
                                      me->window_, nullptr, wc.hInstance, nullptr);
        for (int c = 0; c < 3; ++c) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.pszText = const_cast<wchar_t*>(L"c");
            column.cx = 150;
            column.iSubItem = c;
            ::SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
        }
        for (int i = 0; i < ITEMS; ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<wchar_t*>(L"");
            ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        // Shown once filled, as a dialog shows after its initialisation.
        ::ShowWindow(me->window_, SW_SHOW);
        ::UpdateWindow(me->window_);
        ::SetEvent(me->ready_);
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        return 0;
    }

    HANDLE ready_ = nullptr;
    HANDLE thread_ = nullptr;
    HWND window_ = nullptr;
};

struct Split {
    double lookupA = 0;     // one lookup in the loaded catalogue (each item has two)
    double lookupB = 0;     // one lookup in the absent users' catalogue
    double runSet = 0;      // RunSet: lookup, definition read, registry write
    double registry = 0;    // the registry write alone
    double logLines = 0;    // the item's two log lines
    double progress = 0;    // recording the progress in the data file
    double message = 0;     // the item status message to the list window
    double floor = 0;       // what the design asks of an item: its two log lines, registry write and message
};

// Each step of one item, timed over SPLIT_ITEMS items in the same order as
// the run does them, but one step type at a time.
Split measureSplit(const ts::TempDir& dir)
{
    Split split;
    ts::writeFile(dir.file(L"methods.xml"), registryCatalogue(ITEMS, APPLY_KEY + "\\Split"));
    ts::writeFile(dir.file(L"data.xml"), dataFile(dataValues(ITEMS)));
    MethodCatalog catalogA;
    MethodCatalog catalogB;
    MachineDataFile data;
    if (!catalogA.LoadFile(dir.file(L"methods.xml")) || !data.Load(dir.file(L"data.xml"))) {
        addDetail("split: the catalogue or the data file did not load");
        return split;
    }
    catalogB.LoadFile(dir.file(L"usersmethods.xml")); // absent, as in the run

    double start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        if (catalogB.Contains(data.itemMethods[static_cast<size_t>(i)]))
            addDetail("split: a lookup found a method in the absent catalogue");
    split.lookupB = (nowMs() - start) / SPLIT_ITEMS;
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        if (!catalogA.Contains(data.itemMethods[static_cast<size_t>(i)]))
            addDetail("split: a lookup failed");
    split.lookupA = (nowMs() - start) / SPLIT_ITEMS;

    {
        QuietStdout quiet;
        start = nowMs();
        for (int i = 0; i < SPLIT_ITEMS; ++i) {
            bool notFound = false;
            catalogA.RunSet(data.itemMethods[static_cast<size_t>(i)], data.itemParams[static_cast<size_t>(i)], notFound);
        }
        split.runSet = (nowMs() - start) / SPLIT_ITEMS;
    }

    std::wstring rawKey = ts::utf8ToWide(APPLY_KEY) + L"\\Raw";
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i) {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, rawKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) == ERROR_SUCCESS) {
            const std::wstring& value = FirstValue(data.itemParams[static_cast<size_t>(i)]);
            ::RegSetValueExW(key, (L"V" + std::to_wstring(i)).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
            ::RegCloseKey(key);
        }
    }
    split.registry = (nowMs() - start) / SPLIT_ITEMS;

    ::CreateDirectoryW(dir.file(L"log").c_str(), nullptr);
    logFolder = dir.file(L"log");
    logBaseName = L"bench";
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i) {
        WriteLog(L"%ls - %ls", data.itemNames[static_cast<size_t>(i)].c_str(),
                 data.itemMethods[static_cast<size_t>(i)].c_str());
        WriteLog(L"OK");
    }
    split.logLines = (nowMs() - start) / SPLIT_ITEMS;
    // What a log line costs without its formatting: open, append, size, close.
    std::wstring bare = dir.file(L"log\\bare.txt");
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS * 2; ++i) {
        HANDLE file = ::CreateFileW(bare.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        ::WriteFile(file, "2026/01/01 00:00:00|0|OK\r\n", 26, &written, nullptr);
        LARGE_INTEGER size{};
        ::GetFileSizeEx(file, &size);
        ::CloseHandle(file);
    }
    addDetail("split: two bare file appends (open, write, size, close) " + us((nowMs() - start) / SPLIT_ITEMS));
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS * 2; ++i)
        _wsetlocale(LC_ALL, L"japanese");
    addDetail("split: two C run-time locale settings " + us((nowMs() - start) / SPLIT_ITEMS));
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS * 2; ++i) {
        __time64_t now = _time64(nullptr);
        tm local{};
        wchar_t stamp[64];
        _localtime64_s(&local, &now);
        std::wcsftime(stamp, 64, L"%Y/%m/%d %H:%M:%S", &local);
    }
    addDetail("split: two local time stamps " + us((nowMs() - start) / SPLIT_ITEMS));

    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        data.SetProgress(i);
    split.progress = (nowMs() - start) / SPLIT_ITEMS;

    ListWindow list;
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        ::SendMessageW(list.window(), WM_SETUP_ITEM_STATUS, static_cast<WPARAM>(i), 0);
    split.message = (nowMs() - start) / SPLIT_ITEMS;

    // The floor of one item: what the design itself asks of it, in the
    // order of a run - the two log lines through the log writer (each opens
    // the file anew), the registry write and the synchronous status message
    // to the window of another thread.
    std::wstring floorKey = ts::utf8ToWide(APPLY_KEY) + L"\\Floor";
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i) {
        const auto at = static_cast<size_t>(i);
        WriteLog(L"%ls - %ls", data.itemNames[at].c_str(), data.itemMethods[at].c_str());
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, floorKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) == ERROR_SUCCESS) {
            const std::wstring& value = FirstValue(data.itemParams[at]);
            ::RegSetValueExW(key, (L"V" + std::to_wstring(i)).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
            ::RegCloseKey(key);
        }
        WriteLog(L"OK");
        ::SendMessageW(list.window(), WM_SETUP_ITEM_STATUS, static_cast<WPARAM>(i), 0);
    }
    split.floor = (nowMs() - start) / SPLIT_ITEMS;
    addDetail("split: list window filled with " + std::to_string(ITEMS) + " rows in " + ms(list.fillMs));
    ::ShowWindow(list.window(), SW_HIDE);
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        ::SendMessageW(list.window(), WM_SETUP_ITEM_STATUS, static_cast<WPARAM>(i), 0);
    addDetail("split: message to the hidden list window " + us((nowMs() - start) / SPLIT_ITEMS));
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        ::SendMessageW(list.window(), WM_NULL, 0, 0);
    addDetail("split: an empty message (WM_NULL) to the window's thread " + us((nowMs() - start) / SPLIT_ITEMS));
    return split;
}

void reportSplit(const ts::TempDir& dir, double perItemMs)
{
    Split split = measureSplit(dir);
    double rest = split.runSet - split.lookupA - split.registry;
    addNote("   split: catalogue lookups (3 per item)", us(2 * split.lookupA + split.lookupB));
    addNote("   split: definition read (RunSet less its lookup and write)", us(rest));
    addNote("   split: registry write (create key, set, close)", us(split.registry));
    addNote("   split: the two log lines", us(split.logLines));
    addNote("   split: progress recorded in the data file", us(split.progress));
    addNote("   split: item status message to a list window", us(split.message));
    double sum = split.lookupB + split.lookupA + split.runSet + split.logLines + split.progress + split.message;
    addNote("   split: sum of the steps / the rest of the run (load, save, start)", us(sum),
            perItemMs > 0 ? us(perItemMs - sum) : "-");
    if (perItemMs > 0)
        addRatioRow("1c. apply, per item: the real run vs the floor of an item (2 log lines, registry write, status "
                    "message)",
                    perItemMs, split.floor, "ms", 1.2, true);
    else
        addNote("   floor of an item (2 log lines, registry write, status message)", us(split.floor));
}

} // namespace

void benchApplySplit()
{
    ts::TempDir dir(L"bsplit");
    reportSplit(dir, 0);
    deleteBenchKey();
}

void benchApply()
{
    std::printf("applying %d registry items: setup run, regedit /s, reg add (%d rounds)\n", ITEMS, rounds());
    ts::TempDir dir(L"bapply");
    std::vector<double> ours, regedit, regAdd;
    for (int r = 0; r < rounds(); ++r) {
        double t = runRegedit(dir);
        if (t > 0)
            regedit.push_back(t / ITEMS);
        t = runPeltacfg();
        if (t > 0)
            ours.push_back(t / ITEMS);
        t = runRegAdd(dir);
        if (t > 0)
            regAdd.push_back(t / REG_ADD_SAMPLE);
        std::printf("  round %d: setup run %.3f ms/item, regedit %.3f ms/item, reg add %.1f ms/item\n", r + 1,
                    ours.empty() ? 0 : ours.back(), regedit.empty() ? 0 : regedit.back(),
                    regAdd.empty() ? 0 : regAdd.back());
        std::fflush(stdout);
    }
    double oursMs = median(ours);
    addRatioRow("1a. apply 10,000 REG_SZ items vs reg add (per value)", oursMs, median(regAdd), "ms", 100, false);
    addRatioRow("1b. apply 10,000 REG_SZ items vs regedit /s (per value)", oursMs, median(regedit), "ms", 3, true);

    reportSplit(dir, median(ours));
    deleteBenchKey();
}

} // namespace bench
