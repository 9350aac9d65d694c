// The inventory list beside the program: one catalogue method name per line.
#pragma once
#include <string>
#include <vector>

class MachineDataFile;
class MethodCatalog;

// Reads the names in file order: every line that is not empty and does not
// begin with "#", taken whole. The file is Japanese text (code page 932),
// whatever the system's own code page is.
// False when the file cannot be opened.
bool ReadInventoryList(const std::wstring& path, std::vector<std::wstring>& names);

// Asked between two reads of the inventory pass; true stops the pass.
using StopCheck = bool (*)();

// Reads the Get of each listed method into the data file (not saved), in list
// order; a method that reads nothing is left out. The pass stops between names
// (one read may take long) once `stopRequested` says so (the program's window
// was closed): false then.
bool ReadInventory(const std::vector<std::wstring>& names, MethodCatalog& catalog, MachineDataFile& data,
                   StopCheck stopRequested);
