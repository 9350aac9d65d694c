#include "inventory.h"

#include "formatted_xml.h"
#include "raii.h"
#include "xml_dom.h"

#include <string>

using Microsoft::WRL::ComPtr;

namespace {

// A new element appended as the last child of `parent`. The name is checked
// here as well as by the DOM: a name the writer could not put out would
// otherwise make the next save fail.
ComPtr<IXMLDOMNode> AppendElement(IXMLDOMDocument* document, IXMLDOMNode* parent, const std::wstring& name)
{
    ComPtr<IXMLDOMNode> appended;
    if (!IsXmlName(name))
        return appended;
    Bstr tag(name.c_str(), static_cast<UINT>(name.size()));
    ComPtr<IXMLDOMElement> element;
    if (document->createElement(tag.get(), &element) != S_OK || !element)
        return appended;
    if (parent->appendChild(element.Get(), &appended) != S_OK)
        appended.Reset();
    return appended;
}

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
