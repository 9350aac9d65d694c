// The number that peltacfg writes for an item of a REG_DWORD or REG_QWORD
// registry Set, as the registry executor itself reads it (a negative number
// is stored as its two's complement, as regedit shows it).
#pragma once
#include <string>

// The stored bits of `text`; false when the item fails and writes nothing.
bool RegistryNumber(const std::wstring& text, bool isQword, unsigned long long& stored);

// True when `text` is a plain decimal number: an optional sign and digits.
bool IsPlainDecimal(const std::wstring& text);

// The range a type takes, as the messages show it.
std::wstring RegistryNumberRange(bool isQword);
