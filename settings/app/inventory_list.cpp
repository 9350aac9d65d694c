#include "inventory_list.h"

#include <windows.h>

#include "raii.h"

namespace {

std::wstring FromAnsi(const char* data, size_t length)
{
    if (length == 0)
        return {};
    int n = ::MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(length), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(length), out.data(), n);
    return out;
}

} // namespace

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
            names.push_back(FromAnsi(bytes.data() + start, length));
        start = next;
    }
    return true;
}
