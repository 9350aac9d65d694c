#include <gtest/gtest.h>
#include <windows.h>

#include "test_support.h"

// Every Japanese text test depends on this; a broken locale set-up must fail loudly.
TEST(Platform, AnsiCodePageIs932)
{
    EXPECT_EQ(::GetACP(), 932u) << "run the tests with LC_ALL=ja_JP.UTF-8 (scripts/test.sh does)";
}

TEST(Platform, ProgramsAreBuiltBesideTheTests)
{
    EXPECT_TRUE(ts::fileExists(ts::binPath(L"vornrun.exe")));
    EXPECT_TRUE(ts::fileExists(ts::binPath(L"peltacfg.exe")));
}
