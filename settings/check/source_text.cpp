#include "source_text.h"

#include <wrl/client.h>

#include <algorithm>

#include "raii.h"
#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

std::wstring Utf8ToWide(const std::string& bytes)
{
    if (bytes.empty())
        return {};
    int size = static_cast<int>(bytes.size());
    int count = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(count > 0 ? count : 0), L'\0');
    if (count > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, wide.data(), count);
    return wide;
}

namespace {

std::wstring Utf16ToWide(const std::string& bytes, bool bigEndian)
{
    std::wstring wide;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        unsigned char first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
        wide.push_back(static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return wide;
}

// Length of the UTF-8 sequence at `at`, 0 when it is not one.
size_t Utf8SequenceLength(const std::string& bytes, size_t at)
{
    unsigned char lead = static_cast<unsigned char>(bytes[at]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > bytes.size())
        return 0;
    for (size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(bytes[at + k]) & 0xC0) != 0x80)
            return 0;
    return length;
}

bool IsNameEnd(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'/' || c == L'>';
}

// The offset just past `terminator` from `from`, or the end of the text.
size_t SkipPast(const std::wstring& text, size_t from, const wchar_t* terminator)
{
    size_t end = text.find(terminator, from);
    return end == std::wstring::npos ? text.size() : end + std::char_traits<wchar_t>::length(terminator);
}

} // namespace

bool CSourceText::Load(const std::wstring& path, const std::wstring& relativeName)
{
    name_ = relativeName;
    bytes_.clear();
    indexed_ = false;
    startTags_.clear();
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes_.append(buffer, got);

    utf16_ = bytes_.rfind("\xFF\xFE", 0) == 0 || bytes_.rfind("\xFE\xFF", 0) == 0;
    if (utf16_)
        text_ = Utf16ToWide(bytes_, bytes_[0] == '\xFE');
    else
        text_ = Utf8ToWide(HasUtf8Mark() ? bytes_.substr(3) : bytes_);

    lineStarts_.assign(1, 0);
    for (size_t i = 0; i < text_.size(); ++i) {
        bool crlf = text_[i] == L'\r' && i + 1 < text_.size() && text_[i + 1] == L'\n';
        if ((text_[i] == L'\r' && !crlf) || text_[i] == L'\n')
            lineStarts_.push_back(i + 1);
    }
    return true;
}

CPlace CSourceText::PlaceOfOffset(size_t offset) const
{
    size_t line = static_cast<size_t>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset) - lineStarts_.begin()) - 1;
    return {name_, static_cast<long>(line + 1), static_cast<long>(offset - lineStarts_[line] + 1)};
}

size_t CSourceText::FirstBadUtf8Byte() const
{
    for (size_t at = HasUtf8Mark() ? 3 : 0; at < bytes_.size();) {
        size_t length = Utf8SequenceLength(bytes_, at);
        if (length == 0)
            return at;
        at += length;
    }
    return std::string::npos;
}

CPlace CSourceText::PlaceOfByte(size_t byteOffset) const
{
    size_t start = HasUtf8Mark() ? 3 : 0;
    return PlaceOfOffset(Utf8ToWide(bytes_.substr(start, byteOffset - start)).size());
}

namespace {

// The element's name, or empty for any other kind of node.
std::wstring ElementName(IXMLDOMNode* node)
{
    DOMNodeType type = NODE_INVALID;
    Bstr tagName;
    if (!node || FAILED(node->get_nodeType(&type)) || type != NODE_ELEMENT || FAILED(node->get_nodeName(tagName.put())))
        return {};
    return std::wstring(tagName.c_str(), tagName.length());
}

// The element's path, each step its tag name and its position among the
// earlier siblings of that name. The siblings are walked rather than
// counted by a path expression, which costs far more per call. With
// `ancestorPath`, the steps down to that ancestor's depth are taken from it
// and only the levels below it are walked.
std::wstring ElementPath(IXMLDOMNode* element, const std::wstring* ancestorPath = nullptr)
{
    std::vector<std::pair<ComPtr<IXMLDOMNode>, std::wstring>> chain;  // the element first, the root last
    ComPtr<IXMLDOMNode> node = element;
    for (std::wstring name = ElementName(node.Get()); !name.empty(); name = ElementName(node.Get())) {
        chain.emplace_back(node, name);
        ComPtr<IXMLDOMNode> parent;
        if (node->get_parentNode(&parent) != S_OK)
            break;
        node = parent;
    }
    size_t known = ancestorPath ? static_cast<size_t>(std::count(ancestorPath->begin(), ancestorPath->end(), L'/')) : 0;
    if (known > chain.size())
        known = 0;
    std::wstring path;
    for (size_t step = 0; step + known < chain.size(); ++step) {
        const auto& [current, name] = chain[step];
        long ordinal = 0;
        for (ComPtr<IXMLDOMNode> sibling = current; sibling;) {
            ComPtr<IXMLDOMNode> previous;
            if (sibling->get_previousSibling(&previous) != S_OK)
                break;
            ordinal += ElementName(previous.Get()) == name ? 1 : 0;
            sibling = previous;
        }
        path = L"/" + name + L"[" + std::to_wstring(ordinal) + L"]" + path;
    }
    return known ? *ancestorPath + path : path;
}

// The offset just past the '>' that ends the tag at `at`; quoted attribute
// values may hold '>'.
size_t TagEnd(const std::wstring& text, size_t at)
{
    wchar_t quote = 0;
    for (size_t i = at + 1; i < text.size(); ++i) {
        if (quote)
            quote = text[i] == quote ? 0 : quote;
        else if (text[i] == L'"' || text[i] == L'\'')
            quote = text[i];
        else if (text[i] == L'>')
            return i + 1;
    }
    return text.size();
}

// Offset past a DOCTYPE declaration, internal subset included.
size_t DoctypeEnd(const std::wstring& text, size_t at)
{
    size_t open = text.find(L'[', at), close = text.find(L'>', at);
    if (open != std::wstring::npos && open < close)
        return SkipPast(text, open, L"]>");
    return close == std::wstring::npos ? text.size() : close + 1;
}

} // namespace

CPlace CSourceText::PlaceOf(IXMLDOMNode* element) const
{
    return PlaceOfPath(ElementPath(element));
}

CPlace CSourceText::PlaceOf(IXMLDOMNode* element, const std::wstring& ancestorPath) const
{
    return PlaceOfPath(ElementPath(element, &ancestorPath));
}

CPlace CSourceText::PlaceOfPath(const std::wstring& path) const
{
    IndexStartTags();
    auto found = startTags_.find(path);
    return found == startTags_.end() ? FilePlace() : PlaceOfOffset(found->second);
}

void CSourceText::IndexStartTags() const
{
    if (indexed_)
        return;
    indexed_ = true;
    struct Open {
        std::wstring path;
        std::map<std::wstring, long> children;
    };
    std::vector<Open> stack(1);
    for (size_t at = text_.find(L'<'); at != std::wstring::npos; at = text_.find(L'<', at)) {
        if (text_.compare(at, 4, L"<!--") == 0) {
            at = SkipPast(text_, at, L"-->");
        } else if (text_.compare(at, 9, L"<![CDATA[") == 0) {
            at = SkipPast(text_, at, L"]]>");
        } else if (text_.compare(at, 2, L"<?") == 0) {
            at = SkipPast(text_, at, L"?>");
        } else if (text_.compare(at, 2, L"<!") == 0) {
            at = DoctypeEnd(text_, at);
        } else if (text_.compare(at, 2, L"</") == 0) {
            if (stack.size() > 1)
                stack.pop_back();
            at = TagEnd(text_, at);
        } else {
            size_t nameEnd = at + 1;
            while (nameEnd < text_.size() && !IsNameEnd(text_[nameEnd]))
                ++nameEnd;
            std::wstring name = text_.substr(at + 1, nameEnd - at - 1);
            size_t end = TagEnd(text_, at);
            Open& parent = stack.back();
            std::wstring path = parent.path + L"/" + name + L"[" + std::to_wstring(parent.children[name]++) + L"]";
            startTags_.emplace(path, at);
            if (!(end >= 2 && text_[end - 2] == L'/'))
                stack.push_back({path, {}});
            at = end;
        }
    }
}
