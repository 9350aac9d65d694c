// References in definition texts: a method name in braces stands for the
// single value that method's Get reads.
#pragma once
#include <string>

struct ExecutorContext;

// How deep references may nest before one is left as written; stops a method
// whose reference leads back to itself.
constexpr int MAX_REFERENCE_DEPTH = 8;

// Replaces the first braced method name in the text by the single value that
// method's Get reads (through the context); otherwise the text comes back as written.
std::wstring ResolveReference(const ExecutorContext& context, const std::wstring& text);
