// Where MSXML's SAX reader stops in a file that is not well formed. The DOM
// parse error normally carries the line and column itself; some MSXML
// implementations (Wine's among them) leave them 0 there, while the same
// component's SAX reader still tells its position through its locator.
#pragma once
#include <string>

struct CSaxErrorPlace {
    bool found = false;
    long line = 0;
    long column = 0;
    std::wstring message;
};

// Reads the file with "Msxml2.SAXXMLReader.6.0" and returns where its first
// fatal error lies; `found` is false when the reader reports none.
CSaxErrorPlace FindSaxErrorPlace(const std::wstring& path);
