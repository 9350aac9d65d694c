#include "method_params.h"

#include "executor_context.h"
#include "method_status.h"
#include "method_text.h"
#include "xml_dom.h"

bool ParamValue(IXMLDOMNode* param, const ItemValueMap& values, std::wstring& value)
{
    std::wstring name;
    if (!xmldom::Attribute(param, L"name", name))
        return false;
    if (const std::wstring* given = values.Find(name))
        value = *given;
    else
        value = AnsiRoundTrip(xmldom::Text(param));
    return true;
}

bool SwitchRule(const ItemValueMap& values)
{
    return !values.empty() && xmldom::EqualsNoCase(FirstValue(values), L"yes");
}

int ForEachParam(IXMLDOMNodeList* params, const ItemValueMap& values, const ParamVisitor& take)
{
    long count = 0;
    if (!params || FAILED(params->get_length(&count)))
        return 0;
    for (long i = 0; i < count; ++i) {
        Microsoft::WRL::ComPtr<IXMLDOMNode> param;
        std::wstring name, value;
        if (FAILED(params->get_item(i, &param)) || !param || !xmldom::Attribute(param.Get(), L"name", name)
            || !ParamValue(param.Get(), values, value))
            return METHOD_NOT_RUN;
        if (int status = take(param.Get(), name, value); status != 0)
            return status;
    }
    return 0;
}

bool CollectParamValues(IXMLDOMNode* definition, const ItemValueMap& values, ParamList& params)
{
    params.clear();
    Microsoft::WRL::ComPtr<IXMLDOMNodeList> nodes = xmldom::SelectNodes(definition, L"InParam/Param");
    int status = ForEachParam(nodes.Get(), values, [&](IXMLDOMNode*, std::wstring& name, std::wstring& value) {
        params.emplace_back(std::move(name), std::move(value));
        return 0;
    });
    if (status != 0)
        params.clear();
    return status == 0;
}

void ReplaceLocationPlaceholders(std::wstring& text, const ExecutorContext& context)
{
    ReplaceAll(text, L"{EXEPATH}", context.exePath);
    ReplaceAll(text, L"{EXEDIR}", context.exeDir);
}

void ReplaceParamPlaceholders(std::wstring& text, const ParamList& params)
{
    for (const auto& [name, value] : params)
        ReplaceAll(text, L"{" + name + L"}", value);
}
