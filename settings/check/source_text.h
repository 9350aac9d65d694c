// The text of one kit file as the checker sees it: its raw bytes, the text
// decoded for finding places, and the line and column of an offset or of an
// element. Places are found without parsing the XML a second time: an element
// is named by its path of tag names, each with its position among the
// same-named siblings (Datas[0]/Data[17]/Set[0]/Root[0]); the DOM gives that
// path for an element, and one pass over the text records the path of every
// start tag, following only the nesting of the tags (the parser has already
// found the file well formed).
#pragma once
#include <windows.h>
#include <msxml2.h>

#include <map>
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
    // The same for an element at or below an ancestor whose path the caller
    // already knows (it counted the ancestor while walking a long list of
    // siblings, such as Datas/Data or Values/Value): only the few levels below
    // that ancestor are walked, so a finding costs the same whatever its
    // position in the file.
    CPlace PlaceOf(IXMLDOMNode* element, const std::wstring& ancestorPath) const;
    // The offset of the first byte that is not UTF-8, or npos for valid UTF-8,
    // and the place of a byte offset (a file that is not UTF-16).
    size_t FirstBadUtf8Byte() const;
    CPlace PlaceOfByte(size_t byteOffset) const;

private:
    void IndexStartTags() const;
    CPlace PlaceOfPath(const std::wstring& path) const;

    mutable bool indexed_ = false;
    mutable std::map<std::wstring, size_t> startTags_;  // element path -> offset of its '<'

    std::wstring name_;
    std::string bytes_;
    std::wstring text_;
    std::vector<size_t> lineStarts_;
    bool utf16_ = false;
};

// UTF-8 bytes as wide text; invalid bytes come out as U+FFFD.
std::wstring Utf8ToWide(const std::string& bytes);
