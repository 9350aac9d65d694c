// Catalogue executors of the type "Registry": one value under HKCR, HKCU or
// HKLM, in the 32-bit view when the key path goes through Wow6432Node.
#pragma once
#include <msxml2.h>
#include <string>

#include "method_result.h"

// Status codes: 0 success, -1 a required element missing, -2 a value type
// other than REG_SZ, REG_DWORD and REG_QWORD, 534 (arithmetic overflow) a
// number that does not fit its type, otherwise the registry function's error.

// Reads `Root`, `Key`, `Name`; on success the result holds the value (kind 1);
// a REG_DWORD or REG_QWORD reads as a signed decimal.
int GetRegistryValue(IXMLDOMNode* definition, MethodResult& result);
// Writes `value` as the `Type` named (REG_SZ, REG_DWORD or REG_QWORD, the
// numbers as RegistryNumberOf reads them), creating the key when needed.
int SetRegistryValue(IXMLDOMNode* definition, const std::wstring& value);

// The bits a REG_DWORD (or, with `isQword`, REG_QWORD) item stores for
// `text`, read as _wtoi reads it (leading blanks and a sign, digits up to the
// first other character, none giving 0) but over the whole range
// administrators write: -2^31 (-2^63) up to 2^32 - 1 (2^64 - 1), the way
// regedit shows 0xFFFFFFFF as 4294967295. False when the number lies
// outside it: the item then fails and nothing is written.
bool RegistryNumberOf(const std::wstring& text, bool isQword, unsigned long long& stored);
