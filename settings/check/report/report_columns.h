// The columns of the fleet report, shared by report.csv and report.html:
// one list, so a new column is one entry here.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "pc_row.h"

struct CReportColumn {
    std::wstring header;
    std::function<std::wstring(const CPcRow&)> cell;
    bool number = false; // sorted as a number in the page
};

// シリアル番号 … 最終記録, one column per inventory name, then 注意.
std::vector<CReportColumn> ReportColumns(const std::vector<std::wstring>& inventoryNames);

// The 注意 cell: the flags joined.
std::wstring NotesText(const CPcRow& row);
