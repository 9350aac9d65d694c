// The status codes the catalogue and its executors share, and the outcome a
// Set executor hands back.
#pragma once
#include <string>

// The executor's own refusal, before anything was run or read: a definition
// that lacks an element or attribute it needs, a method name that cannot be
// looked up, a value that could not be read, or a script file that could not
// be written. Other failures carry the Win32 error, exit code, HRESULT or WMI
// status of the step that failed; 0 is success.
constexpr int METHOD_NOT_RUN = -1;

// What a Set run comes to. The executor fills status and output; the
// catalogue adds the definition's Message and keeps all three in its
// lastError, output and message.
struct MethodOutcome {
    int status = 0;
    std::wstring output;  // captured output of the last hidden process run, if any
    std::wstring message; // the Set definition's Message text
    int acceptedCode = 0; // a non-zero exit code that the definition's SuccessCodes counted as success
};
