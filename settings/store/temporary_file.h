// A file in the system's temporary folder that is deleted, under whatever
// name it has by then, when its owner ends.
#pragma once
#include <string>

class TemporaryFile {
public:
    // Creates a new empty file named by the system, beginning with `prefix`
    // (up to three characters); path() is empty when none could be made.
    explicit TemporaryFile(const wchar_t* prefix);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& path() const { return path_; }
    // Renames the file, replacing a file of that name; false with the Win32
    // error when that fails.
    bool Rename(const std::wstring& newPath, int& error);

private:
    std::wstring path_;
};
