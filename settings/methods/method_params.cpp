#include "method_params.h"

#include "method_catalog.h"
#include "method_text.h"
#include "xml_dom.h"

bool CollectParamValues(IXMLDOMNode* definition, const ItemValueMap& values, ParamList& params)
{
    params.clear();
    Microsoft::WRL::ComPtr<IXMLDOMNodeList> nodes = xmldom::SelectNodes(definition, L"InParam/Param");
    long count = 0;
    if (!nodes || FAILED(nodes->get_length(&count)))
        return true;
    for (long i = 0; i < count; ++i) {
        Microsoft::WRL::ComPtr<IXMLDOMNode> param;
        std::wstring name, value;
        if (FAILED(nodes->get_item(i, &param)) || !param || !xmldom::Attribute(param.Get(), L"name", name)
            || !MethodCatalog::ParamValue(param.Get(), values, value)) {
            params.clear();
            return false;
        }
        params.emplace_back(std::move(name), std::move(value));
    }
    return true;
}

void ReplaceLocationPlaceholders(std::wstring& text, const MethodCatalog& catalog)
{
    ReplaceAll(text, L"{EXEPATH}", catalog.exePath);
    ReplaceAll(text, L"{EXEDIR}", catalog.exeDir);
}

void ReplaceParamPlaceholders(std::wstring& text, const ParamList& params)
{
    for (const auto& [name, value] : params)
        ReplaceAll(text, L"{" + name + L"}", value);
}
