// Catalogue executors of the type "Registry": one value under HKCR, HKCU or
// HKLM, in the 32-bit view when the key path goes through Wow6432Node.
#pragma once
#include <msxml2.h>
#include <string>

#include "method_result.h"

// Status codes: 0 success, -1 a required element missing, -2 a value type
// other than REG_SZ and REG_DWORD, otherwise the registry function's error.

// Reads `Root`, `Key`, `Name`; on success the result holds the value (kind 1);
// a REG_DWORD reads as a signed decimal.
int GetRegistryValue(IXMLDOMNode* definition, MethodResult& result);
// Writes `value` as the `Type` named (REG_SZ, or REG_DWORD through _wtoi),
// creating the key when needed.
int SetRegistryValue(IXMLDOMNode* definition, const std::wstring& value);
