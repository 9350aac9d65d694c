#include "methods_fixture.h"

namespace mt {

LoadedCatalog::LoadedCatalog(const std::wstring& dataElements)
{
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Datas>" + dataElements + L"</Datas>\r\n";
    std::wstring path = dir.file(L"methods.xml");
    if (ts::writeFile(path, ts::wideToUtf8(xml)))
        loaded = catalog.LoadFile(path);
}

CapturedStdout::CapturedStdout()
{
    std::wstring path = dir_.file(L"stdout.bin");
    file_.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    previous_ = ::GetStdHandle(STD_OUTPUT_HANDLE);
    ::SetStdHandle(STD_OUTPUT_HANDLE, file_.get());
}

CapturedStdout::~CapturedStdout()
{
    ::SetStdHandle(STD_OUTPUT_HANDLE, previous_);
}

std::string CapturedStdout::bytes()
{
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file_.get(), &size);
    std::string data(static_cast<size_t>(size.QuadPart), '\0');
    LARGE_INTEGER zero{};
    ::SetFilePointerEx(file_.get(), zero, nullptr, FILE_BEGIN);
    DWORD read = 0;
    if (!data.empty())
        ::ReadFile(file_.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
    data.resize(read);
    ::SetFilePointerEx(file_.get(), zero, nullptr, FILE_END);
    return data;
}

ItemValueMap Values(std::initializer_list<std::pair<std::wstring, std::wstring>> entries)
{
    ItemValueMap map;
    for (const auto& e : entries)
        map.Set(e.first, e.second);
    return map;
}

std::wstring Escape(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace mt
