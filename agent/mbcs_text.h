// Multi-byte (ANSI code page) text helpers: a double-byte character always
// counts as one character, so its trail byte never matches a separator.
#pragma once
#include <string>
#include <string_view>

namespace vorn {

// Position of the first c at a character boundary at or after from; npos if none.
size_t findChar(std::string_view text, char c, size_t from = 0);

// True when needle occurs in text starting at a character boundary.
bool containsText(std::string_view text, std::string_view needle);

// Case-insensitive comparison that upper-cases both sides, double-byte letters included.
bool equalsNoCase(const std::string& a, const std::string& b);

// Converts text written in this program's UTF-8 sources to the ANSI code page, or to UTF-16.
std::string ansiFromUtf8(std::string_view utf8);
std::wstring wideFromUtf8(std::string_view utf8);

// Number fields: decimal as atoi reads them, colours as strtol reads base 16.
int readNumber(const std::string& field);
unsigned long readColour(const std::string& field);

} // namespace vorn
