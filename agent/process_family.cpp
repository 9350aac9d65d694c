#include "process_family.h"

#include <tlhelp32.h>

#include "win32_handles.h"

namespace vorn {

namespace {
ULONGLONG startTimeOf(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!process || !::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return static_cast<ULONGLONG>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

} // namespace

std::vector<RunningProcess> runningProcesses()
{
    std::vector<RunningProcess> list;
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid())
        return list;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry))
        list.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    return list;
}

ULONGLONG processStartTime(DWORD processId)
{
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return startTimeOf(process.get());
}

void ProcessFamily::start(DWORD processId, HANDLE process)
{
    members = {{processId, startTimeOf(process)}};
}

bool ProcessFamily::contains(DWORD processId) const
{
    for (const Member& m : members) {
        if (m.id == processId)
            return true;
    }
    return false;
}

std::vector<DWORD> ProcessFamily::ids() const
{
    std::vector<DWORD> list;
    for (const Member& m : members)
        list.push_back(m.id);
    return list;
}

bool ProcessFamily::refresh()
{
    if (members.empty())
        return false;
    std::vector<RunningProcess> running = runningProcesses();
    bool added = true;
    while (added) {
        added = false;
        for (const RunningProcess& p : running) {
            if (contains(p.id))
                continue;
            ULONGLONG childStart = 0;
            bool isChild = false;
            for (const Member& parent : members) {
                if (p.parent != parent.id)
                    continue;
                // A child starts after its parent; an older process only reuses the parent's id.
                ULONGLONG started = processStartTime(p.id);
                if (started >= parent.createdAt) {
                    childStart = started;
                    isChild = true;
                    break;
                }
            }
            if (isChild) {
                members.push_back({p.id, childStart});
                added = true;
            }
        }
    }
    for (const RunningProcess& p : running) {
        for (const Member& m : members) {
            if (p.id == m.id && processStartTime(p.id) == m.createdAt)
                return true;
        }
    }
    return false;
}

} // namespace vorn
