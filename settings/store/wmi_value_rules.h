// The text and value rules of the WMI connection: the query and object path
// it builds, and how values turn into text and back. Usable on their own.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "win32_owners.h"

namespace wmi {

// A BSTR with the exact characters of a wide string (embedded nulls kept).
Bstr MakeBstr(const std::wstring& text);

// Why a query or object path was refused: it would not fit its 1,024-character buffer.
constexpr HRESULT E_TEXT_TOO_LONG = HRESULT_FROM_WIN32(ERROR_BUFFER_OVERFLOW);

// "SELECT * FROM <class> where <condition>", or "SELECT * FROM <class> " without
// a condition; false when a step exceeds its 1,024-character buffer.
bool BuildQuery(const std::wstring& className, const std::wstring& condition, std::wstring& query);
// "<class>.<key>", or the class alone for an empty key; false when too long.
bool BuildObjectPath(const std::wstring& className, const std::wstring& objectKey, std::wstring& path);

// BSTR as it is, I4 in signed decimal, a BSTR array joined by "; ". Any other
// type (a null property included) is false with `text` unchanged.
bool ValueToText(const VARIANT& value, std::wstring& text);

// True for "true" or "1", ignoring letter case.
bool TextIsTrue(const std::wstring& text);
// The pieces between ";" separators, empty pieces dropped, nothing trimmed.
std::vector<std::wstring> SplitList(const std::wstring& text);

// Text to a WMI value by variant type (VT_BSTR, VT_I4, VT_BOOL, and VT_ARRAY|VT_BSTR
// for input parameters); false for any other type.
bool TextToValue(const std::wstring& text, VARTYPE type, Variant& value);

} // namespace wmi
