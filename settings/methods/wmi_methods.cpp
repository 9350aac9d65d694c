#include "wmi_methods.h"

#include <vector>

#include "executor_context.h"
#include "method_reference.h"
#include "method_params.h"
#include "method_status.h"
#include "method_wmi.h"
#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

namespace {

// The texts of the named child elements; false when any of them is missing.
bool RequiredTexts(IXMLDOMNode* definition, std::initializer_list<std::pair<const wchar_t*, std::wstring*>> children)
{
    bool all = true;
    for (const auto& [name, text] : children)
        if (!xmldom::ChildText(definition, name, *text))
            all = false;
    return all;
}

// The texts of the Property children of the first Properties element, in order.
std::vector<std::wstring> PropertyNames(IXMLDOMNode* definition)
{
    std::vector<std::wstring> names;
    ComPtr<IXMLDOMNode> properties = xmldom::SelectNode(definition, L"Properties");
    ComPtr<IXMLDOMNodeList> list = xmldom::SelectNodes(properties.Get(), L"Property");
    if (!list)
        return names;
    ComPtr<IXMLDOMNode> node;
    while (list->nextNode(node.ReleaseAndGetAddressOf()) == S_OK && node)
        names.push_back(xmldom::Text(node.Get()));
    return names;
}

// One inparam per Param element of the first InParam, in document order.
int CollectParams(IXMLDOMNode* definition, const ItemValueMap& values, std::vector<inparam>& params)
{
    ComPtr<IXMLDOMNode> inParam = xmldom::SelectNode(definition, L"InParam");
    ComPtr<IXMLDOMNodeList> list = xmldom::SelectNodes(inParam.Get(), L"Param");
    return ForEachParam(list.Get(), values, [&](IXMLDOMNode* node, std::wstring& name, std::wstring& value) {
        inparam param;
        std::wstring typeText;
        if (!xmldom::Attribute(node, L"type", typeText))
            return METHOD_NOT_RUN;
        xmldom::Attribute(node, L"code", param.code); // optional: empty when absent
        param.type = WmiValueType(typeText, true);
        if (param.type == VT_EMPTY)
            return WMI_UNKNOWN_VALUE_TYPE;
        param.name = std::move(name);
        param.value = std::move(value);
        params.push_back(std::move(param));
        return 0;
    });
}

} // namespace

VARTYPE WmiValueType(const std::wstring& typeText, bool allowArray)
{
    if (xmldom::EqualsNoCase(typeText, L"string"))
        return VT_BSTR;
    if (xmldom::EqualsNoCase(typeText, L"bool"))
        return VT_BOOL;
    if (xmldom::EqualsNoCase(typeText, L"int"))
        return VT_I4;
    if (allowArray && xmldom::EqualsNoCase(typeText, L"stringarray"))
        return VT_ARRAY | VT_BSTR;
    return VT_EMPTY;
}

int GetWmiValue(const ExecutorContext& context, IXMLDOMNode* definition, MethodResult& result)
{
    std::wstring listText;
    const bool table = xmldom::Attribute(definition, L"list", listText) && xmldom::EqualsNoCase(listText, L"true");

    std::wstring nameSpace, className, condition, property;
    if (!RequiredTexts(definition, {{L"Namespace", &nameSpace}, {L"Class", &className}, {L"Where", &condition}}))
        return METHOD_NOT_RUN;
    const bool single = xmldom::ChildText(definition, L"Property", property);

    // The condition of a read is used as written: it may contain braces of its own.
    MethodWMI* connection = context.connection(nameSpace);
    if (single) {
        result.kind = MethodResult::SINGLE;
        connection->QueryValue(className, condition, property, result.value);
    } else {
        std::vector<std::wstring> names = PropertyNames(definition);
        result.names.insert(result.names.end(), names.begin(), names.end());
        if (table) {
            result.kind = MethodResult::TABLE;
            connection->QueryTable(className, condition, names, result.rows);
        } else {
            result.kind = MethodResult::LIST;
            connection->QueryList(className, condition, names, result.values);
        }
    }
    return connection->lastError;
}

int SetWmiValue(const ExecutorContext& context, IXMLDOMNode* definition, const std::wstring& value)
{
    std::wstring nameSpace, className, condition, property, typeText;
    if (!RequiredTexts(definition, {{L"Namespace", &nameSpace}, {L"Class", &className}, {L"Where", &condition},
                                    {L"Property", &property}}))
        return METHOD_NOT_RUN;
    ComPtr<IXMLDOMNode> valueElement = xmldom::SelectNode(definition, L"Value");
    if (!valueElement || !xmldom::Attribute(valueElement.Get(), L"type", typeText))
        return METHOD_NOT_RUN;
    const VARTYPE type = WmiValueType(typeText, false);
    if (type == VT_EMPTY)
        return WMI_UNKNOWN_VALUE_TYPE;

    MethodWMI* connection = context.connection(nameSpace);
    // The condition may name the instance by another method's value, e.g. {DriveKey}.
    connection->SetProperty(className, ResolveReference(context, condition), property, value, type);
    return connection->lastError;
}

int ExecuteWmiMethod(const ExecutorContext& context, IXMLDOMNode* definition, const ItemValueMap& values)
{
    std::wstring nameSpace, className, objectKey, methodName;
    if (!RequiredTexts(definition, {{L"Namespace", &nameSpace}, {L"Class", &className}, {L"Object", &objectKey},
                                    {L"Method", &methodName}}))
        return METHOD_NOT_RUN;

    std::vector<inparam> params;
    if (!xmldom::SelectNode(definition, L"InParam/Param")) {
        if (!SwitchRule(values))
            return 0; // switched off: nothing to run
    } else if (int code = CollectParams(definition, values, params); code != 0) {
        return code;
    }

    MethodWMI* connection = context.connection(nameSpace);
    connection->ExecMethod(className, ResolveReference(context, objectKey), methodName, params);
    return connection->lastError;
}
