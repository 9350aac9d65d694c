// How the tool reads a number out of a text in its files and definitions.
#pragma once
#include <string>

// The leading decimal integer of a text, read the way _wtoi reads it: white
// space and a sign may come first, anything after the digits is ignored, no
// digits give 0, and values beyond the 32-bit range are clamped.
int LeadingInteger(const std::wstring& text);
