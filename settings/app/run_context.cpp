#include "run_context.h"

#include "executable_path.h"

RunContext RunContext::ForExecutable(const std::wstring& exePath)
{
    RunContext context;
    context.exePath = exePath;
    context.exeDir = FolderOf(exePath);
    context.methodsPath = context.exeDir + L"\\methods.xml";
    context.usersMethodsPath = context.exeDir + L"\\usersmethods.xml";
    context.inventoryPath = context.exeDir + L"\\inventory";
    context.dataFolder = context.exeDir + L"\\data";
    context.logFolder = context.exeDir + L"\\log";
    return context;
}
