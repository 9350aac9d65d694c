// The worker that creates a new PC's record: its serial number and inventory.
#pragma once
#include <string>

#include "framework.h"
#include "run_context.h"

class CRegisterThread : public CWinThread {
public:
    std::wstring serialNumber;
    RunContext context; // with the new record's path as dataFilePath

    int Run() override;

private:
    int CreateRecord();
};
