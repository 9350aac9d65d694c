// BIOS serial numbers that makers leave in place of a real one. Many PCs share
// them, so none of them can name a PC's data file.
#pragma once
#include <string>

// True when `serial`, ignoring letter case and surrounding blanks, is empty or
// one of the known placeholders (PLACEHOLDER_SERIALS).
bool IsPlaceholderSerial(const std::wstring& serial);

// The placeholders, in the order the documentation lists them; null-terminated.
extern const wchar_t* const PLACEHOLDER_SERIALS[];
