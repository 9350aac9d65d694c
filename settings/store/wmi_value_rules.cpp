#include "wmi_value_rules.h"

#include <oleauto.h>

#include "leading_integer.h"

namespace {
constexpr size_t TEXT_BUFFER = 1024; // characters, terminator included
} // namespace

namespace wmi {

Bstr MakeBstr(const std::wstring& text)
{
    return Bstr(text.c_str(), static_cast<UINT>(text.size()));
}

bool BuildQuery(const std::wstring& className, const std::wstring& condition, std::wstring& query)
{
    std::wstring conditionPart;
    if (!condition.empty())
        conditionPart = L"where " + condition;
    if (conditionPart.size() >= TEXT_BUFFER)
        return false;
    std::wstring text = L"SELECT * FROM " + className + L" " + conditionPart;
    if (text.size() >= TEXT_BUFFER)
        return false;
    query = std::move(text);
    return true;
}

bool BuildObjectPath(const std::wstring& className, const std::wstring& objectKey, std::wstring& path)
{
    std::wstring text = objectKey.empty() ? className : className + L"." + objectKey;
    if (text.size() >= TEXT_BUFFER)
        return false;
    path = std::move(text);
    return true;
}

static bool ArrayToText(SAFEARRAY* array, std::wstring& text)
{
    if (!array || ::SafeArrayGetDim(array) < 1)
        return false;
    LONG lower = 0, upper = -1;
    if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) || FAILED(::SafeArrayGetUBound(array, 1, &upper)))
        return false;
    std::wstring joined;
    for (LONG i = lower; i <= upper; ++i) {
        Bstr element;
        // An element that cannot be read, or a null string, is absent: it adds
        // neither text nor a separator.
        if (FAILED(::SafeArrayGetElement(array, &i, element.put())) || !element.get())
            continue;
        joined.append(element.c_str(), element.length());
        if (i != upper)
            joined += L"; ";
    }
    text = std::move(joined);
    return true;
}

bool ValueToText(const VARIANT& value, std::wstring& text)
{
    switch (value.vt) {
    case VT_BSTR:
        text.assign(value.bstrVal ? value.bstrVal : L"", value.bstrVal ? ::SysStringLen(value.bstrVal) : 0);
        return true;
    case VT_I4:
        text = std::to_wstring(value.lVal);
        return true;
    case VT_ARRAY | VT_BSTR:
        return ArrayToText(value.parray, text);
    default:
        return false;
    }
}

bool TextIsTrue(const std::wstring& text)
{
    return ::CompareStringOrdinal(text.c_str(), static_cast<int>(text.size()), L"true", -1, TRUE) == CSTR_EQUAL
        || text == L"1";
}

std::vector<std::wstring> SplitList(const std::wstring& text)
{
    std::vector<std::wstring> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end > start)
            pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

static bool ListToArray(const std::wstring& text, Variant& value)
{
    std::vector<std::wstring> pieces = SplitList(text);
    SafeArray array(::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(pieces.size())));
    if (!array.get())
        return false;
    for (LONG i = 0; i < static_cast<LONG>(pieces.size()); ++i) {
        Bstr piece = MakeBstr(pieces[i]);
        if (FAILED(::SafeArrayPutElement(array.get(), &i, piece.get()))) // copies the string
            return false;
    }
    VARIANT* v = value.put();
    v->vt = VT_ARRAY | VT_BSTR;
    v->parray = array.release();
    return true;
}

bool TextToValue(const std::wstring& text, VARTYPE type, Variant& value)
{
    switch (type) {
    case VT_BSTR: {
        Bstr copy = MakeBstr(text);
        if (!copy.get())
            return false;
        VARIANT* v = value.put();
        v->vt = VT_BSTR;
        v->bstrVal = copy.release();
        return true;
    }
    case VT_I4: {
        VARIANT* v = value.put();
        v->vt = VT_I4;
        v->lVal = LeadingInteger(text);
        return true;
    }
    case VT_BOOL: {
        VARIANT* v = value.put();
        v->vt = VT_BOOL;
        v->boolVal = TextIsTrue(text) ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    }
    case VT_ARRAY | VT_BSTR:
        return ListToArray(text, value);
    default:
        return false;
    }
}

} // namespace wmi
