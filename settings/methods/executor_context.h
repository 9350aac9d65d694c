// What an executor may use of the catalogue that runs it, and nothing more: the
// program's location (for {EXEPATH} and {EXEDIR}), the WMI connection of a
// namespace, and the Get of another method (for a reference in braces). The
// catalogue makes one for each run, so the executors never reach back into it;
// a test can make one by hand and run an executor without a catalogue file.
#pragma once
#include <functional>
#include <string>

#include "method_result.h"
#include "method_wmi.h"

struct ExecutorContext {
    std::wstring exePath; // full path of the running executable
    std::wstring exeDir;  // exePath without its last backslash and file name
    // The connection for a namespace text, exactly as written; never null.
    std::function<MethodWMI*(const std::wstring& nameSpace)> connection;
    // Runs the Get of the named method; true when it read a value. Left empty,
    // every reference stays as written.
    std::function<bool(const std::wstring& name, MethodResult& result)> readMethod;
};
