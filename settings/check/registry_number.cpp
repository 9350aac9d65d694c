#include "registry_number.h"

#include "registry_methods.h"

bool RegistryNumber(const std::wstring& text, bool isQword, unsigned long long& stored)
{
    return RegistryNumberOf(text, isQword, stored);
}

bool IsPlainDecimal(const std::wstring& text)
{
    size_t first = !text.empty() && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    return first < text.size() && text.find_first_not_of(L"0123456789", first) == std::wstring::npos;
}

std::wstring RegistryNumberRange(bool isQword)
{
    return isQword ? L"-9223372036854775808 から 18446744073709551615" : L"-2147483648 から 4294967295";
}
