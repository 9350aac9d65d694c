// The application object: single instance, serial number, choice of the
// data file, and exactly one window shown modally.
#pragma once
#include <string>

#include "data_file_choice.h"
#include "framework.h"
#include "run_context.h"

class CMFCApplicationApp : public CWinApp {
public:
    BOOL InitInstance() override;

private:
    void Start();
    void ShowChosenDataFile();
    void ShowStatus(const std::wstring& message, const std::wstring& serialText, bool recordAllowed = false);
    void Report(const wchar_t* logLine, const wchar_t* message);
    void ShowMainDialog(MachineDataFile& data, const std::wstring& path);

    RunContext context;
    std::wstring serialNumber;
    std::wstring dataFileName;
    DataFilePaths dataFiles;
};
