// Every `type` a Get or Set definition may have, in one table each: the
// executor it runs and the children it cannot do without. The catalogue
// dispatches through these tables and the kit checker holds definitions to
// them, so a new type is one entry here and nothing else needs to learn it.
#pragma once
#include <msxml2.h>

#include <span>
#include <string>
#include <vector>

#include "executor_context.h"
#include "item_values.h"
#include "method_result.h"
#include "method_status.h"

struct GetDefinitionType {
    const wchar_t* type; // compared ignoring letter case
    // True when a value was read. `status` takes the executor's status code;
    // a type that runs nothing leaves it as it was.
    bool (*run)(const ExecutorContext& context, IXMLDOMNode* definition, MethodResult& result, int& status);
    std::vector<const wchar_t*> required;
};

struct SetDefinitionType {
    const wchar_t* type; // compared ignoring letter case
    MethodOutcome (*run)(const ExecutorContext& context, IXMLDOMNode* definition, const ItemValueMap& values);
    std::vector<const wchar_t*> required;
};

std::span<const GetDefinitionType> GetDefinitionTypes();
std::span<const SetDefinitionType> SetDefinitionTypes();
// The entry of a type text, letter case ignored; null for a type without executor.
const GetDefinitionType* FindGetDefinitionType(const std::wstring& type);
const SetDefinitionType* FindSetDefinitionType(const std::wstring& type);
