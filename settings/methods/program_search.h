// Where a command line's program comes from when it names no folder.
#pragma once
#include <string>

// For a command line whose program ("cmd", "shutdown.exe", the first word
// or the quoted first part) names no folder: its full path, looked up in the
// tool's own folder, then the system folders, then the absolute folders of
// PATH, and never in the current folder, which a user may be able to write
// to. `program` is left empty when the command line names a folder itself
// (the platform starts it as written). False when a bare name is found in
// none of those folders.
bool ResolveBareProgram(const std::wstring& commandLine, std::wstring& program);
