#include "script_runner.h"

#include <windows.h>

int RunScriptMethod(MethodCatalog&, IXMLDOMNode*, const ItemValueMap&, ScriptVariant)
{
    return ERROR_CALL_NOT_IMPLEMENTED;
}
