// Mutation loop over vornrun's script loading and command parsing: damaged copies of a
// valid script are loaded and interpreted with no target program. Commands that only
// wait (searches for a program, sleeps, key presses, text retries) are left out so that
// thousands of inputs run in seconds; everything else is parsed and carried out.
#include <gtest/gtest.h>

#include <windows.h>
#include <cstdio>

#include "agent_settings.h"
#include "mbcs_text.h"
#include "mutator.h"
#include "script_file.h"
#include "script_interpreter.h"
#include "test_support.h"

namespace {

const char* const SCRIPT_SEED =
    "none.exe /x\r\n"
    "; a comment\r\n"
    "Target:VornTarget,Vorn Target\r\n"
    "Window:Edit,,2\r\n"
    "TargetWindow:A,B,C,D,1\r\n"
    "MOUSERANDOM:1\r\n"
    "SetTimeout:400\r\n"
    "WaitPixel:10,20,ff0000-00ff00\r\n"
    "Assert:1,2,0x00FF00\r\n"
    "COMBOBOXSELECT:{name}\r\n"
    "COMBOBOXFIND:\x83\x5c\x83\x74\x83\x67\r\n" // ソフト in code page 932, trail bytes 0x5c
    "Click:100,50\r\n"
    "SS:\r\n"
    "unknown:1,2,3\r\n"
    "no colon\r\n";

// Commands that can only wait for a program that is not there, or sleep as long as the
// (damaged) number says.
bool waitsOnly(const std::string& line)
{
    size_t colon = vorn::findChar(line, ':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string keyword = line.substr(0, colon);
    for (const char* name : {"Process", "Sleep", "FOCUS", "TAB", "ENTER", "SPACE", "SELECT", "Text", "Paste"})
        if (vorn::equalsNoCase(keyword, name))
            return true;
    return false;
}

TEST(Mutations, ScriptsLoadAndRunToAResultCode)
{
    ts::TempDir dir(L"mutscript");
    std::string path = ts::wideToCp932(dir.file(L"script.txt"));
    vorn::AgentSettings settings;
    settings.commandInterval = 0;
    settings.searchTimeout = 1;
    settings.agentDirectory = ts::wideToCp932(dir.path()); // no appleid folder: screenshots write nothing

    robust::Mutator mutator(robust::mutationSeed() + 10);
    int total = robust::mutationCount(), ran = 0, failed = 0;
    for (int n = 0; n < total; ++n) {
        std::string bytes = mutator.mutate(SCRIPT_SEED);
        ASSERT_TRUE(ts::writeFile(dir.file(L"script.txt"), bytes));
        vorn::ScriptFile script;
        ASSERT_TRUE(vorn::loadScript(path, script)) << "input " << n;
        std::vector<std::string> commands;
        for (const std::string& line : script.commands) {
            ASSERT_TRUE(vorn::isCommandLine(line)) << "input " << n;
            ASSERT_EQ(line.find('\n'), std::string::npos) << "input " << n;
            if (!waitsOnly(line))
                commands.push_back(line);
        }
        // One run per line: with no program, most commands fail, and a run ends at its
        // first failure; each line on its own is parsed and carried out.
        std::vector<int> results;
        {
            robust::QuietStdout quiet;
            for (const std::string& line : commands) {
                vorn::ScriptRunner runner(settings);
                runner.runCommands({line});
                results.push_back(runner.resultCode);
            }
        }
        for (size_t i = 0; i < results.size(); ++i) {
            ASSERT_TRUE(results[i] == 0 || results[i] == vorn::RESULT_PROCESS_LOST ||
                        results[i] == vorn::RESULT_STEP_FAILED)
                << results[i] << ", input " << n << ": " << commands[i];
            ++ran;
            failed += results[i] != 0;
        }
    }
    std::fprintf(stderr, "script inputs: %d, command lines run: %d, ended with a failure code: %d\n", total, ran, failed);
}

TEST(Mutations, FieldReadersTakeAnyBytes)
{
    robust::Mutator mutator(robust::mutationSeed() + 11);
    const std::string seeds[] = {"12,-34,0x7fffffff-ffffffff", "\x83\x5c:\x83\x2c,\x81", "{a}b{", ",,,,::::"};
    for (int n = 0; n < 20000; ++n) {
        std::string field = mutator.mutate(seeds[n % 4]);
        size_t at = 0;
        while ((at = vorn::findChar(field, ',', at)) != std::string::npos) {
            ASSERT_LT(at, field.size());
            ++at;
        }
        vorn::readNumber(field);
        vorn::readColour(field);
        vorn::containsText(field, field.substr(0, field.size() / 2));
        vorn::equalsNoCase(field, "WaitPixel");
    }
}

} // namespace
