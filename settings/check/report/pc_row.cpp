#include "pc_row.h"

#include <map>
#include <unordered_map>

#include "machine_data_file.h"
#include "raii.h"
#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t* const STATE_WORDS[PC_STATE_COUNT] = {L"完了", L"失敗", L"再起動待ち", L"途中", L"未実行", L"読めません", L"未登録"};
const wchar_t* const STATE_KEYS[PC_STATE_COUNT] = {L"done", L"failed", L"restart", L"partial", L"notrun", L"unreadable", L"unregistered"};

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

bool IsRebootMethod(const std::wstring& method)
{
    return xmldom::EqualsNoCase(method, L"Reboot") || xmldom::EqualsNoCase(method, L"再起動");
}

// A reboot item that asks for a restart (value "yes"); any other counts as done.
bool RequestsRestart(const MachineDataFile& data, int index)
{
    return IsRebootMethod(data.itemMethods[index]) && !data.itemParams[index].empty() &&
           xmldom::EqualsNoCase(FirstValue(data.itemParams[index]), L"yes");
}

// The item lines ("<name> - <method>") of the data file, each with the
// positions of the items that write it (names may repeat).
class CItemLines {
public:
    explicit CItemLines(const MachineDataFile& data)
    {
        for (size_t i = 0; i < data.ItemCount(); ++i)
            lines_[data.itemNames[i] + L" - " + data.itemMethods[i]].push_back(static_cast<int>(i));
    }
    // The item a line names: the first of its items after `after`, else its
    // first; -1 when the line names no item of the file.
    int Find(const std::wstring& message, int after) const
    {
        auto found = lines_.find(message);
        if (found == lines_.end())
            return -1;
        for (int index : found->second)
            if (index > after)
                return index;
        return found->second.front();
    }

private:
    std::unordered_map<std::wstring, std::vector<int>> lines_;
};

// "Error: 1603[output]" → 1603 and the output; other forms are their text.
void SplitError(const std::wstring& text, std::wstring& code, std::wstring& output)
{
    size_t open = text.find(L'[');
    bool numeric = open != std::wstring::npos && open > 0;
    for (size_t i = 0; numeric && i < open; ++i)
        numeric = (text[i] >= L'0' && text[i] <= L'9') || (i == 0 && text[i] == L'-');
    if (numeric && !text.empty() && text.back() == L']') {
        code = text.substr(0, open);
        output = text.substr(open + 1, text.size() - open - 2);
        while (!output.empty() && (output.back() == L'\n' || output.back() == L'\r'))
            output.pop_back();
    } else {
        code = text;
        output.clear();
    }
}

// What the last run logged: from the last "Start" to the first line that ends it.
struct CLastRun {
    bool logged = false;      // a "Start" is in the log
    bool failed = false;
    int failedItem = -1;      // the item the failure belongs to, -1 for none
    std::wstring failedText;  // its item line, when the item is not in the file any more
    std::wstring error;       // the failure as logged, without "Error: "
    int pendingItem = -1;     // the item whose line was the last, with no outcome after it
    bool linesAfter = false;  // anything logged after that item line
    size_t failureFrom = 0, failureTo = 0;
};

CLastRun ReadLastRun(const MachineDataFile& data, const std::vector<CLogLine>& log)
{
    CLastRun run;
    size_t start = log.size();
    for (size_t i = log.size(); i-- > 0;)
        if (log[i].message == L"Start") {
            start = i;
            break;
        }
    if (start == log.size())
        return run;
    run.logged = true;
    CItemLines items(data);
    int current = -1;
    bool currentOpen = false;
    std::wstring currentText;
    size_t currentLine = start;
    for (size_t i = start + 1; i < log.size(); ++i) {
        const std::wstring& message = log[i].message;
        int index = items.Find(message, current);
        if (index >= 0) {
            current = index;
            currentOpen = true;
            currentText.clear();
            currentLine = i;
            continue;
        }
        if (message == L"OK") {
            currentOpen = false;
            continue;
        }
        bool error = StartsWith(message, L"Error: ");
        if (error || StartsWith(message, L"読み取り失敗: ") || StartsWith(message, L"例外により中断しました")) {
            run.failed = true;
            run.error = error ? message.substr(7) : message;
            // An error after the item's "OK" (a failed save at the end) is no item's.
            run.failedItem = currentOpen ? current : -1;
            run.failedText = currentOpen ? currentText : std::wstring();
            run.failureFrom = currentOpen ? currentLine : i;
            run.failureTo = i + 1;
            return run;
        }
        // The run ends with the program: closed with 終了, or a later start.
        if (message == L"終了により実行を中止しました" || StartsWith(message, L"SerialNumber: "))
            break;
        // A line that names an item this file no longer has.
        size_t dash = message.rfind(L" - ");
        if (dash != std::wstring::npos && message != L"インベントリ取得" && !StartsWith(message, L"Method Not Found: ") &&
            !StartsWith(message, L"GetString: ")) {
            current = -1;
            currentOpen = true;
            currentText = message.substr(0, dash);
            currentLine = i;
        }
    }
    if (currentOpen && current >= 0) {
        run.pendingItem = current;
        run.linesAfter = currentLine + 1 < log.size();
    }
    return run;
}

std::wstring OneLine(std::wstring text)
{
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n' || c == L'\t')
            c = L' ';
    return text;
}

// A list or table result: "Model=A, Password=1; Model=B, Password=0".
std::wstring SummariseInventory(IXMLDOMNode* node)
{
    std::wstring rows;
    bool hasElements = false;
    for (auto child = xmldom::FirstChild(node); child; child = xmldom::NextSibling(child.Get())) {
        DOMNodeType type = NODE_INVALID;
        if (FAILED(child->get_nodeType(&type)) || type != NODE_ELEMENT)
            continue;
        hasElements = true;
        std::wstring row;
        for (auto cell = xmldom::FirstChild(child.Get()); cell; cell = xmldom::NextSibling(cell.Get())) {
            if (FAILED(cell->get_nodeType(&type)) || type != NODE_ELEMENT)
                continue;
            Bstr name;
            cell->get_nodeName(name.put());
            if (!row.empty())
                row += L", ";
            row += std::wstring(name.get() ? name.get() : L"") + L"=" + xmldom::Text(cell.Get());
        }
        if (row.empty())
            row = xmldom::Text(child.Get());
        if (!rows.empty())
            rows += L"; ";
        rows += row;
    }
    return OneLine(hasElements ? rows : xmldom::Text(node));
}

} // namespace

const wchar_t* StateWord(CPcState state) { return STATE_WORDS[static_cast<int>(state)]; }
const wchar_t* StateKey(CPcState state) { return STATE_KEYS[static_cast<int>(state)]; }

std::wstring CPcRow::ErrorText() const { return errorOutput.empty() ? errorCode : errorCode + L" " + errorOutput; }

void ReadRunState(const MachineDataFile& data, const std::vector<CLogLine>& log, CPcRow& row)
{
    int items = static_cast<int>(data.ItemCount());
    int progress = data.progress < -1 ? -1 : data.progress >= items ? items - 1 : data.progress;
    row.itemCount = items;
    row.doneCount = progress + 1;
    if (!log.empty())
        row.lastTime = log.back().time;
    auto lastDone = [&] { return progress >= 0 ? data.itemNames[progress] : std::wstring(); };

    if (data.isDone) {
        row.state = CPcState::DONE;
        row.lastItem = lastDone();
        return;
    }
    CLastRun run = ReadLastRun(data, log);
    if (run.failed) {
        row.state = CPcState::FAILED;
        row.lastItem = run.failedItem >= 0 ? data.itemNames[run.failedItem] : run.failedText;
        SplitError(run.error, row.errorCode, row.errorOutput);
        row.failingLines.assign(log.begin() + run.failureFrom, log.begin() + run.failureTo);
        return;
    }
    if (run.pendingItem >= 0 && RequestsRestart(data, run.pendingItem)) {
        // The progress is saved on the reboot item before the restart is asked
        // for, and set back before it when the restart fails (logs written
        // before failed restarts were logged show nothing more).
        if (progress < run.pendingItem) {
            row.state = CPcState::FAILED;
            row.lastItem = data.itemNames[run.pendingItem];
            row.failingLines.assign(log.end() - 1, log.end());
            return;
        }
        if (!run.linesAfter) {
            row.state = CPcState::RESTART_PENDING;
            row.lastItem = data.itemNames[run.pendingItem];
            return;
        }
    }
    row.state = !run.logged && progress < 0 ? CPcState::NOT_RUN : CPcState::PARTIAL;
    row.lastItem = lastDone();
}

std::vector<std::wstring> InventoryCells(const MachineDataFile& data, const std::vector<std::wstring>& names)
{
    std::vector<std::wstring> cells(names.size());
    ComPtr<IXMLDOMNode> inventory = data.Document() ? xmldom::SelectNode(data.Document(), L"/Data/Inventory") : nullptr;
    if (!inventory)
        return cells;
    std::map<std::wstring, std::vector<ComPtr<IXMLDOMNode>>> byName;
    for (auto child = xmldom::FirstChild(inventory.Get()); child; child = xmldom::NextSibling(child.Get())) {
        DOMNodeType type = NODE_INVALID;
        Bstr name;
        if (SUCCEEDED(child->get_nodeType(&type)) && type == NODE_ELEMENT && SUCCEEDED(child->get_nodeName(name.put())) && name.get())
            byName[name.get()].push_back(child);
    }
    // A name listed twice was read twice: its second column shows the second entry.
    std::map<std::wstring, size_t> used;
    for (size_t i = 0; i < names.size(); ++i) {
        auto found = byName.find(names[i]);
        size_t nth = used[names[i]]++;
        if (found != byName.end() && nth < found->second.size())
            cells[i] = SummariseInventory(found->second[nth].Get());
    }
    return cells;
}
