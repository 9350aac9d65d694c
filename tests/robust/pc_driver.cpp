// One simulated PC of the many-PCs test, run inside its own Wine prefix: starts peltacfg
// from the shared kit folder, runs the data file that start-up derives for this PC,
// answers the completion box, ends the program and checks that every item reached this
// PC's registry. Prints one line "PC <serial>: OK" or "PC <serial>: FAIL <reason>".
//   robust_pc_driver.exe KIT_FOLDER ITEM_COUNT
//   robust_pc_driver.exe --desktop READY_FILE   keeps this prefix's desktop up (see below)
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <string>

#include "app_driver.h"
#include "registry_value.h"
#include "serial_digest.h"
#include "test_support.h"

namespace {

constexpr DWORD LIMIT_MS = 600000; // twenty prefixes starting at once on two cores are slow
constexpr int IDC_RUN = 1000;

std::wstring registryText(const wchar_t* key, const std::wstring& name)
{
    return ts::readRegistryValue(HKEY_CURRENT_USER, key, name).text();
}

// The main dialog, or null when peltacfg ended first or the time ran out; a PC
// whose peltacfg died says so at once, with its exit code, instead of waiting.
HWND waitForMainDialog(ts::ChildProcess& app, std::string& failure)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND dialog = ts::waitForWindow(L"#32770", L"Peltawin", app.pid(), 1000))
            return dialog;
        if (app.wait(0)) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%lx", static_cast<unsigned long>(app.exitCode()));
            failure = std::string("FAIL peltacfg ended without its main dialog (exit ") + code + ")";
            return nullptr;
        }
        if (::GetTickCount() - start > LIMIT_MS) {
            failure = "FAIL no main dialog";
            return nullptr;
        }
    }
}

int finish(const std::wstring& serial, const std::string& outcome)
{
    std::printf("PC %s: %s\n", ts::wideToUtf8(serial).c_str(), outcome.c_str());
    std::fflush(stdout);
    return outcome == "OK" ? 0 : 1;
}

// The first program of a prefix that needs windows starts Wine's desktop process
// and waits at most 10 s for it; on a machine too busy for that, the program is
// left without a display driver for good, and no window of it can be created. And
// the desktop process ends a second after the last program with windows. So the
// test starts every prefix's desktop beforehand with this keeper, which stays until
// the prefix is shut down: once a window can be created it writes READY_FILE; when
// none can, it writes READY_FILE.no and still stays, so that the desktop process it
// started can finish starting for the next keeper.
int keepDesktop(const std::wstring& readyFile)
{
    HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe)
        ::DestroyWindow(probe);
    std::wstring file = probe ? readyFile : readyFile + L".no";
    HANDLE mark = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (mark == INVALID_HANDLE_VALUE)
        return 2;
    ::CloseHandle(mark);
    ::Sleep(INFINITE);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && std::wstring(argv[1]) == L"--desktop")
        return keepDesktop(argv[2]);
    if (argc < 3)
        return 2;
    std::wstring kit = argv[1];
    int items = _wtoi(argv[2]);
    std::wstring serial = registryText(L"Software\\PeltawinTest\\App", L"Serial");
    if (serial.empty())
        return finish(L"?", "FAIL no serial number in this prefix");

    ts::ChildProcess app;
    if (!app.start(ts::quote(kit + L"\\peltacfg.exe"), kit))
        return finish(serial, "FAIL peltacfg did not start");
    std::string failure;
    HWND dialog = waitForMainDialog(app, failure);
    if (!dialog) {
        app.kill();
        return finish(serial, failure);
    }
    ts::pressButton(dialog, IDC_RUN);
    HWND box = drv::findMessageBox(app.pid(), LIMIT_MS);
    if (!box) {
        app.kill();
        return finish(serial, "FAIL no box at the end of the run");
    }
    // With fifty PCs on two cores the box may be slow to answer when its text is read.
    std::wstring text;
    ts::waitUntil([&] { return !(text = drv::messageBoxText(box)).empty(); }, LIMIT_MS);
    drv::closeMessageBox(box);
    // The run is marked done once the box is answered; "終了" then ends the program.
    const std::wstring dataFile = kit + L"\\data\\" + SerialFileName(serial) + L".xml";
    ts::waitUntil([&] { return ts::readFile(dataFile).find("<Done>true</Done>") != std::string::npos; }, LIMIT_MS);
    ts::pressButton(dialog, IDOK);
    if (!app.wait(LIMIT_MS)) {
        app.kill();
        return finish(serial, "FAIL peltacfg did not end");
    }
    if (text.rfind(L"完了しました", 0) != 0)
        return finish(serial, "FAIL box: " + ts::wideToUtf8(text));
    for (int i = 0; i < items; ++i) {
        std::wstring value = registryText(L"Software\\PeltawinTest\\Pcs", L"item" + std::to_wstring(i));
        if (value != L"v" + std::to_wstring(i))
            return finish(serial, "FAIL item " + std::to_string(i) + " not applied");
    }
    return finish(serial, "OK");
}
