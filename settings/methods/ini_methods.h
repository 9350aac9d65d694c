// Catalogue executors of the type "Ini": one key of an INI file, through the
// profile functions. The folder in `Path` may name another method in braces
// whose single value takes its place.
#pragma once
#include <msxml2.h>
#include <string>

#include "method_result.h"

struct ExecutorContext;

// A string value is read into this many characters (the last holds the null).
constexpr int INI_VALUE_BUFFER = 4096;

// Status codes: 0 success, -1 a required element missing or nothing read,
// otherwise the Win32 error of a failed write.

// Reads `Path`, `File`, `Section`, `Key`, `Type` ("Int" reads a number).
int GetIniValue(const ExecutorContext& context, IXMLDOMNode* definition, MethodResult& result);
// Writes `value` to the key; the file is created when its folder exists.
int SetIniValue(const ExecutorContext& context, IXMLDOMNode* definition, const std::wstring& value);
