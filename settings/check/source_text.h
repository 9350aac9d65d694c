// The text of one kit file as the checker sees it: its raw bytes, the text
// decoded for finding places, and the line and column of an offset or of an
// element. Places are found without parsing the XML a second time: the DOM
// says how many elements of the same name come before an element, and the
// text is searched for that many start tags of the name (comments, CDATA
// sections and processing instructions skipped). Both count the same elements
// in document order, so the Nth match is the element itself.
#pragma once
#include <windows.h>
#include <msxml2.h>

#include <string>
#include <vector>

#include "check_report.h"

class CSourceText {
public:
    // Reads the file; false when it cannot be opened or read.
    bool Load(const std::wstring& path, const std::wstring& relativeName);

    const std::string& Bytes() const { return bytes_; }
    const std::wstring& Name() const { return name_; }
    bool IsUtf16() const { return utf16_; }
    bool HasUtf8Mark() const { return bytes_.rfind("\xEF\xBB\xBF", 0) == 0; }

    CPlace FilePlace() const { return {name_, 0, 0}; }
    CPlace PlaceAt(long line, long column) const { return {name_, line, column}; }
    // The place of a character of the decoded text.
    CPlace PlaceOfOffset(size_t offset) const;
    // The place of an element's start tag; the file's place when not found.
    CPlace PlaceOf(IXMLDOMNode* element) const;
    // The place of the first byte that is not UTF-8, or npos for valid UTF-8.
    size_t FirstBadUtf8Byte() const;
    CPlace PlaceOfByte(size_t byteOffset) const;

private:
    size_t StartTagOffset(const std::wstring& tagName, long ordinal) const;

    std::wstring name_;
    std::string bytes_;
    std::wstring text_;
    std::vector<size_t> lineStarts_;
    bool utf16_ = false;
};

// UTF-8 bytes as wide text; invalid bytes come out as U+FFFD.
std::wstring Utf8ToWide(const std::string& bytes);
