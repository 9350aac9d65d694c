// The whole check of a kit folder: catalogues, inventory and data files,
// optionally with the plan of every data file.
#pragma once
#include <string>

#include "check_report.h"

// Exit codes of peltacheck.
constexpr int CHECK_CLEAN = 0;        // no error (warnings allowed)
constexpr int CHECK_ERRORS = 1;       // at least one error
constexpr int CHECK_NO_FOLDER = 2;    // the folder cannot be read (or the command line is wrong)

// Checks the kit in `folder`; reads only, writes and runs nothing.
int CheckKit(const std::wstring& folder, bool withPlan, CCheckReport& report);
