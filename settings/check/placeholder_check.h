// Checks of the {…} placeholders in the texts that Command, Console, VBScript
// and PowerShell Sets run, against the Params of the same definition, as
// the runners replace them: {EXEPATH} and {EXEDIR} (in a command line only
// when the definition has Params), then each Param's {name}, with case.
#pragma once
#include <msxml2.h>

#include <functional>
#include <string>
#include <vector>

#include "check_report.h"

using CPlaceOfNode = std::function<CPlace(IXMLDOMNode*)>;

// `type` is the Set's type; other types are left alone.
void CheckPlaceholders(IXMLDOMNode* set, const std::wstring& type, const CPlaceOfNode& at, CCheckReport& report);

// The {token}s of a text that look like placeholders: a name of letters,
// digits, '_', '-' or '.', not starting with a digit (so script braces such
// as PowerShell's { … } blocks or "{0}" formats are not taken for one).
struct CPlaceholder {
    std::wstring name;
    size_t offset;   // of the '{'
};
std::vector<CPlaceholder> PlaceholdersIn(const std::wstring& text);

// The one name in `names` that equals `name` ignoring letter case, or empty.
std::wstring SameIgnoringCase(const std::wstring& name, const std::vector<std::wstring>& names);
