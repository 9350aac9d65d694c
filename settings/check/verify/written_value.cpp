#include "written_value.h"

#include "leading_integer.h"
#include "registry_methods.h"
#include "wmi_value_rules.h"
#include "xml_dom.h"

namespace {

std::wstring Child(IXMLDOMNode* definition, const wchar_t* name)
{
    std::wstring text;
    xmldom::ChildText(definition, name, text);
    return text;
}

// The same bits, each text read as the registry executor reads it.
bool SameRegistryNumber(const std::wstring& expected, const std::wstring& actual, bool isQword)
{
    unsigned long long a = 0, b = 0;
    return RegistryNumberOf(expected, isQword, a) && RegistryNumberOf(actual, isQword, b) && a == b;
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

bool IsWrittenValue(IXMLDOMNode* set, IXMLDOMNode* get, const std::wstring& expected, const std::wstring& actual)
{
    std::wstring type;
    xmldom::Attribute(set, L"type", type);
    if (xmldom::EqualsNoCase(type, L"Registry")) {
        std::wstring valueType = Child(set, L"Type");
        bool isQword = xmldom::EqualsNoCase(valueType, L"REG_QWORD");
        if (isQword || xmldom::EqualsNoCase(valueType, L"REG_DWORD"))
            return SameRegistryNumber(expected, actual, isQword);
    }
    if (xmldom::EqualsNoCase(type, L"Ini"))
        return SameIniValue(get, expected, actual);
    if (xmldom::EqualsNoCase(type, L"WMI"))
        return SameWmiValue(set, expected, actual);
    return expected == actual;
}
