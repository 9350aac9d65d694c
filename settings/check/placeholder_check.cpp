#include "placeholder_check.h"

#include <wrl/client.h>

#include <algorithm>
#include <cwctype>

#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

namespace {

bool IsLocation(const std::wstring& name) { return name == L"EXEDIR" || name == L"EXEPATH"; }

bool IsNameCharacter(wchar_t c)
{
    return std::iswalnum(c) || c == L'_' || c == L'-' || c == L'.' || c > 0x7F;
}

std::wstring Braced(const std::wstring& name) { return L"{" + name + L"}"; }

class CPlaceholderChecker {
public:
    CPlaceholderChecker(IXMLDOMNode* set, const CPlaceOfNode& at, CCheckReport& report) : at_(at), report_(report)
    {
        for (const auto& param : xmldom::SelectNodeVector(set, L"InParam/Param")) {
            std::wstring name;
            if (xmldom::Attribute(param.Get(), L"name", name))
                params_.push_back({param, name, false});
        }
    }

    void CheckCommand(IXMLDOMNode* command);
    void CheckScript(IXMLDOMNode* script);
    void CheckUnusedParams();

private:
    struct CParam {
        ComPtr<IXMLDOMNode> node;
        std::wstring name;
        bool used;
    };
    // Marks the Params the text uses; reports names that no Param defines.
    void CheckNames(IXMLDOMNode* element, const std::wstring& text);
    bool IsParam(const std::wstring& name) const;

    const CPlaceOfNode& at_;
    CCheckReport& report_;
    std::vector<CParam> params_;
};

bool CPlaceholderChecker::IsParam(const std::wstring& name) const
{
    return std::any_of(params_.begin(), params_.end(), [&](const CParam& p) { return p.name == name; });
}

void CPlaceholderChecker::CheckNames(IXMLDOMNode* element, const std::wstring& text)
{
    for (CParam& param : params_)
        param.used = param.used || text.find(Braced(param.name)) != std::wstring::npos;
    std::vector<std::wstring> names;
    for (const CParam& param : params_)
        names.push_back(param.name);
    // Without Params nothing but the location is ever replaced, and braces
    // there are the command's own.
    if (params_.empty())
        return;
    for (const CPlaceholder& token : PlaceholdersIn(text)) {
        if (IsLocation(token.name) || IsParam(token.name))
            continue;
        std::wstring similar = SameIgnoringCase(token.name, names);
        if (!similar.empty())
            report_.Warning(at_(element), L"C021", Braced(token.name) + L" を定義する Param がありません。Param \"" + similar +
                                                       L"\" のことですか (名前の大文字と小文字は区別されます)。" +
                                                       Braced(token.name) + L" は置き換えられずにそのまま実行されます");
        else
            report_.Warning(at_(element), L"C021", Braced(token.name) + L" を定義する Param がありません。置き換えられずにそのまま実行されます");
        return;  // one finding per text is enough to show the mistake
    }
}

void CPlaceholderChecker::CheckCommand(IXMLDOMNode* command)
{
    std::wstring line = xmldom::Text(command);
    for (const CPlaceholder& token : PlaceholdersIn(line)) {
        if (IsLocation(token.name) && params_.empty()) {
            report_.Error(at_(command), L"C019", Braced(token.name) + L" は Param のない定義では置き換えられません。"
                                                 L"そのまま実行され、この項目は失敗します。Param を 1 つ以上加えてください");
            return;
        }
    }
    CheckNames(command, line);
    if (params_.empty())
        return;
    // Quotes are counted along the line once: a token after an odd number of them is quoted.
    size_t counted = 0, quotes = 0;
    for (const CPlaceholder& token : PlaceholdersIn(line)) {
        quotes += static_cast<size_t>(std::count(line.begin() + static_cast<std::ptrdiff_t>(counted),
                                                 line.begin() + static_cast<std::ptrdiff_t>(token.offset), L'"'));
        counted = token.offset;
        if ((IsLocation(token.name) || IsParam(token.name)) && quotes % 2 == 0) {
            report_.Warning(at_(command), L"C023", Braced(token.name) + L" が引用符 (\") の外にあります。置き換えた文字列に空白があると、"
                                                   L"コマンドラインが空白で分かれ、別のプログラムや引数として実行されます。\"" +
                                                   Braced(token.name) + L"\" のように囲んでください");
            return;
        }
    }
}

void CPlaceholderChecker::CheckScript(IXMLDOMNode* script) { CheckNames(script, xmldom::Text(script)); }

void CPlaceholderChecker::CheckUnusedParams()
{
    for (const CParam& param : params_)
        if (!param.used)
            report_.Warning(at_(param.node.Get()), L"C022", L"Param \"" + param.name + L"\" はどのテキストにも " + Braced(param.name) +
                                                            L" として使われていません。データファイルの値は渡されません");
}

} // namespace

std::vector<CPlaceholder> PlaceholdersIn(const std::wstring& text)
{
    std::vector<CPlaceholder> found;
    for (size_t open = text.find(L'{'); open != std::wstring::npos; open = text.find(L'{', open + 1)) {
        size_t end = open + 1;
        while (end < text.size() && IsNameCharacter(text[end]))
            ++end;
        if (end < text.size() && text[end] == L'}' && end > open + 1 && !std::iswdigit(text[open + 1]))
            found.push_back({text.substr(open + 1, end - open - 1), open});
    }
    return found;
}

std::wstring SameIgnoringCase(const std::wstring& name, const std::vector<std::wstring>& names)
{
    for (const std::wstring& candidate : names)
        if (candidate != name && candidate.size() == name.size() && xmldom::EqualsNoCase(candidate, name.c_str()))
            return candidate;
    return {};
}

void CheckPlaceholders(IXMLDOMNode* set, const std::wstring& type, const CPlaceOfNode& at, CCheckReport& report)
{
    bool commands = xmldom::EqualsNoCase(type, L"Command") || xmldom::EqualsNoCase(type, L"Console");
    bool script = xmldom::EqualsNoCase(type, L"VBScript") || xmldom::EqualsNoCase(type, L"PowerShell");
    if (!commands && !script)
        return;
    CPlaceholderChecker checker(set, at, report);
    auto texts = xmldom::SelectNodeVector(set, commands ? L"Command" : L"Script");
    // A Command Set without Command elements runs the item's value: its Params fill nothing.
    if (texts.empty())
        return;
    for (const auto& text : texts)
        commands ? checker.CheckCommand(text.Get()) : checker.CheckScript(text.Get());
    checker.CheckUnusedParams();
}
