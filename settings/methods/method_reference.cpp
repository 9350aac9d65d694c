#include "method_reference.h"

#include "executor_context.h"
#include "method_text.h"

std::wstring ResolveReference(const ExecutorContext& context, const std::wstring& text)
{
    // References nest only through Gets run on this thread.
    thread_local int depth = 0;

    std::wstring resolved = text;
    size_t open = resolved.find(L'{');
    if (open == std::wstring::npos)
        return resolved;
    size_t close = resolved.find(L'}', open);
    if (close == std::wstring::npos)
        return resolved;
    // A reference that leads back to the method being read would recurse for
    // ever; past a small depth the reference stays as written.
    if (depth >= MAX_REFERENCE_DEPTH)
        return resolved;

    std::wstring token = resolved.substr(open, close - open + 1);
    MethodResult result;
    ++depth;
    bool read = context.readMethod && context.readMethod(token.substr(1, token.size() - 2), result);
    --depth;
    if (read && result.kind == MethodResult::SINGLE)
        ReplaceAll(resolved, token, result.value);
    return resolved;
}
