#include "framework.h"

#include "win32_owners.h"

namespace {
CWinApp* theApplication = nullptr;

// Manual-reset event, set while no worker runs; made with the first worker.
HANDLE AllWorkersDone()
{
    static UniqueHandle event(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    return event.get();
}
} // namespace

CWinApp::CWinApp()
{
    theApplication = this;
    instance = ::GetModuleHandleW(nullptr);
}

CWinApp::~CWinApp()
{
    if (theApplication == this)
        theApplication = nullptr;
}

CWinApp* AfxGetApp() { return theApplication; }

HWND AfxGetMainWnd() { return theApplication ? theApplication->mainWindow : nullptr; }

// --- modal dialog ---------------------------------------------------------

CDialog::CDialog(UINT templateId) : templateId_(templateId) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal(HWND parent)
{
    HINSTANCE instance = theApplication ? theApplication->instance : ::GetModuleHandleW(nullptr);
    return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId_), parent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result)
{
    if (hwnd_)
        ::EndDialog(hwnd_, result);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
        if (theApplication) {
            self->previousMain_ = theApplication->mainWindow;
            theApplication->mainWindow = hwnd;
        }
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self)
        return FALSE;
    INT_PTR handled = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        if (theApplication && theApplication->mainWindow == hwnd)
            theApplication->mainWindow = self->previousMain_;
        self->hwnd_ = nullptr;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    }
    return handled;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        WORD id = LOWORD(wParam);
        WORD code = HIWORD(wParam);
        if (OnCommand(id, code))
            return TRUE;
        if (id == IDOK && code == BN_CLICKED) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    default: {
        LRESULT result = 0;
        if (!OnMessage(message, wParam, lParam, result))
            return FALSE;
        if (AnswersDirectly(message))
            return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    }
}

bool CDialog::AnswersDirectly(UINT message)
{
    // The dialog manager takes these answers from the procedure's return
    // value itself and ignores DWLP_MSGRESULT for them.
    switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

// --- worker thread ----------------------------------------------------------

std::atomic<bool> CWinThread::stopRequested_{false};
std::atomic<int> CWinThread::running_{0};

CWinThread::CWinThread()
{
    AllWorkersDone();
}

CWinThread::~CWinThread()
{
    if (thread_ && !resumed_) {
        // Created but never started: the thread has run none of our code, so
        // ending it here is safe, and nobody must wait for it.
        ::TerminateThread(thread_.get(), 0);
        ::WaitForSingleObject(thread_.get(), INFINITE);
        Finished();
    }
}

void CWinThread::Finished()
{
    if (running_.fetch_sub(1) == 1)
        ::SetEvent(AllWorkersDone());
}

bool CWinThread::CreateThread(DWORD flags)
{
    if (running_.fetch_add(1) == 0)
        ::ResetEvent(AllWorkersDone());
    thread_.reset(::CreateThread(nullptr, 0, ThreadProc, this, flags | CREATE_SUSPENDED, nullptr));
    if (!thread_) {
        Finished();
        return false;
    }
    if (!(flags & CREATE_SUSPENDED))
        ResumeThread();
    return true;
}

DWORD CWinThread::ResumeThread()
{
    if (!thread_)
        return static_cast<DWORD>(-1);
    resumed_ = true;
    return ::ResumeThread(thread_.get());
}

void CWinThread::StartOwned(std::unique_ptr<CWinThread> worker)
{
    CWinThread* running = worker.release();
    running->autoDelete = true;
    running->ResumeThread();
}

DWORD WINAPI CWinThread::ThreadProc(void* param)
{
    auto* self = static_cast<CWinThread*>(param);
    int code = 0;
    {
        ComApartment com(COINIT_APARTMENTTHREADED);
        code = self->Run();
    }
    if (self->autoDelete)
        delete self;
    Finished();
    return static_cast<DWORD>(code);
}

bool CWinThread::StopAndWaitAll(DWORD timeoutMs)
{
    stopRequested_ = true;
    if (!AllWorkersDone() || running_.load() == 0)
        return true;
    return ::WaitForSingleObject(AllWorkersDone(), timeoutMs) == WAIT_OBJECT_0;
}
