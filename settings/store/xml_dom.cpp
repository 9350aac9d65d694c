#include "xml_dom.h"

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "win32_owners.h"

namespace xmldom {

HRESULT CreateDocument(ComPtr<IXMLDOMDocument2>& document)
{
    document.Reset();
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &clsid);
    if (FAILED(hr))
        return hr;
    ComPtr<IUnknown> unknown;
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    hr = unknown.As(&document);
    if (FAILED(hr))
        return hr;
    document->put_async(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
    document->put_resolveExternals(VARIANT_FALSE);
    Bstr name(L"SelectionLanguage");
    Variant xpath;
    xpath->vt = VT_BSTR;
    xpath->bstrVal = ::SysAllocString(L"XPath");
    document->setProperty(name.get(), *xpath.get());
    return S_OK;
}

static bool ParseErrorCode(IXMLDOMDocument2* document, HRESULT hr, long& errorCode)
{
    errorCode = hr;
    ComPtr<IXMLDOMParseError> error;
    if (SUCCEEDED(document->get_parseError(&error)) && error) {
        long code = 0;
        if (SUCCEEDED(error->get_errorCode(&code)) && code != 0)
            errorCode = code;
    }
    if (errorCode == 0)
        errorCode = E_FAIL;
    return false;
}

bool LoadFile(IXMLDOMDocument2* document, const std::wstring& path, long& errorCode)
{
    errorCode = 0;
    Variant source;
    source->vt = VT_BSTR;
    source->bstrVal = ::SysAllocString(path.c_str());
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = document->load(*source.get(), &ok);
    if (SUCCEEDED(hr) && ok == VARIANT_TRUE)
        return true;
    return ParseErrorCode(document, FAILED(hr) ? hr : S_FALSE, errorCode);
}

bool LoadText(IXMLDOMDocument2* document, const std::wstring& xml, long& errorCode)
{
    errorCode = 0;
    Bstr text(xml.c_str(), static_cast<UINT>(xml.size()));
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = document->loadXML(text.get(), &ok);
    if (SUCCEEDED(hr) && ok == VARIANT_TRUE)
        return true;
    return ParseErrorCode(document, FAILED(hr) ? hr : S_FALSE, errorCode);
}

bool LoadBytes(IXMLDOMDocument2* document, const std::string& bytes, long& errorCode)
{
    errorCode = 0;
    SafeArray array(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
    void* data = nullptr;
    if (!array.get() || FAILED(::SafeArrayAccessData(array.get(), &data))) {
        errorCode = E_OUTOFMEMORY;
        return false;
    }
    if (!bytes.empty())
        std::memcpy(data, bytes.data(), bytes.size());
    ::SafeArrayUnaccessData(array.get());
    Variant source;
    source->vt = VT_ARRAY | VT_UI1;
    source->parray = array.release();
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = document->load(*source.get(), &ok);
    if (SUCCEEDED(hr) && ok == VARIANT_TRUE)
        return true;
    return ParseErrorCode(document, FAILED(hr) ? hr : S_FALSE, errorCode);
}

// An ASCII name that a path expression reads as one child step and nothing else.
static bool IsPlainName(const std::wstring& text)
{
    if (text.empty() || !(std::iswalpha(text[0]) || text[0] == L'_') || text[0] > 0x7F)
        return false;
    for (wchar_t c : text)
        if (c > 0x7F || !(std::iswalnum(c) || c == L'_'))
            return false;
    return true;
}

ComPtr<IXMLDOMNode> SelectNode(IXMLDOMNode* context, const std::wstring& xpath)
{
    ComPtr<IXMLDOMNode> node;
    if (!context)
        return node;
    if (IsPlainName(xpath)) {
        for (node = FirstChild(context); node; node = NextSibling(node.Get()))
            if (IsElementNamed(node.Get(), xpath.c_str()))
                return node;
        return node;
    }
    Bstr query(xpath.c_str(), static_cast<UINT>(xpath.size()));
    if (context->selectSingleNode(query.get(), &node) != S_OK)
        node.Reset();
    return node;
}

ComPtr<IXMLDOMNodeList> SelectNodes(IXMLDOMNode* context, const std::wstring& xpath)
{
    ComPtr<IXMLDOMNodeList> nodes;
    if (!context)
        return nodes;
    Bstr query(xpath.c_str(), static_cast<UINT>(xpath.size()));
    if (FAILED(context->selectNodes(query.get(), &nodes)))
        nodes.Reset();
    return nodes;
}

std::wstring Text(IXMLDOMNode* node)
{
    if (!node)
        return {};
    Bstr text;
    if (FAILED(node->get_text(text.put())))
        return {};
    return std::wstring(text.c_str(), text.length());
}

bool ChildText(IXMLDOMNode* node, const std::wstring& childName, std::wstring& text)
{
    ComPtr<IXMLDOMNode> child = SelectNode(node, childName);
    if (!child)
        return false;
    text = Text(child.Get());
    return true;
}

static bool OutsideNamespaces(IXMLDOMNode* node)
{
    Bstr nameSpace;
    return FAILED(node->get_namespaceURI(nameSpace.put())) || nameSpace.length() == 0;
}

bool ChildTexts(IXMLDOMNode* node, std::initializer_list<NamedText> wanted)
{
    const size_t count = wanted.size();
    std::vector<bool> found(count, false);
    size_t missing = count;
    for (ComPtr<IXMLDOMNode> child = FirstChild(node); child && missing > 0; child = NextSibling(child.Get())) {
        DOMNodeType type = NODE_INVALID;
        Bstr nodeName;
        if (FAILED(child->get_nodeType(&type)) || type != NODE_ELEMENT || FAILED(child->get_nodeName(nodeName.put())))
            continue;
        size_t at = 0;
        for (const NamedText& entry : wanted) {
            if (!found[at] && std::wcscmp(nodeName.c_str(), entry.name) == 0 && OutsideNamespaces(child.Get())) {
                found[at] = true;
                --missing;
                *entry.text = Text(child.Get());
            }
            ++at;
        }
    }
    return missing == 0;
}

bool Attribute(IXMLDOMNode* node, const std::wstring& name, std::wstring& value)
{
    if (!node)
        return false;
    ComPtr<IXMLDOMElement> element;
    if (FAILED(node->QueryInterface(__uuidof(IXMLDOMElement), reinterpret_cast<void**>(element.GetAddressOf()))))
        return false;
    Bstr attrName(name.c_str());
    Variant v;
    if (element->getAttribute(attrName.get(), v.get()) != S_OK || v->vt != VT_BSTR)
        return false;
    value.assign(v->bstrVal ? v->bstrVal : L"", v->bstrVal ? ::SysStringLen(v->bstrVal) : 0);
    return true;
}

bool IsElementNamed(IXMLDOMNode* node, const wchar_t* name)
{
    DOMNodeType type = NODE_INVALID;
    if (!node || FAILED(node->get_nodeType(&type)) || type != NODE_ELEMENT)
        return false;
    Bstr nodeName;
    if (FAILED(node->get_nodeName(nodeName.put())) || std::wcscmp(nodeName.c_str(), name) != 0)
        return false;
    return OutsideNamespaces(node);
}

ComPtr<IXMLDOMNode> FirstChild(IXMLDOMNode* node)
{
    ComPtr<IXMLDOMNode> child;
    if (!node || node->get_firstChild(&child) != S_OK)
        child.Reset();
    return child;
}

ComPtr<IXMLDOMNode> NextSibling(IXMLDOMNode* node)
{
    ComPtr<IXMLDOMNode> next;
    if (!node || node->get_nextSibling(&next) != S_OK)
        next.Reset();
    return next;
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b)
{
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

std::vector<ComPtr<IXMLDOMNode>> SelectNodeVector(IXMLDOMNode* context, const std::wstring& xpath)
{
    std::vector<ComPtr<IXMLDOMNode>> nodes;
    ComPtr<IXMLDOMNodeList> list = SelectNodes(context, xpath);
    ComPtr<IXMLDOMNode> node;
    while (list && list->nextNode(node.ReleaseAndGetAddressOf()) == S_OK && node)
        nodes.push_back(node);
    return nodes;
}

} // namespace xmldom
