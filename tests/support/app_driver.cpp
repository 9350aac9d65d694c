#include "app_driver.h"

#include <commctrl.h>

#include "test_support.h"

namespace drv {

namespace {

// Memory in another process, freed at the end of its scope.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size) : process_(process)
    {
        address_ = ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer()
    {
        if (address_)
            ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    void* get() const { return address_; }

private:
    HANDLE process_;
    void* address_ = nullptr;
};

constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;

} // namespace

std::vector<std::vector<std::wstring>> listViewRows(HWND list, int columns)
{
    std::vector<std::vector<std::wstring>> rows;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(list, &pid);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        return rows;
    {
        constexpr int TEXT_CHARS = 4096;
        RemoteBuffer item(process, sizeof(LVITEMW));
        RemoteBuffer text(process, TEXT_CHARS * sizeof(wchar_t));
        int count = static_cast<int>(sendWithTimeout(list, LVM_GETITEMCOUNT, 0, 0));
        for (int r = 0; r < count && item.get() && text.get(); ++r) {
            std::vector<std::wstring> row;
            for (int c = 0; c < columns; ++c) {
                LVITEMW local{};
                local.iSubItem = c;
                local.cchTextMax = TEXT_CHARS;
                local.pszText = static_cast<wchar_t*>(text.get());
                ::WriteProcessMemory(process, item.get(), &local, sizeof local, nullptr);
                LRESULT n = sendWithTimeout(list, LVM_GETITEMTEXTW, r, reinterpret_cast<LPARAM>(item.get()));
                std::wstring value(static_cast<size_t>(n > 0 ? n : 0), L'\0');
                if (n > 0)
                    ::ReadProcessMemory(process, text.get(), value.data(), n * sizeof(wchar_t), nullptr);
                row.push_back(value);
            }
            rows.push_back(row);
        }
    }
    ::CloseHandle(process);
    return rows;
}

std::vector<HWND> messageBoxes(DWORD pid)
{
    std::vector<HWND> boxes;
    for (HWND w : ts::processWindows(pid)) {
        wchar_t cls[64];
        ::GetClassNameW(w, cls, 64);
        if (wcscmp(cls, L"#32770") == 0 && ::IsWindowVisible(w) && ::GetDlgItem(w, MESSAGE_BOX_TEXT_ID))
            boxes.push_back(w);
    }
    return boxes;
}

HWND findMessageBox(DWORD pid, DWORD timeoutMs)
{
    HWND box = nullptr;
    ts::waitUntil([&] {
        std::vector<HWND> boxes = messageBoxes(pid);
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr;
    }, timeoutMs);
    return box;
}

HWND pressAndWaitBox(HWND dialog, int buttonId, DWORD pid, DWORD timeoutMs)
{
    if (!ts::pressButton(dialog, buttonId))
        return nullptr;
    return findMessageBox(pid, timeoutMs);
}

std::wstring messageBoxText(HWND box) { return ts::dialogItemText(box, MESSAGE_BOX_TEXT_ID); }

std::wstring messageBoxCaption(HWND box) { return ts::windowText(box); }

bool closeMessageBox(HWND box, int buttonId)
{
    if (!ts::pressButton(box, buttonId))
        return false;
    return ts::waitForWindowGone(box, 5000);
}

bool isEnabled(HWND dialog, int id)
{
    HWND item = ::GetDlgItem(dialog, id);
    return item && ::IsWindowEnabled(item);
}

bool waitEnabled(HWND dialog, int id, DWORD timeoutMs)
{
    return ts::waitUntil([&] { return isEnabled(dialog, id); }, timeoutMs, 50);
}

bool isVisible(HWND dialog, int id)
{
    HWND item = ::GetDlgItem(dialog, id);
    return item && (::GetWindowLongW(item, GWL_STYLE) & WS_VISIBLE);
}

LRESULT sendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

} // namespace drv
