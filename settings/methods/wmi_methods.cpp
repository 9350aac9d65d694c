#include "wmi_methods.h"

#include <windows.h>

// Placeholders until the WMI executors land: they fail as values.
int GetWmiValue(MethodCatalog&, IXMLDOMNode*, MethodResult&) { return E_NOTIMPL; }
int SetWmiValue(MethodCatalog&, IXMLDOMNode*, const std::wstring&) { return E_NOTIMPL; }
int ExecuteWmiMethod(MethodCatalog&, IXMLDOMNode*, const ItemValueMap&) { return E_NOTIMPL; }
