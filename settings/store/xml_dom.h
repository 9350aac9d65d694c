// MSXML 6.0 DOM access shared by the catalogue and the data file.
// mingw's headers lack the interface ids of some MSXML interfaces; they are
// declared here so that ComPtr::As and __uuidof work with them.
#pragma once
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>
#include <initializer_list>
#include <string>
#include <vector>

__CRT_UUID_DECL(IXMLDOMDocument, 0x2933BF81, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMDocument2, 0x2933BF95, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMNode, 0x2933BF80, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMNodeList, 0x2933BF82, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMNamedNodeMap, 0x2933BF83, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMCharacterData, 0x2933BF84, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMAttribute, 0x2933BF85, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMElement, 0x2933BF86, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMText, 0x2933BF87, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMComment, 0x2933BF88, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMProcessingInstruction, 0x2933BF89, 0x7B36, 0x11d2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMParseError, 0x3efaa426, 0x272f, 0x11d2, 0x83, 0x6f, 0x00, 0x00, 0xf8, 0x7a, 0x77, 0x82)

namespace xmldom {

using Microsoft::WRL::ComPtr;

// A new "Msxml2.DOMDocument.6.0" document, synchronous, without validation
// or external resolution, with XPath selection.
HRESULT CreateDocument(ComPtr<IXMLDOMDocument2>& document);

// Loads a file; on failure `errorCode` holds the parse error code (or the HRESULT).
bool LoadFile(IXMLDOMDocument2* document, const std::wstring& path, long& errorCode);
// Parses text; the same error rule.
bool LoadText(IXMLDOMDocument2* document, const std::wstring& xml, long& errorCode);
// Parses the bytes of a file read by the caller (the declaration names their
// encoding); the same error rule.
bool LoadBytes(IXMLDOMDocument2* document, const std::string& bytes, long& errorCode);

// First node matching an XPath expression, or null (also for a broken expression).
// A bare element name is answered by walking the children, which gives the
// same node many times faster than evaluating the expression.
ComPtr<IXMLDOMNode> SelectNode(IXMLDOMNode* context, const std::wstring& xpath);
ComPtr<IXMLDOMNodeList> SelectNodes(IXMLDOMNode* context, const std::wstring& xpath);
// The nodes matching an XPath expression, in document order; empty when none.
std::vector<ComPtr<IXMLDOMNode>> SelectNodeVector(IXMLDOMNode* context, const std::wstring& xpath);

// Text content as the DOM reports it; empty for a null node.
std::wstring Text(IXMLDOMNode* node);
// The text of the first child element of that name; false when there is none.
bool ChildText(IXMLDOMNode* node, const std::wstring& childName, std::wstring& text);
// The texts of the first child element of each name, read in one pass over
// the children (a definition read for every item asks for several);
// false when one of them is missing.
struct NamedText {
    const wchar_t* name;
    std::wstring* text;
};
bool ChildTexts(IXMLDOMNode* node, std::initializer_list<NamedText> wanted);
// An attribute's value; false when the node has no such attribute.
bool Attribute(IXMLDOMNode* node, const std::wstring& name, std::wstring& value);

// Whether the node is an element of exactly that name outside any namespace,
// as an unprefixed name in a path expression matches it.
bool IsElementNamed(IXMLDOMNode* node, const wchar_t* name);

// A node's first child and next sibling, or null.
ComPtr<IXMLDOMNode> FirstChild(IXMLDOMNode* node);
ComPtr<IXMLDOMNode> NextSibling(IXMLDOMNode* node);

// Ignoring letter case, for the catalogue's keywords.
bool EqualsNoCase(const std::wstring& a, const wchar_t* b);

} // namespace xmldom
