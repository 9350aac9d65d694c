// The "VBScript" and "PowerShell" Set types: the definition's script is
// written to a temporary file, run through RunCaptured and deleted.
#pragma once
#include <msxml2.h>

#include "item_values.h"

class MethodCatalog;

enum class ScriptVariant { VBSCRIPT, POWERSHELL };

// Returns 0 on success or when nothing ran, -1 when the temporary file cannot
// be created or written (or a Param has no name), otherwise the script host's
// exit code or the Win32 error of a failed rename or start.
int RunScriptMethod(MethodCatalog& catalog, IXMLDOMNode* definition, const ItemValueMap& values, ScriptVariant variant);
