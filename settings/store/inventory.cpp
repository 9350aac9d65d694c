#include "inventory.h"

#include "formatted_xml.h"
#include "win32_owners.h"
#include "xml_dom.h"

#include <string>

using Microsoft::WRL::ComPtr;

namespace {

bool AppendText(IXMLDOMDocument* document, IXMLDOMNode* parent, const std::wstring& text)
{
    Bstr data(text.c_str(), static_cast<UINT>(text.size()));
    ComPtr<IXMLDOMText> node;
    if (document->createTextNode(data.get(), &node) != S_OK || !node)
        return false;
    ComPtr<IXMLDOMNode> appended;
    return parent->appendChild(node.Get(), &appended) == S_OK;
}

bool AppendTable(IXMLDOMDocument* document, IXMLDOMNode* entry, const MethodResult& result)
{
    for (const auto& row : result.rows) {
        ComPtr<IXMLDOMNode> item = AppendElement(document, entry, L"Item");
        if (!item)
            return false;
        for (size_t column = 0; column < row.size(); ++column) {
            if (column >= result.names.size())
                return false;
            ComPtr<IXMLDOMNode> cell = AppendElement(document, item.Get(), result.names[column]);
            if (!cell || !AppendText(document, cell.Get(), row[column]))
                return false;
        }
    }
    return true;
}

} // namespace

bool AddInventoryEntry(IXMLDOMDocument* document, bool hasSerial, const MethodResult& result)
{
    if (!hasSerial || !document)
        return false;
    ComPtr<IXMLDOMNode> data = xmldom::SelectNode(document, L"/Data");
    if (!data)
        return false;
    ComPtr<IXMLDOMNode> inventory = xmldom::SelectNode(data.Get(), L"Inventory");
    if (!inventory)
        inventory = AppendElement(document, data.Get(), L"Inventory");
    if (!inventory)
        return false;
    ComPtr<IXMLDOMNode> entry = AppendElement(document, inventory.Get(), result.name);
    if (!entry)
        return false;
    switch (result.kind) {
    case MethodResult::SINGLE:
        return AppendText(document, entry.Get(), result.value);
    case MethodResult::TABLE:
        return AppendTable(document, entry.Get(), result);
    default:
        return true;
    }
}
