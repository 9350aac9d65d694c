// The WMI namespaces that a standard installation of Windows has, for
// telling a mistyped namespace from a real one before any PC connects to it.
#pragma once
#include <string>

// True for a namespace of the table (letter case ignored; "\\.\" before
// "root" and "/" for "\" allowed), or one below a namespace whose
// descendants the table admits as a family (root\Microsoft\Windows\…).
bool IsStandardWmiNamespace(const std::wstring& name);
