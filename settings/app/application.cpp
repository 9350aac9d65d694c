#include "application.h"

#include <commctrl.h>
#include <algorithm>
#include <string>

#include "data_file_choice.h"
#include "executable_path.h"
#include "log_writer.h"
#include "machine_data_file.h"
#include "main_dialog.h"
#include "method_text.h"
#include "placeholder_serial.h"
#include "win32_owners.h"
#include "serial_digest.h"
#include "serial_number.h"
#include "status_dialog.h"

namespace {

constexpr const wchar_t* MUTEX_NAME = L"Global\\PeltawinClient";
constexpr const wchar_t* SERIAL_NOT_READ = L"シリアルナンバーが取得できませんでした";

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

// What the status window says, and the log line before it, for each file
// that is not run.
struct Outcome {
    DataFileSource source;
    DataFileState state;
    const wchar_t* logLine;
    const wchar_t* message;
};

const Outcome OUTCOMES[] = {
    {DataFileSource::INITIAL, DataFileState::DONE, L"ネットワーク設定済み", L"ネットワーク設定済みです"},
    {DataFileSource::INITIAL, DataFileState::NO_SETTINGS, L"設定情報がありません", L"設定情報がありません"},
    {DataFileSource::COMMON, DataFileState::UNREADABLE, L"不正な設定", L"設定が不正"},
    {DataFileSource::COMMON, DataFileState::DONE, L"共通設定済み", L"設定済みです"},
    {DataFileSource::COMMON, DataFileState::NO_SETTINGS, L"設定情報がありません", L"設定情報がありません"},
    {DataFileSource::OWN, DataFileState::UNREADABLE, L"不正な設定", L"設定が不正"},
    {DataFileSource::OWN, DataFileState::DONE, L"設定済み", L"設定済みです"},
    {DataFileSource::OWN, DataFileState::NO_SETTINGS, L"設定情報がありません", L"設定情報がありません"},
};

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
    std::wstring serial;
    switch (ReadSerialNumber(context.methodsPath, serial)) {
    case SerialRead::NO_CATALOGUE:
        ShowStatus(L"設定ファイルの読み込みに失敗しました", L"---");
        return;
    case SerialRead::NOT_READ:
        ShowStatus(SERIAL_NOT_READ, L"未取得");
        return;
    case SerialRead::PLACEHOLDER:
        // The text read is shown so that the administrator sees why; nothing
        // is logged or offered.
        ShowStatus(SERIAL_NOT_READ, L"「" + serial + L"」（仮の値）");
        return;
    case SerialRead::READ:
        break;
    }
    serialNumber = serial;

    dataFileName = SerialFileName(serialNumber);

    logFolder = context.logFolder;
    logBaseName = dataFileName;
    bool logged = WriteLog(L"SerialNumber: %ls", serialNumber.c_str());

    dataFiles = DataFilePaths::InFolder(context.dataFolder, dataFileName);

    if (!logged) {
        ShowStatus(Hex(lastLogError), serialNumber);
        return;
    }
    ShowChosenDataFile();
}

void CMFCApplicationApp::ShowChosenDataFile()
{
    DataFileChoice choice = ChooseDataFile(dataFiles, serialNumber, TemplateCopy::SAVE);
    if (choice.source == DataFileSource::INITIAL)
        WriteLog(L"ネットワーク設定");
    else if (choice.source == DataFileSource::COMMON)
        WriteLog(L"共通設定");

    if (choice.state == DataFileState::TO_APPLY) {
        ShowMainDialog(choice.data, choice.path);
        return;
    }
    if (choice.state == DataFileState::UNREGISTERED) {
        WriteLog(L"未登録PC");
        ShowStatus(L"未登録のPCです", serialNumber, true);
        return;
    }
    for (const Outcome& outcome : OUTCOMES)
        if (outcome.source == choice.source && outcome.state == choice.state) {
            Report(outcome.logLine, outcome.message);
            return;
        }
    // An unreadable initial.xml ends the program without a window.
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
    dialog.context.dataFilePath = dataFiles.machine;
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
