// Whether a value read back from the PC is the value a Set definition wrote,
// by the rules that Set writes with: a REG_DWORD as a 32-bit number (so
// 4294967295 and -1 are the same value), an INI integer as the profile
// functions read it, a WMI bool or int by its meaning, anything else exactly.
#pragma once
#include <windows.h>
#include <msxml2.h>

#include <string>

// `set` is the Set definition, `get` the Get definition of the same method;
// `expected` is the item's value, `actual` the text the Get read.
bool IsWrittenValue(IXMLDOMNode* set, IXMLDOMNode* get, const std::wstring& expected, const std::wstring& actual);

// A decimal text (optional sign) as the 32 bits a REG_DWORD holds; false for
// anything else or a number outside -2147483648..4294967295.
bool DwordOfText(const std::wstring& text, unsigned long& value);
