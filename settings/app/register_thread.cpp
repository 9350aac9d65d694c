#include "register_thread.h"

#include <shlwapi.h>
#include <exception>
#include <vector>

#include "app_messages.h"
#include "inventory_list.h"
#include "log_writer.h"
#include "machine_data_file.h"
#include "method_catalog.h"
#include "temporary_file.h"

int CRegisterThread::Run()
{
    // Anything that escapes the record creation fails it, never the program.
    int code = RECORD_NO_INVENTORY_LIST;
    try {
        code = CreateRecord();
    } catch (const std::exception& e) {
        WriteLog(L"例外により中断しました: %hs", e.what());
    } catch (...) {
        WriteLog(L"例外により中断しました: %hs", "unknown");
    }
    ::SendMessageW(AfxGetMainWnd(), WM_RECORD_RESULT, static_cast<WPARAM>(code), 0);
    return 0;
}

int CRegisterThread::CreateRecord()
{
    const std::wstring& dataFilePath = context.dataFilePath;
    std::vector<std::wstring> names;
    if (!ReadInventoryList(context.inventoryPath, names))
        return RECORD_NO_INVENTORY_LIST;

    if (!::PathIsDirectoryW(context.dataFolder.c_str()))
        ::CreateDirectoryW(context.dataFolder.c_str(), nullptr);

    // An existing record is never replaced.
    if (::PathFileExistsW(dataFilePath.c_str()))
        return RECORD_FAILED;

    MachineDataFile data;
    data.CreateNew(serialNumber);
    if (!data.hasSerial)
        return RECORD_FAILED;

    MethodCatalog catalog;
    catalog.LoadFile(context.methodsPath);
    if (!ReadInventory(names, catalog, data, &CWinThread::StopRequested))
        return RECORD_FAILED; // the window has closed: nobody waits for the record
    catalog.Close();

    // The record reaches its place only by the final copy, so a failed save
    // never leaves a half-written file there.
    TemporaryFile temporary(L"PTR");
    if (temporary.path().empty() || !data.Save(temporary.path()))
        return RECORD_FAILED;
    // A record that another PC wrote in the meantime is never overwritten.
    return ::CopyFileW(temporary.path().c_str(), dataFilePath.c_str(), TRUE) ? RECORD_CREATED : RECORD_FAILED;
}
