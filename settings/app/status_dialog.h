// The status window: tells the user why there is nothing to run, and on an
// unregistered PC offers to create its record.
#pragma once
#include <string>

#include "framework.h"
#include "run_context.h"

class CDlg : public CDialog {
public:
    CDlg();

    std::wstring message;    // the message line
    std::wstring serialText; // shown right of the serial label
    bool recordAllowed = false;
    std::wstring serialNumber;
    RunContext context; // with the PC's data file as dataFilePath

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnRegister();
    void OnRecordResult(int code);
};
