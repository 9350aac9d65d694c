#include "item_verdict.h"

#include <exception>

#include "reboot_item.h"
#include "written_value.h"
#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

namespace {

ItemVerdict CannotCheck(const std::wstring& reason)
{
    ItemVerdict verdict;
    verdict.status = VerifyStatus::CANNOT_CHECK;
    verdict.reason = reason;
    return verdict;
}

ComPtr<IXMLDOMNode> Definition(MethodCatalog& catalog, const std::wstring& method, const wchar_t* name)
{
    ComPtr<IXMLDOMNode> data = catalog.DataElement(method);
    return data ? xmldom::SelectNode(data.Get(), name) : nullptr;
}

// Why a Get cannot give one value to compare; empty when it can.
std::wstring WhyNoSingleValue(IXMLDOMNode* get)
{
    std::wstring type;
    xmldom::Attribute(get, L"type", type);
    if (xmldom::EqualsNoCase(type, L"PowerShell"))
        return L"PowerShell の Get は何も読み取りません";
    if (xmldom::EqualsNoCase(type, L"HDDPwd"))
        return L"Get がディスクの一覧を読むため比べられません";
    if (xmldom::EqualsNoCase(type, L"WMI") && !xmldom::SelectNode(get, L"Property"))
        return L"Get が一覧か表を読むため比べられません";
    return std::wstring();
}

// Runs the Get alone; a definition the catalogue throws on is a failed read.
bool ReadNow(MethodCatalog& catalog, const std::wstring& method, MethodResult& result, ItemVerdict& verdict)
{
    bool read = false;
    catalog.lastError = 0;
    try {
        read = catalog.RunGet(method, result);
    } catch (const std::exception&) {
        catalog.lastError = E_UNEXPECTED;
    } catch (...) {
        catalog.lastError = E_UNEXPECTED;
    }
    if (!read) {
        verdict.status = VerifyStatus::READ_FAILED;
        verdict.code = catalog.lastError;
        return false;
    }
    if (result.kind != MethodResult::SINGLE) {
        verdict = CannotCheck(L"Get が一覧か表を読むため比べられません");
        return false;
    }
    return true;
}

// Set types whose effect is a value that the method's Get reads back.
bool WritesAValue(const std::wstring& type)
{
    return xmldom::EqualsNoCase(type, L"Registry") || xmldom::EqualsNoCase(type, L"Ini") || xmldom::EqualsNoCase(type, L"WMI");
}

ItemVerdict VerifySet(MethodCatalog& catalog, const std::wstring& method, IXMLDOMNode* set, const std::wstring& expected)
{
    std::wstring type;
    xmldom::Attribute(set, L"type", type);
    if (!MethodCatalog::KnowsSetType(type))
        return CannotCheck(L"Set の type \"" + type + L"\" は使えません");
    if (!WritesAValue(type))
        return CannotCheck(L"Set (" + type + L") は処理を実行する型で、結果を読み取れません");
    if (xmldom::EqualsNoCase(type, L"Registry")) {
        std::wstring valueType;
        xmldom::ChildText(set, L"Type", valueType);
        if (!xmldom::EqualsNoCase(valueType, L"REG_SZ") && !xmldom::EqualsNoCase(valueType, L"REG_DWORD") &&
            !xmldom::EqualsNoCase(valueType, L"REG_QWORD"))
            return CannotCheck(L"Set の Type \"" + valueType + L"\" は書き込まれないため比べられません");
    }
    ComPtr<IXMLDOMNode> get = Definition(catalog, method, L"Method");
    if (!get)
        return CannotCheck(L"メソッドに Get (Method) がないため読み取れません");
    std::wstring why = WhyNoSingleValue(get.Get());
    if (!why.empty())
        return CannotCheck(why);
    ItemVerdict verdict;
    MethodResult result;
    if (!ReadNow(catalog, method, result, verdict))
        return verdict;
    verdict.expected = expected;
    verdict.actual = result.value;
    verdict.status = IsWrittenValue(set, get.Get(), expected, result.value) ? VerifyStatus::MATCH : VerifyStatus::DIFFERS;
    return verdict;
}

// A method without Set: the run read it with the Get of methods.xml and
// stored the value in the file.
ItemVerdict VerifyReadBack(MethodCatalog& main, const std::wstring& method, const std::wstring& stored)
{
    ComPtr<IXMLDOMNode> get = Definition(main, method, L"Method");
    if (!get)
        return CannotCheck(L"Set がなく、methods.xml に Get もありません");
    std::wstring why = WhyNoSingleValue(get.Get());
    if (!why.empty())
        return CannotCheck(why);
    ItemVerdict verdict;
    MethodResult result;
    if (!ReadNow(main, method, result, verdict))
        return verdict;
    verdict.expected = stored;
    verdict.actual = result.value;
    verdict.status = stored == result.value ? VerifyStatus::MATCH : VerifyStatus::CHANGED;
    return verdict;
}

} // namespace

ItemVerdict VerifyItem(const MachineDataFile& data, size_t index, VerifyCatalogues catalogues)
{
    // A hand-edited progress below -1 counts as none, as in the run.
    if (data.progress < 0 || index > static_cast<size_t>(data.progress)) {
        ItemVerdict verdict;
        verdict.status = VerifyStatus::NOT_APPLIED;
        return verdict;
    }
    const std::wstring& method = data.itemMethods[index];
    if (IsRebootMethod(method))
        return CannotCheck(L"再起動の項目です");
    MethodCatalog* holder = catalogues.users.Contains(method) ? &catalogues.users
                            : catalogues.main.Contains(method) ? &catalogues.main : nullptr;
    if (!holder)
        return CannotCheck(L"メソッド " + method + L" はどのカタログにもありません");
    std::wstring value = FirstValue(data.itemParams[index]);
    ComPtr<IXMLDOMNode> set = Definition(*holder, method, L"Set");
    if (set)
        return VerifySet(*holder, method, set.Get(), value);
    return VerifyReadBack(catalogues.main, method, value);
}
