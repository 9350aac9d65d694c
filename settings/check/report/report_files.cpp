#include "report_files.h"

#include <windows.h>

#include <map>

#include "report_columns.h"

namespace {

// A cell a spreadsheet would take for a formula gets a leading apostrophe, so
// text read from a PC (an output, an inventory value) never runs as one.
// Negative numbers ("-1", "-2147217406") stay as they are.
std::wstring SpreadsheetText(const std::wstring& text)
{
    if (text.empty())
        return text;
    wchar_t first = text[0];
    bool number = first == L'-' && text.size() > 1 && text[1] >= L'0' && text[1] <= L'9';
    if (first == L'=' || first == L'+' || first == L'@' || first == L'\t' || first == L'\r' || (first == L'-' && !number))
        return L"'" + text;
    return text;
}

void AppendCsvField(std::wstring& line, const std::wstring& text)
{
    line += L'"';
    for (wchar_t c : SpreadsheetText(text)) {
        if (c == L'"')
            line += L"\"\"";
        else if (c == L'\n')
            line += L"\r\n";
        else if (c != L'\r')
            line += c;
    }
    line += L'"';
}

std::wstring Html(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        case L'\'': out += L"&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

const wchar_t STYLE[] = LR"(
:root{--done:#1b7f3b;--failed:#c62828;--restart:#b26a00;--partial:#1565c0;--notrun:#616161;--unreadable:#6a1b9a;--unregistered:#5d4037}
body{font-family:"Yu Gothic UI","Meiryo","IPAGothic","Noto Sans CJK JP",sans-serif;margin:1rem;color:#212121;line-height:1.5}
h1{font-size:1.4rem;margin:0 0 .3rem}h2{font-size:1.1rem;margin:1.2rem 0 .4rem}
.meta{color:#555;margin:0 0 .8rem;word-break:break-all}
.counts{display:flex;flex-wrap:wrap;gap:.4rem;list-style:none;padding:0;margin:0}
.counts li a{display:block;padding:.35rem .7rem;border-radius:.4rem;border:2px solid currentColor;text-decoration:none;color:inherit;background:#fff}
.counts li a.on{outline:3px solid #ffca28}
.counts .n{font-weight:bold;font-size:1.2rem;margin-right:.3rem}
.st-done{color:var(--done)}.st-failed{color:var(--failed)}.st-restart{color:var(--restart)}.st-partial{color:var(--partial)}
.st-notrun{color:var(--notrun)}.st-unreadable{color:var(--unreadable)}.st-unregistered{color:var(--unregistered)}
.wrap{overflow-x:auto;margin-top:.6rem}
table{border-collapse:collapse;font-size:.9rem;min-width:100%}
th,td{border:1px solid #ccc;padding:.25rem .45rem;vertical-align:top;text-align:left;color:#212121}
th{background:#eceff1;position:sticky;top:0;cursor:pointer;white-space:nowrap}
th.sorted-up::after{content:" ▲"}th.sorted-down::after{content:" ▼"}
td.num{text-align:right}
tr.pc td:first-child{border-left:6px solid #bbb}
tr.st-done td:first-child{border-left-color:var(--done)}tr.st-failed td:first-child{border-left-color:var(--failed)}
tr.st-restart td:first-child{border-left-color:var(--restart)}tr.st-partial td:first-child{border-left-color:var(--partial)}
tr.st-unreadable td:first-child{border-left-color:var(--unreadable)}tr.st-unregistered td:first-child{border-left-color:var(--unregistered)}
td{min-width:6em}td.error{min-width:16em;white-space:pre-wrap}
tr.pc td.state{font-weight:bold;white-space:nowrap}
tr.st-done td.state{color:var(--done)}tr.st-failed td.state{color:var(--failed)}tr.st-restart td.state{color:var(--restart)}
tr.st-partial td.state{color:var(--partial)}tr.st-notrun td.state{color:var(--notrun)}tr.st-unreadable td.state{color:var(--unreadable)}
tr.st-unregistered td.state{color:var(--unregistered)}
tr.st-failed{background:#ffebee}tr.st-restart{background:#fff8e1}tr.st-unreadable{background:#f3e5f5}
pre{white-space:pre-wrap;word-break:break-all;margin:.3rem 0;font-size:.8rem;background:#fafafa;border:1px solid #ddd;padding:.3rem}
.hint{color:#555;font-size:.85rem}
@media (max-width:600px){body{margin:.5rem}table{font-size:.8rem}}
@media print{.hint{display:none}th{position:static}.counts li a{border-width:1px}body{margin:0}.wrap{overflow:visible}tr{break-inside:avoid}}
)";

const wchar_t SCRIPT[] = LR"(
(function(){
var table=document.getElementById('pcs'),body=table.tBodies[0];
var links=document.querySelectorAll('.counts a');
function filter(state){
  for(var r of body.rows){r.hidden=!!state&&r.getAttribute('data-state')!==state;}
  links.forEach(function(a){a.classList.toggle('on',a.getAttribute('data-filter')===state);});
}
function fromHash(){var a=document.querySelector('.counts a[href="'+location.hash+'"]');filter(a?a.getAttribute('data-filter'):'');}
window.addEventListener('hashchange',fromHash);fromHash();
var heads=table.tHead.rows[0].cells;
Array.prototype.forEach.call(heads,function(th,i){th.addEventListener('click',function(){
  var up=!th.classList.contains('sorted-up');
  Array.prototype.forEach.call(heads,function(h){h.classList.remove('sorted-up','sorted-down');});
  th.classList.add(up?'sorted-up':'sorted-down');
  var num=th.classList.contains('num');
  var rows=Array.prototype.slice.call(body.rows);
  rows.sort(function(a,b){
    var x=a.cells[i].getAttribute('data-v')||a.cells[i].textContent,y=b.cells[i].getAttribute('data-v')||b.cells[i].textContent;
    var c=num?(parseFloat(x)||0)-(parseFloat(y)||0):x.localeCompare(y,'ja');
    return up?c:-c;});
  rows.forEach(function(r){body.appendChild(r);});
});});
document.getElementById('hint').hidden=false;
})();
)";

} // namespace

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(length > 0 ? length : 0, '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::string FleetCsv(const CFleet& fleet)
{
    std::vector<CReportColumn> columns = ReportColumns(fleet.inventoryNames);
    std::wstring text;
    auto addLine = [&](const std::function<std::wstring(const CReportColumn&)>& field) {
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c)
                text += L',';
            AppendCsvField(text, field(columns[c]));
        }
        text += L"\r\n";
    };
    addLine([](const CReportColumn& column) { return column.header; });
    for (const CPcRow& row : fleet.rows)
        addLine([&row](const CReportColumn& column) { return column.cell(row); });
    return "\xEF\xBB\xBF" + Utf8(text);
}

std::string FleetHtml(const CFleet& fleet, const std::wstring& createdAt)
{
    std::vector<CReportColumn> columns = ReportColumns(fleet.inventoryNames);
    std::wstring page = L"<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
                        L"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                        L"<title>PC の状態 - peltacheck</title>\n<style>";
    page += STYLE;
    page += L"</style>\n</head>\n<body>\n<h1>PC の状態</h1>\n<p class=\"meta\">キット: " + Html(fleet.folder) + L" ・ 作成: " +
            Html(createdAt) + L" ・ PC <span id=\"total\">" + std::to_wstring(fleet.rows.size()) + L"</span> 台</p>\n";

    page += L"<ul class=\"counts\">\n";
    for (int s = 0; s < PC_STATE_COUNT; ++s) {
        CPcState state = static_cast<CPcState>(s);
        page += L"<li class=\"st-" + std::wstring(StateKey(state)) + L"\"><a href=\"#st-" + StateKey(state) + L"\" data-filter=\"" + StateWord(state) +
                L"\"><span class=\"n\" id=\"count-" + StateKey(state) + L"\">" + std::to_wstring(fleet.counts[s]) + L"</span>" +
                StateWord(state) + L"</a></li>\n";
    }
    page += L"<li><a href=\"#all\" data-filter=\"\">すべて表示</a></li>\n</ul>\n";

    std::map<std::wstring, int> failures;
    for (const CPcRow& row : fleet.rows)
        if (row.state == CPcState::FAILED)
            ++failures[FailureGroup(row)];
    if (!failures.empty()) {
        page += L"<h2>失敗した項目</h2>\n<ul id=\"failures\">\n";
        for (const auto& [group, count] : failures)
            page += L"<li>" + Html(group) + L" — " + std::to_wstring(count) + L"台</li>\n";
        page += L"</ul>\n";
    }
    std::vector<std::wstring> notes = fleet.sharedFiles;
    for (const std::wstring& line : FleetSummary(fleet))
        if (line.rfind(L"注意: ", 0) == 0)
            notes.push_back(line);
    if (!notes.empty()) {
        page += L"<h2>共有ファイルと注意</h2>\n<ul id=\"notes\">\n";
        for (const std::wstring& line : notes)
            page += L"<li>" + Html(line) + L"</li>\n";
        page += L"</ul>\n";
    }

    page += L"<h2>PC の一覧</h2>\n<p class=\"hint\" id=\"hint\" hidden>上の状態を押すとその状態の PC だけを表示します。見出しを押すと並べ替えます。</p>\n"
            L"<div class=\"wrap\"><table id=\"pcs\">\n<thead><tr>";
    for (const CReportColumn& column : columns)
        page += std::wstring(column.number ? L"<th class=\"num\">" : L"<th>") + Html(column.header) + L"</th>";
    page += L"</tr></thead>\n<tbody>\n";
    for (const CPcRow& row : fleet.rows) {
        page += L"<tr class=\"pc st-" + std::wstring(StateKey(row.state)) + L"\" data-state=\"" + StateWord(row.state) + L"\">";
        for (const CReportColumn& column : columns) {
            std::wstring text = column.cell(row);
            if (column.header == L"状態") {
                page += L"<td class=\"state\" data-v=\"" + std::to_wstring(static_cast<int>(row.state)) + L"\">" + Html(text) + L"</td>";
                continue;
            }
            page += column.number ? L"<td class=\"num\">" : column.header == L"エラー" ? L"<td class=\"error\">" : L"<td>";
            page += Html(text);
            if (column.header == L"エラー" && !row.failingLines.empty()) {
                page += L"<details><summary>ログ</summary><pre>";
                for (const CLogLine& line : row.failingLines)
                    page += Html(line.time + L" " + line.message) + L"\n";
                page += L"</pre></details>";
            }
            page += L"</td>";
        }
        page += L"</tr>\n";
    }
    page += L"</tbody>\n</table></div>\n<script>";
    page += SCRIPT;
    page += L"</script>\n</body>\n</html>\n";
    return Utf8(page);
}
