#include "program_lookup.h"

#include <algorithm>
#include <cstdlib>

#include "mbcs_text.h"
#include "process_family.h"
#include "window_search.h"

namespace vorn::find {

namespace {
bool allDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}
} // namespace

std::vector<ProgramProcess> runningPrograms()
{
    std::vector<ProgramProcess> list;
    for (const RunningProcess& p : runningProcesses())
        list.push_back({p.id, p.exeName});
    return list;
}

namespace {
// The owners of the top-level windows whose text is exactly the caption.
std::vector<DWORD> captionOwners(const std::string& caption)
{
    struct Collect {
        const std::string* caption;
        std::vector<DWORD> owners;
    } collect{&caption, {}};
    auto visit = [](HWND window, LPARAM param) -> BOOL {
        auto* c = reinterpret_cast<Collect*>(param);
        DWORD owner = 0;
        if (windowText(window) == *c->caption && ::GetWindowThreadProcessId(window, &owner))
            c->owners.push_back(owner);
        return TRUE;
    };
    ::EnumWindows(visit, reinterpret_cast<LPARAM>(&collect));
    return collect.owners;
}

void addUnique(std::vector<ProgramProcess>& found, const ProgramProcess& process)
{
    for (const ProgramProcess& p : found) {
        if (p.id == process.id)
            return;
    }
    found.push_back(process);
}
} // namespace

std::vector<ProgramProcess> findProgram(const std::string& program)
{
    std::vector<ProgramProcess> all = runningPrograms();
    std::vector<ProgramProcess> found;
    auto nameOf = [&](DWORD id) -> ProgramProcess {
        for (const ProgramProcess& p : all) {
            if (p.id == id)
                return p;
        }
        return {id, ""};
    };
    if (allDigits(program)) {
        DWORD id = static_cast<DWORD>(std::strtoul(program.c_str(), nullptr, 10));
        if (processExists(id))
            found.push_back(nameOf(id));
        return found;
    }
    for (const ProgramProcess& p : all) {
        if (equalsNoCase(p.exeName, program) || equalsNoCase(p.exeName, program + ".exe"))
            found.push_back(p);
    }
    if (found.empty()) {
        for (DWORD owner : captionOwners(program))
            addUnique(found, nameOf(owner));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    return found;
}

} // namespace vorn::find
