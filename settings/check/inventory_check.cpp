#include "inventory_check.h"

#include <vector>

#include "inventory_list.h"
#include "source_text.h"

namespace {

const wchar_t* const BLANKS = L" \t\r\u3000";

// Line numbers of the lines the list reader takes as names, in order.
std::vector<long> NameLines(const std::string& bytes)
{
    std::vector<long> lines;
    long line = 1;
    for (size_t start = 0; start < bytes.size(); ++line) {
        size_t end = bytes.find('\n', start);
        size_t next = end == std::string::npos ? bytes.size() : end + 1;
        if (start < bytes.size() && bytes[start] != '\n' && bytes[start] != '#' &&
            !(bytes[start] == '\r' && start + 1 < bytes.size() && bytes[start + 1] == '\n'))
            lines.push_back(line);
        start = next;
    }
    return lines;
}

bool HasMultiByteUtf8(const CSourceText& source)
{
    bool multiByte = false;
    for (char c : source.Bytes())
        multiByte = multiByte || static_cast<unsigned char>(c) >= 0x80;
    return multiByte && source.FirstBadUtf8Byte() == std::string::npos;
}

// False when the text cannot be read as names at all.
bool CheckInventoryEncoding(const CSourceText& source, CCheckReport& report)
{
    if (source.IsUtf16()) {
        report.Error(source.FilePlace(), L"I001", L"UTF-16 で保存されています。ANSI (シフトJIS) で保存してください");
        return false;
    }
    if (source.HasUtf8Mark())
        report.Error(source.PlaceAt(1, 1), L"I001", L"先頭に BOM があります。最初の名前が一致しません。BOM なしの ANSI (シフトJIS) で保存してください");
    else if (HasMultiByteUtf8(source))
        report.Warning(source.FilePlace(), L"I002", L"UTF-8 で保存されているようです。ANSI (シフトJIS) として読まれるため、日本語の名前は一致しません");
    return true;
}

} // namespace

void CheckInventory(CKitCatalogue& methods, const std::wstring& path, CCheckReport& report)
{
    CSourceText source;
    std::vector<std::wstring> names;
    if (!source.Load(path, L"inventory") || !CheckInventoryEncoding(source, report) || !ReadInventoryList(path, names))
        return;
    std::vector<long> lines = NameLines(source.Bytes());
    // The first name of a file with a byte-order mark carries the mark; it
    // was reported as such.
    for (size_t i = source.HasUtf8Mark() ? 1 : 0; i < names.size(); ++i) {
        CPlace place = source.PlaceAt(i < lines.size() ? lines[i] : 0, i < lines.size() ? 1 : 0);
        const std::wstring quoted = L"\"" + names[i] + L"\"";
        size_t first = names[i].find_first_not_of(BLANKS), last = names[i].find_last_not_of(BLANKS);
        if (first != 0 || last + 1 != names[i].size())
            report.Warning(place, L"I005", L"名前 " + quoted + L" の前後に空白があります。空白も名前の一部として探されるため、" +
                                               (first == std::wstring::npos ? std::wstring(L"どのメソッドとも")
                                                                            : L"メソッド \"" + names[i].substr(first, last - first + 1) + L"\" と") +
                                               L"一致せず、インベントリに記録されません。空白を取り除いてください");
        else if (!methods.catalog.Contains(names[i]))
            report.Warning(place, L"I003", L"メソッド " + quoted + L" は methods.xml にありません。インベントリに記録されません");
        else if (!Definition(methods, names[i], false))
            report.Warning(place, L"I004", L"メソッド " + quoted + L" に Get (Method) がありません。インベントリに記録されません");
    }
}
