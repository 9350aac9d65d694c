// The worker that applies a data file's items, from the recorded progress
// onwards, reporting each step to the main dialog.
#pragma once
#include <string>

#include "framework.h"
#include "run_context.h"

class MachineDataFile;
class MethodCatalog;
struct MethodResult;

class CSetupThread : public CWinThread {
public:
    RunContext context;        // with the data file to apply as dataFilePath
    std::wstring serialNumber; // carried for the record; the run does not read it

    int Run() override;

protected:
    // Reads the inventory list's methods into the data file (not saved).
    virtual void CollectInventory(const std::wstring& inventoryPath, MethodCatalog& catalogA, MachineDataFile& data);

private:
    enum class ItemOutcome { DONE, FAILED, RESTARTING, STOP };

    void ApplyAll();
    void EndAfterException(const char* reason);
    // Saves the data file, retrying a while; a save that still fails is
    // logged and reported to the dialog.
    void SaveProgress(const MachineDataFile& data);
    void ForgetProgressOf(size_t index, MachineDataFile& data);

    ItemOutcome ApplyItem(size_t index, MethodCatalog& catalogA, MethodCatalog& catalogB, MachineDataFile& data,
                          MethodResult& result);
    ItemOutcome ApplyReboot(size_t index, MachineDataFile& data);
    void Report(UINT message, WPARAM wParam, LPARAM lParam);

    std::wstring failureDetail_; // the Message of the definition the failed item ran
    bool reported_ = false;      // the outcome of the run has been sent
};

// True for the methods the run handles itself: "Reboot" or "再起動", any case.
bool IsRebootMethod(const std::wstring& method);
