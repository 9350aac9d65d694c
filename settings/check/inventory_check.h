// Checks of the inventory list: text peltacfg reads in the ANSI code page
// (932 on a Japanese PC), one methods.xml method name per line.
#pragma once
#include <string>

#include "catalogue_check.h"
#include "check_report.h"

void CheckInventory(CKitCatalogue& methods, const std::wstring& path, CCheckReport& report);
