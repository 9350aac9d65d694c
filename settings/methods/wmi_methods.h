// Catalogue executors of the types "WMI" (Get and Set) and "WMIExecute".
#pragma once
#include <windows.h>
#include <msxml2.h>
#include <wbemidl.h>
#include <string>

#include "item_values.h"
#include "method_result.h"
#include "method_status.h"

struct ExecutorContext;

// A Value or Param names a type other than string, stringarray (Param only),
// bool or int: nothing is written rather than an undefined value.
constexpr int WMI_UNKNOWN_VALUE_TYPE = static_cast<int>(WBEM_E_TYPE_MISMATCH);

// Each returns the executor status code: 0 success, METHOD_NOT_RUN (an element
// these executors require is missing, or a Value or Param lacks an attribute),
// WMI_UNKNOWN_VALUE_TYPE, otherwise the connection's HRESULT, WMI status or
// the called method's non-zero return value.
int GetWmiValue(const ExecutorContext& context, IXMLDOMNode* definition, MethodResult& result);
int SetWmiValue(const ExecutorContext& context, IXMLDOMNode* definition, const std::wstring& value);
int ExecuteWmiMethod(const ExecutorContext& context, IXMLDOMNode* definition, const ItemValueMap& values);

// The variant type a catalogue type text names, ignoring letter case: "string" 8,
// "bool" 11, "int" 3, and with arrays allowed "stringarray" 8200; VT_EMPTY otherwise.
VARTYPE WmiValueType(const std::wstring& typeText, bool allowArray);
