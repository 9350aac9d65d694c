#include "formatted_xml.h"

#include <objbase.h>

#include "file_replace.h"
#include "raii.h"
#include "xml_dom.h"
#include "xml_text_scanner.h"

#include <algorithm>
#include <climits>
#include <cstring>
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

constexpr bool IsNameStartChar(char32_t c)
{
    return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0xD6)
        || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D)
        || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F)
        || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF)
        || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

constexpr bool IsNameChar(char32_t c)
{
    return IsNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7
        || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// UTF-16 text as UTF-8, a lone surrogate as U+FFFD.
std::string ToUtf8(std::wstring_view text)
{
    std::string utf8;
    utf8.reserve(text.size() + text.size() / 2);
    for (size_t i = 0; i < text.size();)
        AppendUtf8(utf8, NextCodePoint(text, i));
    return utf8;
}

// True for well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF). Mostly ASCII, so eight bytes at a time are checked first.
bool IsValidUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        if (end - p >= 8) {
            uint64_t eight;
            std::memcpy(&eight, p, 8);
            if (!(eight & 0x8080808080808080ull)) {
                p += 8;
                continue;
            }
        }
        unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (c < 0xC2 || c > 0xF4 || static_cast<size_t>(end - p) < length)
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F) || (c == 0xF0 && p[1] < 0x90)
            || (c == 0xF4 && p[1] > 0x8F))
            return false;
        p += length;
    }
    return true;
}

// One code point of well-formed UTF-8, advancing `i`.
char32_t NextCodePoint(std::string_view text, size_t& i)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    char32_t c = byte(i);
    if (c < 0x80) {
        ++i;
        return c;
    }
    size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    c &= length == 4 ? 0x07 : length == 3 ? 0x0F : 0x1F;
    for (size_t k = 1; k < length; ++k)
        c = (c << 6) | (byte(i + k) & 0x3F);
    i += length;
    return c;
}

enum class Escape { NONE, TEXT, ATTRIBUTE };

// For each byte of UTF-8 text, whether the context writes it as it is:
// almost all of a data file, so it is copied in runs. The others are
// markup characters escaped as the context needs; CR (and in attribute
// values tab and LF), which become references because a parser would
// otherwise normalise them away; control characters XML cannot carry; and
// the lead byte of U+FFFE and U+FFFF, which XML cannot carry either.
struct ByteTables {
    bool plain[3][256];
    bool nameStart[128];
    bool name[128];
    constexpr ByteTables() : plain(), nameStart(), name()
    {
        for (int e = 0; e < 3; ++e)
            for (int c = 0; c < 256; ++c) {
                bool markup = e != 0 && (c == '&' || c == '<' || c == '>' || c == '\r' || (e == 2 && (c == '"' || c == '\t' || c == '\n')));
                bool control = c < 0x20 && c != '\t' && c != '\n' && c != '\r';
                plain[e][c] = !markup && !control && c != 0xEF;
            }
        for (int c = 0; c < 128; ++c) {
            nameStart[c] = IsNameStartChar(static_cast<char32_t>(c));
            name[c] = IsNameChar(static_cast<char32_t>(c));
        }
    }
};
constexpr ByteTables BYTES;

const char REPLACEMENT[] = "\xEF\xBF\xBD";
const char TABS[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";

// The indented text, written through a cursor into room made in steps. Its
// pieces are short and many (several per element): a call into the
// run-time library for each of them cost more than the whole scan. Only the
// room in use is touched, so the text does not weigh more than it is.
class COutput {
public:
    explicit COutput(std::string& text) : text_(text) {}

    void Start(size_t expected)
    {
        text_.clear();
        text_.reserve(expected);
        begin_ = cursor_ = end_ = text_.data();
    }
    void Finish() { text_.resize(static_cast<size_t>(cursor_ - begin_)); }

    // A cursor with room for `n` bytes; Advance() takes it back. Inline and
    // on plain pointers: it is asked for several times an element.
    char* Room(size_t n)
    {
        if (static_cast<size_t>(end_ - cursor_) < n)
            Grow(n);
        return cursor_;
    }
    void Advance(char* to) { cursor_ = to; }
    // How much is written, and going back to such a length.
    size_t Used() const { return static_cast<size_t>(cursor_ - begin_); }
    void Truncate(size_t used) { cursor_ = begin_ + used; }

    template <size_t N>
    void Put(const char (&text)[N])
    {
        std::memcpy(Room(N - 1), text, N - 1);
        cursor_ += N - 1;
    }
    void Tabs(int depth)
    {
        if (depth <= 0)
            return;
        char* to = Room(static_cast<size_t>(depth) + sizeof TABS);
        if (depth < static_cast<int>(sizeof TABS))
            std::memcpy(to, TABS, sizeof TABS);
        else
            std::memset(to, '\t', static_cast<size_t>(depth));
        cursor_ += depth;
    }

    // Copies bytes already known to be what they must be.
    void Raw(std::string_view bytes)
    {
        std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
        cursor_ += bytes.size();
    }

    // Copies an element, attribute or instruction name; false when it is
    // not an XML name.
    bool Name(std::string_view name)
    {
        if (name.empty())
            return false;
        char* to = Room(name.size());
        for (size_t i = 0; i < name.size();) {
            auto c = static_cast<unsigned char>(name[i]);
            bool first = i == 0;
            if (c < 0x80) {
                if (!(first ? BYTES.nameStart[c] : BYTES.name[c]))
                    return false;
                *to++ = static_cast<char>(c);
                ++i;
                continue;
            }
            size_t at = i;
            char32_t code = NextCodePoint(name, i);
            if (!(first ? IsNameStartChar(code) : IsNameChar(code)))
                return false;
            while (at < i)
                *to++ = name[at++];
        }
        Advance(to);
        return true;
    }

    // Appends well-formed UTF-8 text, escaped for its context. A character
    // that XML cannot carry at all (a control character read back from a
    // PC, say) is written as U+FFFD: the file must stay loadable, whatever
    // a value held. `raw`: text or an attribute value as the DOM wrote it,
    // whose references are resolved and whose CR LF line ends are unfolded
    // on the way; false for a reference the text cannot resolve by itself.
    bool Text(std::string_view text, Escape escape, bool raw = false)
    {
        const bool* plain = BYTES.plain[static_cast<int>(escape)];
        const char* p = text.data();
        const char* end = p + text.size();
        while (p < end) {
            // In slices, so that the room for the longest escapes stays
            // small (a reference or line end may end past the slice).
            size_t slice = std::min<size_t>(static_cast<size_t>(end - p), SLICE);
            const char* stop = p + slice;
            char* to = Room(slice * 6 + 16);
            while (p < stop) {
                auto c = static_cast<unsigned char>(*p++);
                if (plain[c]) {
                    *to++ = static_cast<char>(c);
                } else if (c == 0xEF) {
                    to = LeadEF(p, end, to);
                } else if (raw && c == '&') {
                    to = Reference(p, end, escape, to);
                    if (!to)
                        return false;
                } else if (raw && c == '\r' && p < end && *p == '\n') {
                    ++p;
                    to = plain['\n'] ? Copy(to, "\n") : Copy(to, "&#10;");
                } else {
                    to = Escaped(c, to);
                }
            }
            Advance(to);
        }
        return true;
    }

private:
    static constexpr size_t STEP = 64 * 1024;
    static constexpr size_t SLICE = 4096;

    std::string& text_;
    char* begin_ = nullptr;
    char* cursor_ = nullptr;
    char* end_ = nullptr;

    // More room, in steps; the text written so far stays where the cursor
    // says.
    void Grow(size_t n)
    {
        size_t used = static_cast<size_t>(cursor_ - begin_);
        text_.resize(std::max(used + n, text_.size() + STEP));
        begin_ = text_.data();
        cursor_ = begin_ + used;
        end_ = begin_ + text_.size();
    }

    template <size_t N>
    static char* Copy(char* to, const char (&text)[N])
    {
        std::memcpy(to, text, N - 1);
        return to + N - 1;
    }

    // U+FFFE and U+FFFF are not characters XML can carry.
    static char* LeadEF(const char*& p, const char* end, char* to)
    {
        if (end - p >= 2 && static_cast<unsigned char>(p[0]) == 0xBF && (static_cast<unsigned char>(p[1]) & 0xFE) == 0xBE) {
            p += 2;
            return Copy(to, REPLACEMENT);
        }
        *to++ = '\xEF';
        return to;
    }

    // An ASCII character the context does not write as it is.
    static char* Escaped(unsigned char c, char* to)
    {
        switch (c) {
        case '&': return Copy(to, "&amp;");
        case '<': return Copy(to, "&lt;");
        case '>': return Copy(to, "&gt;");
        case '\r': return Copy(to, "&#13;");
        case '"': return Copy(to, "&quot;");
        case '\t': return Copy(to, "&#9;");
        case '\n': return Copy(to, "&#10;");
        default: return Copy(to, REPLACEMENT);
        }
    }

    // The reference after '&' at `p`, up to its ';'.
    static bool NextReference(const char*& p, const char* end, char32_t& code)
    {
        const char* semi = p;
        while (semi < end && *semi != ';')
            ++semi;
        if (semi == end || !DecodeXmlReference(std::string_view(p, static_cast<size_t>(semi - p)), code))
            return false;
        p = semi + 1;
        return true;
    }

    // The character of a reference, escaped for its context. Half of a
    // surrogate pair is U+FFFD unless the other half is the next reference.
    static char* Reference(const char*& p, const char* end, Escape escape, char* to)
    {
        char32_t code = 0;
        if (!NextReference(p, end, code))
            return nullptr;
        if (IsHighSurrogate(code)) {
            const char* next = p + 1;
            char32_t low = 0;
            if (p < end && *p == '&' && NextReference(next, end, low) && IsLowSurrogate(low)) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                p = next;
            } else {
                code = 0xFFFD;
            }
        } else if (IsLowSurrogate(code) || code == 0xFFFE || code == 0xFFFF) {
            code = 0xFFFD;
        }
        if (code >= 0x80)
            return EncodeUtf8(code, to);
        if (BYTES.plain[static_cast<int>(escape)][code]) {
            *to++ = static_cast<char>(code);
            return to;
        }
        return Escaped(static_cast<unsigned char>(code), to);
    }
};

// An element's shape: whether it has anything to write inside it, and
// whether that includes text (then nothing inside it is indented, since
// added white space would become text).
enum : uint8_t { HAS_CHILD = 1, HAS_TEXT = 2 };

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsBlankCData(std::string_view content) { return std::all_of(content.begin(), content.end(), IsSpace); }

// A text piece left over where a comment, instruction or CDATA section held
// its own end marker: the DOM holds a node that no parser would read back.
bool HoldsEndMarker(std::string_view text)
{
    return text.find('>') != std::string_view::npos
        && (text.find("-->") != std::string_view::npos || text.find("?>") != std::string_view::npos
            || text.find("]]>") != std::string_view::npos);
}

// Re-indents the DOM's own text of a document (well-formed UTF-8). Every
// piece of text and every attribute value is decoded and escaped again by
// our own rules, so that the output does not depend on how the DOM chose to
// escape its text.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    bool Document(std::string_view xml)
    {
        // Once, for the whole text: indentation and escaping rarely add
        // more than half; room that is reserved but never written costs no
        // memory that the process touches.
        out_.Start(sizeof XML_DECLARATION + xml.size() + xml.size() / 2);
        out_.Put(XML_DECLARATION);
        scanner_ = CXmlTextScanner(xml);
        for (;;) {
            size_t at = scanner_.Position();
            CXmlTextScanner::Token token = scanner_.Next();
            if (token.kind == CXmlTextScanner::Kind::END)
                break;
            if (!Piece(token, at))
                return false;
        }
        out_.Finish();
        // Without a document element the text would not parse again.
        return hasRoot_ && open_.empty();
    }

private:
    struct Open {
        std::string_view name;
        int depth;      // of the element itself
        int childDepth; // of its children; < 0 inside an element with text
        bool written;   // false when it was written as an empty element
        size_t at;      // where its start tag begins in the text
        size_t outAt;   // and in the output
        bool preserve;  // inside xml:space="preserve": white space is content
    };

    COutput out_;
    CXmlTextScanner scanner_{std::string_view()};
    std::vector<Open> open_;
    std::string decoded_;
    bool hasRoot_ = false;
    // The start tag of an element found to hold text after its children
    // had been indented: it is written again, without indentation.
    size_t textElementAt_ = std::string_view::npos;

    int Depth() const { return open_.empty() ? 0 : open_.back().childDepth; }
    bool Preserving() const { return !open_.empty() && open_.back().preserve; }

    // Whether white space inside an element is its content: xml:space on
    // the element itself, else what its parent says. Nothing is added or
    // dropped there, so that a parameter list or a blank value marked so
    // reads back as it was written.
    bool PreservesSpace(std::string_view body) const
    {
        // Almost no element says it: its attributes are read only when it might.
        if (body.find("xml:space") == std::string_view::npos)
            return Preserving();
        std::string_view name, value;
        bool bad = false;
        while (CXmlTextScanner::NextAttribute(body, name, value, bad)) {
            if (name != "xml:space")
                continue;
            if (value == "preserve")
                return true;
            if (value == "default")
                return false;
        }
        return Preserving();
    }

    std::string_view Unfolded(std::string_view raw)
    {
        if (raw.find('\r') == std::string_view::npos)
            return raw;
        decoded_.clear();
        UnfoldLineEnds(raw, decoded_);
        return decoded_;
    }

    // depth < 0: inside an element with text, where added whitespace would
    // become part of that text, so nothing is indented or broken.
    void LineStart(int depth) { out_.Tabs(depth); }
    void LineEnd(int depth)
    {
        if (depth >= 0)
            out_.Put(LINE_END);
    }

    // The shape of an element from what follows its start tag: nothing to
    // write inside it (only white space up to its end tag), text first, or
    // markup first (then text after a child element is found when it comes).
    uint8_t Shape(const CXmlTextScanner::Token& tag, size_t at, bool preserve) const
    {
        using Kind = CXmlTextScanner::Kind;
        if (tag.selfClosing)
            return 0;
        if (at == textElementAt_)
            return HAS_CHILD | HAS_TEXT;
        CXmlTextScanner ahead = scanner_;
        for (;;) {
            CXmlTextScanner::Token token = ahead.Next();
            switch (token.kind) {
            case Kind::TEXT:
                if (IsBlankXmlText(token.body) && !(preserve && !token.body.empty()))
                    continue;
                return HAS_CHILD | HAS_TEXT;
            case Kind::CDATA:
                if (IsBlankCData(token.body) && !(preserve && !token.body.empty()))
                    continue;
                return HAS_CHILD | HAS_TEXT;
            case Kind::END_TAG:
                return 0;
            default:
                return HAS_CHILD;
            }
        }
    }

    // Text inside an element whose children were indented: the element is
    // written again from its start tag, without indentation. Data files
    // have no such text; in a damaged one a piece of text is written again
    // at most once for each element around it, and the DOM holds no more
    // than 256 levels.
    void Rewrite()
    {
        Open element = open_.back();
        open_.pop_back();
        out_.Truncate(element.outAt);
        scanner_.Rewind(element.at);
        textElementAt_ = element.at;
    }

    // Text that is not blank (`raw`: as the DOM wrote it, references and
    // all). Among children that were written indented it makes their
    // element be written again instead.
    bool TextPiece(std::string_view text, bool raw)
    {
        // Outside the document element only markup is written.
        if (open_.empty())
            return false;
        if (open_.back().childDepth >= 0) {
            Rewrite();
            return true;
        }
        return out_.Text(text, Escape::TEXT, raw);
    }

    bool Piece(const CXmlTextScanner::Token& token, size_t at)
    {
        using Kind = CXmlTextScanner::Kind;
        switch (token.kind) {
        case Kind::START_TAG:
            return StartTag(token, at);
        case Kind::END_TAG:
            return EndTag(token.name);
        case Kind::TEXT:
            if (HoldsEndMarker(token.body))
                return false;
            // Empty or white-space-only text would not come back from our
            // loader, which drops white space between tags; it is skipped so
            // that the first save equals later ones.
            // Inside xml:space="preserve" it is content and is kept.
            if (IsBlankXmlText(token.body) && !(Preserving() && !token.body.empty()))
                return true;
            return TextPiece(token.body, true);
        case Kind::CDATA:
            if (IsBlankCData(token.body) && !(Preserving() && !token.body.empty()))
                return true;
            return TextPiece(Unfolded(token.body), false);
        case Kind::COMMENT:
            return Comment(token.body);
        case Kind::INSTRUCTION:
            return Instruction(token);
        case Kind::DOCTYPE:
            return open_.empty();
        default:
            return false;
        }
    }

    bool StartTag(const CXmlTextScanner::Token& tag, size_t at)
    {
        bool preserve = PreservesSpace(tag.body);
        uint8_t shape = Shape(tag, at, preserve);
        int depth = Depth();
        size_t outAt = out_.Used();
        hasRoot_ = hasRoot_ || open_.empty();
        LineStart(depth);
        out_.Put("<");
        if (!out_.Name(tag.name) || !Attributes(tag.body))
            return false;
        if (!(shape & HAS_CHILD)) {
            out_.Put("/>");
            LineEnd(depth);
            if (!tag.selfClosing)
                open_.push_back({tag.name, depth, depth, false, at, outAt, preserve});
            return true;
        }
        out_.Put(">");
        int childDepth = ((shape & HAS_TEXT) || depth < 0 || preserve) ? -1 : depth + 1;
        if (childDepth >= 0)
            out_.Put(LINE_END);
        open_.push_back({tag.name, depth, childDepth, true, at, outAt, preserve});
        return true;
    }

    bool EndTag(std::string_view name)
    {
        if (open_.empty() || open_.back().name != name)
            return false;
        Open element = open_.back();
        open_.pop_back();
        if (!element.written)
            return true;
        if (element.childDepth >= 0)
            LineStart(element.depth);
        out_.Put("</");
        out_.Raw(element.name); // checked when its start tag was written
        out_.Put(">");
        LineEnd(element.depth);
        return true;
    }

    bool Attributes(std::string_view body)
    {
        std::string_view name, value;
        bool bad = false;
        while (CXmlTextScanner::NextAttribute(body, name, value, bad)) {
            out_.Put(" ");
            if (!out_.Name(name))
                return false;
            out_.Put("=\"");
            if (!out_.Text(value, Escape::ATTRIBUTE, true))
                return false;
            out_.Put("\"");
        }
        return !bad;
    }

    bool Comment(std::string_view raw)
    {
        std::string_view value = Unfolded(raw);
        // A comment made through the DOM may hold what no parser accepts.
        if (value.find("--") != std::string_view::npos || (!value.empty() && value.back() == '-'))
            return false;
        int depth = Depth();
        LineStart(depth);
        out_.Put("<!--");
        out_.Text(value, Escape::NONE);
        out_.Put("-->");
        LineEnd(depth);
        return true;
    }

    // "xml" in any case: a name reserved for the declaration. (No character
    // outside ASCII folds to one of these letters.)
    static bool IsXmlTarget(std::string_view name)
    {
        return name.size() == 3 && (name[0] | 0x20) == 'x' && (name[1] | 0x20) == 'm' && (name[2] | 0x20) == 'l';
    }

    bool Instruction(const CXmlTextScanner::Token& instruction)
    {
        // The document's own declaration is replaced by ours.
        if (open_.empty() && instruction.name == "xml")
            return true;
        if (IsXmlTarget(instruction.name))
            return false;
        int depth = Depth();
        LineStart(depth);
        out_.Put("<?");
        if (!out_.Name(instruction.name))
            return false;
        if (!instruction.body.empty()) {
            out_.Put(" ");
            out_.Text(Unfolded(instruction.body), Escape::NONE);
        }
        out_.Put("?>");
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

// Indents the document's text from the DOM's own save into memory: one
// call, and under Wine several times quicker than its xml property, which
// builds the same text in UTF-16 in several copies. The saved bytes are
// re-indented where they lie. False when the save failed or chose another
// encoding; the caller then asks for the xml property.
bool IndentSavedText(IXMLDOMNode* node, std::string& utf8, bool& indented)
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
    bool saved = IsUtf8Save(bytes) && !bytes.empty();
    if (saved)
        indented = IndentXmlText(bytes, utf8);
    ::GlobalUnlock(memory);
    return saved;
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
    bool indented = false;
    if (IndentSavedText(document, utf8, indented))
        return indented;
    Bstr xml;
    if (document->get_xml(xml.put()) != S_OK)
        return false;
    return IndentXmlText(ToUtf8(std::wstring_view(xml.c_str(), xml.length())), utf8);
}

bool IndentXmlText(std::string_view xml, std::string& utf8)
{
    Writer writer(utf8);
    bool indented = false;
    if (IsValidUtf8(xml)) {
        indented = writer.Document(xml);
    } else {
        // Each broken sequence becomes U+FFFD, as the system's conversion
        // gives it.
        int length = ::MultiByteToWideChar(CP_UTF8, 0, xml.data(), static_cast<int>(xml.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
        if (length > 0 && ::MultiByteToWideChar(CP_UTF8, 0, xml.data(), static_cast<int>(xml.size()), wide.data(),
                                                length) == length)
            indented = writer.Document(ToUtf8(wide));
    }
    if (!indented)
        utf8.clear();
    return indented;
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
