#include "catalogue_check.h"
#include "required_children.h"

#include <iterator>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "placeholder_check.h"
#include "success_codes.h"
#include "wmi_methods.h"
#include "wmi_namespaces.h"
#include "xml_dom.h"
#include "xml_file_check.h"

using Microsoft::WRL::ComPtr;

namespace {

// Children whose text may name another method of the same catalogue as {Name}.
struct CReferenceSite {
    bool isSet;
    const wchar_t* type;
    const wchar_t* child;
};
const CReferenceSite REFERENCE_SITES[] = {
    {false, L"Ini", L"Path"},
    {true, L"Ini", L"Path"},
    {true, L"WMI", L"Where"},
    {true, L"WMIExecute", L"Object"},
};

class CCatalogueChecker {
public:
    CCatalogueChecker(CKitCatalogue& kit, CCheckReport& report) : kit_(kit), report_(report) {}

    // `index` counts the Data elements in document order.
    void CheckData(IXMLDOMNode* data, size_t index);
    void CheckReferenceCycles();
    void CheckSerialNumber();

private:
    // Places inside the Data being checked, found below its known path.
    CPlace At(IXMLDOMNode* node) const { return kit_.source.PlaceOf(node, anchor_); }
    void CheckName(IXMLDOMNode* data, const std::wstring& name);
    void CheckDefinition(IXMLDOMNode* definition, bool isSet);
    void CheckRequired(IXMLDOMNode* definition, const std::wstring& type, bool isSet);
    void CheckRegistry(IXMLDOMNode* definition, bool isSet);
    void CheckRegistryKey(IXMLDOMNode* key);
    void CheckNamespace(IXMLDOMNode* definition);
    void CheckParams(IXMLDOMNode* definition, const std::wstring& type);
    void CheckWmiValue(IXMLDOMNode* definition);
    void CheckSuccessCodes(IXMLDOMNode* definition);
    void CheckReferences(IXMLDOMNode* definition, const std::wstring& type, bool isSet);

    CKitCatalogue& kit_;
    CCheckReport& report_;
    std::wstring anchor_;  // the path of the Data being checked
    // name -> its first Data and that Data's path, placed only once a second one turns up
    std::map<std::wstring, std::pair<ComPtr<IXMLDOMNode>, std::wstring>> firstDefinition_;
    std::vector<std::wstring> iniGetMethods_;  // names whose Get resolves a {reference} in its Path
};

// The method name inside the first brace pair, or empty.
std::wstring ReferenceIn(const std::wstring& text)
{
    size_t open = text.find(L'{');
    size_t close = open == std::wstring::npos ? open : text.find(L'}', open);
    return close == std::wstring::npos ? std::wstring() : text.substr(open + 1, close - open - 1);
}

std::wstring DataPath(size_t index) { return L"/Datas[0]/Data[" + std::to_wstring(index) + L"]"; }

// The first segment of a registry key that names a root key, or empty.
std::wstring RootInKey(const std::wstring& key)
{
    std::wstring first = key.substr(0, key.find(L'\\'));
    for (const wchar_t* root : {L"HKLM", L"HKCU", L"HKCR", L"HKU", L"HKCC", L"HKEY_LOCAL_MACHINE", L"HKEY_CURRENT_USER",
                                L"HKEY_CLASSES_ROOT", L"HKEY_USERS", L"HKEY_CURRENT_CONFIG"})
        if (xmldom::EqualsNoCase(first, root))
            return first;
    return {};
}

void CCatalogueChecker::CheckData(IXMLDOMNode* data, size_t index)
{
    anchor_ = DataPath(index);
    ComPtr<IXMLDOMNode> nameNode = xmldom::SelectNode(data, L"Name");
    if (!nameNode) {
        report_.Error(At(data), L"C001", L"Data に Name がありません。このメソッドは使われません");
    } else {
        CheckName(data, xmldom::Text(nameNode.Get()));
    }
    if (ComPtr<IXMLDOMNode> get = xmldom::SelectNode(data, L"Method"))
        CheckDefinition(get.Get(), false);
    if (ComPtr<IXMLDOMNode> set = xmldom::SelectNode(data, L"Set"))
        CheckDefinition(set.Get(), true);
}

void CCatalogueChecker::CheckName(IXMLDOMNode* data, const std::wstring& name)
{
    if (name.find(L'\'') != std::wstring::npos)
        report_.Error(At(data), L"C003", L"メソッド名 " + name + L" にアポストロフィ (') があります。このメソッドは見つかりません");
    if (name.size() > MethodCatalog::MAX_METHOD_NAME)
        report_.Error(At(data), L"C004", L"メソッド名が 1003 文字を超えています。このメソッドは見つかりません");
    // The place of the first definition is needed only once a second one turns up.
    auto [first, added] = firstDefinition_.try_emplace(name, data, anchor_);
    if (!added)
        report_.Warning(At(data), L"C002", L"メソッド " + name + L" は " +
                                            std::to_wstring(kit_.source.PlaceOf(first->second.first.Get(), first->second.second).line) +
                                            L" 行目でも定義されています。最初の定義が使われます");
}

void CCatalogueChecker::CheckDefinition(IXMLDOMNode* definition, bool isSet)
{
    const wchar_t* element = isSet ? L"Set" : L"Method";
    std::wstring type;
    if (!xmldom::Attribute(definition, L"type", type)) {
        report_.Error(At(definition), L"C005", std::wstring(element) + L" に type 属性がありません");
        return;
    }
    if (!(isSet ? MethodCatalog::KnowsSetType(type) : MethodCatalog::KnowsGetType(type))) {
        report_.Error(At(definition), L"C006", std::wstring(element) + L" の type \"" + type + L"\" は使えません");
        return;
    }
    if (!isSet && xmldom::EqualsNoCase(type, L"PowerShell"))
        report_.Warning(At(definition), L"C015", L"type \"PowerShell\" の Get は何も読み取らず、常に失敗します");
    CheckRequired(definition, type, isSet);
    if (xmldom::EqualsNoCase(type, L"Registry"))
        CheckRegistry(definition, isSet);
    if (isSet)
        CheckParams(definition, type);
    if (isSet && xmldom::EqualsNoCase(type, L"WMI"))
        CheckWmiValue(definition);
    if (xmldom::EqualsNoCase(type, L"WMI") || xmldom::EqualsNoCase(type, L"WMIExecute"))
        CheckNamespace(definition);
    if (isSet)
        CheckPlaceholders(definition, type, [this](IXMLDOMNode* node) { return At(node); }, report_);
    if (isSet && (xmldom::EqualsNoCase(type, L"Command") || xmldom::EqualsNoCase(type, L"Console")))
        CheckSuccessCodes(definition);
    CheckReferences(definition, type, isSet);
}

void CCatalogueChecker::CheckRequired(IXMLDOMNode* definition, const std::wstring& type, bool isSet)
{
    const CRequired* begin = isSet ? std::begin(SET_REQUIRED) : std::begin(GET_REQUIRED);
    const CRequired* end = isSet ? std::end(SET_REQUIRED) : std::end(GET_REQUIRED);
    for (const CRequired* entry = begin; entry != end; ++entry) {
        if (!xmldom::EqualsNoCase(type, entry->type))
            continue;
        for (const wchar_t* child : entry->children)
            if (!xmldom::SelectNode(definition, child))
                report_.Error(At(definition), L"C007", std::wstring(isSet ? L"Set" : L"Method") + L" (type \"" + type +
                                                           L"\") に " + child + L" がありません");
    }
}

void CCatalogueChecker::CheckRegistry(IXMLDOMNode* definition, bool isSet)
{
    ComPtr<IXMLDOMNode> root = xmldom::SelectNode(definition, L"Root");
    std::wstring rootText = xmldom::Text(root.Get());
    if (root && !xmldom::EqualsNoCase(rootText, L"HKLM") && !xmldom::EqualsNoCase(rootText, L"HKCU") &&
        !xmldom::EqualsNoCase(rootText, L"HKCR"))
        report_.Error(At(root.Get()), L"C008", L"Root \"" + rootText + L"\" はルートキーではありません (HKLM、HKCU、HKCR)。HKLM に書き込まれます");
    if (ComPtr<IXMLDOMNode> key = xmldom::SelectNode(definition, L"Key"))
        CheckRegistryKey(key.Get());
    ComPtr<IXMLDOMNode> valueType = isSet ? xmldom::SelectNode(definition, L"Type") : nullptr;
    std::wstring typeText = xmldom::Text(valueType.Get());
    if (valueType && !xmldom::EqualsNoCase(typeText, L"REG_SZ") && !xmldom::EqualsNoCase(typeText, L"REG_DWORD") &&
        !xmldom::EqualsNoCase(typeText, L"REG_QWORD"))
        report_.Error(At(valueType.Get()), L"C009", L"Type \"" + typeText + L"\" は書き込めません (REG_SZ、REG_DWORD、REG_QWORD)");
}

void CCatalogueChecker::CheckRegistryKey(IXMLDOMNode* key)
{
    std::wstring text = xmldom::Text(key);
    std::wstring quoted = L"Key \"" + text + L"\" ";
    if (!text.empty() && (text.front() == L'\\' || text.back() == L'\\' || text.find(L"\\\\") != std::wstring::npos))
        report_.Error(At(key), L"C017", quoted + (text.front() == L'\\' ? L"は \\ で始まっています" : text.back() == L'\\' ? L"は \\ で終わっています"
                                                                                                          : L"に空の区切り (\\\\) があります") +
                                            L"。Windows はこのキーを開けないか、意図しない名前のキーとして扱います。余分な \\ を取り除いてください");
    else if (std::wstring root = RootInKey(text); !root.empty())
        report_.Error(At(key), L"C018", quoted + L"がルートキー " + root + L" で始まっています。Root の下に " + root +
                                            L" という名前のキーが作られ、そこに書き込まれます。ルートキーは Root にだけ書き、Key からは取り除いてください");
}

void CCatalogueChecker::CheckNamespace(IXMLDOMNode* definition)
{
    ComPtr<IXMLDOMNode> space = xmldom::SelectNode(definition, L"Namespace");
    std::wstring text = xmldom::Text(space.Get());
    if (space && !IsStandardWmiNamespace(text))
        report_.Warning(At(space.Get()), L"C024", L"Namespace \"" + text + L"\" は標準の Windows にある名前空間ではありません。"
                                                      L"綴りを確かめてください (例: root\\cimv2、root\\default、root\\wmi)。ない名前空間では項目が失敗します");
}

void CCatalogueChecker::CheckParams(IXMLDOMNode* definition, const std::wstring& type)
{
    ComPtr<IXMLDOMNodeList> params = xmldom::SelectNodes(definition, L"InParam/Param");
    ComPtr<IXMLDOMNode> param;
    while (params && params->nextNode(param.ReleaseAndGetAddressOf()) == S_OK && param) {
        std::wstring name, paramType;
        if (!xmldom::Attribute(param.Get(), L"name", name))
            report_.Error(At(param.Get()), L"C010", L"Param に name 属性がありません。このメソッドは実行されません");
        if (xmldom::EqualsNoCase(type, L"WMIExecute") &&
            (!xmldom::Attribute(param.Get(), L"type", paramType) || WmiValueType(paramType, true) == VT_EMPTY))
            report_.Error(At(param.Get()), L"C011", L"Param の type は string、stringarray、bool、int のどれかにしてください");
    }
}

void CCatalogueChecker::CheckWmiValue(IXMLDOMNode* definition)
{
    ComPtr<IXMLDOMNode> value = xmldom::SelectNode(definition, L"Value");
    std::wstring valueType;
    if (value && (!xmldom::Attribute(value.Get(), L"type", valueType) || WmiValueType(valueType, false) == VT_EMPTY))
        report_.Error(At(value.Get()), L"C011", L"Value の type は string、bool、int のどれかにしてください");
}

void CCatalogueChecker::CheckSuccessCodes(IXMLDOMNode* definition)
{
    ComPtr<IXMLDOMNode> codes = xmldom::SelectNode(definition, L"SuccessCodes");
    std::vector<int> parsed;
    if (codes && !ParseSuccessCodes(xmldom::Text(codes.Get()), parsed))
        report_.Error(At(codes.Get()), L"C025", L"SuccessCodes \"" + xmldom::Text(codes.Get()) +
                                                    L"\" は終了コードをコンマで区切った一覧 (例: 0,3010) ではありません。このメソッドは実行されません");
}

void CCatalogueChecker::CheckReferences(IXMLDOMNode* definition, const std::wstring& type, bool isSet)
{
    for (const CReferenceSite& site : REFERENCE_SITES) {
        if (site.isSet != isSet || !xmldom::EqualsNoCase(type, site.type))
            continue;
        ComPtr<IXMLDOMNode> child = xmldom::SelectNode(definition, site.child);
        std::wstring target = ReferenceIn(xmldom::Text(child.Get()));
        if (!child || target.empty())
            continue;
        if ((target == L"EXEDIR" || target == L"EXEPATH") && !kit_.catalog.Contains(target))
            report_.Error(At(child.Get()), L"C020", std::wstring(site.child) + L" の {" + target + L"} は置き換えられません。ここでは {…} は"
                                                        L"メソッド名を表し、" + target + L" というメソッドはありません。フォルダを直接書くか、フォルダを返す Get を持つメソッドを参照してください");
        else if (!kit_.catalog.Contains(target))
            report_.Error(At(child.Get()), L"C012", L"参照 {" + target + L"} のメソッドが " + kit_.fileName + L" にありません");
        else if (!Definition(kit_, target, false))
            report_.Error(At(child.Get()), L"C013", L"参照 {" + target + L"} のメソッドに Get (Method) がありません");
    }
}

// A Get of type Ini whose Path refers to a method reads that method's Get
// first; following those references must end somewhere.
void CCatalogueChecker::CheckReferenceCycles()
{
    std::set<std::wstring> reported;
    ComPtr<IXMLDOMNodeList> names = xmldom::SelectNodes(kit_.catalog.Document(), L"/Datas/Data/Name");
    ComPtr<IXMLDOMNode> nameNode;
    while (names && names->nextNode(nameNode.ReleaseAndGetAddressOf()) == S_OK && nameNode) {
        std::wstring start = xmldom::Text(nameNode.Get());
        std::wstring current = start;
        std::set<std::wstring> visited;
        ComPtr<IXMLDOMNode> path;
        while (visited.insert(current).second) {
            ComPtr<IXMLDOMNode> get = Definition(kit_, current, false);
            std::wstring type;
            if (!get || !xmldom::Attribute(get.Get(), L"type", type) || !xmldom::EqualsNoCase(type, L"Ini"))
                break;
            ComPtr<IXMLDOMNode> currentPath = xmldom::SelectNode(get.Get(), L"Path");
            if (current == start)
                path = currentPath;
            current = ReferenceIn(xmldom::Text(currentPath.Get()));
            if (current.empty())
                break;
        }
        // One finding per cycle at most: the whole path is walked for its place.
        if (current == start && !start.empty() && path && reported.insert(start).second)
            report_.Error(kit_.source.PlaceOf(path.Get()), L"C014", L"メソッド " + start + L" の参照をたどると自分に戻ります (循環参照)");
    }
}

void CCatalogueChecker::CheckSerialNumber()
{
    if (!kit_.catalog.Contains(L"SerialNumber"))
        report_.Error(kit_.source.FilePlace(), L"C016", L"SerialNumber メソッドがありません。peltacfg はシリアルナンバーを取得できません");
    else if (!Definition(kit_, L"SerialNumber", false))
        report_.Error(kit_.source.FilePlace(), L"C016", L"SerialNumber メソッドに Get (Method) がありません。peltacfg はシリアルナンバーを取得できません");
}

} // namespace

ComPtr<IXMLDOMNode> Definition(CKitCatalogue& kit, const std::wstring& method, bool isSet)
{
    ComPtr<IXMLDOMNode> data = kit.catalog.DataElement(method);
    return data ? xmldom::SelectNode(data.Get(), isSet ? L"Set" : L"Method") : nullptr;
}

void CheckCatalogue(CKitCatalogue& kit, const std::wstring& path, bool isMain, CCheckReport& report)
{
    kit.present = kit.source.Load(path, kit.fileName);
    if (!kit.present) {
        if (isMain)
            report.Error(kit.source.FilePlace(), L"F001", L"ファイルがありません。peltacfg は「設定ファイルの読み込みに失敗しました」を表示します");
        return;
    }
    if (!ParseKitXml(path, kit.source, L"Datas", report))
        return;
    if (!kit.catalog.LoadFile(path)) {
        report.Error(kit.source.FilePlace(), L"F002", L"peltacfg はこのファイルを読み込めません [" + std::to_wstring(kit.catalog.lastError) + L"]");
        return;
    }
    kit.usable = true;
    CCatalogueChecker checker(kit, report);
    ComPtr<IXMLDOMNodeList> datas = xmldom::SelectNodes(kit.catalog.Document(), L"/Datas/Data");
    ComPtr<IXMLDOMNode> data;
    for (size_t index = 0; datas && datas->nextNode(data.ReleaseAndGetAddressOf()) == S_OK && data; ++index)
        checker.CheckData(data.Get(), index);
    checker.CheckReferenceCycles();
    if (isMain)
        checker.CheckSerialNumber();
}
