#include <gtest/gtest.h>

#include <random>
#include <string>

#include "formatted_xml.h"
#include "kill_test_document.h"
#include "machine_data_file.h"
#include "win32_owners.h"
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
    auto ready = [&] { return child.output().find("ready") != std::string::npos; };
    ts::waitUntil([&] { return ready() || child.wait(0); }, timeoutMs, 2);
    return ready();
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

// What the kill left at the path, checked: it loads, holds all items and is
// byte for byte the document of one generation later than `lastGeneration`.
// Returns that generation, or -1 after a failed check.
int checkLeftFile(const ts::TempDir& dir, const std::string& bytes, MachineDataFile& expected, int lastGeneration)
{
    std::wstring copy = dir.file(L"left.xml");
    EXPECT_TRUE(ts::writeFile(copy, bytes));
    MachineDataFile loaded;
    if (!loaded.Load(copy) || loaded.ItemCount() != static_cast<size_t>(killtest::ITEM_COUNT)) {
        ADD_FAILURE() << "the file does not load as a whole data file";
        return -1;
    }
    const std::wstring* value = loaded.itemParams[0].Find(L"generation");
    int generation = value ? _wtoi(value->c_str()) : -1;
    // The child had finished its first save before it was killed.
    EXPECT_GT(generation, lastGeneration);
    EXPECT_EQ(bytes, expectedBytes(expected, generation)) << "generation " << generation;
    return ::testing::Test::HasFailure() ? -1 : generation;
}

// A process that saves the data file in a loop is killed at random moments;
// every time, the file at the path must load and be exactly one generation's
// document, newer than the one before. The check of one kill's file runs
// while the next child starts up.
TEST(SaveKill, TheFileIsAlwaysAWholeDocument)
{
    ComApartment com;
    ts::TempDir dir(L"kill");
    std::wstring target = dir.file(L"data.xml");
    ASSERT_TRUE(ts::writeFile(target, killtest::baseDocument()));
    MachineDataFile expected;
    ASSERT_TRUE(expected.Load(target));
    ASSERT_EQ(expected.ItemCount(), static_cast<size_t>(killtest::ITEM_COUNT));
    ASSERT_TRUE(killtest::applyGeneration(expected, 0));
    ASSERT_TRUE(expected.Save(target));

    std::random_device seedSource;
    unsigned seed = seedSource();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(0, 60);
    SCOPED_TRACE("seed " + std::to_string(seed));

    int lastGeneration = 0;
    int kills = 0, killsMidSave = 0;
    std::string left;
    for (int round = 0; round <= KILLS; ++round) {
        ts::ChildProcess child;
        if (round < KILLS) {
            ASSERT_TRUE(child.start(ts::quote(ts::binPath(L"store_save_loop.exe")) + L" " + ts::quote(target)))
                << child.startFailure();
        }
        if (round > 0) {
            lastGeneration = checkLeftFile(dir, left, expected, lastGeneration);
            ASSERT_GE(lastGeneration, 0) << "kill " << round;
        }
        if (round == KILLS)
            break;
        ASSERT_TRUE(waitForReady(child, 20000)) << child.output();
        ::Sleep(static_cast<DWORD>(delayMs(random)));
        child.kill(9);
        ASSERT_TRUE(child.wait(10000));
        ASSERT_NE(child.exitCode(), 4u) << "a save failed in the child";
        ++kills;
        left = ts::readFile(target);
        killsMidSave += removeTemporaryFiles(dir) ? 1 : 0;
    }
    EXPECT_EQ(kills, KILLS);
    std::printf("%d kills, %d of them during a save, %d generations saved\n", kills, killsMidSave, lastGeneration);
}

} // namespace
