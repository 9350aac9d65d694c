#include "xml_text_scanner.h"

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool StartsWith(std::wstring_view text, size_t at, std::wstring_view prefix)
{
    return text.size() - at >= prefix.size() && text.compare(at, prefix.size(), prefix) == 0;
}

size_t SkipSpace(std::wstring_view text, size_t at)
{
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    return at;
}

void AppendCodePoint(std::wstring& text, char32_t c)
{
    if (c >= 0x10000) {
        c -= 0x10000;
        text += static_cast<wchar_t>(0xD800 + (c >> 10));
        text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        text += static_cast<wchar_t>(c);
    }
}

// The code point of "#65" or "#x41"; false when malformed or out of range.
bool CharacterReference(std::wstring_view ref, char32_t& c)
{
    bool hex = ref.size() > 1 && ref[1] == L'x';
    size_t i = hex ? 2 : 1;
    if (i >= ref.size())
        return false;
    char32_t value = 0;
    for (; i < ref.size(); ++i) {
        wchar_t d = ref[i];
        unsigned digit = 0;
        if (d >= L'0' && d <= L'9')
            digit = d - L'0';
        else if (hex && d >= L'a' && d <= L'f')
            digit = d - L'a' + 10;
        else if (hex && d >= L'A' && d <= L'F')
            digit = d - L'A' + 10;
        else
            return false;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0x10FFFF)
            return false;
    }
    c = value;
    return true;
}

bool NamedReference(std::wstring_view ref, wchar_t& c)
{
    static const struct {
        std::wstring_view name;
        wchar_t c;
    } NAMES[] = {{L"lt", L'<'}, {L"gt", L'>'}, {L"amp", L'&'}, {L"quot", L'"'}, {L"apos", L'\''}};
    for (const auto& n : NAMES)
        if (ref == n.name) {
            c = n.c;
            return true;
        }
    return false;
}

} // namespace

void UnfoldLineEnds(std::wstring_view raw, std::wstring& text)
{
    for (size_t cr = raw.find(L"\r\n"); cr != std::wstring_view::npos; cr = raw.find(L"\r\n")) {
        text.append(raw.substr(0, cr));
        raw.remove_prefix(cr + 1);
    }
    text.append(raw);
}

CXmlTextScanner::Token CXmlTextScanner::Next()
{
    if (pos_ >= xml_.size())
        return {};
    if (xml_[pos_] == L'<')
        return Markup();
    // A plain loop: the run-time library's character search costs a call
    // per piece of text, and most pieces are a few characters long.
    size_t end = pos_;
    while (end < xml_.size() && xml_[end] != L'<')
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
    if (StartsWith(xml_, pos_, L"<!--"))
        return Delimited(Kind::COMMENT, pos_ + 4, L"-->");
    if (StartsWith(xml_, pos_, L"<![CDATA["))
        return Delimited(Kind::CDATA, pos_ + 9, L"]]>");
    if (StartsWith(xml_, pos_, L"<!DOCTYPE"))
        return Doctype();
    if (StartsWith(xml_, pos_, L"<?"))
        return Instruction();
    if (StartsWith(xml_, pos_, L"</")) {
        size_t close = xml_.find(L'>', pos_);
        if (close == std::wstring_view::npos)
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
    while (i < xml_.size() && !IsSpace(xml_[i]) && xml_[i] != L'/' && xml_[i] != L'>')
        ++i;
    Token tag{Kind::START_TAG, xml_.substr(nameStart, i - nameStart)};
    size_t bodyStart = i;
    // The tag ends at the first '>' outside a quoted attribute value.
    for (; i < xml_.size() && xml_[i] != L'>'; ++i) {
        if (xml_[i] == L'"' || xml_[i] == L'\'') {
            i = xml_.find(xml_[i], i + 1);
            if (i == std::wstring_view::npos)
                return Bad();
        }
    }
    if (i >= xml_.size() || tag.name.empty())
        return Bad();
    size_t bodyEnd = i;
    if (xml_[i - 1] == L'/' && i - 1 >= bodyStart) {
        tag.selfClosing = true;
        bodyEnd = i - 1;
    }
    tag.body = xml_.substr(bodyStart, bodyEnd - bodyStart);
    pos_ = i + 1;
    return tag;
}

CXmlTextScanner::Token CXmlTextScanner::Delimited(Kind kind, size_t contentStart, std::wstring_view close)
{
    size_t end = xml_.find(close, contentStart);
    if (end == std::wstring_view::npos)
        return Bad();
    Token token{kind, {}, xml_.substr(contentStart, end - contentStart)};
    pos_ = end + close.size();
    return token;
}

CXmlTextScanner::Token CXmlTextScanner::Instruction()
{
    size_t end = xml_.find(L"?>", pos_ + 2);
    if (end == std::wstring_view::npos)
        return Bad();
    std::wstring_view inner = xml_.substr(pos_ + 2, end - pos_ - 2);
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
        wchar_t c = xml_[i];
        if (c == L'"' || c == L'\'') {
            i = xml_.find(c, i + 1);
            if (i == std::wstring_view::npos)
                break;
        } else if (c == L'[') {
            inSubset = true;
        } else if (c == L']') {
            inSubset = false;
        } else if (c == L'>' && !inSubset) {
            pos_ = i + 1;
            return {Kind::DOCTYPE};
        }
    }
    return Bad();
}

bool CXmlTextScanner::NextAttribute(std::wstring_view& body, std::wstring_view& name, std::wstring_view& value,
                                    bool& bad)
{
    bad = false;
    size_t i = SkipSpace(body, 0);
    if (i == body.size())
        return false;
    size_t nameStart = i;
    while (i < body.size() && !IsSpace(body[i]) && body[i] != L'=')
        ++i;
    name = body.substr(nameStart, i - nameStart);
    i = SkipSpace(body, i);
    if (i == body.size() || body[i] != L'=') {
        bad = true;
        return false;
    }
    i = SkipSpace(body, i + 1);
    if (i == body.size() || (body[i] != L'"' && body[i] != L'\'')) {
        bad = true;
        return false;
    }
    size_t close = body.find(body[i], i + 1);
    if (close == std::wstring_view::npos) {
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

bool DecodeXmlReferences(std::wstring_view raw, std::wstring& text)
{
    text.clear();
    size_t done = 0;
    for (size_t amp = raw.find(L'&'); amp != std::wstring_view::npos; amp = raw.find(L'&', done)) {
        UnfoldLineEnds(raw.substr(done, amp - done), text);
        size_t semi = raw.find(L';', amp);
        if (semi == std::wstring_view::npos)
            return false;
        std::wstring_view ref = raw.substr(amp + 1, semi - amp - 1);
        char32_t code = 0;
        wchar_t named = 0;
        if (!ref.empty() && ref[0] == L'#' && CharacterReference(ref, code))
            AppendCodePoint(text, code);
        else if (NamedReference(ref, named))
            text += named;
        else
            return false;
        done = semi + 1;
    }
    UnfoldLineEnds(raw.substr(done), text);
    return true;
}

bool IsBlankXmlText(std::wstring_view raw)
{
    for (wchar_t c : raw) {
        if (c == L'&') {
            std::wstring text;
            if (!DecodeXmlReferences(raw, text))
                return false;
            return text.find_first_not_of(L" \t\r\n") == std::wstring::npos;
        }
        if (!IsSpace(c))
            return false;
    }
    return true;
}
