#include "report_command.h"

#include <windows.h>
#include <objbase.h>

#include <cwchar>

#include "console_text.h"
#include "fleet.h"
#include "raii.h"
#include "report_files.h"

namespace {

const wchar_t USAGE[] = L"使い方: peltacheck --report [キットのフォルダ] [--out 出力フォルダ]";

std::wstring FullPath(const std::wstring& path)
{
    wchar_t buffer[32768];
    DWORD length = ::GetFullPathNameW(path.c_str(), 32768, buffer, nullptr);
    std::wstring full = length > 0 && length < 32768 ? std::wstring(buffer, length) : path;
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    return full;
}

// Whether `path` is `folder` or lies below it (compared ignoring case, as
// Windows file names are).
bool IsWithin(const std::wstring& path, const std::wstring& folder)
{
    if (path.size() < folder.size() || ::CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                                              static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL)
        return false;
    return path.size() == folder.size() || path[folder.size()] == L'\\' || folder.back() == L'\\';
}

bool WriteWhole(const std::wstring& path, const std::string& bytes, DWORD& error)
{
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

std::wstring Now()
{
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

} // namespace

bool WantsReport(int argc, wchar_t** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::wstring(argv[i]) == L"--report")
            return true;
    return false;
}

int RunReport(int argc, wchar_t** argv, const std::wstring& programFolder)
{
    std::wstring folder, out;
    bool hasOut = false, hasReport = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--report" && !hasReport) {
            hasReport = true;
        } else if (arg == L"--out" && !hasOut && i + 1 < argc) {
            hasOut = true;
            out = argv[++i];
        } else if (folder.empty() && !arg.empty() && arg.rfind(L"--", 0) != 0) {
            folder = arg;
        } else {
            WriteConsoleLine(USAGE);
            return REPORT_NO_FOLDER;
        }
    }
    folder = FullPath(folder.empty() ? programFolder : folder);
    out = FullPath(out.empty() ? L"." : out);
    if (IsWithin(out, folder)) {
        WriteConsoleLine(out + L": キットのフォルダの中にはレポートを書きません。--out で別のフォルダを指定してください");
        return REPORT_NOT_WRITTEN;
    }

    ComApartment com;
    CFleet fleet;
    if (!ReadFleet(folder, fleet)) {
        WriteConsoleLine(folder + L": フォルダを読み取れません (data と log がありません)");
        return REPORT_NO_FOLDER;
    }
    for (const std::wstring& line : FleetSummary(fleet))
        WriteConsoleLine(line);

    DWORD error = 0;
    for (auto [name, bytes] : {std::pair{L"report.csv", FleetCsv(fleet)}, std::pair{L"report.html", FleetHtml(fleet, Now())}}) {
        std::wstring path = out + L"\\" + name;
        if (!WriteWhole(path, bytes, error)) {
            WriteConsoleLine(path + L": 書き込めません (エラー " + std::to_wstring(error) + L")");
            return REPORT_NOT_WRITTEN;
        }
        WriteConsoleLine(L"出力: " + path);
    }
    return fleet.Count(CPcState::DONE) == static_cast<int>(fleet.rows.size()) ? REPORT_ALL_DONE : REPORT_NOT_ALL_DONE;
}
