// One simulated PC of the many-PCs test, run inside its own Wine prefix: starts peltacfg
// from the shared kit folder, runs the data file that start-up derives for this PC,
// answers the completion box, ends the program and checks that every item reached this
// PC's registry. Prints one line "PC <serial>: OK" or "PC <serial>: FAIL <reason>".
//   robust_pc_driver.exe KIT_FOLDER ITEM_COUNT
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <string>

#include "app_driver.h"
#include "registry_value.h"
#include "test_support.h"

namespace {

constexpr DWORD LIMIT_MS = 600000; // twenty prefixes starting at once on two cores are slow
constexpr int IDC_RUN = 1000;

std::wstring registryText(const wchar_t* key, const std::wstring& name)
{
    return ts::readRegistryValue(HKEY_CURRENT_USER, key, name).text();
}

int finish(const std::wstring& serial, const std::string& outcome)
{
    std::printf("PC %s: %s\n", ts::wideToUtf8(serial).c_str(), outcome.c_str());
    std::fflush(stdout);
    return outcome == "OK" ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
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
    HWND dialog = ts::waitForWindow(L"#32770", L"Peltawin", app.pid(), LIMIT_MS);
    if (!dialog) {
        app.kill();
        return finish(serial, "FAIL no main dialog");
    }
    ts::pressButton(dialog, IDC_RUN);
    HWND box = drv::findMessageBox(app.pid(), LIMIT_MS);
    if (!box) {
        app.kill();
        return finish(serial, "FAIL no box at the end of the run");
    }
    std::wstring text = drv::messageBoxText(box);
    drv::closeMessageBox(box);
    // The data file is saved after the box is answered; "終了" then ends the program.
    ::Sleep(1000);
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
