#include "fleet.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "inventory_list.h"
#include "machine_data_file.h"
#include "placeholder_serial.h"
#include "serial_digest.h"
#include "xml_dom.h"

namespace {

constexpr size_t DIGEST_LENGTH = 40;

bool IsFolder(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The digest of "<40 hexadecimal digits><extension>", or empty for any other name.
std::wstring DigestOf(const std::wstring& name, const wchar_t* extension)
{
    std::wstring ext = extension;
    if (name.size() != DIGEST_LENGTH + ext.size() || !xmldom::EqualsNoCase(name.substr(DIGEST_LENGTH), ext.c_str()))
        return std::wstring();
    std::wstring digest = name.substr(0, DIGEST_LENGTH);
    for (wchar_t& c : digest) {
        if (c >= L'A' && c <= L'F')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        else if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f')))
            return std::wstring();
    }
    return digest;
}

// The files of a folder whose names are a digest plus the extension: digest → file name.
// Rotated logs (<digest>_<time>.txt) and other files do not match.
std::map<std::wstring, std::wstring> DigestFiles(const std::wstring& folder, const wchar_t* extension)
{
    std::map<std::wstring, std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::wstring digest = DigestOf(found.cFileName, extension);
        if (!digest.empty())
            files.emplace(digest, found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return files;
}

std::wstring SharedFileLine(const std::wstring& dataFolder, const wchar_t* name, const wchar_t* role)
{
    std::wstring path = dataFolder + L"\\" + name;
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::wstring();
    MachineDataFile data;
    DWORD readError = 0;
    std::wstring line = std::wstring(name) + L": 共有ファイル (" + role + L")、PC の行ではありません。";
    if (!data.LoadShared(path, readError))
        return line + L"読み込めません";
    return line + (data.isDone ? L"完了 (Done)" : L"未完了") + L"、項目 " + std::to_wstring(data.ItemCount());
}

void AddNote(CPcRow& row, const std::wstring& note)
{
    if (std::find(row.notes.begin(), row.notes.end(), note) == row.notes.end())
        row.notes.push_back(note);
}

void FlagSerials(CFleet& fleet)
{
    std::map<std::wstring, int> serialCount;
    for (const CPcRow& row : fleet.rows)
        if (!row.dataFile.empty() && row.itemCount >= 0)
            ++serialCount[row.serial];
    for (CPcRow& row : fleet.rows) {
        bool loaded = !row.dataFile.empty() && row.itemCount >= 0;
        if ((loaded || row.state == CPcState::UNREGISTERED) && IsPlaceholderSerial(row.serial)) {
            AddNote(row, L"仮のシリアル番号");
            ++fleet.placeholderSerials;
        }
        if (loaded && serialCount[row.serial] > 1) {
            AddNote(row, L"シリアル番号が重複 (" + std::to_wstring(serialCount[row.serial]) + L" 件)");
            ++fleet.duplicateSerials;
        }
    }
}

} // namespace

std::wstring FailureGroup(const CPcRow& row)
{
    std::wstring code = row.errorCode.empty() ? L"(コードの記録なし)" : row.errorCode;
    return row.lastItem.empty() ? code : L"項目 " + row.lastItem + L": " + code;
}

bool ReadFleet(const std::wstring& folder, CFleet& fleet)
{
    fleet.folder = folder;
    std::wstring dataFolder = folder + L"\\data";
    std::wstring logFolder = folder + L"\\log";
    if (!IsFolder(folder) || (!IsFolder(dataFolder) && !IsFolder(logFolder)))
        return false;
    ReadInventoryList(folder + L"\\inventory", fleet.inventoryNames);
    for (auto [name, role] : {std::pair{L"initial.xml", L"ネットワーク設定"}, std::pair{L"common.xml", L"共通設定"}}) {
        std::wstring line = SharedFileLine(dataFolder, name, role);
        if (!line.empty())
            fleet.sharedFiles.push_back(line);
    }

    std::map<std::wstring, std::wstring> dataFiles = DigestFiles(dataFolder, L".xml");
    std::map<std::wstring, std::wstring> logFiles = DigestFiles(logFolder, L".txt");
    std::set<std::wstring> digests;
    for (const auto& entry : dataFiles)
        digests.insert(entry.first);
    for (const auto& entry : logFiles)
        digests.insert(entry.first);

    SerialDigest sha1;
    for (const std::wstring& digest : digests) {
        CPcRow row;
        row.digest = digest;
        std::vector<CLogLine> log;
        auto logFile = logFiles.find(digest);
        if (logFile != logFiles.end())
            ReadPcLog(logFolder + L"\\" + logFile->second, log);
        auto dataFile = dataFiles.find(digest);
        if (dataFile == dataFiles.end()) {
            row.state = CPcState::UNREGISTERED;
            row.serial = LoggedSerial(log);
            if (!log.empty())
                row.lastTime = log.back().time;
        } else {
            row.dataFile = L"data\\" + dataFile->second;
            MachineDataFile data;
            DWORD readError = 0;
            if (!data.LoadShared(dataFolder + L"\\" + dataFile->second, readError)) {
                // The PC is still known by the serial its log holds.
                row.state = CPcState::UNREADABLE;
                row.serial = LoggedSerial(log);
                row.errorCode = readError ? L"読み取りエラー " + std::to_wstring(readError) : L"XML として読み込めません";
                if (!log.empty())
                    row.lastTime = log.back().time;
            } else {
                row.serial = data.serial;
                ReadRunState(data, log, row);
                row.inventory = InventoryCells(data, fleet.inventoryNames);
                if (!data.hasSerial)
                    AddNote(row, L"Serial がありません");
                else if (SerialFileName(sha1, data.serial) != digest) {
                    AddNote(row, L"ファイル名がシリアル番号の SHA-1 と一致しません");
                    ++fleet.misnamedFiles;
                }
            }
        }
        row.inventory.resize(fleet.inventoryNames.size());
        fleet.rows.push_back(std::move(row));
    }
    FlagSerials(fleet);
    std::stable_sort(fleet.rows.begin(), fleet.rows.end(),
                     [](const CPcRow& a, const CPcRow& b) { return a.serial < b.serial; });
    for (const CPcRow& row : fleet.rows)
        ++fleet.counts[static_cast<int>(row.state)];
    return true;
}

std::vector<std::wstring> FleetSummary(const CFleet& fleet)
{
    std::vector<std::wstring> lines;
    std::wstring counts = L"PC " + std::to_wstring(fleet.rows.size()) + L" 台:";
    for (int s = 0; s < PC_STATE_COUNT; ++s)
        counts += std::wstring(s ? L"、" : L" ") + StateWord(static_cast<CPcState>(s)) + L" " + std::to_wstring(fleet.counts[s]);
    lines.push_back(counts);
    std::map<std::wstring, int> failures;
    for (const CPcRow& row : fleet.rows)
        if (row.state == CPcState::FAILED)
            ++failures[FailureGroup(row)];
    for (const auto& [group, count] : failures)
        lines.push_back(L"  失敗 " + group + L" ― " + std::to_wstring(count) + L"台"); // a dash code page 932 has
    for (const std::wstring& shared : fleet.sharedFiles)
        lines.push_back(shared);
    if (fleet.placeholderSerials)
        lines.push_back(L"注意: 仮のシリアル番号の PC が " + std::to_wstring(fleet.placeholderSerials) + L" 台あります (BIOS の既定値。複数の PC が同じファイルを使います)");
    if (fleet.duplicateSerials)
        lines.push_back(L"注意: 同じシリアル番号のデータファイルが " + std::to_wstring(fleet.duplicateSerials) + L" 個あります");
    if (fleet.misnamedFiles)
        lines.push_back(L"注意: ファイル名がシリアル番号の SHA-1 と一致しないデータファイルが " + std::to_wstring(fleet.misnamedFiles) +
                        L" 個あります (peltacfg はそのファイルを使いません)");
    return lines;
}
