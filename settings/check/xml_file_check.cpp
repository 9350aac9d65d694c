#include "xml_file_check.h"

#include <cstdio>

#include "raii.h"
#include "sax_error_place.h"
#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

namespace {

// The encoding named in the XML declaration, or empty when none is named.
std::wstring DeclaredEncoding(const std::string& bytes)
{
    size_t start = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    if (bytes.compare(start, 5, "<?xml") != 0)
        return {};
    size_t end = bytes.find("?>", start);
    size_t key = bytes.find("encoding", start);
    if (end == std::string::npos || key == std::string::npos || key > end)
        return {};
    size_t open = bytes.find_first_of("\"'", key);
    if (open == std::string::npos || open > end)
        return {};
    size_t close = bytes.find(bytes[open], open + 1);
    if (close == std::string::npos || close > end)
        return {};
    return Utf8ToWide(bytes.substr(open + 1, close - open - 1));
}

bool IsUnicodeName(const std::wstring& encoding)
{
    return xmldom::EqualsNoCase(encoding, L"UTF-8") || xmldom::EqualsNoCase(encoding, L"UTF-16") ||
           xmldom::EqualsNoCase(encoding, L"UTF8");
}

// False after reporting an encoding that peltacfg would misread.
bool CheckEncoding(const CSourceText& source, CCheckReport& report)
{
    if (source.IsUtf16())
        return true;
    std::wstring encoding = DeclaredEncoding(source.Bytes());
    if (!encoding.empty() && !IsUnicodeName(encoding) && source.HasUtf8Mark()) {
        report.Error(source.FilePlace(), L"F007",
                     L"先頭に UTF-8 の BOM がありますが、XML 宣言の文字コードは " + encoding +
                         L" です。peltacfg はこのファイルを読み込めないか、文字を取り違えます。宣言を encoding=\"UTF-8\" にしてください");
        return true;
    }
    if (!encoding.empty() && !IsUnicodeName(encoding)) {
        report.Warning(source.FilePlace(), L"F005",
                       L"文字コード " + encoding + L" が宣言されています。UTF-8 で保存してください");
        return true;
    }
    size_t bad = source.FirstBadUtf8Byte();
    if (bad == std::string::npos)
        return true;
    report.Error(source.PlaceOfByte(bad), L"F004",
                 L"UTF-8 ではない文字があります (シフトJIS で保存されていませんか)。UTF-8 で保存してください");
    return false;
}

void ReportParseError(IXMLDOMDocument2* document, const std::wstring& path, long errorCode, const CSourceText& source,
                      CCheckReport& report)
{
    long line = 0, column = 0;
    std::wstring reason;
    ComPtr<IXMLDOMParseError> error;
    if (SUCCEEDED(document->get_parseError(&error)) && error) {
        error->get_line(&line);
        error->get_linepos(&column);
        Bstr text;
        if (SUCCEEDED(error->get_reason(text.put())) && text.length() > 0)
            reason.assign(text.c_str(), text.length());
    }
    if (line <= 0) {
        CSaxErrorPlace place = FindSaxErrorPlace(path);
        if (place.found && place.line > 0) {
            line = place.line;
            column = place.column;
            reason = place.message;
        }
    }
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' '))
        reason.pop_back();
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lx", static_cast<unsigned long>(errorCode));
    report.Error(source.PlaceAt(line > 0 ? line : 0, line > 0 ? column : 0), L"F002",
                 L"XML の形式が正しくありません [" + std::wstring(code) + L"]" + (reason.empty() ? L"" : L" " + reason));
}

} // namespace

ComPtr<IXMLDOMDocument2> ParseKitXml(const std::wstring& path, const CSourceText& source, const wchar_t* rootName,
                                     CCheckReport& report)
{
    if (!CheckEncoding(source, report))
        return nullptr;
    ComPtr<IXMLDOMDocument2> document;
    HRESULT hr = xmldom::CreateDocument(document);
    if (FAILED(hr)) {
        report.Error(source.FilePlace(), L"F001", L"XML 部品 (MSXML 6.0) を使えません");
        return nullptr;
    }
    long errorCode = 0;
    if (!xmldom::LoadFile(document.Get(), path, errorCode)) {
        ReportParseError(document.Get(), path, errorCode, source, report);
        return nullptr;
    }
    ComPtr<IXMLDOMElement> root;
    if (document->get_documentElement(&root) != S_OK || !root || !xmldom::IsElementNamed(root.Get(), rootName)) {
        report.Error(root ? source.PlaceOf(root.Get()) : source.FilePlace(), L"F003",
                     std::wstring(L"ルート要素が ") + rootName + L" ではありません");
        return nullptr;
    }
    return document;
}
