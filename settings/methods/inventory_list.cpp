#include "inventory_list.h"

#include <windows.h>

#include "machine_data_file.h"
#include "method_catalog.h"
#include "method_text.h"
#include "win32_owners.h"

bool ReadInventoryList(const std::wstring& path, std::vector<std::wstring>& names)
{
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);

    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        size_t next = end == std::string::npos ? bytes.size() : end + 1;
        if (end == std::string::npos)
            end = bytes.size();
        // Text-mode reading turns CR LF into LF.
        size_t length = end - start;
        if (length > 0 && bytes[end - 1] == '\r' && end < bytes.size())
            --length;
        if (length > 0 && bytes[start] != '#')
            names.push_back(AnsiToWide(std::string_view(bytes.data() + start, length), JAPANESE_CODE_PAGE));
        start = next;
    }
    return true;
}

bool ReadInventory(const std::vector<std::wstring>& names, MethodCatalog& catalog, MachineDataFile& data,
                   StopCheck stopRequested)
{
    MethodResult result;
    for (const auto& name : names) {
        if (stopRequested())
            return false;
        if (catalog.RunGet(name, result)) {
            data.AddInventoryEntry(result);
            result.Clear();
        }
    }
    return true;
}
