// Helpers for the method engine tests: a catalogue written to a temporary
// folder and loaded, and standard output captured into a file.
#pragma once
#include <windows.h>

#include <string>

#include "method_catalog.h"
#include "win32_owners.h"
#include "test_support.h"

namespace mt {

// A catalogue of the given Data elements, loaded in its own COM apartment.
// Members are destroyed in reverse order: the catalogue before COM ends.
class LoadedCatalog {
public:
    explicit LoadedCatalog(const std::wstring& dataElements);
    MethodCatalog& operator*() { return catalog; }
    MethodCatalog* operator->() { return &catalog; }

    ComApartment com;
    ts::TempDir dir{L"cat"};
    MethodCatalog catalog;
    bool loaded = false;
};

// Standard output redirected to a file for the object's lifetime.
class CapturedStdout {
public:
    CapturedStdout();
    ~CapturedStdout();
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;
    // The bytes written so far.
    std::string bytes();

private:
    ts::TempDir dir_{L"out"};
    UniqueHandle file_;
    HANDLE previous_ = nullptr;
};

// Item values from name/value pairs, in order.
ItemValueMap Values(std::initializer_list<std::pair<std::wstring, std::wstring>> entries);

// XML-escapes a text for use inside an element.
std::wstring Escape(const std::wstring& text);

} // namespace mt
