// Splits the text of a serialised XML document into its markup and text
// pieces, without building any tree. Used to re-indent a document from the
// DOM's own text (one call) instead of visiting its nodes one by one.
#pragma once
#include <string>
#include <string_view>

class CXmlTextScanner {
public:
    enum class Kind { START_TAG, END_TAG, TEXT, CDATA, COMMENT, INSTRUCTION, DOCTYPE, END, BAD };

    struct Token {
        Kind kind = Kind::END;
        std::wstring_view name; // tag name or instruction target
        std::wstring_view body; // attributes, raw text, comment, CDATA or instruction data
        bool selfClosing = false;
    };

    explicit CXmlTextScanner(std::wstring_view xml) : xml_(xml) {}

    // The next piece; END at the end of the text, BAD for text that is not
    // well-formed markup (the scan stops there).
    Token Next();

    // Walks the attributes of a start tag's body: false at the end, and sets
    // `bad` when the body is not a list of name="value" pairs.
    static bool NextAttribute(std::wstring_view& body, std::wstring_view& name, std::wstring_view& value,
                              bool& bad);

private:
    std::wstring_view xml_;
    size_t pos_ = 0;

    Token Bad();
    Token Markup();
    Token Tag();
    Token Delimited(Kind kind, size_t contentStart, std::wstring_view close);
    Token Instruction();
    Token Doctype();
};

// Appends raw text with each CR LF turned into the LF it stands for: the
// DOM writes every line feed of its text as CR LF, and a CR of its own as a
// reference.
void UnfoldLineEnds(std::wstring_view raw, std::wstring& text);

// Replaces the character and predefined entity references of raw text or an
// attribute value by the characters they stand for (line ends unfolded as
// above). False for any other reference (an entity the text cannot resolve
// by itself) or a malformed one.
bool DecodeXmlReferences(std::wstring_view raw, std::wstring& text);

// True when the text (references resolved) is empty or only spaces, tabs,
// CRs and LFs.
bool IsBlankXmlText(std::wstring_view raw);
