// The "VBScript" and "PowerShell" Set types: the definition's script is
// written to a temporary file, run through RunCaptured and deleted.
#pragma once
#include <msxml2.h>

#include "item_values.h"
#include "method_status.h"

struct ExecutorContext;

enum class ScriptVariant { VBSCRIPT, POWERSHELL };

// The status is 0 on success or when nothing ran, METHOD_NOT_RUN when the
// temporary file cannot be created or written (or a Param has no name),
// otherwise the script host's exit code or the Win32 error of a failed rename
// or start; the output is the script host's.
MethodOutcome RunScriptMethod(const ExecutorContext& context, IXMLDOMNode* definition, const ItemValueMap& values,
                              ScriptVariant variant);
