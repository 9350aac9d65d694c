#include "item_plan.h"

#include <wrl/client.h>

#include <cstdio>
#include <vector>

#include "method_catalog.h"
#include "method_params.h"
#include "method_text.h"
#include "registry_number.h"
#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t* const SWITCHED_OFF = L"何もしません (値が yes ではありません)";

std::wstring Child(IXMLDOMNode* definition, const wchar_t* name)
{
    std::wstring text;
    xmldom::ChildText(definition, name, text);
    return text;
}

std::wstring RegistryPlace(IXMLDOMNode* definition)
{
    std::wstring root = Child(definition, L"Root");
    const wchar_t* hive = xmldom::EqualsNoCase(root, L"HKCR") ? L"HKCR" : xmldom::EqualsNoCase(root, L"HKCU") ? L"HKCU" : L"HKLM";
    std::wstring key = Child(definition, L"Key");
    std::wstring name = Child(definition, L"Name");
    bool view32 = key.find(L"Wow6432Node\\") != std::wstring::npos;
    return std::wstring(hive) + L"\\" + key + (view32 ? L" (32 ビット ビュー) " : L" (64 ビット ビュー) ") +
           (name.empty() ? L"(既定)" : name);
}

std::wstring IniPlace(IXMLDOMNode* definition)
{
    return L"INI " + Child(definition, L"Path") + L"\\" + Child(definition, L"File") + L" [" + Child(definition, L"Section") +
           L"] " + Child(definition, L"Key");
}

std::wstring WmiPlace(IXMLDOMNode* definition)
{
    std::wstring where = Child(definition, L"Where");
    return L"WMI " + Child(definition, L"Namespace") + L" " + Child(definition, L"Class") +
           (where.empty() ? L"" : L" Where " + where);
}

// For a number type, what is really stored: the bits in hexadecimal, or that
// nothing is written.
std::wstring RegistryNumberWritten(const std::wstring& valueType, const std::wstring& value)
{
    bool isQword = xmldom::EqualsNoCase(valueType, L"REG_QWORD");
    if (!isQword && !xmldom::EqualsNoCase(valueType, L"REG_DWORD"))
        return {};
    unsigned long long stored = 0;
    if (!RegistryNumber(value, isQword, stored))
        return L"、範囲外のため何も書き込まれず、この項目は失敗します";
    wchar_t text[40];
    std::swprintf(text, 40, isQword ? L"0x%016llx" : L"0x%08llx", stored);
    return L"、書き込まれる値 " + std::wstring(text) + L" = " + std::to_wstring(stored);
}

// The text with {EXEPATH}, {EXEDIR} and each Param's {name} replaced in the
// order the runners use.
std::wstring Filled(std::wstring text, const std::vector<ComPtr<IXMLDOMNode>>& params, const ItemValueMap& values,
                    const CPlanPaths& paths)
{
    ReplaceAll(text, L"{EXEPATH}", paths.exePath);
    ReplaceAll(text, L"{EXEDIR}", paths.exeDir);
    for (const auto& param : params) {
        std::wstring name, value;
        if (xmldom::Attribute(param.Get(), L"name", name) && ParamValue(param.Get(), values, value))
            ReplaceAll(text, L"{" + name + L"}", value);
    }
    return text;
}

std::wstring DescribeCommands(IXMLDOMNode* set, const ItemValueMap& values, const CPlanPaths& paths, bool console)
{
    const wchar_t* label = console ? L"コンソールのコマンドライン: " : L"コマンドライン: ";
    auto commands = xmldom::SelectNodeVector(set, L"Command");
    auto params = xmldom::SelectNodeVector(set, L"InParam/Param");
    if (commands.empty()) {
        std::wstring line = FirstValue(values);
        return line.empty() ? L"何もしません (値が空です)" : label + line;
    }
    if (params.empty() && !SwitchRule(values))
        return SWITCHED_OFF;
    std::wstring text;
    for (const auto& command : commands) {
        std::wstring line = xmldom::Text(command.Get());
        if (!text.empty())
            text += L"; ";
        if (line.empty())
            return text + L"空の Command: ここで終わります";
        text += label + (params.empty() ? line : Filled(line, params, values, paths));
    }
    return text;
}

std::wstring DescribeScript(IXMLDOMNode* set, const ItemValueMap& values, const CPlanPaths& paths, const std::wstring& type)
{
    auto params = xmldom::SelectNodeVector(set, L"InParam/Param");
    if (!xmldom::SelectNode(set, L"Script"))
        return L"何もしません (Script がありません)";
    if (params.empty() && !SwitchRule(values))
        return SWITCHED_OFF;
    std::wstring text = type + L" スクリプト";
    for (const auto& param : params) {
        std::wstring name, value;
        if (xmldom::Attribute(param.Get(), L"name", name) && ParamValue(param.Get(), values, value))
            text += L" " + name + L"=" + value;
    }
    return text;
}

std::wstring DescribeWmiMethod(IXMLDOMNode* set, const ItemValueMap& values)
{
    auto params = xmldom::SelectNodeVector(set, L"InParam/Param");
    if (params.empty() && !SwitchRule(values))
        return SWITCHED_OFF;
    std::wstring object = Child(set, L"Object");
    std::wstring text = L"WMI メソッド " + Child(set, L"Namespace") + L" " + Child(set, L"Class") +
                        (object.empty() ? L"" : L"." + object) + L" " + Child(set, L"Method") + L"(";
    for (size_t i = 0; i < params.size(); ++i) {
        std::wstring name, code, value;
        xmldom::Attribute(params[i].Get(), L"name", name);
        xmldom::Attribute(params[i].Get(), L"code", code);
        ParamValue(params[i].Get(), values, value);
        text += (i ? L", " : L"") + (code.empty() ? name : code) + L"=" + value;
    }
    return text + L")";
}

} // namespace

std::wstring DescribeSet(IXMLDOMNode* set, const ItemValueMap& values, const CPlanPaths& paths)
{
    std::wstring type;
    xmldom::Attribute(set, L"type", type);
    std::wstring value = FirstValue(values);
    if (xmldom::EqualsNoCase(type, L"Registry"))
        return RegistryPlace(set) + L" = " + value + L" (" + Child(set, L"Type") + RegistryNumberWritten(Child(set, L"Type"), value) + L")";
    if (xmldom::EqualsNoCase(type, L"Ini"))
        return IniPlace(set) + L" = " + value;
    if (xmldom::EqualsNoCase(type, L"WMI")) {
        std::wstring valueType;
        xmldom::Attribute(xmldom::SelectNode(set, L"Value").Get(), L"type", valueType);
        return WmiPlace(set) + L" " + Child(set, L"Property") + L" = " + value + L" (" + valueType + L")";
    }
    if (xmldom::EqualsNoCase(type, L"WMIExecute"))
        return DescribeWmiMethod(set, values);
    if (xmldom::EqualsNoCase(type, L"Command") || xmldom::EqualsNoCase(type, L"Console"))
        return DescribeCommands(set, values, paths, xmldom::EqualsNoCase(type, L"Console"));
    if (xmldom::EqualsNoCase(type, L"VBScript") || xmldom::EqualsNoCase(type, L"PowerShell"))
        return DescribeScript(set, values, paths, type);
    return L"何もしません: 不明な type のため、この項目は失敗します";
}

std::wstring DescribeGet(IXMLDOMNode* get)
{
    std::wstring type;
    xmldom::Attribute(get, L"type", type);
    std::wstring what;
    if (xmldom::EqualsNoCase(type, L"Registry"))
        what = RegistryPlace(get);
    else if (xmldom::EqualsNoCase(type, L"Ini"))
        what = IniPlace(get);
    else if (xmldom::EqualsNoCase(type, L"WMI"))
        what = WmiPlace(get) + L" " + Child(get, L"Property");
    else if (xmldom::EqualsNoCase(type, L"HDDPwd"))
        what = L"ディスクの型番とパスワードの状態";
    else
        return L"何も読み取りません: この項目は失敗します";
    return L"読み取ってファイルに記録: " + what;
}

std::wstring DescribeReboot(const ItemValueMap& values)
{
    return xmldom::EqualsNoCase(FirstValue(values), L"yes") ? L"ここで再起動します" : L"再起動しません (値が yes ではありません)";
}
