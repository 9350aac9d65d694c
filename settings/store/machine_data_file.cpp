#include "machine_data_file.h"

#include "file_replace.h"
#include "formatted_xml.h"
#include "inventory.h"
#include "leading_integer.h"
#include "raii.h"
#include "xml_dom.h"

#include <cstdio>

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t NEW_DOCUMENT[] = L"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Data/>";

// The parse failure goes to standard output as it is, byte for byte (no
// text-mode translation of the line end); a window program without a
// console simply has nowhere to write it.
void WriteParseError(long code)
{
    char line[32];
    int n = std::snprintf(line, sizeof line, "error:0x%lx\r\n", static_cast<unsigned long>(code));
    std::fflush(stdout);
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && n > 0) {
        DWORD written = 0;
        ::WriteFile(out, line, static_cast<DWORD>(n), &written, nullptr);
    }
}

bool IsTrue(IXMLDOMNode* node) { return node && xmldom::EqualsNoCase(xmldom::Text(node), L"true"); }

bool SetText(IXMLDOMNode* node, const std::wstring& text)
{
    Bstr value(text.c_str(), static_cast<UINT>(text.size()));
    return node->put_text(value.get()) == S_OK;
}

bool SetAttribute(IXMLDOMNode* node, const wchar_t* name, const std::wstring& value)
{
    ComPtr<IXMLDOMElement> element;
    if (FAILED(node->QueryInterface(__uuidof(IXMLDOMElement), reinterpret_cast<void**>(element.GetAddressOf()))))
        return false;
    Bstr attrName(name);
    Variant v;
    v->vt = VT_BSTR;
    v->bstrVal = ::SysAllocStringLen(value.c_str(), static_cast<UINT>(value.size()));
    if (!v->bstrVal)
        return false;
    return element->setAttribute(attrName.get(), *v.get()) == S_OK;
}

bool HasChildNodes(IXMLDOMNode* node)
{
    VARIANT_BOOL has = VARIANT_FALSE;
    return node->hasChildNodes(&has) == S_OK && has == VARIANT_TRUE;
}

// Every child of a parameter-list item is an element naming its parameter.
bool ReadParameterList(IXMLDOMNode* value, ItemValueMap& params, std::vector<std::wstring>& names)
{
    for (auto child = xmldom::FirstChild(value); child; child = xmldom::NextSibling(child.Get())) {
        DOMNodeType type = NODE_INVALID;
        std::wstring key;
        if (FAILED(child->get_nodeType(&type)) || type != NODE_ELEMENT || !xmldom::Attribute(child.Get(), L"Name", key))
            return false;
        params.Set(key, xmldom::Text(child.Get()));
        names.push_back(key);
    }
    return true;
}

ComPtr<IXMLDOMNodeList> ValueElements(IXMLDOMDocument2* document)
{
    return xmldom::SelectNodes(document, L"/Data/Values/Value");
}

} // namespace

void MachineDataFile::Clear()
{
    hasSerial = false;
    itemNames.clear();
    itemMethods.clear();
    itemParams.clear();
    itemParamNames.clear();
    document_.Reset();
}

bool MachineDataFile::CreateNew(const std::wstring& newSerial)
{
    Clear();
    isCommon = isDone = hasInventory = false;
    progress = -1;
    ComPtr<IXMLDOMDocument2> document;
    long code = 0;
    if (FAILED(xmldom::CreateDocument(document)) || !xmldom::LoadText(document.Get(), NEW_DOCUMENT, code))
        return false;
    ComPtr<IXMLDOMElement> data;
    if (document->get_documentElement(&data) != S_OK || !data)
        return false;
    document_ = document;
    ComPtr<IXMLDOMNode> element = ChildOfData(L"Serial", true);
    if (!element || !SetText(element.Get(), newSerial)) {
        document_.Reset();
        return false;
    }
    serial = newSerial;
    hasSerial = true;
    return true;
}

bool MachineDataFile::Load(const std::wstring& filePath)
{
    Clear();
    path.clear();
    ComPtr<IXMLDOMDocument2> document;
    HRESULT hr = xmldom::CreateDocument(document);
    if (FAILED(hr)) {
        WriteParseError(hr);
        return false;
    }
    long code = 0;
    if (!xmldom::LoadFile(document.Get(), filePath, code)) {
        WriteParseError(code);
        return false;
    }
    return Fill(std::move(document), filePath);
}

bool MachineDataFile::LoadShared(const std::wstring& filePath, DWORD& readError)
{
    Clear();
    path.clear();
    readError = 0;
    std::string bytes;
    {
        UniqueHandle file(::CreateFileW(filePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            readError = ::GetLastError();
            return false;
        }
        char buffer[65536];
        DWORD got = 0;
        while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
            bytes.append(buffer, got);
    }
    ComPtr<IXMLDOMDocument2> document;
    long code = 0;
    if (FAILED(xmldom::CreateDocument(document)) || !xmldom::LoadBytes(document.Get(), bytes, code))
        return false;
    return Fill(std::move(document), filePath);
}

bool MachineDataFile::Fill(ComPtr<IXMLDOMDocument2> document, const std::wstring& filePath)
{
    document_ = std::move(document);

    ComPtr<IXMLDOMNode> node = xmldom::SelectNode(document_.Get(), L"/Data/Serial");
    if (node) {
        serial = xmldom::Text(node.Get());
        path = filePath;
        hasSerial = true;
    }
    hasInventory = xmldom::SelectNode(document_.Get(), L"/Data/Inventory") != nullptr;
    isDone = IsTrue(xmldom::SelectNode(document_.Get(), L"/Data/Done").Get());
    isCommon = IsTrue(xmldom::SelectNode(document_.Get(), L"/Data/Common").Get());
    if (!ReadItems()) {
        Clear();
        return false;
    }
    progress = -1;
    node = xmldom::SelectNode(document_.Get(), L"/Data/Progress");
    if (node)
        progress = LeadingInteger(xmldom::Text(node.Get()));
    return true;
}

bool MachineDataFile::ReadItems()
{
    ComPtr<IXMLDOMNodeList> values = ValueElements(document_.Get());
    long count = 0;
    if (!values || FAILED(values->get_length(&count)))
        return false;
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> value;
        if (values->get_item(i, &value) != S_OK || !value || !ReadItem(value.Get()))
            return false;
    }
    return true;
}

// The three shapes of an item: no content, text (the first child has no
// children of its own) or a list of parameter elements.
bool MachineDataFile::ReadItem(IXMLDOMNode* value)
{
    std::wstring name, method;
    if (!xmldom::Attribute(value, L"Name", name) || !xmldom::Attribute(value, L"Method", method))
        return false;
    ItemValueMap params;
    std::vector<std::wstring> names;
    ComPtr<IXMLDOMNode> first = xmldom::FirstChild(value);
    if (!first) {
        params.Set(name, L"");
        names.push_back(name);
    } else if (!HasChildNodes(first.Get())) {
        params.Set(name, xmldom::Text(value));
        names.push_back(name);
    } else if (!ReadParameterList(value, params, names)) {
        return false;
    }
    // All four lists grow together, so they keep one length even when a
    // later item fails.
    itemNames.push_back(std::move(name));
    itemMethods.push_back(std::move(method));
    itemParams.push_back(std::move(params));
    itemParamNames.push_back(std::move(names));
    return true;
}

// Walked rather than queried: an item's progress is recorded through this
// for every item, and a path query costs more than the walk over the few
// children of Data.
ComPtr<IXMLDOMNode> MachineDataFile::DataElement() const
{
    ComPtr<IXMLDOMElement> root;
    if (!document_ || document_->get_documentElement(&root) != S_OK || !xmldom::IsElementNamed(root.Get(), L"Data"))
        return nullptr;
    return root;
}

// The element /Data/<name>; when missing and `create` is set, a new empty
// one appended as the last child of Data.
ComPtr<IXMLDOMNode> MachineDataFile::ChildOfData(const wchar_t* name, bool create)
{
    ComPtr<IXMLDOMNode> data = DataElement();
    ComPtr<IXMLDOMNode> node = xmldom::SelectNode(data.Get(), name);
    if (node || !create || !data)
        return node;
    Bstr tag(name);
    ComPtr<IXMLDOMElement> element;
    if (document_->createElement(tag.get(), &element) != S_OK || !element)
        return node;
    if (data->appendChild(element.Get(), &node) != S_OK)
        node.Reset();
    return node;
}

bool MachineDataFile::SetSerial(const std::wstring& newSerial)
{
    if (!document_)
        return false;
    ComPtr<IXMLDOMNode> node = ChildOfData(L"Serial", false);
    if (!node || !SetText(node.Get(), newSerial))
        return false;
    serial = newSerial;
    return true;
}

bool MachineDataFile::SetDone()
{
    if (!document_)
        return false;
    ComPtr<IXMLDOMNode> node = ChildOfData(L"Done", true);
    return node && SetText(node.Get(), L"true");
}

bool MachineDataFile::SetProgress(int index)
{
    if (!document_ || index < 0 || static_cast<size_t>(index) >= itemNames.size())
        return false;
    ComPtr<IXMLDOMNode> node = ChildOfData(L"Progress", true);
    return node && SetText(node.Get(), std::to_wstring(index))
        && SetAttribute(node.Get(), L"name", itemNames[static_cast<size_t>(index)]);
}

bool MachineDataFile::ClearProgress()
{
    if (!document_)
        return false;
    ComPtr<IXMLDOMNode> node = ChildOfData(L"Progress", false);
    if (!node)
        return true;
    ComPtr<IXMLDOMNode> data = DataElement();
    ComPtr<IXMLDOMNode> removed;
    return data && SUCCEEDED(data->removeChild(node.Get(), &removed));
}

// The item is found by comparing Name attributes rather than by putting the
// name into a query: a name with an apostrophe or with query syntax in it
// then still finds its own item, and never another one.
bool MachineDataFile::SetValue(const std::wstring& name, const std::wstring& value)
{
    if (!document_)
        return false;
    ComPtr<IXMLDOMNodeList> values = ValueElements(document_.Get());
    long count = 0;
    if (!values || FAILED(values->get_length(&count)))
        return false;
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> item;
        std::wstring itemName;
        if (values->get_item(i, &item) != S_OK || !item || !xmldom::Attribute(item.Get(), L"Name", itemName)
            || itemName != name)
            continue;
        return SetText(item.Get(), value) && SetAttribute(item.Get(), L"Get", L"true");
    }
    return false;
}

bool MachineDataFile::SetValueAt(size_t index, const std::wstring& value)
{
    if (!document_ || index >= itemNames.size())
        return false;
    ComPtr<IXMLDOMNodeList> values = ValueElements(document_.Get());
    ComPtr<IXMLDOMNode> item;
    if (!values || values->get_item(static_cast<long>(index), &item) != S_OK || !item)
        return false;
    return SetText(item.Get(), value) && SetAttribute(item.Get(), L"Get", L"true");
}

bool MachineDataFile::Save(const std::wstring& filePath) const
{
    DWORD error = 0;
    return Save(filePath, error);
}

bool MachineDataFile::Save(const std::wstring& filePath, DWORD& error) const
{
    std::string text;
    if (!document_ || !FormatXml(document_.Get(), text)) {
        error = ERROR_INVALID_DATA;
        return false;
    }
    return ReplaceFileContents(filePath, text, error);
}

bool MachineDataFile::AddInventoryEntry(const MethodResult& result)
{
    return ::AddInventoryEntry(document_.Get(), hasSerial, result);
}
