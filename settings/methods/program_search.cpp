#include "program_search.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace {

// The program part of a command line, as process creation reads it.
std::wstring ProgramOf(const std::wstring& commandLine)
{
    size_t start = commandLine.find_first_not_of(L" \t");
    if (start == std::wstring::npos)
        return std::wstring();
    if (commandLine[start] == L'"') {
        size_t close = commandLine.find(L'"', start + 1);
        return commandLine.substr(start + 1, close == std::wstring::npos ? std::wstring::npos : close - start - 1);
    }
    size_t end = commandLine.find_first_of(L" \t", start);
    return commandLine.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::wstring ModuleFolder()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::wstring();
        if (n < path.size()) {
            std::wstring full(path.data(), n);
            size_t slash = full.find_last_of(L'\\');
            return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash);
        }
        path.resize(path.size() * 2);
    }
}

std::wstring SystemFolder(UINT (WINAPI* query)(LPWSTR, UINT))
{
    wchar_t folder[MAX_PATH];
    UINT n = query(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

// The folders searched, in order. Relative entries of PATH (".", or an
// empty one) would mean the current folder again and are left out.
std::vector<std::wstring> SearchFolders()
{
    std::vector<std::wstring> folders = {ModuleFolder(), SystemFolder(::GetSystemDirectoryW),
                                         SystemFolder(::GetWindowsDirectoryW)};
    DWORD size = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring path(size, L'\0');
    if (size > 0 && ::GetEnvironmentVariableW(L"PATH", path.data(), size) == size - 1) {
        path.resize(size - 1);
        size_t from = 0;
        while (from <= path.size()) {
            size_t semi = path.find(L';', from);
            std::wstring entry = path.substr(from, semi == std::wstring::npos ? std::wstring::npos : semi - from);
            if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"')
                entry = entry.substr(1, entry.size() - 2);
            if (!entry.empty() && !::PathIsRelativeW(entry.c_str()))
                folders.push_back(entry);
            if (semi == std::wstring::npos)
                break;
            from = semi + 1;
        }
    }
    return folders;
}

} // namespace

bool ResolveBareProgram(const std::wstring& commandLine, std::wstring& program)
{
    program.clear();
    std::wstring name = ProgramOf(commandLine);
    if (name.empty() || name.find_first_of(L"\\/:") != std::wstring::npos)
        return true;
    for (const std::wstring& folder : SearchFolders()) {
        if (folder.empty())
            continue;
        wchar_t found[MAX_PATH];
        DWORD n = ::SearchPathW(folder.c_str(), name.c_str(), L".exe", MAX_PATH, found, nullptr);
        if (n > 0 && n < MAX_PATH && !::PathIsDirectoryW(found)) {
            program.assign(found, n);
            return true;
        }
    }
    return false;
}
