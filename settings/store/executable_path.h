// Where the running program lies; the kit's files are found from here.
#pragma once
#include <string>

// The running executable's full path, read once per process (however long it
// is); empty when it cannot be read.
const std::wstring& ExecutablePath();

// The path up to, not including, its last backslash; empty when it has none.
std::wstring FolderOf(const std::wstring& path);
