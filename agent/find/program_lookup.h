// Which processes a PROGRAM argument names: a process id, an executable name as the task
// list shows it, or the exact text of a top-level window.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace vorn::find {

struct ProgramProcess {
    DWORD id = 0;
    std::string exeName; // empty when the process is not in the process list
};

// Every process in the system's process list.
std::vector<ProgramProcess> runningPrograms();

// The processes in ascending id order; empty when the argument names none.
std::vector<ProgramProcess> findProgram(const std::string& program);

} // namespace vorn::find
