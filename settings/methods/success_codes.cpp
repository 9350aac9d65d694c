#include "success_codes.h"

#include "xml_dom.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool ParseCode(const std::wstring& text, size_t from, size_t to, int& code)
{
    while (from < to && IsBlank(text[from]))
        ++from;
    while (to > from && IsBlank(text[to - 1]))
        --to;
    bool negative = from < to && text[from] == L'-';
    if (from < to && (text[from] == L'-' || text[from] == L'+'))
        ++from;
    if (from == to)
        return false;
    // Exit codes are 32 bits: up to 4294967295 written unsigned, the way a
    // program that returns 0xFFFFFFFF is usually documented.
    const long long limit = negative ? 2147483648LL : 4294967295LL;
    long long number = 0;
    for (size_t i = from; i < to; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        number = number * 10 + (text[i] - L'0');
        if (number > limit)
            return false;
    }
    code = static_cast<int>(static_cast<unsigned>(negative ? -number : number));
    return true;
}

} // namespace

bool ParseSuccessCodes(const std::wstring& text, std::vector<int>& codes)
{
    codes.clear();
    size_t from = 0;
    for (;;) {
        size_t comma = text.find(L',', from);
        size_t to = comma == std::wstring::npos ? text.size() : comma;
        int code = 0;
        if (!ParseCode(text, from, to, code)) {
            codes.clear();
            return false;
        }
        codes.push_back(code);
        if (comma == std::wstring::npos)
            return true;
        from = comma + 1;
    }
}

bool SuccessCodesOf(IXMLDOMNode* definition, std::vector<int>& codes)
{
    std::wstring text;
    if (!xmldom::ChildText(definition, L"SuccessCodes", text)) {
        codes = {0};
        return true;
    }
    return ParseSuccessCodes(text, codes);
}
