// Replacing a file's whole content in one step, so that a crash or a power
// cut in the middle of a save leaves either the old file or the new one.
#pragma once
#include <windows.h>
#include <string>
#include <string_view>

// Replaces the file at `path` with `bytes`: writes a temporary file in the
// same folder, flushes it to disk and moves it over the target. On failure
// the target is untouched, the temporary file removed, and `error` holds
// the Win32 error.
bool ReplaceFileContents(const std::wstring& path, std::string_view bytes, DWORD& error);
