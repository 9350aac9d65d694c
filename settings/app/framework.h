// The small application framework peltacfg's classes stand on: an
// application object whose InitInstance does all the work, a modal dialog
// base with message dispatch to member handlers, and a worker thread created
// suspended that deletes itself when it ends.
#pragma once
#include <windows.h>
#include <atomic>
#include <memory>
#include <string>

#include "win32_owners.h"

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Does the program's whole work; the program ends when it returns.
    virtual BOOL InitInstance() = 0;

    // The window that workers report to: the modal window being shown.
    HWND mainWindow = nullptr;
    HINSTANCE instance = nullptr;
};

// The application object (one per process).
CWinApp* AfxGetApp();
HWND AfxGetMainWnd();

// A modal dialog built from a dialog template.
class CDialog {
public:
    explicit CDialog(UINT templateId);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog modally; while it is shown it is the application's main window.
    INT_PTR DoModal(HWND parent = nullptr);
    HWND GetSafeHwnd() const { return hwnd_; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
    void SetDlgItemText(int id, const std::wstring& text) const { ::SetDlgItemTextW(hwnd_, id, text.c_str()); }
    void EndDialog(INT_PTR result);

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A command (button, menu) not handled by OnOK/OnCancel; true when handled.
    virtual bool OnCommand(WORD id, WORD code) { return false; }
    // Any other message; true when handled, with `result` as the answer.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Messages whose answer is the dialog procedure's return value, not DWLP_MSGRESULT.
    static bool AnswersDirectly(UINT message);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HWND hwnd_ = nullptr;
    HWND previousMain_ = nullptr;
};

// A worker thread: created suspended, run with COM in a single-threaded
// apartment, deleted when it ends when autoDelete is on.
class CWinThread {
public:
    CWinThread();
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Creates the thread suspended; false when it cannot be created.
    bool CreateThread(DWORD flags = CREATE_SUSPENDED);
    DWORD ResumeThread();
    // Starts a worker that CreateThread made suspended and hands it to its
    // own thread, which deletes it when it ends.
    static void StartOwned(std::unique_ptr<CWinThread> worker);

    bool autoDelete = true;

    // The work of the thread; its result becomes the thread's exit code.
    virtual int Run() = 0;

    // The thread, for waiting on its end; valid until the object is deleted.
    HANDLE ThreadHandle() const { return thread_.get(); }

    // Asks running workers to stop at their next safe point, and waits up to
    // timeoutMs for every worker to end. True when none runs any more.
    static bool StopAndWaitAll(DWORD timeoutMs);
    static bool StopRequested() { return stopRequested_.load(); }

private:
    static DWORD WINAPI ThreadProc(void* param);
    static void Finished();
    UniqueHandle thread_;
    bool resumed_ = false;
    static std::atomic<bool> stopRequested_;
    static std::atomic<int> running_;
};
