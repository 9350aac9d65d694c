#include "main_dialog.h"

#include <commctrl.h>
#include <memory>
#include <vector>

#include "app_messages.h"
#include "log_writer.h"
#include "machine_data_file.h"
#include "paint_scope.h"
#include "resource.h"
#include "setup_thread.h"

namespace {

constexpr const wchar_t* MARK_DONE = L"○";
constexpr const wchar_t* MARK_FAILED = L"×";
constexpr size_t FAILURE_BOX_CHARS = 1024; // terminator included
constexpr UINT_PTR WORKER_TIMER = 1;
constexpr UINT WORKER_POLL_MS = 200;

struct Column {
    const wchar_t* header;
    int width;
};
constexpr Column COLUMNS[] = {{L"", 25}, {L"項目名", 150}, {L"値", 350}};

std::wstring ProgramName(const std::wstring& exePath)
{
    std::wstring name = exePath.substr(exePath.find_last_of(L'\\') + 1);
    size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

} // namespace

std::wstring FailureBoxText(const std::wstring& detail)
{
    std::wstring text = L"失敗しました\r\n\r\n" + detail;
    const size_t limit = FAILURE_BOX_CHARS - 1;
    if (text.size() <= limit)
        return text;
    size_t keep = limit - 1; // room for the ellipsis
    // Never split a surrogate pair.
    if (keep > 0 && IS_HIGH_SURROGATE(text[keep - 1]))
        --keep;
    text.resize(keep);
    text += L"…";
    return text;
}

std::wstring SaveFailedBoxText(DWORD error)
{
    wchar_t code[32];
    _snwprintf(code, 32, L"[0x%lx]", error);
    code[31] = L'\0';
    return std::wstring(L"進行状況を保存できませんでした") + code +
           L"\r\n\r\n次に起動すると、この実行で完了した項目がもう一度実行されます。"
           L"\r\nデータファイルを開いているプログラム（ウイルス対策、バックアップ）、ネットワーク、ディスクの空きを確認してください。";
}

std::wstring ParameterText(const ItemValueMap& params, const std::vector<std::wstring>& orderedNames)
{
    if (params.size() == 1)
        return params.entries().front().second;
    std::wstring text;
    for (const auto& name : orderedNames) {
        const std::wstring* value = params.Find(name);
        if (value)
            text += name + L":" + *value + L", ";
    }
    return text;
}

CMFCApplicationDlg::CMFCApplicationDlg() : CDialog(IDD_PELTACFG_DIALOG)
{
    icon_ = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

BOOL CMFCApplicationDlg::OnInitDialog()
{
    list_ = GetDlgItem(IDC_ITEM_LIST);
    runButton_ = GetDlgItem(IDC_RUN_BUTTON);
    SetDlgItemText(IDC_SERIAL_NUMBER, serialNumber);

    ::SendMessageW(GetSafeHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessageW(GetSafeHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    wchar_t title[256] = {};
    if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_APP_TITLE, title, 256) > 0)
        ::SetWindowTextW(GetSafeHwnd(), title);

    FillList();

    // Only rows that exist can be marked: a hand-edited progress far beyond the items
    // (up to the largest integer) must not keep the dialog marking nothing for ever.
    int rows = ListView_GetItemCount(list_);
    int lastDone = resumeIndex < rows ? resumeIndex : rows - 1;
    for (int i = 0; i <= lastDone; ++i)
        ::SendMessageW(AfxGetMainWnd(), WM_SETUP_ITEM_STATUS, static_cast<WPARAM>(i), 0);
    return TRUE;
}

void CMFCApplicationDlg::FillList()
{
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(COLUMNS[c].header);
        column.cx = COLUMNS[c].width;
        column.iSubItem = c;
        if (ListView_InsertColumn(list_, c, &column) < 0)
            break;
    }

    MachineDataFile data;
    if (!data.Load(context.dataFilePath))
        return;
    for (size_t i = 0; i < data.itemNames.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(L"");
        if (ListView_InsertItem(list_, &item) != static_cast<int>(i))
            break;
        std::wstring params = ParameterText(data.itemParams[i], data.itemParamNames[i]);
        LVITEMW cell{};
        cell.iSubItem = 1;
        cell.pszText = const_cast<wchar_t*>(data.itemNames[i].c_str());
        if (!::SendMessageW(list_, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&cell)))
            break;
        cell.iSubItem = 2;
        cell.pszText = const_cast<wchar_t*>(params.c_str());
        if (!::SendMessageW(list_, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&cell)))
            break;
    }
}

void CMFCApplicationDlg::SetCell(int row, int column, const std::wstring& text)
{
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
}

bool CMFCApplicationDlg::OnCommand(WORD id, WORD code)
{
    if (id == IDC_RUN_BUTTON && code == BN_CLICKED) {
        OnRun();
        return true;
    }
    return false;
}

bool CMFCApplicationDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SETUP_FINISHED:
        OnFinished(wParam, lParam);
        break;
    case WM_SETUP_SAVE_FAILED:
        ::MessageBoxW(GetSafeHwnd(), SaveFailedBoxText(static_cast<DWORD>(wParam)).c_str(), L"", MB_ICONWARNING | MB_OK);
        break;
    case WM_SETUP_ITEM_STATUS:
        SetCell(static_cast<int>(wParam), 0, lParam == 0 ? MARK_DONE : MARK_FAILED);
        break;
    case WM_SETUP_ITEM_VALUE:
        SetCell(static_cast<int>(wParam), 2, lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
        break;
    case WM_TIMER:
        if (wParam != WORKER_TIMER)
            return false;
        OnWorkerTimer();
        break;
    case WM_PAINT:
        if (!::IsIconic(GetSafeHwnd()))
            return false;
        OnPaintMinimized();
        break;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(icon_);
        return true;
    default:
        return false;
    }
    result = 0;
    return true;
}

void CMFCApplicationDlg::OnPaintMinimized()
{
    PaintScope paint(GetSafeHwnd());
    HDC dc = paint.dc();
    ::SendMessageW(GetSafeHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT rect;
    ::GetClientRect(GetSafeHwnd(), &rect);
    int x = (rect.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rect.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, icon_);
}

void CMFCApplicationDlg::OnFinished(WPARAM outcome, LPARAM detail)
{
    if (outcome == 0 || outcome == 1)
        runReported_ = true; // closing from here on stops no run
    if (outcome == 1) {
        ::MessageBoxW(GetSafeHwnd(), L"完了しました\r\n設定の反映には再起動が必要です", L"", MB_ICONINFORMATION | MB_OK);
    } else if (outcome == 0) {
        const auto* text = reinterpret_cast<const std::wstring*>(detail);
        ::MessageBoxW(GetSafeHwnd(), FailureBoxText(text ? *text : std::wstring()).c_str(), L"", MB_ICONERROR | MB_OK);
        // The button comes back only once the worker has ended, so that a
        // new run never overlaps the one still finishing.
        runFailed_ = true;
        if (!worker_)
            ::EnableWindow(runButton_, TRUE); // the end cannot be watched: the old way
    }
}

bool CMFCApplicationDlg::WorkerRunning() const
{
    return worker_ && ::WaitForSingleObject(worker_.get(), 0) == WAIT_TIMEOUT;
}

void CMFCApplicationDlg::OnWorkerTimer()
{
    if (WorkerRunning())
        return;
    ::KillTimer(GetSafeHwnd(), WORKER_TIMER);
    worker_.reset();
    if (runFailed_)
        ::EnableWindow(runButton_, TRUE);
}

void CMFCApplicationDlg::NoteClosingDuringRun()
{
    if (WorkerRunning() && !runReported_)
        WriteLogText(L"終了により実行を中止しました");
}

void CMFCApplicationDlg::OnOK()
{
    NoteClosingDuringRun();
    CDialog::OnOK();
}

void CMFCApplicationDlg::OnCancel()
{
    NoteClosingDuringRun();
    CDialog::OnCancel();
}

void CMFCApplicationDlg::OnRun()
{
    auto worker = std::make_unique<CSetupThread>();
    worker->context = context;
    worker->serialNumber = serialNumber;
    // A worker that is never started is ended and deleted with its owner here.
    if (!worker->CreateThread(CREATE_SUSPENDED))
        return;
    ::EnableWindow(runButton_, FALSE);

    logFolder = context.logFolder;
    ::logBaseName = logBaseName;
    if (WriteLog(L"Start")) {
        // Kept to see when the thread has ended; the object deletes itself then.
        HANDLE thread = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), worker->ThreadHandle(), ::GetCurrentProcess(), &thread, SYNCHRONIZE,
                          FALSE, 0);
        worker_.reset(thread);
        runReported_ = false;
        runFailed_ = false;
        CWinThread::StartOwned(std::move(worker));
        if (worker_)
            ::SetTimer(GetSafeHwnd(), WORKER_TIMER, WORKER_POLL_MS, nullptr);
        return;
    }
    wchar_t text[256];
    _snwprintf(text, 256, LOG_FAILED_MESSAGE, lastLogError);
    text[255] = L'\0';
    ::MessageBoxW(GetSafeHwnd(), text, ProgramName(context.exePath).c_str(), MB_OK);
}
