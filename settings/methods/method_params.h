// The parameters of a Set definition (`InParam/Param`) and the placeholders
// that command and script texts take them through.
#pragma once
#include <msxml2.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "item_values.h"

struct ExecutorContext;

// Parameter name -> value, in document order.
using ParamList = std::vector<std::pair<std::wstring, std::wstring>>;

// A Param's value: the item's value of the Param's name, else the Param's
// text passed through the ANSI code page. False when the Param has no `name`
// attribute (the definition is malformed; run nothing).
bool ParamValue(IXMLDOMNode* param, const ItemValueMap& values, std::wstring& value);
// Whether a definition without parameters is to run: only when the item's
// first value is "yes", ignoring letter case.
bool SwitchRule(const ItemValueMap& values);

// Receives a Param element with its name and its value by the catalogue's
// parameter rule (both may be moved from); answers 0 to go on, else a status.
using ParamVisitor = std::function<int(IXMLDOMNode* param, std::wstring& name, std::wstring& value)>;

// Visits each Param of the list in order; stops at the first non-zero status
// the visitor answers and returns it. METHOD_NOT_RUN for a Param without
// `name` (the definition is malformed); 0 for no list.
int ForEachParam(IXMLDOMNodeList* params, const ItemValueMap& values, const ParamVisitor& take);

// Each Param's value by the catalogue's parameter rule. False when a Param
// has no `name`: the definition is malformed and nothing of it may run.
bool CollectParamValues(IXMLDOMNode* definition, const ItemValueMap& values, ParamList& params);

// "{EXEPATH}" then "{EXEDIR}" replaced by the tool's location.
void ReplaceLocationPlaceholders(std::wstring& text, const ExecutorContext& context);
// "{name}" of each parameter replaced by its value, in order; text inserted
// for one parameter is subject to the later ones.
void ReplaceParamPlaceholders(std::wstring& text, const ParamList& params);
