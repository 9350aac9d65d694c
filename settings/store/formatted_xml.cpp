#include "formatted_xml.h"

#include <objbase.h>

#include "raii.h"
#include "xml_dom.h"
#include "xml_text_scanner.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const char XML_DECLARATION[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
const char LINE_END[] = "\r\n";

// One code point of UTF-16 text, advancing `i`. A lone surrogate comes back
// as U+FFFD so that the output is always valid UTF-8.
char32_t NextCodePoint(std::wstring_view text, size_t& i)
{
    char32_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF) {
        if (i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
            return 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
        return 0xFFFD;
    }
    if (c >= 0xDC00 && c <= 0xDFFF)
        return 0xFFFD;
    return c;
}

// Characters an XML 1.0 document can hold at all, even as a reference.
bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsNameStartChar(char32_t c)
{
    return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0xD6)
        || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D)
        || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F)
        || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF)
        || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c)
{
    return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7
        || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

enum class Escape { NONE, TEXT, ATTRIBUTE };

// Appends text as UTF-8. Markup characters are escaped as the context needs;
// CR (and in attribute values tab and LF) become references because a parser
// would otherwise normalise them away. A character that XML cannot carry at
// all (a control character read back from a PC, say) is written as U+FFFD:
// the file must stay loadable, whatever a value held.
// Printable ASCII that the context writes as it is: almost all of a data
// file, so it is copied in runs rather than character by character.
bool IsPlainAscii(wchar_t c, Escape escape)
{
    if (c < 0x20 || c >= 0x7F)
        return false;
    if (escape == Escape::NONE)
        return true;
    return c != '&' && c != '<' && c != '>' && (escape == Escape::TEXT || c != '"');
}

void AppendText(std::string& out, std::wstring_view text, Escape escape)
{
    for (size_t i = 0; i < text.size();) {
        size_t run = i;
        while (run < text.size() && IsPlainAscii(text[run], escape))
            ++run;
        if (run > i) {
            size_t at = out.size();
            out.resize(at + (run - i));
            for (char* to = out.data() + at; i < run; ++i)
                *to++ = static_cast<char>(text[i]);
            continue;
        }
        char32_t c = NextCodePoint(text, i);
        if (!IsXmlChar(c))
            c = 0xFFFD;
        if (escape != Escape::NONE) {
            const char* ref = nullptr;
            switch (c) {
            case '&': ref = "&amp;"; break;
            case '<': ref = "&lt;"; break;
            case '>': ref = "&gt;"; break;
            case '\r': ref = "&#13;"; break;
            case '"': ref = escape == Escape::ATTRIBUTE ? "&quot;" : nullptr; break;
            case '\t': ref = escape == Escape::ATTRIBUTE ? "&#9;" : nullptr; break;
            case '\n': ref = escape == Escape::ATTRIBUTE ? "&#10;" : nullptr; break;
            default: break;
            }
            if (ref) {
                out += ref;
                continue;
            }
        }
        AppendUtf8(out, c);
    }
}

// Element shapes found by a first scan of the text: whether an element has
// anything to write inside it, and whether that includes text (then nothing
// inside it is indented, since added white space would become text).
enum : uint8_t { HAS_CHILD = 1, HAS_TEXT = 2 };

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsBlankCData(std::wstring_view content) { return std::all_of(content.begin(), content.end(), IsSpace); }

// A text piece left over where a comment, instruction or CDATA section held
// its own end marker: the DOM holds a node that no parser would read back.
bool HoldsEndMarker(std::wstring_view text)
{
    return text.find(L"-->") != std::wstring_view::npos || text.find(L"?>") != std::wstring_view::npos
        || text.find(L"]]>") != std::wstring_view::npos;
}

bool ElementShapes(std::wstring_view xml, std::vector<uint8_t>& shapes)
{
    using Kind = CXmlTextScanner::Kind;
    CXmlTextScanner scanner(xml);
    std::vector<std::pair<size_t, std::wstring_view>> open;
    for (;;) {
        CXmlTextScanner::Token token = scanner.Next();
        uint8_t parent = 0;
        switch (token.kind) {
        case Kind::END:
            return open.empty();
        case Kind::START_TAG:
            if (!open.empty())
                shapes[open.back().first] |= HAS_CHILD;
            shapes.push_back(0);
            if (!token.selfClosing)
                open.emplace_back(shapes.size() - 1, token.name);
            continue;
        case Kind::END_TAG:
            if (open.empty() || open.back().second != token.name)
                return false;
            open.pop_back();
            continue;
        case Kind::TEXT:
            if (HoldsEndMarker(token.body))
                return false;
            parent = IsBlankXmlText(token.body) ? 0 : HAS_CHILD | HAS_TEXT;
            break;
        case Kind::CDATA:
            parent = IsBlankCData(token.body) ? 0 : HAS_CHILD | HAS_TEXT;
            break;
        case Kind::COMMENT:
        case Kind::INSTRUCTION:
            parent = HAS_CHILD;
            break;
        case Kind::DOCTYPE:
            if (!open.empty())
                return false;
            continue;
        default:
            return false;
        }
        if (open.empty()) {
            // Outside the document element only markup is written.
            if (parent & HAS_TEXT)
                return false;
        } else {
            shapes[open.back().first] |= parent;
        }
    }
}

// Re-indents the DOM's own text of a document. Every piece of text and every
// attribute value is decoded and escaped again by our own rules, so that the
// output does not depend on how the DOM chose to escape its text.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    bool Document(std::wstring_view xml)
    {
        if (!ElementShapes(xml, shapes_))
            return false;
        out_ = XML_DECLARATION;
        out_.reserve(xml.size() + xml.size() / 4);
        CXmlTextScanner scanner(xml);
        for (CXmlTextScanner::Token token = scanner.Next(); token.kind != CXmlTextScanner::Kind::END;
             token = scanner.Next())
            if (!Piece(token))
                return false;
        // Without a document element the text would not parse again.
        return hasRoot_;
    }

private:
    struct Open {
        std::wstring_view name;
        int depth;      // of the element itself
        int childDepth; // of its children; < 0 inside an element with text
        bool written;   // false when it was written as an empty element
    };

    std::string& out_;
    std::vector<uint8_t> shapes_;
    size_t nextShape_ = 0;
    std::vector<Open> open_;
    std::wstring decoded_;
    bool hasRoot_ = false;

    int Depth() const { return open_.empty() ? 0 : open_.back().childDepth; }

    // Text or an attribute value as the DOM holds it, escaped by our rules.
    bool AppendDecoded(std::wstring_view raw, Escape escape)
    {
        if (std::none_of(raw.begin(), raw.end(), [](wchar_t c) { return c == L'&' || c == L'\r'; })) {
            AppendText(out_, raw, escape);
            return true;
        }
        if (!DecodeXmlReferences(raw, decoded_))
            return false;
        AppendText(out_, decoded_, escape);
        return true;
    }

    std::wstring_view Unfolded(std::wstring_view raw)
    {
        if (raw.find(L'\r') == std::wstring_view::npos)
            return raw;
        decoded_.clear();
        UnfoldLineEnds(raw, decoded_);
        return decoded_;
    }

    // depth < 0: inside an element with text, where added whitespace would
    // become part of that text, so nothing is indented or broken.
    void LineStart(int depth) { out_.append(depth > 0 ? static_cast<size_t>(depth) : 0, '\t'); }
    void LineEnd(int depth)
    {
        if (depth >= 0)
            out_ += LINE_END;
    }

    bool Piece(const CXmlTextScanner::Token& token)
    {
        using Kind = CXmlTextScanner::Kind;
        switch (token.kind) {
        case Kind::START_TAG:
            return StartTag(token);
        case Kind::END_TAG:
            EndTag();
            return true;
        case Kind::TEXT:
            // Empty or white-space-only text would not come back from our
            // loader, which drops white space between tags; it is skipped so
            // that the first save equals later ones.
            if (IsBlankXmlText(token.body))
                return true;
            return AppendDecoded(token.body, Escape::TEXT);
        case Kind::CDATA:
            if (!IsBlankCData(token.body))
                AppendText(out_, Unfolded(token.body), Escape::TEXT);
            return true;
        case Kind::COMMENT:
            return Comment(token.body);
        case Kind::INSTRUCTION:
            return Instruction(token);
        case Kind::DOCTYPE:
            return true;
        default:
            return false;
        }
    }

    bool StartTag(const CXmlTextScanner::Token& tag)
    {
        if (!IsXmlName(tag.name) || nextShape_ >= shapes_.size())
            return false;
        uint8_t shape = shapes_[nextShape_++];
        int depth = Depth();
        hasRoot_ = hasRoot_ || open_.empty();
        LineStart(depth);
        out_ += '<';
        AppendText(out_, tag.name, Escape::NONE);
        if (!Attributes(tag.body))
            return false;
        if (!(shape & HAS_CHILD)) {
            out_ += "/>";
            LineEnd(depth);
            if (!tag.selfClosing)
                open_.push_back({tag.name, depth, depth, false});
            return true;
        }
        out_ += '>';
        int childDepth = ((shape & HAS_TEXT) || depth < 0) ? -1 : depth + 1;
        if (childDepth >= 0)
            out_ += LINE_END;
        open_.push_back({tag.name, depth, childDepth, true});
        return true;
    }

    void EndTag()
    {
        Open element = open_.back();
        open_.pop_back();
        if (!element.written)
            return;
        if (element.childDepth >= 0)
            LineStart(element.depth);
        out_ += "</";
        AppendText(out_, element.name, Escape::NONE);
        out_ += '>';
        LineEnd(element.depth);
    }

    bool Attributes(std::wstring_view body)
    {
        std::wstring_view name, value;
        bool bad = false;
        while (CXmlTextScanner::NextAttribute(body, name, value, bad)) {
            if (!IsXmlName(name))
                return false;
            out_ += ' ';
            AppendText(out_, name, Escape::NONE);
            out_ += "=\"";
            if (!AppendDecoded(value, Escape::ATTRIBUTE))
                return false;
            out_ += '"';
        }
        return !bad;
    }

    bool Comment(std::wstring_view raw)
    {
        std::wstring_view value = Unfolded(raw);
        // A comment made through the DOM may hold what no parser accepts.
        if (value.find(L"--") != std::wstring_view::npos || (!value.empty() && value.back() == L'-'))
            return false;
        int depth = Depth();
        LineStart(depth);
        out_ += "<!--";
        AppendText(out_, value, Escape::NONE);
        out_ += "-->";
        LineEnd(depth);
        return true;
    }

    bool Instruction(const CXmlTextScanner::Token& instruction)
    {
        // The document's own declaration is replaced by ours.
        if (open_.empty() && instruction.name == L"xml")
            return true;
        if (!IsXmlName(instruction.name) || xmldom::EqualsNoCase(std::wstring(instruction.name), L"xml"))
            return false;
        int depth = Depth();
        LineStart(depth);
        out_ += "<?";
        AppendText(out_, instruction.name, Escape::NONE);
        if (!instruction.body.empty()) {
            out_ += ' ';
            AppendText(out_, Unfolded(instruction.body), Escape::NONE);
        }
        out_ += "?>";
        LineEnd(depth);
        return true;
    }
};

// True when the DOM's own save wrote UTF-8: no other byte-order mark, and a
// declaration, if any, naming UTF-8 (a document declaring another encoding
// is saved in that one).
bool IsUtf8Save(std::string_view& bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    if (bytes.substr(0, 5) != "<?xml")
        return bytes.substr(0, 2) != "\xFF\xFE" && bytes.substr(0, 2) != "\xFE\xFF";
    std::string_view declaration = bytes.substr(0, bytes.find("?>"));
    size_t at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return true;
    size_t open = declaration.find_first_of("\"'", at);
    size_t close = open == std::string_view::npos ? open : declaration.find(declaration[open], open + 1);
    if (close == std::string_view::npos)
        return false;
    std::wstring name(declaration.begin() + open + 1, declaration.begin() + close);
    return xmldom::EqualsNoCase(name, L"UTF-8");
}

// The document's text through the DOM's own save into memory: one call, and
// under Wine several times quicker than its xml property, which builds the
// same text in UTF-16 in several copies. False when the save failed or chose
// another encoding; the caller then asks for the xml property.
bool SavedText(IXMLDOMNode* node, std::wstring& text)
{
    Microsoft::WRL::ComPtr<IXMLDOMDocument> document;
    Microsoft::WRL::ComPtr<IStream> stream;
    if (FAILED(node->QueryInterface(__uuidof(IXMLDOMDocument), reinterpret_cast<void**>(document.GetAddressOf())))
        || FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
        return false;
    Variant target;
    target->vt = VT_UNKNOWN;
    target->punkVal = stream.Get();
    stream->AddRef();
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (document->save(*target.get()) != S_OK || FAILED(::GetHGlobalFromStream(stream.Get(), &memory))
        || FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart > INT_MAX)
        return false;
    const char* start = static_cast<const char*>(::GlobalLock(memory));
    if (!start)
        return false;
    std::string_view bytes(start, static_cast<size_t>(stat.cbSize.QuadPart));
    bool utf8 = IsUtf8Save(bytes);
    if (utf8 && !bytes.empty()) {
        int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        text.resize(static_cast<size_t>(length > 0 ? length : 0));
        utf8 = length > 0 && ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                   text.data(), length) == length;
    }
    ::GlobalUnlock(memory);
    return utf8 && !text.empty();
}

} // namespace

bool IsXmlName(std::wstring_view name)
{
    if (name.empty())
        return false;
    size_t i = 0;
    if (!IsNameStartChar(NextCodePoint(name, i)))
        return false;
    while (i < name.size())
        if (!IsNameChar(NextCodePoint(name, i)))
            return false;
    return true;
}

bool FormatXml(IXMLDOMNode* document, std::string& utf8)
{
    utf8.clear();
    if (!document)
        return false;
    std::wstring saved;
    if (SavedText(document, saved))
        return IndentXmlText(saved, utf8);
    Bstr xml;
    if (document->get_xml(xml.put()) != S_OK)
        return false;
    return IndentXmlText(std::wstring_view(xml.c_str(), xml.length()), utf8);
}


bool IndentXmlText(std::wstring_view xml, std::string& utf8)
{
    Writer writer(utf8);
    if (!writer.Document(xml)) {
        utf8.clear();
        return false;
    }
    return true;
}

bool ReplaceFileContents(const std::wstring& path, std::string_view bytes, DWORD& error)
{
    error = ERROR_SUCCESS;
    // Unique per thread, so two savers never write into each other's file;
    // a file left by a crash is overwritten by the next save of that name.
    std::wstring temp = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-"
                      + std::to_wstring(::GetCurrentThreadId()) + L".tmp";
    {
        UniqueHandle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            error = ::GetLastError();
            return false;
        }
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
                error = ::GetLastError();
                if (error == ERROR_SUCCESS)
                    error = ERROR_WRITE_FAULT;
                break;
            }
            done += written;
        }
        if (error == ERROR_SUCCESS && !::FlushFileBuffers(file.get()))
            error = ::GetLastError();
    }
    if (error == ERROR_SUCCESS
        && !::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = ::GetLastError();
    if (error != ERROR_SUCCESS) {
        ::DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool SaveFormattedXml(IXMLDOMDocument* document, const std::wstring& path)
{
    std::string text;
    bool formatted = FormatXml(document, text);
    if (!formatted)
        return false;
    DWORD error = 0;
    return ReplaceFileContents(path, text, error);
}
