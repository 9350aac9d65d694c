// Driving windows: vornrun running `Text:` commands against the test
// application's Edit with Interval=0, against a bare loop of the same message
// pairs; `Window` searches inside a target of 2,000 nested windows; and
// vornfind's listing of that target against a bare enumeration.
// A script's cost beyond its commands (start, process and window searches)
// is taken out by running the same script without the measured commands.
#include "bench_parts.h"

#include <cstdio>
#include <cstring>

#include "bench_common.h"
#include "vorn_test_support.h"
#include "window_lines.h"

namespace vorn {
void drawHighlight(HWND window);  // the red outline a found window gets
void eraseHighlight(HWND window); // the outline's removal when the next search starts
}

namespace bench {

namespace {

constexpr int TEXT_COMMANDS = 1000;
constexpr int SEARCHES = 20;
const std::string FIND_MAIN = "Process:VornTarget,Vorn Target\r\nTarget:VornTarget,Vorn Target\r\nWindow:Edit,\r\n";

std::string textValue(int i) { return "text " + std::to_string(i); }

// Milliseconds for one run of the script, or 0 when it did not end with 0.
double runScript(const vt::VornFolder& folder, const std::string& script)
{
    folder.writeScript(script);
    double start = nowMs();
    vt::VornRun run = folder.run({}, 120000);
    double elapsed = nowMs() - start;
    if (!run.finished || run.exitCode != 0) {
        addDetail("vornrun script failed with " + std::to_string(run.exitCode) + ": " + run.output.substr(0, 200));
        return 0;
    }
    return elapsed;
}

std::string textScript(const vt::VornFolder& folder, int commands)
{
    std::string script = folder.targetLaunch() + "\r\n" + FIND_MAIN;
    for (int i = 0; i < commands; ++i)
        script += "Text:" + textValue(i) + "\r\n";
    return script;
}

// The same message pairs from a plain loop: set the text, read it back, compare.
double bareTextLoop(const vt::VornFolder& folder)
{
    ts::ChildProcess target;
    std::wstring launch = ts::utf8ToWide(folder.targetLaunch());
    if (!target.start(launch, folder.path()))
        return 0;
    HWND main = ts::waitForWindow(L"VornTarget", L"Vorn Target", target.pid(), 30000);
    HWND edit = main ? ::FindWindowExW(main, nullptr, L"Edit", nullptr) : nullptr;
    double elapsed = 0;
    if (edit) {
        int mismatches = 0;
        double start = nowMs();
        for (int i = 0; i < TEXT_COMMANDS; ++i) {
            std::string text = textValue(i);
            char back[256];
            ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
            LRESULT length = ::SendMessageA(edit, WM_GETTEXT, sizeof back, reinterpret_cast<LPARAM>(back));
            if (length != static_cast<LRESULT>(text.size()) || std::memcmp(back, text.data(), text.size()) != 0)
                ++mismatches;
        }
        elapsed = nowMs() - start;
        if (mismatches)
            addDetail("bare text loop: " + std::to_string(mismatches) + " texts did not read back");
    }
    target.kill();
    vt::ProgramCleanup::endAll();
    return elapsed;
}

struct SearchState {
    HWND found = nullptr;
    DWORD processId = 0;
};

// The same test as vornrun's: the owning process first, then the class, and
// the text only for a class that matches; every window is visited.
BOOL CALLBACK matchLikeVornrun(HWND window, LPARAM param)
{
    auto* state = reinterpret_cast<SearchState*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != state->processId)
        return TRUE;
    char cls[256] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, "BenchLeaf") != 0)
        return TRUE;
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    if (std::strcmp(text, "leaf") == 0 && !state->found)
        state->found = window;
    return TRUE;
}

BOOL CALLBACK findLeaf(HWND window, LPARAM state)
{
    char cls[64], text[64];
    ::GetClassNameA(window, cls, sizeof cls);
    ::GetWindowTextA(window, text, sizeof text);
    if (std::strcmp(cls, "BenchLeaf") == 0 && std::strcmp(text, "leaf") == 0) {
        reinterpret_cast<SearchState*>(state)->found = window;
        return FALSE;
    }
    return TRUE;
}

void endNestedTargets() { vt::endProgramsWithWindowClass({L"BenchNest"}); }

// The floor of any listing: every window visited once, its class and text read.
BOOL CALLBACK readClassAndText(HWND window, LPARAM count)
{
    char cls[256], text[256];
    ::GetClassNameA(window, cls, sizeof cls);
    ::GetWindowTextA(window, text, sizeof text);
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

} // namespace

void benchTextCommands()
{
    std::printf("vornrun: %d Text commands vs a bare loop (%d rounds)\n", TEXT_COMMANDS, rounds());
    vt::ProgramCleanup cleanup;
    vt::VornFolder folder("[Config]\r\nInterval=0\r\nTimeout=30\r\n");
    std::vector<double> ours, bare, base;
    for (int r = 0; r < rounds(); ++r) {
        double full = runScript(folder, textScript(folder, TEXT_COMMANDS));
        vt::ProgramCleanup::endAll();
        double empty = runScript(folder, textScript(folder, 0));
        vt::ProgramCleanup::endAll();
        if (full > 0 && empty > 0) {
            ours.push_back((full - empty) / TEXT_COMMANDS);
            base.push_back(empty);
        }
        double loop = bareTextLoop(folder);
        if (loop > 0)
            bare.push_back(loop / TEXT_COMMANDS);
        std::printf("  round %d: vornrun %.3f ms/command (script without them %.0f ms), bare %.3f ms/pair\n", r + 1,
                    ours.empty() ? 0 : ours.back(), empty, bare.empty() ? 0 : bare.back());
        std::fflush(stdout);
    }
    addRatioRow("4. vornrun Text: command vs bare WM_SETTEXT/WM_GETTEXT pair", median(ours), median(bare), "us", 1.3,
                true);
    addNote("   vornrun start, process, target and Edit search (script without Text lines)", ms(median(base)));
}

void benchWindowSearch()
{
    std::printf("vornrun: Window search among 2,000 nested windows (%d rounds)\n", rounds());
    vt::ProgramCleanup cleanup;
    endNestedTargets();
    vt::VornFolder folder("[Config]\r\nInterval=0\r\nTimeout=30\r\n");
    // Appended piece by piece: GCC 12 warns (-Wrestrict) on "literal" + temporary string.
    std::string head = "\"";
    head += ts::wideToCp932(ts::binPath(L"bench_nested_target.exe"));
    head += "\"\r\nProcess:BenchNest,Bench Nest\r\nTarget:BenchNest,Bench Nest\r\n";
    std::string searches;
    for (int i = 0; i < SEARCHES; ++i)
        searches += "Window:BenchLeaf,leaf\r\n";

    std::vector<double> ours, bare, sameTest, outline, eraseLeaf, eraseTarget;
    for (int r = 0; r < rounds(); ++r) {
        double full = runScript(folder, head + searches);
        endNestedTargets();
        double empty = runScript(folder, head);
        if (full > 0 && empty > 0)
            ours.push_back((full - empty) / SEARCHES);

        // The bare search, in the target the empty script left running.
        HWND main = ts::findWindow(L"BenchNest", L"Bench Nest");
        if (main) {
            SearchState state;
            double start = nowMs();
            for (int i = 0; i < SEARCHES; ++i) {
                state.found = nullptr;
                ::EnumChildWindows(main, findLeaf, reinterpret_cast<LPARAM>(&state));
            }
            double elapsed = nowMs() - start;
            if (state.found)
                bare.push_back(elapsed / SEARCHES);
            else
                addDetail("bare window search: the leaf was not found");
            ::GetWindowThreadProcessId(main, &state.processId);
            start = nowMs();
            for (int i = 0; i < SEARCHES; ++i) {
                state.found = nullptr;
                ::EnumChildWindows(main, matchLikeVornrun, reinterpret_cast<LPARAM>(&state));
            }
            if (state.found) {
                sameTest.push_back((nowMs() - start) / SEARCHES);
                start = nowMs();
                for (int i = 0; i < SEARCHES; ++i)
                    vorn::drawHighlight(state.found);
                outline.push_back((nowMs() - start) / SEARCHES);
                start = nowMs();
                for (int i = 0; i < SEARCHES; ++i)
                    vorn::eraseHighlight(state.found);
                eraseLeaf.push_back((nowMs() - start) / SEARCHES);
                start = nowMs();
                vorn::eraseHighlight(main);
                eraseTarget.push_back(nowMs() - start);
            }
        }
        endNestedTargets();
        std::printf("  round %d: vornrun %.2f ms/search, bare %.2f ms/search\n", r + 1, ours.empty() ? 0 : ours.back(),
                    bare.empty() ? 0 : bare.back());
        std::fflush(stdout);
    }
    Row row{"4. vornrun Window search, 2,000 nested windows (per search)", ms(median(ours)),
            ms(median(bare)) + " (bare EnumChildWindows)", median(bare) > 0 ? ratioText(median(ours) / median(bare)) : "-",
            "reported", "-"};
    addRow(row);
    addNote("   the same enumeration with vornrun's test (owner, class, then text)", "-", ms(median(sameTest)));
    addNote("   vornrun's red outline of the found window / its removal", "-",
            ms(median(outline)) + " / " + ms(median(eraseLeaf)));
    addNote("   removal of the outline of the target (once, at the first search)", "-", ms(median(eraseTarget)));
}

void benchFindWindows()
{
    constexpr int LISTINGS = 5;
    std::printf("vornfind: windows of a target with 2,000 nested windows (%d rounds)\n", rounds());
    endNestedTargets();
    std::vector<double> ours, bare, wholeProgram;
    for (int r = 0; r < rounds(); ++r) {
        ts::ChildProcess target;
        if (!target.start(ts::quote(ts::binPath(L"bench_nested_target.exe")))) {
            addDetail("vornfind windows: the nested target did not start");
            break;
        }
        HWND main = ts::waitForWindow(L"BenchNest", L"Bench Nest", target.pid(), 60000);
        if (main) {
            int visited = 0;
            double start = nowMs();
            for (int i = 0; i < LISTINGS; ++i)
                ::EnumChildWindows(main, readClassAndText, reinterpret_cast<LPARAM>(&visited));
            bare.push_back((nowMs() - start) / LISTINGS);
            size_t lines = 0;
            start = nowMs();
            for (int i = 0; i < LISTINGS; ++i)
                lines = vorn::find::describeProcessWindows(target.pid()).size();
            ours.push_back((nowMs() - start) / LISTINGS);
            start = nowMs();
            ts::RunResult run = ts::runProcess(ts::quote(ts::binPath(L"vornfind.exe")) + L" windows " +
                                               std::to_wstring(target.pid()), L"", 120000);
            if (run.exitCode == 0 && run.output.size() >= lines)
                wholeProgram.push_back(nowMs() - start);
            else
                addDetail("vornfind windows ended with " + std::to_string(run.exitCode));
            if (visited != LISTINGS * 2000)
                addDetail("vornfind windows: the bare enumeration saw " + std::to_string(visited / LISTINGS) +
                          " windows");
        }
        target.kill();
        endNestedTargets();
        std::printf("  round %d: listing %.1f ms, bare %.1f ms, vornfind.exe %.0f ms\n", r + 1,
                    ours.empty() ? 0 : ours.back(), bare.empty() ? 0 : bare.back(),
                    wholeProgram.empty() ? 0 : wholeProgram.back());
        std::fflush(stdout);
    }
    addRatioRow("4. vornfind windows, 2,000 nested windows: listing vs bare enumeration reading class and text",
                median(ours), median(bare), "ms", 3.0, true);
    addNote("   the whole `vornfind.exe windows PID` (start, listing, output)", ms(median(wholeProgram)));
}

} // namespace bench
