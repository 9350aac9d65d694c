#include "file_replace.h"

#include <algorithm>

#include "win32_owners.h"

bool ReplaceFileContents(const std::wstring& path, std::string_view bytes, DWORD& error)
{
    error = ERROR_SUCCESS;
    // Unique per thread, so two savers never write into each other's file;
    // a file left by a crash is overwritten by the next save of that name.
    std::wstring temp = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-"
                      + std::to_wstring(::GetCurrentThreadId()) + L".tmp";
    {
        UniqueHandle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            error = ::GetLastError();
            return false;
        }
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
                error = ::GetLastError();
                if (error == ERROR_SUCCESS)
                    error = ERROR_WRITE_FAULT;
                break;
            }
            done += written;
        }
        if (error == ERROR_SUCCESS && !::FlushFileBuffers(file.get()))
            error = ::GetLastError();
    }
    if (error == ERROR_SUCCESS
        && !::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = ::GetLastError();
    if (error != ERROR_SUCCESS) {
        ::DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}
