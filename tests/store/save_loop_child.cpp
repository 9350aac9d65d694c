// Loads a data file and saves it over and over, each time as the next
// generation, until it is killed. Prints "ready" once the first save is on
// disk. Argument: the file's path.
#include <windows.h>
#include <cstdio>
#include <string>

#include "kill_test_document.h"
#include "machine_data_file.h"
#include "win32_owners.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    ComApartment com;
    MachineDataFile data;
    if (!data.Load(argv[1]) || data.itemParams.empty() || !data.itemParams[0].Find(L"generation"))
        return 3;
    int generation = _wtoi(data.itemParams[0].Find(L"generation")->c_str()) + 1;
    // Stops by itself should the test that started it be gone.
    ULONGLONG deadline = ::GetTickCount64() + 60000;
    for (bool first = true; ::GetTickCount64() < deadline; ++generation, first = false) {
        if (!killtest::applyGeneration(data, generation) || !data.Save(argv[1]))
            return 4;
        if (first) {
            std::printf("ready\n");
            std::fflush(stdout);
        }
    }
    return 0;
}
