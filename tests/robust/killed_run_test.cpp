// peltacfg applying a 200-item data file is killed at random moments, then started
// again until its run completes. After every kill the data file loads, its progress
// designates only items that were applied, and at the end every item is applied and
// the file is marked done.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "app_driver.h"
#include "app_kit.h"
#include "machine_data_file.h"
#include "mutator.h"
#include "win32_owners.h"
#include "registry_value.h"
#include "resource.h"

namespace {

constexpr const wchar_t* APPLIED_KEY = L"Software\\PeltawinTest\\Killed";
constexpr int ITEMS = 200;
// Restart items: the run saves its progress there and calls the (stand-in) shutdown.
bool isRestartItem(int i) { return i % 50 == 49; }
constexpr DWORD KILL_WINDOW_MS = 4000;

int killCount()
{
    const char* value = std::getenv("ROBUST_KILLS");
    int n = value ? std::atoi(value) : 0;
    return n > 0 ? n : 50;
}

std::string catalogue()
{
    std::string methods;
    for (int i = 0; i < ITEMS; ++i) {
        if (isRestartItem(i))
            continue;
        std::string n = std::to_string(i);
        methods += "<Data><Name>Put" + n + "</Name><Set type=\"Registry\"><Root>HKCU</Root>"
                   "<Key>Software\\PeltawinTest\\Killed</Key><Name>item" + n + "</Name><Type>REG_SZ</Type></Set></Data>\n";
    }
    return methods;
}

std::string items()
{
    std::string values;
    for (int i = 0; i < ITEMS; ++i) {
        std::string n = std::to_string(i);
        if (isRestartItem(i))
            values += "<Value Name=\"restart" + n + "\" Method=\"Reboot\">yes</Value>";
        else
            values += "<Value Name=\"item" + n + "\" Method=\"Put" + n + "\">v" + n + "</Value>";
    }
    return values;
}

bool applied(int i)
{
    ts::RegistryValue value = ts::readRegistryValue(HKEY_CURRENT_USER, APPLIED_KEY, L"item" + std::to_wstring(i));
    return value.found && value.text() == L"v" + std::to_wstring(i);
}

size_t countLines(const std::wstring& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), L'\n')); }

class KilledRuns : public ::testing::Test {
protected:
    ComApartment com;
    AppKit kit{L"SN-KILLED-0001"};
    std::wstring dataPath = kit.file(kit.machineFile());

    void SetUp() override
    {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, APPLIED_KEY);
        kit.writeMethods(catalogue());
        kit.write(kit.machineFile(), dataFile(items(), "<Serial>SN-KILLED-0001</Serial><Inventory/>"));
        kit.installShutdownStub(0);
    }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, APPLIED_KEY); }

    // The file as a fresh start would find it: it must load, and everything up to its
    // progress must be on the machine. Returns the progress (ITEMS when done).
    int checkDataFile(const char* when)
    {
        MachineDataFile data;
        bool loaded = false;
        {
            robust::QuietStdout quiet;
            loaded = data.Load(dataPath);
        }
        EXPECT_TRUE(loaded) << "the data file does not load " << when;
        if (!loaded)
            return -2;
        EXPECT_EQ(data.ItemCount(), static_cast<size_t>(ITEMS)) << when;
        EXPECT_LT(data.progress, ITEMS) << when;
        for (int i = 0; i <= data.progress && i < ITEMS; ++i) {
            if (!isRestartItem(i)) {
                EXPECT_TRUE(applied(i)) << "progress " << data.progress << " designates item " << i
                                        << ", which was not applied, " << when;
                if (!applied(i))
                    break;
            }
        }
        if (data.isDone) {
            EXPECT_EQ(data.progress, ITEMS - 1) << "done before the last item, " << when;
            return ITEMS;
        }
        return data.progress;
    }
};

TEST_F(KilledRuns, ProgressSurvivesKillsAtRandomMomentsUntilTheRunCompletes)
{
    robust::Mutator random(robust::mutationSeed() + 20);
    const int wantedKills = killCount();
    int kills = 0, starts = 0, restartsCalled = 0;
    std::set<int> progressSeen;
    DWORD begin = ::GetTickCount();
    // Kills fall anywhere from the start of the program to well past a pass of fifty
    // items: during start-up, the list, the items, the saves at the restart items.
    const DWORD killWindowMs = KILL_WINDOW_MS;

    for (int attempt = 0; attempt < wantedKills + 60; ++attempt) {
        ts::ChildProcess& app = kit.start();
        ++starts;
        DWORD start = ::GetTickCount();
        bool killing = kills < wantedKills;
        DWORD killAfter = killing ? static_cast<DWORD>(random.below(killWindowMs)) : 180000;
        bool pressed = false, finished = false, done = false;
        size_t shutdownsBefore = countLines(kit.shutdownCalls());
        while (::GetTickCount() - start < killAfter) {
            if (app.wait(0)) {
                finished = true;
                break;
            }
            if (HWND status = ts::findWindow(L"#32770", STATUS_TITLE, app.pid())) {
                // Done: the start shows "設定済みです" instead of the dialog.
                if (ts::dialogItemText(status, IDC_STATUS_MESSAGE) == L"設定済みです") {
                    done = true;
                    ts::pressButton(status, IDOK);
                    app.wait(10000);
                    break;
                }
            }
            HWND dialog = ts::findWindow(L"#32770", MAIN_TITLE, app.pid());
            if (dialog && !pressed && drv::isEnabled(dialog, IDC_RUN_BUTTON)) {
                ts::pressButton(dialog, IDC_RUN_BUTTON);
                pressed = true;
            }
            if (!killing && pressed) {
                // Let the run end by itself: at a restart item or with the completion box.
                if (HWND box = drv::findMessageBox(app.pid(), 0)) {
                    EXPECT_NE(drv::messageBoxText(box).find(L"完了しました"), std::wstring::npos)
                        << drv::messageBoxText(box);
                    drv::closeMessageBox(box);
                    // The file is saved after the box closes; the program waits for
                    // that save before it ends, so the dialog can be ended at once.
                    ts::pressButton(dialog, IDOK);
                    app.wait(15000);
                    break;
                }
                if (countLines(kit.shutdownCalls()) > shutdownsBefore) {
                    ++restartsCalled;
                    ts::pressButton(dialog, IDOK);
                    app.wait(15000);
                    break;
                }
            }
            ::Sleep(10);
        }
        if (killing && !finished && !done && !app.wait(0)) {
            app.kill();
            ++kills;
        }
        ASSERT_TRUE(app.wait(15000)) << "peltacfg did not end";
        int progress = checkDataFile(("after start " + std::to_string(starts)).c_str());
        if (HasFailure())
            return;
        progressSeen.insert(progress);
        // The completion box holds the run until it is answered, and only the finishing
        // starts answer it: the file cannot be done while kills are still to come.
        ASSERT_FALSE(done && kills < wantedKills);
        if (done)
            break;
    }
    DWORD seconds = (::GetTickCount() - begin) / 1000;
    EXPECT_GE(kills, wantedKills);
    EXPECT_EQ(checkDataFile("at the end"), ITEMS);
    for (int i = 0; i < ITEMS; ++i) {
        if (!isRestartItem(i)) {
            ASSERT_TRUE(applied(i)) << i;
        }
    }
    // Saves that a kill cut short leave their temporary file beside the data file; the
    // next save of that process and thread would reuse its name. They are litter, never
    // the data file itself.
    int leftovers = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(kit.file(L"data\\*.tmp").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            ++leftovers;
        while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    std::fprintf(stderr,
                 "killed runs: %d kills survived, %d starts, %zu saves at restart items, %d restarts in the "
                 "finishing starts, %zu distinct progress values seen, %d temporary files left, %lu s\n",
                 kills, starts, countLines(kit.shutdownCalls()), restartsCalled, progressSeen.size(), leftovers,
                 static_cast<unsigned long>(seconds));
}

} // namespace
