// The parameters of a Set definition (`InParam/Param`) and the placeholders
// that command and script texts take them through.
#pragma once
#include <msxml2.h>
#include <string>
#include <utility>
#include <vector>

#include "item_values.h"

class MethodCatalog;

// Parameter name -> value, in document order.
using ParamList = std::vector<std::pair<std::wstring, std::wstring>>;

// Each Param's value by the catalogue's parameter rule. False when a Param
// has no `name`: the definition is malformed and nothing of it may run.
bool CollectParamValues(IXMLDOMNode* definition, const ItemValueMap& values, ParamList& params);

// "{EXEPATH}" then "{EXEDIR}" replaced by the tool's location.
void ReplaceLocationPlaceholders(std::wstring& text, const MethodCatalog& catalog);
// "{name}" of each parameter replaced by its value, in order; text inserted
// for one parameter is subject to the later ones.
void ReplaceParamPlaceholders(std::wstring& text, const ParamList& params);
