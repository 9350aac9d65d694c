#include "xml_text_scanner.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool StartsWith(std::string_view text, size_t at, std::string_view prefix)
{
    return text.size() - at >= prefix.size() && text.compare(at, prefix.size(), prefix) == 0;
}

size_t SkipSpace(std::string_view text, size_t at)
{
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    return at;
}

// The code point of "#65" or "#x41"; false when malformed or out of range.
bool CharacterReference(std::string_view ref, char32_t& c)
{
    bool hex = ref.size() > 1 && ref[1] == 'x';
    size_t i = hex ? 2 : 1;
    if (i >= ref.size())
        return false;
    char32_t value = 0;
    for (; i < ref.size(); ++i) {
        char d = ref[i];
        unsigned digit = 0;
        if (d >= '0' && d <= '9')
            digit = d - '0';
        else if (hex && d >= 'a' && d <= 'f')
            digit = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F')
            digit = d - 'A' + 10;
        else
            return false;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0x10FFFF)
            return false;
    }
    c = value;
    return true;
}

bool NamedReference(std::string_view ref, char& c)
{
    static const struct {
        std::string_view name;
        char c;
    } NAMES[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& n : NAMES)
        if (ref == n.name) {
            c = n.c;
            return true;
        }
    return false;
}

} // namespace

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

char* EncodeUtf8(char32_t c, char* to)
{
    if (c < 0x80) {
        *to++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *to++ = static_cast<char>(0xC0 | (c >> 6));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *to++ = static_cast<char>(0xE0 | (c >> 12));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *to++ = static_cast<char>(0xF0 | (c >> 18));
        *to++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return to;
}

void AppendUtf8(std::string& text, char32_t c)
{
    char bytes[4];
    text.append(bytes, EncodeUtf8(c, bytes));
}

void UnfoldLineEnds(std::string_view raw, std::string& text)
{
    for (size_t cr = raw.find("\r\n"); cr != std::string_view::npos; cr = raw.find("\r\n")) {
        text.append(raw.substr(0, cr));
        raw.remove_prefix(cr + 1);
    }
    text.append(raw);
}

CXmlTextScanner::Token CXmlTextScanner::Next()
{
    if (pos_ >= xml_.size())
        return {};
    if (xml_[pos_] == '<')
        return Markup();
    // A plain loop: the run-time library's character search costs a call
    // per piece of text, and most pieces are a few characters long.
    size_t end = pos_;
    while (end < xml_.size() && xml_[end] != '<')
        ++end;
    Token text{Kind::TEXT, {}, xml_.substr(pos_, end - pos_)};
    pos_ = end;
    return text;
}

CXmlTextScanner::Token CXmlTextScanner::Bad()
{
    pos_ = xml_.size();
    return {Kind::BAD};
}

CXmlTextScanner::Token CXmlTextScanner::Markup()
{
    char next = pos_ + 1 < xml_.size() ? xml_[pos_ + 1] : '\0';
    if (next == '!') {
        if (StartsWith(xml_, pos_, "<!--"))
            return Delimited(Kind::COMMENT, pos_ + 4, "-->");
        if (StartsWith(xml_, pos_, "<![CDATA["))
            return Delimited(Kind::CDATA, pos_ + 9, "]]>");
        if (StartsWith(xml_, pos_, "<!DOCTYPE"))
            return Doctype();
    } else if (next == '?') {
        return Instruction();
    } else if (next == '/') {
        size_t close = pos_ + 2;
        while (close < xml_.size() && xml_[close] != '>')
            ++close;
        if (close >= xml_.size())
            return Bad();
        size_t nameEnd = close;
        while (nameEnd > pos_ + 2 && IsSpace(xml_[nameEnd - 1]))
            --nameEnd;
        Token end{Kind::END_TAG, xml_.substr(pos_ + 2, nameEnd - pos_ - 2)};
        pos_ = close + 1;
        return end;
    }
    return Tag();
}

CXmlTextScanner::Token CXmlTextScanner::Tag()
{
    size_t nameStart = pos_ + 1;
    size_t i = nameStart;
    while (i < xml_.size() && !IsSpace(xml_[i]) && xml_[i] != '/' && xml_[i] != '>')
        ++i;
    Token tag{Kind::START_TAG, xml_.substr(nameStart, i - nameStart)};
    size_t bodyStart = i;
    // The tag ends at the first '>' outside a quoted attribute value.
    for (; i < xml_.size() && xml_[i] != '>'; ++i) {
        char c = xml_[i];
        if (c == '"' || c == '\'') {
            for (++i; i < xml_.size() && xml_[i] != c;)
                ++i;
            if (i >= xml_.size())
                return Bad();
        }
    }
    if (i >= xml_.size() || tag.name.empty())
        return Bad();
    size_t bodyEnd = i;
    if (xml_[i - 1] == '/' && i - 1 >= bodyStart) {
        tag.selfClosing = true;
        bodyEnd = i - 1;
    }
    tag.body = xml_.substr(bodyStart, bodyEnd - bodyStart);
    pos_ = i + 1;
    return tag;
}

CXmlTextScanner::Token CXmlTextScanner::Delimited(Kind kind, size_t contentStart, std::string_view close)
{
    size_t end = xml_.find(close, contentStart);
    if (end == std::string_view::npos)
        return Bad();
    Token token{kind, {}, xml_.substr(contentStart, end - contentStart)};
    pos_ = end + close.size();
    return token;
}

CXmlTextScanner::Token CXmlTextScanner::Instruction()
{
    size_t end = xml_.find("?>", pos_ + 2);
    if (end == std::string_view::npos)
        return Bad();
    std::string_view inner = xml_.substr(pos_ + 2, end - pos_ - 2);
    size_t nameEnd = 0;
    while (nameEnd < inner.size() && !IsSpace(inner[nameEnd]))
        ++nameEnd;
    // One blank separates target and data; any further white space is data.
    size_t dataStart = nameEnd < inner.size() ? nameEnd + 1 : nameEnd;
    pos_ = end + 2;
    return {Kind::INSTRUCTION, inner.substr(0, nameEnd), inner.substr(dataStart)};
}

CXmlTextScanner::Token CXmlTextScanner::Doctype()
{
    bool inSubset = false;
    for (size_t i = pos_ + 9; i < xml_.size(); ++i) {
        char c = xml_[i];
        if (c == '"' || c == '\'') {
            i = xml_.find(c, i + 1);
            if (i == std::string_view::npos)
                break;
        } else if (c == '[') {
            inSubset = true;
        } else if (c == ']') {
            inSubset = false;
        } else if (c == '>' && !inSubset) {
            pos_ = i + 1;
            return {Kind::DOCTYPE};
        }
    }
    return Bad();
}

bool CXmlTextScanner::NextAttribute(std::string_view& body, std::string_view& name, std::string_view& value,
                                    bool& bad)
{
    bad = false;
    size_t i = SkipSpace(body, 0);
    if (i == body.size())
        return false;
    size_t nameStart = i;
    while (i < body.size() && !IsSpace(body[i]) && body[i] != '=')
        ++i;
    name = body.substr(nameStart, i - nameStart);
    i = SkipSpace(body, i);
    if (i == body.size() || body[i] != '=') {
        bad = true;
        return false;
    }
    i = SkipSpace(body, i + 1);
    if (i == body.size() || (body[i] != '"' && body[i] != '\'')) {
        bad = true;
        return false;
    }
    size_t close = i + 1;
    while (close < body.size() && body[close] != body[i])
        ++close;
    if (close >= body.size()) {
        bad = true;
        return false;
    }
    value = body.substr(i + 1, close - i - 1);
    body = body.substr(close + 1);
    // Attributes are separated by white space.
    if (!body.empty() && !IsSpace(body[0])) {
        bad = true;
        return false;
    }
    return true;
}

bool DecodeXmlReference(std::string_view ref, char32_t& c)
{
    char named = 0;
    if (!ref.empty() && ref[0] == '#')
        return CharacterReference(ref, c);
    if (!NamedReference(ref, named))
        return false;
    c = static_cast<unsigned char>(named);
    return true;
}

bool DecodeXmlReferences(std::string_view raw, std::string& text)
{
    text.clear();
    size_t done = 0;
    // The first half of a surrogate pair given as a reference, waiting for
    // the second half as the very next reference.
    char32_t high = 0;
    for (size_t amp = raw.find('&'); amp != std::string_view::npos; amp = raw.find('&', done)) {
        if (high && amp > done) {
            AppendUtf8(text, 0xFFFD);
            high = 0;
        }
        UnfoldLineEnds(raw.substr(done, amp - done), text);
        size_t semi = raw.find(';', amp);
        if (semi == std::string_view::npos)
            return false;
        char32_t code = 0;
        if (!DecodeXmlReference(raw.substr(amp + 1, semi - amp - 1), code))
            return false;
        if (high && IsLowSurrogate(code)) {
            code = 0x10000 + ((high - 0xD800) << 10) + (code - 0xDC00);
            high = 0;
        } else if (high) {
            AppendUtf8(text, 0xFFFD);
            high = 0;
        }
        if (IsHighSurrogate(code))
            high = code;
        else
            AppendUtf8(text, IsLowSurrogate(code) ? 0xFFFD : code);
        done = semi + 1;
    }
    if (high)
        AppendUtf8(text, 0xFFFD);
    UnfoldLineEnds(raw.substr(done), text);
    return true;
}

bool IsBlankXmlText(std::string_view raw)
{
    for (char c : raw) {
        if (c == '&') {
            std::string text;
            if (!DecodeXmlReferences(raw, text))
                return false;
            return text.find_first_not_of(" \t\r\n") == std::string::npos;
        }
        if (!IsSpace(c))
            return false;
    }
    return true;
}
