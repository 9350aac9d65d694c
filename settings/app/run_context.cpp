#include "run_context.h"

RunContext RunContext::ForExecutable(const std::wstring& exePath)
{
    RunContext context;
    context.exePath = exePath;
    size_t slash = exePath.find_last_of(L'\\');
    context.exeDir = exePath.substr(0, slash == std::wstring::npos ? 0 : slash);
    context.methodsPath = context.exeDir + L"\\methods.xml";
    context.usersMethodsPath = context.exeDir + L"\\usersmethods.xml";
    context.inventoryPath = context.exeDir + L"\\inventory";
    context.dataFolder = context.exeDir + L"\\data";
    context.logFolder = context.exeDir + L"\\log";
    return context;
}
