#include "written_value.h"

#include "leading_integer.h"
#include "wmi_value_rules.h"
#include "xml_dom.h"

namespace {

std::wstring Child(IXMLDOMNode* definition, const wchar_t* name)
{
    std::wstring text;
    xmldom::ChildText(definition, name, text);
    return text;
}

bool SameDword(const std::wstring& expected, const std::wstring& actual)
{
    unsigned long a = 0, b = 0;
    return DwordOfText(expected, a) && DwordOfText(actual, b) && a == b;
}

// The profile functions drop the blanks around a value when they read it.
std::wstring WithoutSurroundingBlanks(const std::wstring& text)
{
    size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

bool SameIniValue(IXMLDOMNode* get, const std::wstring& expected, const std::wstring& actual)
{
    if (xmldom::EqualsNoCase(Child(get, L"Type"), L"Int"))
        return LeadingInteger(expected) == LeadingInteger(actual);
    return WithoutSurroundingBlanks(expected) == actual;
}

bool SameWmiValue(IXMLDOMNode* set, const std::wstring& expected, const std::wstring& actual)
{
    std::wstring type;
    xmldom::Attribute(xmldom::SelectNode(set, L"Value").Get(), L"type", type);
    if (xmldom::EqualsNoCase(type, L"int"))
        return LeadingInteger(expected) == LeadingInteger(actual);
    if (xmldom::EqualsNoCase(type, L"bool"))
        return wmi::TextIsTrue(expected) == wmi::TextIsTrue(actual);
    return expected == actual;
}

} // namespace

bool DwordOfText(const std::wstring& text, unsigned long& value)
{
    size_t i = !text.empty() && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    if (i == text.size() || text.size() - i > 10)
        return false;
    long long number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        number = number * 10 + (text[i] - L'0');
    }
    if (text[0] == L'-')
        number = -number;
    if (number < -2147483648LL || number > 4294967295LL)
        return false;
    value = static_cast<unsigned long>(static_cast<unsigned long long>(number) & 0xFFFFFFFFULL);
    return true;
}

bool IsWrittenValue(IXMLDOMNode* set, IXMLDOMNode* get, const std::wstring& expected, const std::wstring& actual)
{
    std::wstring type;
    xmldom::Attribute(set, L"type", type);
    if (xmldom::EqualsNoCase(type, L"Registry") && xmldom::EqualsNoCase(Child(set, L"Type"), L"REG_DWORD"))
        return SameDword(expected, actual);
    if (xmldom::EqualsNoCase(type, L"Ini"))
        return SameIniValue(get, expected, actual);
    if (xmldom::EqualsNoCase(type, L"WMI"))
        return SameWmiValue(set, expected, actual);
    return expected == actual;
}
