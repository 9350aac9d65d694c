// Where the kit's files are: derived once at start-up from the executable's
// path and handed down to the dialogs and their workers, so that every part
// of the run reads the same folders.
#pragma once
#include <string>

struct RunContext {
    std::wstring exePath;          // full path of the running executable
    std::wstring exeDir;           // exePath up to, not including, its last backslash
    std::wstring methodsPath;      // the main catalogue, "<exeDir>\\methods.xml"
    std::wstring usersMethodsPath; // the preferred catalogue, "<exeDir>\\usersmethods.xml"
    std::wstring inventoryPath;    // the inventory list, "<exeDir>\\inventory"
    std::wstring dataFolder;       // "<exeDir>\\data"
    std::wstring logFolder;        // "<exeDir>\\log"
    std::wstring dataFilePath;     // the data file chosen at start-up; empty until then

    static RunContext ForExecutable(const std::wstring& exePath);
    // The data file of a PC named by its digest: "<dataFolder>\\<name>.xml".
    std::wstring DataFile(const std::wstring& name) const { return dataFolder + L"\\" + name + L".xml"; }
};
