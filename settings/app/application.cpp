#include "application.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <algorithm>
#include <string>

#include "executable_path.h"
#include "log_writer.h"
#include "machine_data_file.h"
#include "main_dialog.h"
#include "method_catalog.h"
#include "method_text.h"
#include "raii.h"
#include "serial_digest.h"
#include "status_dialog.h"

namespace {

constexpr const wchar_t* MUTEX_NAME = L"Global\\PeltawinClient";

// How long the program waits for a running worker after its window closed;
// then it ends anyway (saves replace the data file in one step, so the file
// on disk stays whole).
constexpr DWORD STOP_WAIT_MS = 10000;

// The longest path the tool builds below its folder: the PC's data file
// while a save writes its temporary file beside it ("<file>.<pid>-<tid>.tmp").
// The rotated log name ("log\\<digest>_YYYYmmdd_HHMMSS.txt") is shorter.
constexpr size_t LONGEST_SUFFIX = sizeof("\\data\\") - 1 + 40 + sizeof(".xml.4294967295-4294967295.tmp") - 1;
constexpr size_t MAX_FOLDER_CHARS = MAX_PATH - 1 - LONGEST_SUFFIX;
constexpr const wchar_t* FOLDER_TOO_LONG = L"フォルダのパスが長すぎます（183文字まで）";
static_assert(MAX_FOLDER_CHARS == 183, "the status text names the limit");

bool FileExists(const std::wstring& path) { return ::PathFileExistsW(path.c_str()) != FALSE; }

// Said when a window cannot be created (no display, no desktop, no resources left).
constexpr const wchar_t* WINDOW_FAILED_MESSAGE = L"ウィンドウを表示できないため終了しました[0x%x]";

std::wstring Hex(int value, const wchar_t* format = LOG_FAILED_MESSAGE)
{
    wchar_t text[128];
    _snwprintf(text, 128, format, value);
    text[127] = L'\0';
    return text;
}

// Shows the window; one that cannot even be created must not end the program
// without a word: the log (once it is set up) and the trace say so, with the
// system's error code.
void RunModal(CDialog& dialog)
{
    if (dialog.DoModal() != -1)
        return;
    std::wstring text = Hex(static_cast<int>(::GetLastError()), WINDOW_FAILED_MESSAGE);
    WriteOutputLine(text);
    if (!logFolder.empty())
        WriteLogText(text);
}

} // namespace

BOOL CMFCApplicationApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    // Restart support only: after an update restart the program is started again.
    ::RegisterApplicationRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG);

    UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, MUTEX_NAME));
    if (!mutex)
        return FALSE;
    MutexHold instanceLock(mutex.get());
    if (instanceLock.busy())
        return FALSE;

    // A folder too deep is reported below rather than ending without a word.
    if (ExecutablePath().empty())
        return FALSE;
    context = RunContext::ForExecutable(ExecutablePath());
    WriteOutputLine(L" " + context.exePath);

    {
        ComApartment com(COINIT_APARTMENTTHREADED);
        if (context.exePath.size() >= MAX_PATH || context.exeDir.size() > MAX_FOLDER_CHARS)
            ShowStatus(FOLDER_TOO_LONG, L"---");
        else
            Start();
        // A worker still running stops at its next safe point and saves; one
        // that hangs (a command that never returns) must not keep an
        // invisible process alive holding the mutex.
        if (!CWinThread::StopAndWaitAll(STOP_WAIT_MS)) {
            instanceLock.Release();
            ::TerminateProcess(::GetCurrentProcess(), 0);
        }
    }
    return FALSE;
}

void CMFCApplicationApp::Start()
{
    {
        MethodCatalog catalog;
        if (!catalog.LoadFile(context.methodsPath)) {
            ShowStatus(L"設定ファイルの読み込みに失敗しました", L"---");
            return;
        }
        MethodResult result;
        catalog.RunGet(L"SerialNumber", result);
        catalog.Close();
        if (result.value.empty()) {
            ShowStatus(L"シリアルナンバーが取得できませんでした", L"未取得");
            return;
        }
        serialNumber = result.value;
    }

    dataFileName = SerialFileName(serialNumber);

    logFolder = context.logFolder;
    logBaseName = dataFileName;
    bool logged = WriteLog(L"SerialNumber: %ls", serialNumber.c_str());

    initialPath = context.DataFile(L"initial");
    commonPath = context.DataFile(L"common");
    machinePath = context.DataFile(dataFileName);

    if (!logged) {
        ShowStatus(Hex(lastLogError), serialNumber);
        return;
    }
    ChooseDataFile();
}

void CMFCApplicationApp::ChooseDataFile()
{
    if (FileExists(initialPath))
        ChooseInitial();
    else if (FileExists(commonPath))
        ChooseCommon();
    else
        ChooseOwn();
}

void CMFCApplicationApp::ChooseInitial()
{
    WriteLog(L"ネットワーク設定");
    MachineDataFile data;
    if (!data.Load(initialPath))
        return;
    if (data.isDone)
        Report(L"ネットワーク設定済み", L"ネットワーク設定済みです");
    else if (!data.itemNames.empty())
        ShowMainDialog(data, initialPath);
    else
        Report(L"設定情報がありません", L"設定情報がありません");
}

void CMFCApplicationApp::ChooseCommon()
{
    WriteLog(L"共通設定");
    if (!FileExists(machinePath)) {
        MachineDataFile common;
        if (common.Load(commonPath)) {
            common.SetSerial(serialNumber);
            common.Save(machinePath);
        }
    }
    MachineDataFile data;
    if (!data.Load(machinePath)) {
        Report(L"不正な設定", L"設定が不正");
        return;
    }
    // Here "done" counts only for a file marked common.
    bool hasWork = data.isCommon && !data.itemNames.empty();
    if (hasWork && data.isDone)
        Report(L"共通設定済み", L"設定済みです");
    else if (hasWork)
        ShowMainDialog(data, machinePath);
    else
        Report(L"設定情報がありません", L"設定情報がありません");
}

void CMFCApplicationApp::ChooseOwn()
{
    if (!FileExists(machinePath)) {
        WriteLog(L"未登録PC");
        ShowStatus(L"未登録のPCです", serialNumber, true);
        return;
    }
    MachineDataFile data;
    if (!data.Load(machinePath))
        Report(L"不正な設定", L"設定が不正");
    else if (data.isDone)
        Report(L"設定済み", L"設定済みです");
    else if (data.hasSerial && !data.itemNames.empty())
        ShowMainDialog(data, machinePath);
    else
        Report(L"設定情報がありません", L"設定情報がありません");
}

void CMFCApplicationApp::Report(const wchar_t* logLine, const wchar_t* message)
{
    WriteLogText(logLine);
    ShowStatus(message, serialNumber);
}

void CMFCApplicationApp::ShowStatus(const std::wstring& message, const std::wstring& serialText, bool recordAllowed)
{
    CDlg dialog;
    dialog.message = message;
    dialog.serialText = serialText;
    dialog.recordAllowed = recordAllowed;
    dialog.serialNumber = serialNumber;
    dialog.context = context;
    dialog.context.dataFilePath = machinePath;
    RunModal(dialog);
}

void CMFCApplicationApp::ShowMainDialog(MachineDataFile& data, const std::wstring& path)
{
    // The dialog and the run load the file again themselves.
    int progress = data.progress;
    data.Clear();
    CMFCApplicationDlg dialog;
    dialog.context = context;
    dialog.context.dataFilePath = path;
    dialog.serialNumber = serialNumber;
    dialog.resumeIndex = progress;
    dialog.logBaseName = dataFileName;
    RunModal(dialog);
}
