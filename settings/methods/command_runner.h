// Child processes for catalogue methods and for callers that run a command
// line directly (the restart after a reboot item, for instance).
#pragma once
#include <msxml2.h>
#include <string>

#include "item_values.h"
#include "method_status.h"

class MethodCatalog;

// A command line has at most this many characters (the buffer holds one more).
constexpr size_t MAX_COMMAND_LINE = 2047;
// Status of a command line that is too long: it is refused, never cut off.
constexpr int COMMAND_LINE_TOO_LONG = 206; // ERROR_FILENAME_EXCED_RANGE
// The captured output keeps at most this many bytes of what the child wrote.
constexpr size_t MAX_CAPTURED_OUTPUT = 8191;

// Runs the command line hidden, standard output and error captured into
// `output` (from the ANSI code page). `exitCode` is the process's exit code,
// or the Win32 error when it could not start. True when that code is 0.
// `started`, when given, tells the two apart.
bool RunCaptured(const std::wstring& commandLine, std::wstring& output, int& exitCode, bool* started = nullptr);
// Runs the command line in a console window of its own; nothing is captured.
bool RunInConsole(const std::wstring& commandLine, int& exitCode, bool* started = nullptr);

// The "Command" (console false) and "Console" (console true) Set types: runs
// each `Command` of the definition in turn and stops at the first failure.
// The status is 0, the failing exit code or Win32 error, COMMAND_LINE_TOO_LONG,
// or METHOD_NOT_RUN for a Param without name or a SuccessCodes list that
// does not read (nothing is run then); the output is that of the last hidden
// command run. An exit code listed in SuccessCodes counts as success and is
// kept in acceptedCode.
MethodOutcome RunCommandMethod(const MethodCatalog& catalog, IXMLDOMNode* definition, const ItemValueMap& values,
                               bool console);
