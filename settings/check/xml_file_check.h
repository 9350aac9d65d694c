// The checks every XML file of a kit shares: its encoding, whether it is well
// formed (with the parser's own line and column) and its root element.
#pragma once
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

#include <string>

#include "check_report.h"
#include "source_text.h"

// Parses the file the way peltacfg's loaders do and returns the document, or
// null after reporting why the file cannot be used. `source` must be loaded.
Microsoft::WRL::ComPtr<IXMLDOMDocument2> ParseKitXml(const std::wstring& path, const CSourceText& source,
                                                     const wchar_t* rootName, CCheckReport& report);
