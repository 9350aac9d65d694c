#include "executable_path.h"

#include <windows.h>

namespace {

std::wstring ReadExecutablePath()
{
    // Read in full even past MAX_PATH, so that a folder too deep can be
    // reported rather than cut short.
    std::wstring path(32768, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size())
        return {};
    path.resize(n);
    return path;
}

} // namespace

const std::wstring& ExecutablePath()
{
    static const std::wstring path = ReadExecutablePath();
    return path;
}

std::wstring FolderOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L'\\');
    return path.substr(0, slash == std::wstring::npos ? 0 : slash);
}
