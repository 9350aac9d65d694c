#include "registry_number.h"

#include <limits>

bool RegistryNumber(const std::wstring& text, bool isQword, unsigned long long& stored)
{
    bool negative = !text.empty() && text[0] == L'-';
    size_t first = !text.empty() && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    if (first == text.size())
        return false;
    const unsigned long long limit = isQword ? std::numeric_limits<unsigned long long>::max() : 0xFFFFFFFFull;
    // The magnitude of the lowest negative value: 2^63 or 2^31.
    const unsigned long long negativeLimit = isQword ? (1ull << 63) : (1ull << 31);
    unsigned long long magnitude = 0;
    for (size_t i = first; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        unsigned digit = static_cast<unsigned>(text[i] - L'0');
        if (magnitude > (limit - digit) / 10)
            return false;
        magnitude = magnitude * 10 + digit;
    }
    if (negative && magnitude > negativeLimit)
        return false;
    stored = negative ? (0ull - magnitude) & limit : magnitude;
    return true;
}

std::wstring RegistryNumberRange(bool isQword)
{
    return isQword ? L"-9223372036854775808 から 18446744073709551615" : L"-2147483648 から 4294967295";
}
