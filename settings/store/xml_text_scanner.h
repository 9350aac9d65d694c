// Splits the UTF-8 text of a serialised XML document into its markup and
// text pieces, without building any tree. Used to re-indent a document from
// the DOM's own text (one call) instead of visiting its nodes one by one.
// All XML syntax is ASCII, so the bytes are scanned as they are: a byte of a
// multi-byte character never looks like markup.
#pragma once
#include <string>
#include <string_view>

class CXmlTextScanner {
public:
    enum class Kind { START_TAG, END_TAG, TEXT, CDATA, COMMENT, INSTRUCTION, DOCTYPE, END, BAD };

    struct Token {
        Kind kind = Kind::END;
        std::string_view name; // tag name or instruction target
        std::string_view body; // attributes, raw text, comment, CDATA or instruction data
        bool selfClosing = false;
    };

    explicit CXmlTextScanner(std::string_view xml) : xml_(xml) {}

    // The next piece; END at the end of the text, BAD for text that is not
    // well-formed markup (the scan stops there).
    Token Next();
    // Where the next piece starts; Rewind() goes back to such a place.
    size_t Position() const { return pos_; }
    void Rewind(size_t pos) { pos_ = pos; }

    // Walks the attributes of a start tag's body: false at the end, and sets
    // `bad` when the body is not a list of name="value" pairs.
    static bool NextAttribute(std::string_view& body, std::string_view& name, std::string_view& value, bool& bad);

private:
    std::string_view xml_;
    size_t pos_ = 0;

    Token Bad();
    Token Markup();
    Token Tag();
    Token Delimited(Kind kind, size_t contentStart, std::string_view close);
    Token Instruction();
    Token Doctype();
};

// One code point as UTF-8: written at `to` (room for four bytes), or
// appended.
char* EncodeUtf8(char32_t c, char* to);
void AppendUtf8(std::string& text, char32_t c);

// Appends raw text with each CR LF turned into the LF it stands for: the
// DOM writes every line feed of its text as CR LF, and a CR of its own as a
// reference.
void UnfoldLineEnds(std::string_view raw, std::string& text);

// The character a reference stands for, given what lies between its '&'
// and ';' ("#65", "#x41" or a predefined entity name); false for any other.
bool DecodeXmlReference(std::string_view ref, char32_t& c);

// Halves of a UTF-16 surrogate pair, which a character reference may name
// but no UTF-8 text may hold.
bool IsHighSurrogate(char32_t c);
bool IsLowSurrogate(char32_t c);

// Replaces the character and predefined entity references of raw text or an
// attribute value by the characters they stand for, in UTF-8 (line ends
// unfolded as above). A reference to half of a surrogate pair becomes
// U+FFFD unless the other half follows as the next reference. False for any
// other reference (an entity the text cannot resolve by itself) or a
// malformed one.
bool DecodeXmlReferences(std::string_view raw, std::string& text);

// True when the text (references resolved) is empty or only spaces, tabs,
// CRs and LFs.
bool IsBlankXmlText(std::string_view raw);
