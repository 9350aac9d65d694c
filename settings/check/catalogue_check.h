// Checks of one method catalogue (methods.xml or usersmethods.xml) without
// running anything: every Data element and its Get and Set definitions.
#pragma once
#include <string>

#include "check_report.h"
#include "method_catalog.h"
#include "source_text.h"

// A catalogue of the kit as peltacfg loads it, with its text for places.
struct CKitCatalogue {
    std::wstring fileName;     // as the findings name it, e.g. "methods.xml"
    MethodCatalog catalog;     // loaded by peltacfg's own loader
    CSourceText source;
    bool present = false;      // the file exists
    bool usable = false;       // it loaded with the root element Datas
};

// Loads the catalogue at `path` and reports what is wrong in it. `isMain`
// marks methods.xml, which must exist and define SerialNumber.
void CheckCatalogue(CKitCatalogue& kit, const std::wstring& path, bool isMain, CCheckReport& report);

// The Get (`Method`) or Set definition of a method, or null.
Microsoft::WRL::ComPtr<IXMLDOMNode> Definition(CKitCatalogue& kit, const std::wstring& method, bool isSet);
