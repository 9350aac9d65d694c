#include "data_file_check.h"

#include <cwctype>
#include <vector>

#include "machine_data_file.h"
#include "reboot_item.h"
#include "xml_dom.h"
#include "xml_file_check.h"

using Microsoft::WRL::ComPtr;

namespace {

// An optional sign and decimal digits, nothing else.
bool IsDecimal(const std::wstring& text, long long& number)
{
    size_t digits = !text.empty() && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    if (digits == text.size() || text.size() > 12)
        return false;
    for (size_t i = digits; i < text.size(); ++i)
        if (text[i] < L'0' || text[i] > L'9')
            return false;
    number = std::stoll(text);
    return true;
}

bool IsDigestName(const std::wstring& relativeName)
{
    size_t slash = relativeName.rfind(L'\\');
    std::wstring base = relativeName.substr(slash + 1);
    if (base.size() != 44)
        return false;
    for (size_t i = 0; i < 40; ++i)
        if (!std::iswxdigit(base[i]))
            return false;
    return true;
}

class CDataChecker {
public:
    CDataChecker(CKit& kit, const CSourceText& source, MachineDataFile& data, CCheckReport& report)
        : kit_(kit), source_(source), data_(data), report_(report) {}

    void CheckItem(size_t index, IXMLDOMNode* value, bool withPlan);
    void CheckProgress();
    void CheckFlags(CDataRole role);

private:
    void CheckRegistryNumber(IXMLDOMNode* set, const std::wstring& value, IXMLDOMNode* at);
    std::wstring PlanItem(size_t index, CKitCatalogue* holder, IXMLDOMNode* set, IXMLDOMNode* get);

    CKit& kit_;
    const CSourceText& source_;
    MachineDataFile& data_;
    CCheckReport& report_;
};

void CDataChecker::CheckItem(size_t index, IXMLDOMNode* value, bool withPlan)
{
    const std::wstring& method = data_.itemMethods[index];
    const ItemValueMap& values = data_.itemParams[index];
    if (IsRebootMethod(method)) {
        std::wstring answer = FirstValue(values);
        if (!xmldom::EqualsNoCase(answer, L"yes") && !xmldom::EqualsNoCase(answer, L"no"))
            report_.Error(source_.PlaceOf(value), L"D003", L"再起動の値 \"" + answer + L"\" は yes でも no でもありません。再起動しません");
        if (withPlan)
            report_.Plan(L"  " + std::to_wstring(index + 1) + L". " + data_.itemNames[index] + L" (" + method + L"): " +
                         DescribeReboot(values));
        return;
    }
    CKitCatalogue* holder = kit_.users.catalog.Contains(method) ? &kit_.users
                            : kit_.methods.catalog.Contains(method) ? &kit_.methods : nullptr;
    ComPtr<IXMLDOMNode> set = holder ? Definition(*holder, method, true) : nullptr;
    ComPtr<IXMLDOMNode> get = holder && !set ? Definition(kit_.methods, method, false) : nullptr;
    if (!holder)
        report_.Warning(source_.PlaceOf(value), L"D004", L"メソッド " + method + L" はどのカタログにもありません。何もせずに完了扱いになります");
    else if (!set && !get)
        report_.Error(source_.PlaceOf(value), L"D005", L"メソッド " + method + L" には " + holder->fileName +
                                          L" に Set がなく、methods.xml に Get もありません。この項目は失敗します");
    else if (set)
        CheckRegistryNumber(set.Get(), FirstValue(values), value);
    if (withPlan)
        report_.Plan(PlanItem(index, holder, set.Get(), get.Get()));
}

void CDataChecker::CheckRegistryNumber(IXMLDOMNode* set, const std::wstring& value, IXMLDOMNode* at)
{
    std::wstring type, valueType;
    long long number = 0;
    if (!xmldom::Attribute(set, L"type", type) || !xmldom::EqualsNoCase(type, L"Registry") ||
        !xmldom::ChildText(set, L"Type", valueType) || !xmldom::EqualsNoCase(valueType, L"REG_DWORD"))
        return;
    if (!IsDecimal(value, number) || number < -2147483648LL || number > 4294967295LL)
        report_.Error(source_.PlaceOf(at), L"D006", L"REG_DWORD の値 \"" + value + L"\" は 10 進数ではありません。0 が書き込まれます");
}

std::wstring CDataChecker::PlanItem(size_t index, CKitCatalogue* holder, IXMLDOMNode* set, IXMLDOMNode* get)
{
    std::wstring line = L"  " + std::to_wstring(index + 1) + L". " + data_.itemNames[index] + L" (" + data_.itemMethods[index] + L")";
    if (static_cast<int>(index) <= data_.progress)
        line += L" [done]";
    if (!holder)
        return line + L": not found in any catalogue, counted as done";
    std::wstring type;
    if (set) {
        xmldom::Attribute(set, L"type", type);
        return line + L" [" + holder->fileName + L", Set " + type + L"]: " + DescribeSet(set, data_.itemParams[index], kit_.paths);
    }
    if (get) {
        xmldom::Attribute(get, L"type", type);
        return line + L" [" + holder->fileName + L", Get " + type + L" in methods.xml]: " + DescribeGet(get);
    }
    return line + L" [" + holder->fileName + L"]: neither Set nor Get, fails";
}

void CDataChecker::CheckProgress()
{
    ComPtr<IXMLDOMNode> progress = xmldom::SelectNode(data_.Document(), L"/Data/Progress");
    if (!progress)
        return;
    std::wstring text = xmldom::Text(progress.Get());
    long long number = 0;
    if (!IsDecimal(text, number))
        report_.Error(source_.PlaceOf(progress.Get()), L"D007", L"Progress \"" + text + L"\" は数値ではありません");
    else if (number < -1 || number >= static_cast<long long>(data_.ItemCount()))
        report_.Error(source_.PlaceOf(progress.Get()), L"D008", L"Progress " + text + L" は項目の範囲 (-1 から " +
                                                                    std::to_wstring(static_cast<long long>(data_.ItemCount()) - 1) + L") の外です");
}

void CDataChecker::CheckFlags(CDataRole role)
{
    if (role == CDataRole::MACHINE && !data_.hasSerial)
        report_.Error(source_.FilePlace(), L"D009", L"Serial がありません。peltacfg は「設定情報がありません」を表示します");
    if (role == CDataRole::MACHINE && !IsDigestName(source_.Name()))
        report_.Warning(source_.FilePlace(), L"D010", L"ファイル名がシリアルナンバーの SHA-1 (16 進 40 桁) ではありません。peltacfg はこのファイルを読みません");
    if (role == CDataRole::COMMON && !data_.isCommon)
        report_.Error(source_.FilePlace(), L"D011", L"Common が true ではありません。どの PC でも「設定情報がありません」と表示されます");
    if (data_.isDone)
        report_.Warning(source_.FilePlace(), L"D012", L"Done が true です。この設定は実行されません");
    if (data_.ItemCount() == 0)
        report_.Warning(source_.FilePlace(), L"D013", L"項目 (Values/Value) がありません。peltacfg は「設定情報がありません」を表示します");
}

// Every Value needs Name and Method; one without makes the whole file unreadable.
bool CheckValueAttributes(IXMLDOMNode* value, const CSourceText& source, CCheckReport& report)
{
    std::wstring text;
    bool complete = true;
    for (const wchar_t* attribute : {L"Name", L"Method"})
        if (!xmldom::Attribute(value, attribute, text)) {
            report.Error(source.PlaceOf(value), L"D001", std::wstring(L"Value に ") + attribute + L" 属性がありません。このファイルは読み込めません");
            complete = false;
        }
    return complete;
}

std::vector<ComPtr<IXMLDOMNode>> ValueElements(IXMLDOMNode* document)
{
    std::vector<ComPtr<IXMLDOMNode>> values;
    ComPtr<IXMLDOMNodeList> list = xmldom::SelectNodes(document, L"/Data/Values/Value");
    ComPtr<IXMLDOMNode> value;
    while (list && list->nextNode(value.ReleaseAndGetAddressOf()) == S_OK && value)
        values.push_back(value);
    return values;
}

} // namespace

CDataSummary CheckDataFile(CKit& kit, const std::wstring& path, const std::wstring& relativeName, CDataRole role,
                           bool withPlan, CCheckReport& report)
{
    CDataSummary summary;
    CSourceText source;
    summary.present = source.Load(path, relativeName);
    if (!summary.present) {
        report.Error(source.FilePlace(), L"F001", L"ファイルを読み取れません");
        return summary;
    }
    ComPtr<IXMLDOMDocument2> document = ParseKitXml(path, source, L"Data", report);
    if (!document)
        return summary;
    bool complete = true;
    for (const auto& value : ValueElements(document.Get()))
        complete = CheckValueAttributes(value.Get(), source, report) && complete;
    MachineDataFile data;
    if (!complete)
        return summary;
    if (!data.Load(path)) {
        report.Error(source.FilePlace(), L"D002", L"peltacfg はこのファイルを読み込めません (パラメータ要素に Name がない、または最初のパラメータの後にコメントがあります)");
        return summary;
    }
    summary = {true, true, data.isDone, data.isCommon, data.ItemCount()};
    if (withPlan)
        report.Plan(relativeName + L": " + std::to_wstring(data.ItemCount()) + L" items, progress " + std::to_wstring(data.progress) +
                    (data.isDone ? L", done" : L""));
    CDataChecker checker(kit, source, data, report);
    std::vector<ComPtr<IXMLDOMNode>> values = ValueElements(data.Document());
    for (size_t i = 0; i < data.ItemCount() && i < values.size(); ++i)
        checker.CheckItem(i, values[i].Get(), withPlan);
    checker.CheckProgress();
    checker.CheckFlags(role);
    return summary;
}
