// The application object: single instance, serial number, choice of the
// data file, and exactly one window shown modally.
#pragma once
#include <string>

#include "framework.h"
#include "run_context.h"

class MachineDataFile;

class CMFCApplicationApp : public CWinApp {
public:
    BOOL InitInstance() override;

private:
    void Start();
    void ChooseDataFile();
    void ChooseInitial();
    void ChooseCommon();
    void ChooseOwn();
    void ShowStatus(const std::wstring& message, const std::wstring& serialText, bool recordAllowed = false);
    void Report(const wchar_t* logLine, const wchar_t* message);
    void ShowMainDialog(MachineDataFile& data, const std::wstring& path);

    RunContext context;
    std::wstring serialNumber;
    std::wstring dataFileName;
    std::wstring initialPath;
    std::wstring commonPath;
    std::wstring machinePath;
};
