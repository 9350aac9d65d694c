#include "command_runner.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "method_catalog.h"
#include "method_params.h"
#include "method_status.h"
#include "method_text.h"
#include "program_search.h"
#include "raii.h"
#include "success_codes.h"
#include "xml_dom.h"

namespace {

// Pauses between looks at the pipe while the child is quiet: short right
// after output arrived, growing while it stays quiet.
constexpr DWORD FIRST_POLL_MS = 1;
constexpr DWORD LONGEST_POLL_MS = 50;

// Starts a command line (CreateProcessW may write into it, hence the copy).
// The process handle, or an empty one with the Win32 error in exitCode.
UniqueHandle StartProcess(const std::wstring& commandLine, BOOL inheritHandles, DWORD flags, STARTUPINFOW& startup,
                          int& exitCode)
{
    // A bare program name is never taken from the current folder: a
    // planted cmd.exe there would run with the tool's rights.
    std::wstring program;
    if (!ResolveBareProgram(commandLine, program)) {
        exitCode = ERROR_FILE_NOT_FOUND;
        return UniqueHandle();
    }
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), buffer.data(), nullptr, nullptr, inheritHandles, flags, nullptr, nullptr, &startup,
                          &info)) {
        exitCode = static_cast<int>(::GetLastError());
        return UniqueHandle();
    }
    UniqueHandle thread(info.hThread);
    return UniqueHandle(info.hProcess);
}

// Reads whatever the pipe holds now, without blocking. Keeps bytes up to the
// limit and discards the rest, so the child never waits on a full pipe.
// Returns how many bytes were taken out of the pipe.
DWORD DrainAvailable(HANDLE pipe, std::string& kept)
{
    DWORD total = 0;
    char chunk[4096];
    for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0)
            return total;
        DWORD read = 0;
        DWORD wanted = available < sizeof(chunk) ? available : static_cast<DWORD>(sizeof(chunk));
        if (!::ReadFile(pipe, chunk, wanted, &read, nullptr) || read == 0)
            return total;
        total += read;
        size_t room = MAX_CAPTURED_OUTPUT - kept.size();
        kept.append(chunk, read < room ? read : room);
    }
}

// Reads the child's output while it runs, until it has ended and the pipe
// holds nothing more. The tool keeps its own write end open meanwhile, so
// the reads never block; a grandchild that inherited the pipe cannot hold
// the run up once the child itself has ended.
std::string CollectUntilExit(HANDLE process, HANDLE pipe)
{
    std::string kept;
    DWORD pause = FIRST_POLL_MS;
    for (;;) {
        bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        DWORD drained = DrainAvailable(pipe, kept);
        if (ended)
            return kept;
        if (drained > 0)
            pause = FIRST_POLL_MS;
        ::WaitForSingleObject(process, pause);
        if (drained == 0 && pause < LONGEST_POLL_MS)
            pause *= 2;
    }
}

// The tool's own standard input, for the child to inherit. A console handle
// that this process cannot use itself (a window program started from a
// console) cannot be handed on either: process creation would fail, so the
// child then starts without standard input, as it would from the desktop.
HANDLE InheritableStandardInput()
{
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input && input != INVALID_HANDLE_VALUE && ::GetFileType(input) == FILE_TYPE_CHAR &&
        !::GetConsoleMode(input, &mode))
        return nullptr;
    return input;
}

int ExitCodeOf(HANDLE process)
{
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code))
        return static_cast<int>(::GetLastError());
    return static_cast<int>(code);
}

// Runs one composed command line the way the definition's type asks; its
// status, and the output of a hidden run, go into the outcome. An exit code
// among `successCodes` counts as 0 (an installer's 3010, say) and is kept
// as the accepted code.
int RunOne(MethodOutcome& outcome, const std::wstring& commandLine, bool console, const std::vector<int>& successCodes)
{
    int code = 0;
    bool started = true;
    if (commandLine.size() > MAX_COMMAND_LINE) {
        code = COMMAND_LINE_TOO_LONG;
        started = false;
    } else if (console) {
        RunInConsole(commandLine, code, &started);
    } else {
        RunCaptured(commandLine, outcome.output, code, &started);
    }
    if (code != 0 && started && std::find(successCodes.begin(), successCodes.end(), code) != successCodes.end()) {
        outcome.acceptedCode = code;
        code = 0;
    }
    outcome.status = code;
    return code;
}

} // namespace

bool RunCaptured(const std::wstring& commandLine, std::wstring& output, int& exitCode, bool* started)
{
    output.clear();
    if (started)
        *started = false;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueHandle inheritableRead, write;
    if (!::CreatePipe(inheritableRead.put(), write.put(), &inheritable, 0)) {
        exitCode = static_cast<int>(::GetLastError());
        return false;
    }
    // Only the write end may reach the child.
    UniqueHandle read;
    if (!::DuplicateHandle(::GetCurrentProcess(), inheritableRead.get(), ::GetCurrentProcess(), read.put(), 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        exitCode = static_cast<int>(::GetLastError());
        return false;
    }
    inheritableRead.reset();

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = InheritableStandardInput();
    startup.hStdOutput = write.get();
    startup.hStdError = write.get();
    UniqueHandle process = StartProcess(commandLine, TRUE, CREATE_NO_WINDOW, startup, exitCode);
    if (!process)
        return false;
    if (started)
        *started = true;

    std::string bytes = CollectUntilExit(process.get(), read.get());
    write.reset();
    output = AnsiToWide(bytes);
    exitCode = ExitCodeOf(process.get());
    return exitCode == 0;
}

bool RunInConsole(const std::wstring& commandLine, int& exitCode, bool* started)
{
    if (started)
        *started = false;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    UniqueHandle process = StartProcess(commandLine, FALSE, CREATE_NEW_CONSOLE, startup, exitCode);
    if (!process)
        return false;
    if (started)
        *started = true;
    ::WaitForSingleObject(process.get(), INFINITE);
    exitCode = ExitCodeOf(process.get());
    return exitCode == 0;
}

MethodOutcome RunCommandMethod(const MethodCatalog& catalog, IXMLDOMNode* definition, const ItemValueMap& values,
                               bool console)
{
    MethodOutcome outcome;
    ParamList params;
    std::vector<int> successCodes;
    if (!CollectParamValues(definition, values, params) || !SuccessCodesOf(definition, successCodes)) {
        outcome.status = METHOD_NOT_RUN;
        return outcome;
    }

    Microsoft::WRL::ComPtr<IXMLDOMNodeList> commands = xmldom::SelectNodes(definition, L"Command");
    long count = 0;
    if (commands)
        commands->get_length(&count);

    // Without Command elements the item's value is the command line itself.
    if (count == 0) {
        std::wstring commandLine = FirstValue(values);
        if (!commandLine.empty())
            RunOne(outcome, commandLine, console, successCodes);
        return outcome;
    }

    for (long i = 0; i < count; ++i) {
        Microsoft::WRL::ComPtr<IXMLDOMNode> command;
        commands->get_item(i, &command);
        std::wstring commandLine = xmldom::Text(command.Get());
        if (!params.empty()) {
            ReplaceLocationPlaceholders(commandLine, catalog);
            ReplaceParamPlaceholders(commandLine, params);
        } else if (commandLine.empty() || !SwitchRule(values)) {
            // A switch that is off, or an empty command, ends the list successfully.
            outcome.status = 0;
            return outcome;
        }
        if (RunOne(outcome, commandLine, console, successCodes) != 0)
            return outcome;
    }
    return outcome;
}
