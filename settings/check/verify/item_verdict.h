// What one data-file item looks like on the PC now: its method found as the
// setup run finds it, and only its Get run, never its Set.
#pragma once
#include <string>

#include "machine_data_file.h"
#include "method_catalog.h"

enum class VerifyStatus {
    MATCH,        // 一致: the PC holds the value
    DIFFERS,      // 相違: the PC holds another value than the Set wrote
    CHANGED,      // 変化: a value read back into the file reads differently now
    READ_FAILED,  // the Get failed; `code` says why
    CANNOT_CHECK, // 確認できません; `reason` says why
    NOT_APPLIED,  // 未適用: the run has not reached the item
};

struct ItemVerdict {
    VerifyStatus status = VerifyStatus::CANNOT_CHECK;
    std::wstring expected; // the item's value (MATCH, DIFFERS, CHANGED)
    std::wstring actual;   // the value read now (DIFFERS, CHANGED)
    int code = 0;          // READ_FAILED
    std::wstring reason;   // CANNOT_CHECK
};

// The two catalogues of the kit, as the setup run holds them.
struct VerifyCatalogues {
    MethodCatalog& main;  // methods.xml
    MethodCatalog& users; // usersmethods.xml, looked in first
};

ItemVerdict VerifyItem(const MachineDataFile& data, size_t index, VerifyCatalogues catalogues);
