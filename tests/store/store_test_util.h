// Small helpers for the data-file tests: data files written from UTF-8 text.
#pragma once
#include <string>
#include <string_view>

#include "machine_data_file.h"
#include "test_support.h"

namespace storetest {

// A data file with `body` inside <Data>, written to `path` as UTF-8.
inline bool writeData(const std::wstring& path, std::string_view body)
{
    return ts::writeFile(path, std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Data>") + std::string(body)
                                   + "</Data>\r\n");
}

// Saves `file` to `path` and returns the bytes written ("" on failure).
inline std::string saveAndRead(const MachineDataFile& file, const std::wstring& path)
{
    if (!file.Save(path))
        return {};
    return ts::readFile(path);
}

} // namespace storetest
