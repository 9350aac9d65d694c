// Whether a value read back from the PC is the value a Set definition wrote,
// by the rules that Set writes with: a REG_DWORD or REG_QWORD as the number
// the registry executor writes (so 4294967295 and -1 are the same REG_DWORD), an INI integer as the profile
// functions read it, a WMI bool or int by its meaning, anything else exactly.
#pragma once
#include <windows.h>
#include <msxml2.h>

#include <string>

// `set` is the Set definition, `get` the Get definition of the same method;
// `expected` is the item's value, `actual` the text the Get read.
bool IsWrittenValue(IXMLDOMNode* set, IXMLDOMNode* get, const std::wstring& expected, const std::wstring& actual);

