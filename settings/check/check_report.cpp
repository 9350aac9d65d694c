#include "check_report.h"

#include <algorithm>

void CCheckReport::Error(const CPlace& place, const wchar_t* code, const std::wstring& text)
{
    findings_.push_back({place, true, code, text});
}

void CCheckReport::Warning(const CPlace& place, const wchar_t* code, const std::wstring& text)
{
    findings_.push_back({place, false, code, text});
}

int CCheckReport::ErrorCount() const
{
    return static_cast<int>(std::count_if(findings_.begin(), findings_.end(), [](const CFinding& f) { return f.isError; }));
}

int CCheckReport::WarningCount() const
{
    return static_cast<int>(findings_.size()) - ErrorCount();
}

std::wstring FormatFinding(const CFinding& finding)
{
    return finding.place.file + L":" + std::to_wstring(finding.place.line) + L":" + std::to_wstring(finding.place.column) +
           (finding.isError ? L": error " : L": warning ") + finding.code + L": " + finding.text;
}

std::vector<std::wstring> CCheckReport::Lines() const
{
    std::vector<std::wstring> lines;
    for (const CFinding& finding : findings_)
        lines.push_back(FormatFinding(finding));
    lines.insert(lines.end(), planLines_.begin(), planLines_.end());
    lines.push_back(L"エラー " + std::to_wstring(ErrorCount()) + L" 件、警告 " + std::to_wstring(WarningCount()) + L" 件");
    return lines;
}
