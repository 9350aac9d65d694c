#include "report_columns.h"

std::wstring NotesText(const CPcRow& row)
{
    std::wstring text;
    for (const std::wstring& note : row.notes)
        text += (text.empty() ? L"" : L"、") + note;
    return text;
}

std::vector<CReportColumn> ReportColumns(const std::vector<std::wstring>& inventoryNames)
{
    auto number = [](int n) { return n < 0 ? std::wstring() : std::to_wstring(n); };
    std::vector<CReportColumn> columns = {
        {L"シリアル番号", [](const CPcRow& r) { return r.serial; }},
        {L"データファイル", [](const CPcRow& r) { return r.dataFile; }},
        {L"状態", [](const CPcRow& r) { return std::wstring(StateWord(r.state)); }},
        {L"完了項目数", [number](const CPcRow& r) { return r.itemCount < 0 ? std::wstring() : number(r.doneCount); }, true},
        {L"項目数", [number](const CPcRow& r) { return number(r.itemCount); }, true},
        {L"最後の項目", [](const CPcRow& r) { return r.lastItem; }},
        {L"エラー", [](const CPcRow& r) { return r.ErrorText(); }},
        {L"最終記録", [](const CPcRow& r) { return r.lastTime; }},
    };
    for (size_t i = 0; i < inventoryNames.size(); ++i)
        columns.push_back({inventoryNames[i], [i](const CPcRow& r) { return i < r.inventory.size() ? r.inventory[i] : std::wstring(); }});
    columns.push_back({L"注意", NotesText});
    return columns;
}
