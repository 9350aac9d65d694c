// vornrun: runs a plain-text script against another program's windows.
// Usage: vornrun <script>; the exit code is the outcome of the run.
#include <windows.h>
#include <clocale>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "agent_settings.h"
#include "mbcs_text.h"
#include "script_interpreter.h"

namespace {
// Fatal start-up messages go through the wide standard output; the runtime needs the
// user's locale to turn them into the console's code page.
void writeFatal(const char* utf8Message)
{
    std::setlocale(LC_ALL, "");
    std::fputws(vorn::wideFromUtf8(utf8Message).c_str(), stdout);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv)
{
    if (!::GetModuleHandleA(nullptr)) {
        writeFatal("致命的なエラー: GetModuleHandle が失敗しました\n");
        return 1;
    }
    if (argc < 2)
        return 0;
    // Lines end exactly as written ("\r\n" or "\n"); the runtime must not add carriage returns.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    const char* scriptPath = argv[1];
    vorn::writeOutput("%s\n", scriptPath);

    vorn::AgentSettings settings;
    vorn::readConfiguration(settings, vorn::executableDirectory());
    vorn::measureDisplayScale(settings);

    vorn::ScriptRunner runner(settings);
    runner.run(scriptPath);
    return runner.resultCode;
}
