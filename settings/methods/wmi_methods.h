// Catalogue executors of the types "WMI" (Get and Set) and "WMIExecute".
#pragma once
#include <msxml2.h>
#include <string>

#include "item_values.h"
#include "method_result.h"

class MethodCatalog;

// Each returns the executor status code: 0 success, -1 a required element
// missing, otherwise the connection's HRESULT or WMI status.
int GetWmiValue(MethodCatalog& catalog, IXMLDOMNode* definition, MethodResult& result);
int SetWmiValue(MethodCatalog& catalog, IXMLDOMNode* definition, const std::wstring& value);
int ExecuteWmiMethod(MethodCatalog& catalog, IXMLDOMNode* definition, const ItemValueMap& values);
