// The program that a run started and the programs that it started in turn: the run drives
// their windows before any other program's.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace vorn {

class ProcessFamily {
public:
    // Records the started process (its handle is only read, not kept).
    void start(DWORD processId, HANDLE process);
    bool empty() const { return members.empty(); }
    // Adds the processes that members started since the last look. True while a member
    // still runs.
    bool refresh();
    bool contains(DWORD processId) const;
    std::vector<DWORD> ids() const;

private:
    struct Member {
        DWORD id;
        ULONGLONG createdAt; // a reused process id has a later start
    };
    std::vector<Member> members;
};

// One entry of the system's process list.
struct RunningProcess {
    DWORD id;
    DWORD parent;
    std::string exeName; // file name only, in the ANSI code page
};

// Every process running now; empty when the list cannot be read.
std::vector<RunningProcess> runningProcesses();

// The process's start time (100 ns units); 0 when it cannot be read.
ULONGLONG processStartTime(DWORD processId);

} // namespace vorn
