#include "setup_thread.h"

#include <exception>
#include <vector>

#include "app_messages.h"
#include "command_runner.h"
#include "inventory_list.h"
#include "log_writer.h"
#include "machine_data_file.h"
#include "method_catalog.h"
#include "reboot_item.h"
#include "xml_dom.h"

namespace {

constexpr const wchar_t* RESTART_COMMAND = L"shutdown.exe /r /t 0";

void LogItemFailure(const MethodCatalog& catalog)
{
    if (!catalog.output.empty())
        WriteLog(L"Error: %d[%ls]", catalog.lastError, catalog.output.c_str());
    else
        WriteLog(L"Error: %d", catalog.lastError);
}

} // namespace

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
    if (succeeded) {
        Report(WM_SETUP_FINISHED, 1, 0);
        reported_ = true;
        data.SetDone();
        data.Save(dataFilePath);
    } else {
        // The Message of the definition the failed item ran, or nothing.
        Report(WM_SETUP_FINISHED, 0, reinterpret_cast<LPARAM>(&failureDetail_));
        reported_ = true;
        if (loaded)
            data.Save(dataFilePath);
    }
    data.Clear();
    catalogB.Close();
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
    if (!data.Save(context.dataFilePath, saveError)) {
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
    // The restart did not happen: the next run must try this item again.
    ForgetProgressOf(i, data);
    failureDetail_.clear();
    return ItemOutcome::FAILED;
}

void CSetupThread::ForgetProgressOf(size_t i, MachineDataFile& data)
{
    if (i == 0)
        data.ClearProgress();
    else
        data.SetProgress(static_cast<int>(i) - 1);
}
