// The exit codes a Command or Console definition counts as success.
#pragma once
#include <msxml2.h>
#include <string>
#include <vector>

// Reads a comma-separated list of decimal exit codes ("0,3010,1641"; blanks
// around each code allowed, a sign allowed, each within 32 bits). False for
// an empty list, an empty entry or anything else.
bool ParseSuccessCodes(const std::wstring& text, std::vector<int>& codes);

// The codes of the definition's optional `SuccessCodes` child; only 0
// without it. False when the child is there but does not read.
bool SuccessCodesOf(IXMLDOMNode* definition, std::vector<int>& codes);
