// The fleet of a kit folder: one row per PC from data\ and log\, the shared
// data files and what the summary tells the administrator.
#pragma once
#include <string>
#include <vector>

#include "pc_row.h"

struct CFleet {
    std::wstring folder;                      // the kit folder, as given
    std::vector<std::wstring> inventoryNames; // the kit's inventory list, in its order
    std::vector<CPcRow> rows;                 // by serial number, then file name
    std::vector<std::wstring> sharedFiles;    // "initial.xml: ..." / "common.xml: ..."
    int counts[PC_STATE_COUNT] = {};
    int placeholderSerials = 0, duplicateSerials = 0, misnamedFiles = 0;

    int Count(CPcState state) const { return counts[static_cast<int>(state)]; }
};

// Reads the kit's data\ and log\ folders (read only, sharing every file).
// False when the folder cannot be read.
bool ReadFleet(const std::wstring& folder, CFleet& fleet);

// The summary lines for the console, in Japanese.
std::vector<std::wstring> FleetSummary(const CFleet& fleet);

// "項目 X: 1603" for a failed PC: the key that groups the failures.
std::wstring FailureGroup(const CPcRow& row);
