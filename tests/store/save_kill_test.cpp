#include <gtest/gtest.h>

#include <random>
#include <string>

#include "formatted_xml.h"
#include "kill_test_document.h"
#include "machine_data_file.h"
#include "raii.h"
#include "test_support.h"
#include "xml_dom.h"

namespace {

const int KILLS = 60;

// The bytes a save of generation `g` writes (each generation sets the same
// parts of the document, so one loaded base serves for all).
std::string expectedBytes(MachineDataFile& base, int g)
{
    std::string text;
    if (killtest::applyGeneration(base, g))
        FormatXml(base.Document(), text);
    return text;
}

bool waitForReady(ts::ChildProcess& child, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 2) {
        if (child.output().find("ready") != std::string::npos)
            return true;
        if (child.wait(0))
            return false;
        ::Sleep(2);
    }
    return false;
}

// Removes the temporary files that killed savers left behind and says
// whether there were any: a kill that landed in the middle of a save.
bool removeTemporaryFiles(const ts::TempDir& dir)
{
    bool found = false;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW(dir.file(L"*.tmp").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do {
        found = true;
        ::DeleteFileW(dir.file(fd.cFileName).c_str());
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return found;
}

// A process that saves the data file in a loop is killed at random moments;
// every time, the file must load and be exactly one generation's document,
// never older than the last one seen.
TEST(SaveKill, TheFileIsAlwaysAWholeDocument)
{
    ComApartment com;
    ts::TempDir dir(L"kill");
    std::wstring base = dir.file(L"base.xml");
    std::wstring target = dir.file(L"data.xml");
    ASSERT_TRUE(ts::writeFile(base, killtest::baseDocument()));
    MachineDataFile data;
    ASSERT_TRUE(data.Load(base));
    ASSERT_EQ(data.ItemCount(), static_cast<size_t>(killtest::ITEM_COUNT));
    ASSERT_TRUE(killtest::applyGeneration(data, 0));
    ASSERT_TRUE(data.Save(target));

    std::random_device seedSource;
    unsigned seed = seedSource();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(0, 60);
    SCOPED_TRACE("seed " + std::to_string(seed));

    int lastGeneration = 0;
    int kills = 0, killsMidSave = 0;
    for (int round = 0; round < KILLS; ++round) {
        ts::ChildProcess child;
        ASSERT_TRUE(child.start(ts::quote(ts::binPath(L"store_save_loop.exe")) + L" " + ts::quote(base) + L" "
                                + ts::quote(target) + L" " + std::to_wstring(lastGeneration + 1)));
        ASSERT_TRUE(waitForReady(child, 20000)) << child.output();
        ::Sleep(static_cast<DWORD>(delayMs(random)));
        child.kill(9);
        ASSERT_TRUE(child.wait(10000));
        ASSERT_NE(child.exitCode(), 4u) << "a save failed in the child";
        ++kills;

        MachineDataFile loaded;
        ASSERT_TRUE(loaded.Load(target)) << "round " << round;
        ASSERT_EQ(loaded.ItemCount(), static_cast<size_t>(killtest::ITEM_COUNT));
        const std::wstring* value = loaded.itemParams[0].Find(L"generation");
        ASSERT_NE(value, nullptr);
        int generation = _wtoi(value->c_str());
        // The child had finished its first save before it was killed.
        ASSERT_GT(generation, lastGeneration) << "round " << round;
        ASSERT_EQ(ts::readFile(target), expectedBytes(data, generation)) << "round " << round;
        killsMidSave += removeTemporaryFiles(dir) ? 1 : 0;
        lastGeneration = generation;
    }
    EXPECT_EQ(kills, KILLS);
    std::printf("%d kills, %d of them during a save, %d generations saved\n", kills, killsMidSave, lastGeneration);
}

} // namespace
