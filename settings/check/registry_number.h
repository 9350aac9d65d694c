// The number that peltacfg writes for an item of a REG_DWORD or REG_QWORD
// registry Set: the value in decimal, an optional sign, nothing else. A
// REG_DWORD takes -2147483648 to 4294967295, a REG_QWORD
// -9223372036854775808 to 18446744073709551615 (a negative number is
// stored as its two's complement, as regedit shows it). A value that is not
// such a number, or does not fit, fails the item and writes nothing.
#pragma once
#include <string>

// The stored bits of `text`; false when the item fails.
bool RegistryNumber(const std::wstring& text, bool isQword, unsigned long long& stored);

// The range a type takes, as the messages show it.
std::wstring RegistryNumberRange(bool isQword);
