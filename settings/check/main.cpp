// peltacheck: checks a peltacfg kit (catalogues, inventory, data files)
// before it goes to the PCs. Reads only; runs and writes nothing.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "check_report.h"
#include "console_text.h"
#include "kit_check.h"
#include "report_command.h"
#include "verify_pc.h"

namespace {

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path, length < MAX_PATH ? length : 0);
    size_t slash = full.rfind(L'\\');
    return slash == std::wstring::npos ? L"." : full.substr(0, slash);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (WantsReport(argc, argv))
        return RunReport(argc, argv, ProgramFolder());
    bool withPlan = false;
    bool verify = false;
    std::wstring folder;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--version" && argc == 2) {
            WriteConsoleLine(L"peltacheck " PW_VERSION_TEXT);
            return CHECK_CLEAN;
        }
        if (arg == L"--plan" && !withPlan && !verify) {
            withPlan = true;
        } else if (arg == L"--verify" && !verify && !withPlan) {
            verify = true;
        } else if (folder.empty() && arg.rfind(L"--", 0) != 0) {
            folder = arg;
        } else {
            WriteConsoleLine(L"使い方: peltacheck [--plan | --verify] [フォルダ]");
            WriteConsoleLine(L"        peltacheck --report [フォルダ] [--out 出力フォルダ]");
            WriteConsoleLine(L"        peltacheck --version");
            return CHECK_NO_FOLDER;
        }
    }
    if (folder.empty())
        folder = ProgramFolder();

    if (FAILED(::CoInitialize(nullptr))) {
        WriteConsoleLine(L"COM を初期化できません");
        return CHECK_NO_FOLDER;
    }
    if (verify) {
        int verified = VerifyPc(folder, WriteConsoleLine);
        ::CoUninitialize();
        return verified;
    }
    CCheckReport report;
    int code = CheckKit(folder, withPlan, report);
    if (code == CHECK_NO_FOLDER)
        WriteConsoleLine(folder + L": フォルダを読み取れません");
    else
        WriteConsoleLines(report.Lines());
    ::CoUninitialize();
    return code;
}
