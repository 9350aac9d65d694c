// Indented UTF-8 output of an MSXML document, written so that a crash in
// the middle of a save never leaves a broken file behind.
#pragma once
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>
#include <string>
#include <string_view>

// The text a data file is saved as: UTF-8 with an XML 1.0 declaration, one
// element per line, a tab per level of depth, CR LF line ends. Elements holding
// text keep their whole content on their own line, so loading and saving again
// gives the same bytes. Built from the DOM's own text of the document (one
// call), re-indented; no file is touched. False when the document holds
// something that cannot be written as well-formed XML (an invalid element or
// attribute name, a comment holding "--") or the DOM call fails.
bool FormatXml(IXMLDOMNode* document, std::string& utf8);

// The same text built from a document's serialised text in UTF-8, as the
// DOM's own save gives it (a broken UTF-8 sequence is read as U+FFFD).
bool IndentXmlText(std::string_view xml, std::string& utf8);

// True for a name that XML 1.0 accepts as an element or attribute name.
bool IsXmlName(std::wstring_view name);

// A new element appended as the last child of `parent`, or null. The name is
// checked here as well as by the DOM: a name the writer could not put out
// would otherwise make the next save fail.
Microsoft::WRL::ComPtr<IXMLDOMNode> AppendElement(IXMLDOMDocument* document, IXMLDOMNode* parent,
                                                  const std::wstring& name);
