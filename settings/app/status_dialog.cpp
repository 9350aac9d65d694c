#include "status_dialog.h"

#include <memory>

#include "app_messages.h"
#include "register_thread.h"
#include "resource.h"

CDlg::CDlg() : CDialog(IDD_STATUS_DIALOG) {}

BOOL CDlg::OnInitDialog()
{
    SetDlgItemText(IDC_STATUS_MESSAGE, message);
    SetDlgItemText(IDC_STATUS_SERIAL, serialText);
    if (!recordAllowed)
        ::ShowWindow(GetDlgItem(IDC_REGISTER_BUTTON), SW_HIDE);
    return TRUE;
}

bool CDlg::OnCommand(WORD id, WORD code)
{
    if (id == IDC_REGISTER_BUTTON && code == BN_CLICKED) {
        if (recordAllowed)
            OnRegister();
        return true;
    }
    return false;
}

bool CDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (msg != WM_RECORD_RESULT)
        return false;
    OnRecordResult(static_cast<int>(wParam));
    result = 0;
    return true;
}

void CDlg::OnRegister()
{
    auto worker = std::make_unique<CRegisterThread>();
    worker->serialNumber = serialNumber;
    worker->context = context;
    if (!worker->CreateThread(CREATE_SUSPENDED))
        return;
    CWinThread::StartOwned(std::move(worker));
    ::EnableWindow(GetDlgItem(IDC_REGISTER_BUTTON), FALSE);
}

void CDlg::OnRecordResult(int code)
{
    HWND button = GetDlgItem(IDC_REGISTER_BUTTON);
    if (code == RECORD_CREATED) {
        ::MessageBoxW(GetSafeHwnd(), L"登録完了しました", L"", MB_ICONINFORMATION);
        SetDlgItemText(IDC_STATUS_MESSAGE, L"登録完了しました");
        ::ShowWindow(button, SW_HIDE);
        return;
    }
    ::MessageBoxW(GetSafeHwnd(), code == RECORD_NO_INVENTORY_LIST ? L"失敗しました" : L"登録失敗しました", L"",
                  MB_ICONERROR);
    ::EnableWindow(button, TRUE);
}
