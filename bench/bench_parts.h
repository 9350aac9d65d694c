// The benchmark parts; each adds its rows to the table.
#pragma once
#include <string>

namespace bench {

void benchApply();
// Only the per-item split of the setup run, without the runs themselves.
void benchApplySplit();
void benchCatalogue();
void benchDataFile();
// The child side of the data file benchmark: "ours" or "msxml".
int dataFileChild(const std::wstring& which, const std::wstring& input, const std::wstring& output);
void benchTextCommands();
void benchWindowSearch();
void benchFindWindows();
void benchStartup();
// peltacheck on a kit whose every item has a finding vs the same kit without.
void benchCheck();
// peltacheck --report over a fleet of 1,000 PCs.
void benchFleetReport();

} // namespace bench
