// The status codes the catalogue and its executors share.
#pragma once

// The executor's own refusal, before anything was run or read: a definition
// that lacks an element or attribute it needs, a method name that cannot be
// looked up, a value that could not be read, or a script file that could not
// be written. Other failures carry the Win32 error, exit code, HRESULT or WMI
// status of the step that failed; 0 is success.
constexpr int METHOD_NOT_RUN = -1;
