// Start-up: from process creation to the first dialog being visible, for
// peltacfg.exe (a machine with a small data file, so its main dialog shows)
// and for the bench's own minimal dialog program.
#include "bench_parts.h"

#include <cstdio>

#include "app_kit.h"
#include "bench_common.h"

namespace bench {

namespace {

// Polls every millisecond; the process's own start counts from the call.
HWND waitVisible(const wchar_t* className, const wchar_t* title, DWORD pid, double startMs, double& elapsed)
{
    for (;;) {
        HWND window = ts::findWindow(className, title, pid);
        if (window && ::IsWindowVisible(window)) {
            elapsed = nowMs() - startMs;
            return window;
        }
        if (nowMs() - startMs > 30000)
            return nullptr;
        ::Sleep(1);
    }
}

double startPeltacfg(AppKit& kit)
{
    double start = nowMs();
    ts::ChildProcess& process = kit.start();
    double elapsed = 0;
    HWND dialog = waitVisible(L"#32770", MAIN_TITLE, process.pid(), start, elapsed);
    if (!dialog || !kit.closeAndWait(dialog)) {
        addDetail("start-up: peltacfg's main dialog did not show or close");
        return 0;
    }
    return elapsed;
}

double startMinimalDialog()
{
    ts::ChildProcess process;
    double start = nowMs();
    if (!process.start(ts::quote(ts::binPath(L"bench_min_dialog.exe"))))
        return 0;
    double elapsed = 0;
    HWND dialog = waitVisible(L"#32770", L"Bench Dialog", process.pid(), start, elapsed);
    if (!dialog) {
        addDetail("start-up: the minimal dialog did not show");
        return 0;
    }
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    process.wait(10000);
    return elapsed;
}

} // namespace

void benchStartup()
{
    int count = rounds() * 2 + 1;
    std::printf("start-up to a visible dialog: peltacfg vs a minimal dialog (%d rounds)\n", count);
    AppKit kit(L"SN-BENCH-START");
    kit.write(kit.machineFile(), dataFile("<Value Name=\"a\" Method=\"M1\">1</Value>"
                                          "<Value Name=\"b\" Method=\"M2\">2</Value>"));
    std::vector<double> ours, minimal;
    for (int r = 0; r < count; ++r) {
        double t = startPeltacfg(kit);
        if (t > 0)
            ours.push_back(t);
        t = startMinimalDialog();
        if (t > 0)
            minimal.push_back(t);
    }
    addRatioRow("5. start-up to a visible dialog: peltacfg vs minimal dialog", median(ours), median(minimal), "ms", 1.5,
                true);
}

} // namespace bench
