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
#include <memory>

#include "app_driver.h"
#include "app_kit.h"
#include "app_messages.h"
#include "bench_common.h"
#include "log_writer.h"
#include "main_dialog.h"
#include "machine_data_file.h"
#include "method_catalog.h"
#include "registry_value.h"
#include "resource.h"

namespace bench {

namespace {

constexpr int ITEMS = 10000;
constexpr int REG_ADD_SAMPLE = 30; // `reg add` takes about 0.1 s a value: a sample stands for all
constexpr int SPLIT_ITEMS = 2000;
const std::string APPLY_KEY = "Software\\PeltawinBench\\Apply";
const wchar_t* const FLOOR_KEY = L"Software\\PeltawinBench\\Floor";

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
    ::RegDeleteTreeW(HKEY_CURRENT_USER, ts::utf8ToWide(APPLY_KEY).c_str());
    AppKit kit(L"SN-BENCH-APPLY");
    kit.writeMethods(registryMethods(ITEMS, APPLY_KEY));
    kit.write(kit.machineFile(), dataFile(dataValues(ITEMS)));
    // Started as from the desktop: in the field nothing reads the trace lines
    // the program writes to standard output, and a pipe read by this process
    // would add its cost to every item.
    kit.start(false);
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

// The main dialog as the program shows it - its own template, read from
// peltacfg.exe's resources, with the list filled as the dialog fills it -
// on a thread of its own, modal; the item status message sets a row's mark,
// as the dialog does it.
class ListWindow {
public:
    explicit ListWindow(const MachineDataFile& data) : data_(data)
    {
        ready_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = ::CreateThread(nullptr, 0, &ListWindow::threadProc, this, 0, nullptr);
        double start = nowMs();
        if (::WaitForSingleObject(ready_, 300000) != WAIT_OBJECT_0 || !window_)
            addDetail("list window: not ready");
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
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp)
    {
        switch (msg) {
        case WM_INITDIALOG: {
            auto* me = reinterpret_cast<ListWindow*>(lp);
            ::SetWindowTextW(dialog, L"Bench Dialog"); // never taken for the program's own
            me->fill(::GetDlgItem(dialog, IDC_ITEM_LIST));
            me->window_ = dialog;
            ::SetEvent(me->ready_);
            return TRUE;
        }
        case WM_SETUP_ITEM_STATUS:
            setCell(::GetDlgItem(dialog, IDC_ITEM_LIST), static_cast<int>(wp), 0, lp == 0 ? L"○" : L"×");
            ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_CLOSE:
            ::EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }

    static void setCell(HWND list, int row, int column, const wchar_t* text)
    {
        LVITEMW cell{};
        cell.iSubItem = column;
        cell.pszText = const_cast<wchar_t*>(text);
        ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    }

    void fill(HWND list) const
    {
        const wchar_t* headers[] = {L"", L"項目名", L"値"};
        const int widths[] = {25, 150, 350};
        for (int c = 0; c < 3; ++c) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.pszText = const_cast<wchar_t*>(headers[c]);
            column.cx = widths[c];
            column.iSubItem = c;
            ::SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
        }
        for (size_t i = 0; i < data_.itemNames.size(); ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<wchar_t*>(L"");
            ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            setCell(list, static_cast<int>(i), 1, data_.itemNames[i].c_str());
            setCell(list, static_cast<int>(i), 2,
                    ParameterText(data_.itemParams[i], data_.itemParamNames[i]).c_str());
        }
    }

    static DWORD WINAPI threadProc(void* self)
    {
        auto* me = static_cast<ListWindow*>(self);
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        HMODULE program = ::LoadLibraryExW(ts::binPath(L"peltacfg.exe").c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        HRSRC found = program ? ::FindResourceW(program, MAKEINTRESOURCEW(IDD_PELTACFG_DIALOG), RT_DIALOG) : nullptr;
        HGLOBAL loaded = found ? ::LoadResource(program, found) : nullptr;
        auto* dialog = loaded ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
        if (dialog)
            ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialog, nullptr, dialogProc,
                                      reinterpret_cast<LPARAM>(me));
        ::SetEvent(me->ready_); // also when the dialog could not be made
        if (program)
            ::FreeLibrary(program);
        return 0;
    }

    const MachineDataFile& data_;
    HANDLE ready_ = nullptr;
    HANDLE thread_ = nullptr;
    HWND window_ = nullptr;
};

// The run's catalogue and data file loaded in the benchmark process, and the
// list window, for the floor and the split.
struct ItemBench {
    explicit ItemBench(const ts::TempDir& dir) : dir(dir)
    {
        ts::writeFile(dir.file(L"methods.xml"), registryCatalogue(ITEMS, APPLY_KEY + "\\Split"));
        ts::writeFile(dir.file(L"data.xml"), dataFile(dataValues(ITEMS)));
        loaded = catalogA.LoadFile(dir.file(L"methods.xml")) && data.Load(dir.file(L"data.xml"));
        if (!loaded)
            addDetail("split: the catalogue or the data file did not load");
        catalogB.LoadFile(dir.file(L"usersmethods.xml")); // absent, as in the run
        ::CreateDirectoryW(dir.file(L"log").c_str(), nullptr);
        logFolder = dir.file(L"log");
        list = std::make_unique<ListWindow>(data);
    }
    const ts::TempDir& dir;
    MethodCatalog catalogA;
    MethodCatalog catalogB;
    MachineDataFile data;
    bool loaded = false;
    std::unique_ptr<ListWindow> list;
    int logs = 0;
};

// A registry write as a Registry method does it: create or open the key, set
// the value, close.
void writeValue(const std::wstring& keyPath, const std::wstring& name, const std::wstring& value)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

// The floor of items [from, to), ms in all: what the design itself asks of
// every item, in the order of a run - the two log lines through the log
// writer (each opens the file anew), the registry write and the synchronous
// status message to the list window of another thread.
double measureFloor(ItemBench& bench, size_t from, size_t to)
{
    const MachineDataFile& data = bench.data;
    double start = nowMs();
    for (size_t at = from; at < to && at < data.itemNames.size(); ++at) {
        WriteLog(L"%ls - %ls", data.itemNames[at].c_str(), data.itemMethods[at].c_str());
        writeValue(FLOOR_KEY, L"V" + std::to_wstring(at), FirstValue(data.itemParams[at]));
        WriteLog(L"OK");
        ::SendMessageW(bench.list->window(), WM_SETUP_ITEM_STATUS, at, 0);
    }
    return nowMs() - start;
}

// A new floor as a run on a new PC has it: a new log file, a new key.
void startFloor(ItemBench& bench)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, FLOOR_KEY);
    logBaseName = L"floor" + std::to_wstring(++bench.logs);
}

struct Split {
    double lookupA = 0;  // one lookup in the loaded catalogue (each item has two)
    double lookupB = 0;  // one lookup in the absent users' catalogue
    double runSet = 0;   // RunSet: lookup, definition read, registry write
    double registry = 0; // the registry write alone
    double logLines = 0; // the item's two log lines
    double progress = 0; // recording the progress in the data file
    double message = 0;  // the item status message to the list window
};

// Each step of one item, timed over SPLIT_ITEMS items in the same order as
// the run does them, but one step type at a time.
Split measureSplit(ItemBench& bench)
{
    Split split;
    MachineDataFile& data = bench.data;
    double start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        if (bench.catalogB.Contains(data.itemMethods[static_cast<size_t>(i)]))
            addDetail("split: a lookup found a method in the absent catalogue");
    split.lookupB = (nowMs() - start) / SPLIT_ITEMS;
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        if (!bench.catalogA.Contains(data.itemMethods[static_cast<size_t>(i)]))
            addDetail("split: a lookup failed");
    split.lookupA = (nowMs() - start) / SPLIT_ITEMS;

    // RunSet and the bare registry write of the same value, item by item, so
    // that their difference, the definition read, meets the same load; the
    // medians, so that a moment's stall of the machine does not count.
    std::wstring rawKey = ts::utf8ToWide(APPLY_KEY) + L"\\Raw";
    {
        QuietStdout quiet;
        std::vector<double> runSet, registry;
        for (int i = 0; i < SPLIT_ITEMS; ++i) {
            const auto at = static_cast<size_t>(i);
            bool notFound = false;
            start = nowMs();
            bench.catalogA.RunSet(data.itemMethods[at], data.itemParams[at], notFound);
            double middle = nowMs();
            writeValue(rawKey, L"V" + std::to_wstring(i), FirstValue(data.itemParams[at]));
            registry.push_back(nowMs() - middle);
            runSet.push_back(middle - start);
        }
        split.runSet = median(runSet);
        split.registry = median(registry);
    }

    logBaseName = L"split";
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i) {
        WriteLog(L"%ls - %ls", data.itemNames[static_cast<size_t>(i)].c_str(),
                 data.itemMethods[static_cast<size_t>(i)].c_str());
        WriteLog(L"OK");
    }
    split.logLines = (nowMs() - start) / SPLIT_ITEMS;
    // What a log line costs without its formatting: open, append, size, close.
    std::wstring bare = bench.dir.file(L"log\\bare.txt");
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

    HWND list = bench.list->window();
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        ::SendMessageW(list, WM_SETUP_ITEM_STATUS, static_cast<WPARAM>(i), 0);
    split.message = (nowMs() - start) / SPLIT_ITEMS;
    addDetail("split: list window filled with " + std::to_string(ITEMS) + " rows in " + ms(bench.list->fillMs));
    ::ShowWindow(list, SW_HIDE);
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        ::SendMessageW(list, WM_SETUP_ITEM_STATUS, static_cast<WPARAM>(i), 0);
    addDetail("split: message to the hidden list window " + us((nowMs() - start) / SPLIT_ITEMS));
    start = nowMs();
    for (int i = 0; i < SPLIT_ITEMS; ++i)
        ::SendMessageW(list, WM_NULL, 0, 0);
    addDetail("split: an empty message (WM_NULL) to the window's thread " + us((nowMs() - start) / SPLIT_ITEMS));
    ::ShowWindow(list, SW_SHOW);
    return split;
}

void reportSplit(ItemBench& bench, double perItemMs, double floorMs)
{
    Split split = measureSplit(bench);
    double rest = split.runSet - split.lookupA - split.registry;
    addNote("   split: catalogue lookups (3 per item)", us(2 * split.lookupA + split.lookupB));
    addNote("   split: definition read (RunSet less its lookup and write)", us(rest));
    addNote("   split: registry write (create key, set, close)", us(split.registry));
    addNote("   split: the two log lines", us(split.logLines));
    addNote("   split: progress recorded in the data file", us(split.progress));
    addNote("   split: item status message to a list window", us(split.message));
    double sum = split.lookupB + split.lookupA + split.runSet + split.logLines + split.progress + split.message;
    addNote("   split: sum of the steps / the rest of the run (load, start)", us(sum),
            perItemMs > 0 ? us(perItemMs - sum) : "-");
    if (perItemMs > 0)
        addRatioRow("1c. apply, per item: the real run vs the floor of an item (2 log lines, registry write, status "
                    "message)",
                    perItemMs, floorMs, "ms", 1.2, true);
    else
        addNote("   floor of an item (2 log lines, registry write, status message)", us(floorMs));
}

} // namespace

void benchApplySplit()
{
    ts::TempDir dir(L"bsplit");
    ItemBench bench(dir);
    startFloor(bench);
    reportSplit(bench, 0, measureFloor(bench, 0, ITEMS) / ITEMS);
    deleteBenchKey();
}

void benchApply()
{
    std::printf("applying %d registry items: setup run, its floor, regedit /s, reg add (%d rounds)\n", ITEMS,
                rounds());
    ts::TempDir dir(L"bapply");
    ItemBench bench(dir);
    std::vector<double> ours, floor, regedit, regAdd;
    for (int r = 0; r < rounds(); ++r) {
        double t = runRegedit(dir);
        if (t > 0)
            regedit.push_back(t / ITEMS);
        // The floor around the run it is the floor of, half before and half
        // after, so that both meet the same load of the machine.
        startFloor(bench);
        double floorMs = measureFloor(bench, 0, ITEMS / 2);
        t = runPeltacfg();
        if (t > 0)
            ours.push_back(t / ITEMS);
        floor.push_back((floorMs + measureFloor(bench, ITEMS / 2, ITEMS)) / ITEMS);
        t = runRegAdd(dir);
        if (t > 0)
            regAdd.push_back(t / REG_ADD_SAMPLE);
        std::printf("  round %d: setup run %.3f ms/item, its floor %.3f ms/item, regedit %.3f ms/item, reg add %.1f "
                    "ms/item\n",
                    r + 1, ours.empty() ? 0 : ours.back(), floor.back(), regedit.empty() ? 0 : regedit.back(),
                    regAdd.empty() ? 0 : regAdd.back());
        std::fflush(stdout);
    }
    double oursMs = median(ours);
    addRatioRow("1a. apply 10,000 REG_SZ items vs reg add (per value)", oursMs, median(regAdd), "ms", 100, false);
    addRatioRow("1b. apply 10,000 REG_SZ items vs regedit /s (per value)", oursMs, median(regedit), "ms", 3, true);

    reportSplit(bench, oursMs, median(floor));
    deleteBenchKey();
}

} // namespace bench
