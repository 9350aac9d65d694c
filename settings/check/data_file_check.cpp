#include "data_file_check.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "machine_data_file.h"
#include "placeholder_check.h"
#include "placeholder_serial.h"
#include "registry_number.h"
#include "serial_digest.h"
#include "xml_dom.h"
#include "xml_file_check.h"

using Microsoft::WRL::ComPtr;

namespace {

bool IsRebootMethod(const std::wstring& method)
{
    return xmldom::EqualsNoCase(method, L"Reboot") || xmldom::EqualsNoCase(method, L"再起動");
}

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

std::wstring BaseName(const std::wstring& relativeName)
{
    size_t slash = relativeName.rfind(L'\\');
    return relativeName.substr(slash + 1);
}

bool IsDigestName(const std::wstring& relativeName)
{
    std::wstring base = BaseName(relativeName);
    if (base.size() != 44)
        return false;
    for (size_t i = 0; i < 40; ++i)
        if (!std::iswxdigit(base[i]))
            return false;
    return true;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// An item's Value element and its path, counted while walking the file.
struct CValueElement {
    ComPtr<IXMLDOMNode> node;
    std::wstring path;
};

// Every Data/Values/Value in document order, as the loader reads them.
std::vector<CValueElement> ValueElements(IXMLDOMNode* document)
{
    std::vector<CValueElement> values;
    ComPtr<IXMLDOMNodeList> lists = xmldom::SelectNodes(document, L"/Data/Values");
    ComPtr<IXMLDOMNode> list;
    for (size_t listIndex = 0; lists && lists->nextNode(list.ReleaseAndGetAddressOf()) == S_OK && list; ++listIndex) {
        std::wstring listPath = L"/Data[0]/Values[" + std::to_wstring(listIndex) + L"]/Value[";
        size_t valueIndex = 0;
        for (ComPtr<IXMLDOMNode> child = xmldom::FirstChild(list.Get()); child; child = xmldom::NextSibling(child.Get()))
            if (xmldom::IsElementNamed(child.Get(), L"Value"))
                values.push_back({child, listPath + std::to_wstring(valueIndex++) + L"]"});
    }
    return values;
}

// An item written as a plain value (no parameter elements), as the loader tells them apart.
bool IsPlainValue(IXMLDOMNode* value)
{
    ComPtr<IXMLDOMNode> first = xmldom::FirstChild(value);
    VARIANT_BOOL children = VARIANT_FALSE;
    return !first || FAILED(first->hasChildNodes(&children)) || children == VARIANT_FALSE;
}

std::vector<std::wstring> ParamNames(IXMLDOMNode* set)
{
    std::vector<std::wstring> names;
    ComPtr<IXMLDOMNodeList> params = xmldom::SelectNodes(set, L"InParam/Param");
    ComPtr<IXMLDOMNode> param;
    while (params && params->nextNode(param.ReleaseAndGetAddressOf()) == S_OK && param) {
        std::wstring name;
        if (xmldom::Attribute(param.Get(), L"name", name))
            names.push_back(name);
    }
    return names;
}

std::wstring Lowered(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// The defined method name that differs from `method` only in letter case, or empty.
std::wstring NameIgnoringCase(CKit& kit, const std::wstring& method)
{
    if (!kit.namesIndexed) {
        kit.namesIndexed = true;
        for (CKitCatalogue* catalogue : {&kit.users, &kit.methods}) {
            ComPtr<IXMLDOMNodeList> names =
                catalogue->usable ? xmldom::SelectNodes(catalogue->catalog.Document(), L"/Datas/Data/Name") : nullptr;
            ComPtr<IXMLDOMNode> name;
            while (names && names->nextNode(name.ReleaseAndGetAddressOf()) == S_OK && name) {
                std::wstring text = xmldom::Text(name.Get());
                kit.namesByLowerCase.try_emplace(Lowered(text), text);
            }
        }
    }
    auto found = kit.namesByLowerCase.find(Lowered(method));
    return found == kit.namesByLowerCase.end() ? std::wstring() : found->second;
}

class CDataChecker {
public:
    CDataChecker(CKit& kit, const CSourceText& source, MachineDataFile& data, CCheckReport& report)
        : kit_(kit), source_(source), data_(data), report_(report) {}

    void CheckItem(size_t index, const CValueElement& value, bool withPlan);
    void CheckProgress();
    void CheckFlags(CDataRole role);
    // For a machine's own file: whether start-up on its PC ever reaches it.
    std::wstring CheckReach(bool withPlan);

private:
    CPlace At(const CValueElement& value) const { return source_.PlaceOf(value.node.Get(), value.path); }
    void CheckRegistryNumber(IXMLDOMNode* set, const std::wstring& value, const CValueElement& at);
    void CheckItemParams(size_t index, IXMLDOMNode* set, const CValueElement& value);
    std::wstring PlanItem(size_t index, CKitCatalogue* holder, IXMLDOMNode* set, IXMLDOMNode* get);
    std::wstring Numbered(size_t index) const;

    CKit& kit_;
    const CSourceText& source_;
    MachineDataFile& data_;
    CCheckReport& report_;
};

std::wstring CDataChecker::Numbered(size_t index) const
{
    return L"  " + std::to_wstring(index + 1) + L". " + data_.itemNames[index] + L" (" + data_.itemMethods[index] + L")" +
           (static_cast<int>(index) <= data_.progress ? L" [実行済み]" : L"");
}

void CDataChecker::CheckItem(size_t index, const CValueElement& value, bool withPlan)
{
    const std::wstring& method = data_.itemMethods[index];
    const ItemValueMap& values = data_.itemParams[index];
    if (IsRebootMethod(method)) {
        std::wstring answer = FirstValue(values);
        if (!xmldom::EqualsNoCase(answer, L"yes") && !xmldom::EqualsNoCase(answer, L"no"))
            report_.Error(At(value), L"D003", L"再起動の値 " + Quoted(answer) + L" は yes でも no でもありません。再起動しません");
        else if (xmldom::EqualsNoCase(answer, L"yes") && static_cast<int>(index) <= data_.progress)
            report_.Warning(At(value), L"D022", L"再起動の項目は Progress " + std::to_wstring(data_.progress) +
                                                   L" で実行済みです。次の実行はその後の項目から始まり、ここで再起動しません");
        if (withPlan)
            report_.Plan(Numbered(index) + L": " + DescribeReboot(values));
        return;
    }
    CKitCatalogue* holder = kit_.users.catalog.Contains(method) ? &kit_.users
                            : kit_.methods.catalog.Contains(method) ? &kit_.methods : nullptr;
    ComPtr<IXMLDOMNode> set = holder ? Definition(*holder, method, true) : nullptr;
    ComPtr<IXMLDOMNode> get = holder && !set ? Definition(kit_.methods, method, false) : nullptr;
    if (!holder) {
        std::wstring similar = NameIgnoringCase(kit_, method);
        if (!similar.empty())
            report_.Warning(At(value), L"D017", L"メソッド " + Quoted(method) + L" はどのカタログにもありません。" + Quoted(similar) +
                                                   L" のことですか (名前の大文字と小文字は区別されます)。このままでは何もせずに完了扱いになります");
        else
            report_.Warning(At(value), L"D004", L"メソッド " + Quoted(method) + L" はどのカタログにもありません。何もせずに完了扱いになります");
    } else if (!set && !get) {
        report_.Error(At(value), L"D005", L"メソッド " + Quoted(method) + L" には " + holder->fileName +
                                              L" に Set がなく、methods.xml に Get もありません。この項目は失敗します");
    } else if (set) {
        CheckRegistryNumber(set.Get(), FirstValue(values), value);
        CheckItemParams(index, set.Get(), value);
    }
    if (withPlan)
        report_.Plan(PlanItem(index, holder, set.Get(), get.Get()));
}

void CDataChecker::CheckRegistryNumber(IXMLDOMNode* set, const std::wstring& value, const CValueElement& at)
{
    std::wstring type, valueType;
    if (!xmldom::Attribute(set, L"type", type) || !xmldom::EqualsNoCase(type, L"Registry") || !xmldom::ChildText(set, L"Type", valueType))
        return;
    bool isQword = xmldom::EqualsNoCase(valueType, L"REG_QWORD");
    if (!isQword && !xmldom::EqualsNoCase(valueType, L"REG_DWORD"))
        return;
    const wchar_t* name = isQword ? L"REG_QWORD" : L"REG_DWORD";
    unsigned long long stored = 0;
    if (!RegistryNumber(value, isQword, stored))
        report_.Error(At(at), L"D014", std::wstring(name) + L" の値 " + Quoted(value) + L" は範囲 (" + RegistryNumberRange(isQword) +
                                           L") の外です。何も書き込まれず、この項目は失敗します");
    else if (!IsPlainDecimal(value))
        report_.Error(At(at), L"D006", std::wstring(name) + L" の値 " + Quoted(value) + L" は 10 進数ではありません。peltacfg は先頭の数字だけを読み、" +
                                           std::to_wstring(isQword ? static_cast<long long>(stored) : static_cast<long long>(static_cast<int>(stored))) +
                                           L" を書き込みます。10 進数で書いてください (16 進数は 10 進数に直します)");
}

// Parameters given by the item that its method's Params do not take, and a
// plain value given where only parameters are read.
void CDataChecker::CheckItemParams(size_t index, IXMLDOMNode* set, const CValueElement& value)
{
    // Registry, Ini and WMI property Sets take the item's first value whatever their children.
    std::wstring type;
    xmldom::Attribute(set, L"type", type);
    if (!xmldom::EqualsNoCase(type, L"Command") && !xmldom::EqualsNoCase(type, L"Console") && !xmldom::EqualsNoCase(type, L"VBScript") &&
        !xmldom::EqualsNoCase(type, L"PowerShell") && !xmldom::EqualsNoCase(type, L"WMIExecute"))
        return;
    std::vector<std::wstring> params = ParamNames(set);
    if (params.empty())
        return;
    const std::wstring& itemName = data_.itemNames[index];
    if (IsPlainValue(value.node.Get())) {
        std::wstring plain = FirstValue(data_.itemParams[index]);
        // A plain value counts only for a Param named like the item itself.
        if (!plain.empty() && std::find(params.begin(), params.end(), itemName) == params.end())
            report_.Warning(At(value), L"D015", L"値 " + Quoted(plain) + L" はどの Param にも渡されず、Param の既定値で実行されます。"
                                                   L"値は Param の名前の要素で書いてください (例: <P Name=\"" + params.front() + L"\">…</P>)");
        return;
    }
    for (const std::wstring& given : data_.itemParamNames[index]) {
        if (std::find(params.begin(), params.end(), given) != params.end())
            continue;
        std::wstring similar = SameIgnoringCase(given, params);
        report_.Warning(At(value), L"D016", L"パラメータ " + Quoted(given) + L" はメソッドの Param にないため使われません" +
                                               (similar.empty() ? L"" : L"。Param " + Quoted(similar) + L" のことですか (名前の大文字と小文字は区別されます)"));
    }
}

std::wstring CDataChecker::PlanItem(size_t index, CKitCatalogue* holder, IXMLDOMNode* set, IXMLDOMNode* get)
{
    std::wstring line = Numbered(index);
    if (!holder)
        return line + L": どのカタログにもありません。何もせずに完了扱いになります";
    std::wstring type;
    if (set) {
        xmldom::Attribute(set, L"type", type);
        return line + L" [" + holder->fileName + L", Set " + type + L"]: " + DescribeSet(set, data_.itemParams[index], kit_.paths);
    }
    if (get) {
        xmldom::Attribute(get, L"type", type);
        return line + L" [methods.xml, Get " + type + L"]: " + DescribeGet(get);
    }
    return line + L" [" + holder->fileName + L"]: Set も Get もなく、失敗します";
}

void CDataChecker::CheckProgress()
{
    ComPtr<IXMLDOMNode> progress = xmldom::SelectNode(data_.Document(), L"/Data/Progress");
    if (!progress)
        return;
    std::wstring text = xmldom::Text(progress.Get());
    long long number = 0;
    if (!IsDecimal(text, number))
        report_.Error(source_.PlaceOf(progress.Get()), L"D007", L"Progress " + Quoted(text) + L" は数値ではありません");
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
    if (role == CDataRole::INITIAL && data_.isDone)
        report_.Error(source_.FilePlace(), L"D021", L"initial.xml が Done です。initial.xml はすべての PC で共有される 1 つのファイルなので、"
                                                    L"自分のファイルを持たないどの PC も「ネットワーク設定済みです」を表示し、何も実行しません。"
                                                    L"次の PC の前に Done と Progress を取り除いてください");
    else if (data_.isDone)
        report_.Warning(source_.FilePlace(), L"D012", L"Done が true です。この設定は実行されません");
    if (data_.ItemCount() == 0)
        report_.Warning(source_.FilePlace(), L"D013", L"項目 (Values/Value) がありません。peltacfg は「設定情報がありません」を表示します");
}

std::wstring CDataChecker::CheckReach(bool withPlan)
{
    std::wstring reach;
    std::wstring digest = data_.hasSerial ? SerialFileName(data_.serial) : std::wstring();
    bool placeholder = data_.hasSerial && IsPlaceholderSerial(data_.serial);
    if (placeholder) {
        report_.Error(source_.FilePlace(), L"D019", L"Serial " + Quoted(data_.serial) + L" は多くの PC に共通の仮の値です。peltacfg はこの値で PC を"
                                                    L"識別せず (「シリアルナンバーが取得できませんでした」)、このファイルは使われません");
        reach = L"使われません (Serial が仮の値です)";
    } else if (data_.hasSerial && IsDigestName(source_.Name()) && !digest.empty() &&
               !xmldom::EqualsNoCase(BaseName(source_.Name()), (digest + L".xml").c_str())) {
        report_.Error(source_.FilePlace(), L"D018", L"ファイル名が Serial " + Quoted(data_.serial) + L" の SHA-1 と一致しません。その PC はこのファイルを"
                                                    L"見つけません。名前を " + digest + L".xml にしてください");
        reach = L"どの PC も見つけません (名前が Serial の SHA-1 ではありません。正しい名前は " + digest + L".xml)";
    } else if (!IsDigestName(source_.Name())) {
        reach = L"どの PC も見つけません (名前が SHA-1 ではありません)";
    }
    if (kit_.hasCommon && !data_.isCommon) {
        report_.Error(source_.FilePlace(), L"D020", L"common.xml があるのに、このファイルには Common の印がありません。この PC では"
                                                    L"「設定情報がありません」と表示されます。<Common>true</Common> を加えてください");
        if (reach.empty())
            reach = L"「設定情報がありません」 (common.xml があり、Common の印がありません)";
    }
    if (!withPlan)
        return {};
    if (kit_.hasInitial)
        return L"initial.xml があるため、起動時に initial.xml が選ばれ、このファイルは使われません";
    if (!reach.empty())
        return reach;
    if (data_.isDone)
        return L"「設定済みです」 (Done)";
    if ((!kit_.hasCommon && !data_.hasSerial) || data_.ItemCount() == 0)
        return L"「設定情報がありません」";
    return L"シリアルナンバー " + Quoted(data_.serial) + L" の PC で " + std::to_wstring(data_.progress + 2) + L" 番目の項目から実行されます";
}

// Every Value needs Name and Method; one without makes the whole file unreadable.
bool CheckValueAttributes(const CValueElement& value, const CSourceText& source, CCheckReport& report)
{
    std::wstring text;
    bool complete = true;
    for (const wchar_t* attribute : {L"Name", L"Method"})
        if (!xmldom::Attribute(value.node.Get(), attribute, text)) {
            report.Error(source.PlaceOf(value.node.Get(), value.path), L"D001",
                         std::wstring(L"Value に ") + attribute + L" 属性がありません。このファイルは読み込めません");
            complete = false;
        }
    return complete;
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
        complete = CheckValueAttributes(value, source, report) && complete;
    MachineDataFile data;
    if (!complete)
        return summary;
    if (!data.Load(path)) {
        report.Error(source.FilePlace(), L"D002", L"peltacfg はこのファイルを読み込めません (パラメータ要素に Name がない、または最初のパラメータの後にコメントがあります)");
        return summary;
    }
    summary = {true, true, data.isDone, data.isCommon, data.ItemCount()};
    CDataChecker checker(kit, source, data, report);
    std::wstring reach = role == CDataRole::MACHINE ? checker.CheckReach(withPlan) : std::wstring();
    if (withPlan)
        report.Plan(relativeName + L": 項目 " + std::to_wstring(data.ItemCount()) + L" 件、Progress " + std::to_wstring(data.progress) +
                    (data.isDone ? L"、Done" : L"") + (reach.empty() ? L"" : L"、起動時: " + reach));
    std::vector<CValueElement> values = ValueElements(data.Document());
    for (size_t i = 0; i < data.ItemCount() && i < values.size(); ++i)
        checker.CheckItem(i, values[i], withPlan);
    checker.CheckProgress();
    checker.CheckFlags(role);
    return summary;
}
