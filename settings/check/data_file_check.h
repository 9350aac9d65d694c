// Checks of one machine data file (initial.xml, common.xml or a machine's
// own file) against the kit's catalogues, and its plan.
#pragma once
#include <string>
#include <unordered_map>

#include "catalogue_check.h"
#include "check_report.h"
#include "item_plan.h"

// The kit's catalogues and where peltacfg would run from.
struct CKit {
    CKitCatalogue methods{L"methods.xml"};
    CKitCatalogue users{L"usersmethods.xml"};
    CPlanPaths paths;
    // Which shared files start-up would find: they decide whether a PC ever
    // reaches its own file.
    bool hasInitial = false;
    bool hasCommon = false;
    // Every method name of both catalogues by its lower-case form, made on
    // first use, for "did you mean" on a name that differs only in case.
    std::unordered_map<std::wstring, std::wstring> namesByLowerCase;
    bool namesIndexed = false;
};

enum class CDataRole { INITIAL, COMMON, MACHINE };

// What start-up would see in the file.
struct CDataSummary {
    bool present = false;
    bool loads = false;
    bool isDone = false;
    bool isCommon = false;
    size_t items = 0;
};

CDataSummary CheckDataFile(CKit& kit, const std::wstring& path, const std::wstring& relativeName, CDataRole role,
                           bool withPlan, CCheckReport& report);
