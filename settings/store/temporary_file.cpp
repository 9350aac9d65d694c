#include "temporary_file.h"

#include <windows.h>

TemporaryFile::TemporaryFile(const wchar_t* prefix)
{
    wchar_t folder[MAX_PATH];
    wchar_t name[MAX_PATH];
    DWORD length = ::GetTempPathW(MAX_PATH, folder);
    if (length > 0 && length < MAX_PATH && ::GetTempFileNameW(folder, prefix, 0, name))
        path_ = name;
}

TemporaryFile::~TemporaryFile()
{
    if (!path_.empty())
        ::DeleteFileW(path_.c_str());
}

bool TemporaryFile::Rename(const std::wstring& newPath, int& error)
{
    // A file of the new name can only be a leftover of an earlier run.
    if (!::MoveFileExW(path_.c_str(), newPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DWORD code = ::GetLastError();
        error = code != 0 ? static_cast<int>(code) : ERROR_FILE_NOT_FOUND;
        return false;
    }
    path_ = newPath;
    return true;
}
