// The worker that creates a new PC's record: its serial number and inventory.
#pragma once
#include <string>

#include "framework.h"

class CRegisterThread : public CWinThread {
public:
    std::wstring serialNumber;
    std::wstring exePath;
    std::wstring dataFilePath;

    int Run() override;

private:
    int CreateRecord();
};
