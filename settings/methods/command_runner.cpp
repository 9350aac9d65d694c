#include "command_runner.h"

#include <windows.h>

bool RunCaptured(const std::wstring&, std::wstring& output, int& exitCode)
{
    output.clear();
    exitCode = ERROR_CALL_NOT_IMPLEMENTED;
    return false;
}

bool RunInConsole(const std::wstring&, int& exitCode)
{
    exitCode = ERROR_CALL_NOT_IMPLEMENTED;
    return false;
}

int RunCommandMethod(MethodCatalog&, IXMLDOMNode*, const ItemValueMap&, bool)
{
    return ERROR_CALL_NOT_IMPLEMENTED;
}
