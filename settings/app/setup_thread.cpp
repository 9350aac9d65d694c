#include "setup_thread.h"

#include <exception>
#include <vector>

#include "app_messages.h"
#include "command_runner.h"
#include "inventory_list.h"
#include "log_writer.h"
#include "machine_data_file.h"
#include "method_catalog.h"
#include "xml_dom.h"

namespace {

constexpr const wchar_t* RESTART_COMMAND = L"shutdown.exe /r /t 0";

// A file held by a virus scanner or a backup is usually let go within
// seconds: a save is tried this many times, this far apart, before the run
// says that its progress could not be kept.
constexpr int SAVE_ATTEMPTS = 10;
constexpr DWORD SAVE_RETRY_MS = 500;

void LogFailure(int code, const std::wstring& output)
{
    if (!output.empty())
        WriteLog(L"Error: %d[%ls]", code, output.c_str());
    else
        WriteLog(L"Error: %d", code);
}

void LogItemFailure(const MethodCatalog& catalog) { LogFailure(catalog.lastError, catalog.output); }

bool SaveRetrying(const MachineDataFile& data, const std::wstring& path, DWORD& error)
{
    for (int attempt = 1;; ++attempt) {
        if (data.Save(path, error))
            return true;
        if (attempt == SAVE_ATTEMPTS)
            return false;
        ::Sleep(SAVE_RETRY_MS);
    }
}

} // namespace

bool IsRebootMethod(const std::wstring& method)
{
    return xmldom::EqualsNoCase(method, L"Reboot") || xmldom::EqualsNoCase(method, L"再起動");
}

void CSetupThread::Report(UINT message, WPARAM wParam, LPARAM lParam)
{
    ::SendMessageW(AfxGetMainWnd(), message, wParam, lParam);
}

int CSetupThread::Run()
{
    // Anything that escapes the run (a load, the inventory pass, a save) ends
    // it as failed, never the program.
    try {
        ApplyAll();
    } catch (const std::exception& e) {
        EndAfterException(e.what());
    } catch (...) {
        EndAfterException("unknown");
    }
    return 0;
}

void CSetupThread::EndAfterException(const char* reason)
{
    WriteLog(L"例外により中断しました: %hs", reason);
    if (!reported_) {
        std::wstring detail;
        Report(WM_SETUP_FINISHED, 0, reinterpret_cast<LPARAM>(&detail));
    }
}

void CSetupThread::ApplyAll()
{
    const std::wstring& dataFilePath = context.dataFilePath;
    MethodCatalog catalogA;
    MethodCatalog catalogB;
    catalogA.LoadFile(context.methodsPath);
    catalogB.LoadFile(context.usersMethodsPath);

    MachineDataFile data;
    MethodResult result;
    bool succeeded = true;
    bool loaded = data.Load(dataFilePath);
    if (!loaded) {
        WriteLog(L"読み取り失敗: %ls", dataFilePath.c_str());
        succeeded = false;
    } else {
        if (!data.hasInventory) {
            CollectInventory(context.inventoryPath, catalogA, data);
            // Stopped during the pass: a partial inventory must not be saved
            // as the PC's inventory; no item has run, so nothing is lost.
            if (StopRequested())
                return;
        }
        // A hand-edited progress below -1 starts at the first item, never before it.
        size_t first = data.progress < 0 ? 0 : static_cast<size_t>(data.progress) + 1;
        for (size_t i = first; i < data.itemNames.size(); ++i) {
            ItemOutcome outcome = ApplyItem(i, catalogA, catalogB, data, result);
            if (outcome == ItemOutcome::RESTARTING)
                return; // the PC restarts; the next start resumes after this item
            if (outcome != ItemOutcome::DONE) {
                succeeded = false;
                break;
            }
        }
    }

    catalogA.Close();
    // The progress reaches the disk before either box is shown: a user who
    // restarts the PC while a box is open must not lose the run. (So an
    // ending session finds nothing left to save while a box is open.)
    if (loaded)
        SaveProgress(data);
    if (succeeded) {
        Report(WM_SETUP_FINISHED, 1, 0);
        reported_ = true;
        // Done only once the user has seen the completion box.
        data.SetDone();
        SaveProgress(data);
    } else {
        // The Message of the definition the failed item ran, or nothing.
        Report(WM_SETUP_FINISHED, 0, reinterpret_cast<LPARAM>(&failureDetail_));
        reported_ = true;
    }
    data.Clear();
    catalogB.Close();
}

void CSetupThread::SaveProgress(const MachineDataFile& data)
{
    DWORD error = 0;
    if (SaveRetrying(data, context.dataFilePath, error))
        return;
    // Passed over, the next start would apply this run's items again.
    WriteLog(L"保存失敗: %d", static_cast<int>(error));
    Report(WM_SETUP_SAVE_FAILED, error, 0);
}

void CSetupThread::CollectInventory(const std::wstring& inventoryPath, MethodCatalog& catalogA, MachineDataFile& data)
{
    WriteLog(L"インベントリ取得");
    std::vector<std::wstring> names;
    if (!ReadInventoryList(inventoryPath, names))
        return;
    ReadInventory(names, catalogA, data);
}

CSetupThread::ItemOutcome CSetupThread::ApplyItem(size_t i, MethodCatalog& catalogA, MethodCatalog& catalogB,
                                                  MachineDataFile& data, MethodResult& result)
{
    // Closing the window asks the run to stop; it does so between items, so
    // the progress saved at the end of the run is exact.
    if (StopRequested())
        return ItemOutcome::STOP;

    const std::wstring& name = data.itemNames[i];
    const std::wstring& method = data.itemMethods[i];
    WriteLog(L"%ls - %ls", name.c_str(), method.c_str());

    if (IsRebootMethod(method))
        return ApplyReboot(i, data);

    MethodCatalog* catalog = catalogB.Contains(method) ? &catalogB : catalogA.Contains(method) ? &catalogA : nullptr;
    bool done = true;
    if (!catalog) {
        WriteLog(L"Method Not Found: %ls", method.c_str());
    } else {
        try {
            bool notFound = false;
            done = catalog->RunSet(method, data.itemParams[i], notFound);
            // A Get read-back runs no Set definition, so it has no Message.
            failureDetail_ = notFound ? std::wstring() : catalog->message;
            if (notFound) {
                done = catalogA.RunGet(method, result);
                if (done) {
                    WriteLog(L"GetString: %ls", method.c_str());
                    data.SetValueAt(i, result.value);
                    Report(WM_SETUP_ITEM_VALUE, i, reinterpret_cast<LPARAM>(result.value.c_str()));
                    result.Clear();
                }
            }
        } catch (const std::exception& e) {
            // A malformed definition must fail its item, never the whole worker.
            failureDetail_.clear();
            WriteLog(L"Error: %ls: %hs", method.c_str(), e.what());
            Report(WM_SETUP_ITEM_STATUS, i, 1);
            return ItemOutcome::FAILED;
        } catch (...) {
            failureDetail_.clear();
            WriteLog(L"Error: %ls: unexpected failure", method.c_str());
            Report(WM_SETUP_ITEM_STATUS, i, 1);
            return ItemOutcome::FAILED;
        }
    }

    if (!done) {
        LogItemFailure(*catalog);
        Report(WM_SETUP_ITEM_STATUS, i, 1);
        return ItemOutcome::FAILED;
    }
    // An exit code that the definition's SuccessCodes accepted (an
    // installer's 3010) is kept in the log.
    if (catalog && catalog->acceptedCode != 0)
        WriteLog(L"OK: %d", catalog->acceptedCode);
    else
        WriteLog(L"OK");
    data.SetProgress(static_cast<int>(i));
    Report(WM_SETUP_ITEM_STATUS, i, 0);
    return ItemOutcome::DONE;
}

CSetupThread::ItemOutcome CSetupThread::ApplyReboot(size_t i, MachineDataFile& data)
{
    const ItemValueMap& params = data.itemParams[i];
    if (params.empty() || !xmldom::EqualsNoCase(FirstValue(params), L"yes")) {
        WriteLog(L"OK");
        data.SetProgress(static_cast<int>(i));
        Report(WM_SETUP_ITEM_STATUS, i, 0);
        return ItemOutcome::DONE;
    }
    data.SetProgress(static_cast<int>(i));
    DWORD saveError = 0;
    if (!SaveRetrying(data, context.dataFilePath, saveError)) {
        // Restarting now would leave the old progress on disk and bring the
        // PC back to this same item after every restart.
        ForgetProgressOf(i, data);
        failureDetail_.clear();
        WriteLog(L"Error: %d", static_cast<int>(saveError));
        Report(WM_SETUP_ITEM_STATUS, i, 1);
        return ItemOutcome::FAILED;
    }
    std::wstring output;
    int exitCode = 0;
    if (RunCaptured(RESTART_COMMAND, output, exitCode))
        return ItemOutcome::RESTARTING;
    // The restart did not happen: the next run must try this item again,
    // and the log says why, as for any failed item.
    ForgetProgressOf(i, data);
    failureDetail_.clear();
    LogFailure(exitCode, output);
    Report(WM_SETUP_ITEM_STATUS, i, 1);
    return ItemOutcome::FAILED;
}

void CSetupThread::ForgetProgressOf(size_t i, MachineDataFile& data)
{
    if (i == 0)
        data.ClearProgress();
    else
        data.SetProgress(static_cast<int>(i) - 1);
}
