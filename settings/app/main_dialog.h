// The main dialog: the PC's items with their parameters and marks, the run
// button, and the follow-up of a setup run.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "framework.h"
#include "item_values.h"
#include "raii.h"
#include "run_context.h"

class CMFCApplicationDlg : public CDialog {
public:
    CMFCApplicationDlg();

    RunContext context; // with the chosen data file as dataFilePath
    std::wstring serialNumber;
    int resumeIndex = -1;
    std::wstring logBaseName;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void FillList();
    void OnRun();
    void OnFinished(WPARAM outcome, LPARAM detail);
    void OnWorkerTimer();
    bool WorkerRunning() const;
    void NoteClosingDuringRun();
    void SetCell(int row, int column, const std::wstring& text);
    void OnPaintMinimized();

    HICON icon_ = nullptr;
    HWND list_ = nullptr;
    HWND runButton_ = nullptr;
    UniqueHandle worker_;       // the running worker's thread, until it has ended
    bool runReported_ = false;  // the worker has sent its outcome
    bool runFailed_ = false;    // ... and it was a failure: the button comes back once the worker ended
};

// "失敗しました\r\n\r\n<detail>", at most 1,023 characters: a longer detail is
// cut at a character boundary and ends in "…".
std::wstring FailureBoxText(const std::wstring& detail);

// The box shown when the run's progress could not be saved, with the save's
// Win32 error in hexadecimal.
std::wstring SaveFailedBoxText(DWORD error);

// Column 2 of an item: its single value, or "name:value, " for each parameter.
std::wstring ParameterText(const ItemValueMap& params, const std::vector<std::wstring>& orderedNames);
