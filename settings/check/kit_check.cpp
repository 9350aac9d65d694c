#include "kit_check.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "data_file_check.h"
#include "inventory_check.h"
#include "raii.h"
#include "xml_dom.h"

namespace {

bool IsFolder(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring FullPath(const std::wstring& folder)
{
    wchar_t buffer[MAX_PATH];
    DWORD length = ::GetFullPathNameW(folder.c_str(), MAX_PATH, buffer, nullptr);
    std::wstring full = length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : folder;
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    return full;
}

// The machine files: every data\*.xml besides the two shared ones, by name.
std::vector<std::wstring> MachineFiles(const std::wstring& dataFolder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((dataFolder + L"\\*.xml").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = found.cFileName;
        // The pattern also matches longer extensions through short names.
        bool xml = name.size() > 4 && xmldom::EqualsNoCase(name.substr(name.size() - 4), L".xml");
        if (xml && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !xmldom::EqualsNoCase(name, L"initial.xml") &&
            !xmldom::EqualsNoCase(name, L"common.xml"))
            names.push_back(name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// What start-up does on a PC that has no data file of its own.
std::wstring StartupCase(const CDataSummary& initial, const CDataSummary& common)
{
    std::wstring text = L"自分のデータファイルがない PC の起動時: ";
    if (initial.present) {
        text += L"initial.xml (ネットワーク設定、すべての PC で共有): ";
        if (!initial.loads)
            return text + L"読み込めず、何も表示されずに終わります";
        if (initial.isDone)
            return text + L"「ネットワーク設定済みです」と表示され、何も実行しません";
        return text + (initial.items > 0 ? L"項目を実行します" : L"「設定情報がありません」");
    }
    if (common.present) {
        text += L"common.xml (共通設定) を data\\<シリアルナンバーの SHA-1>.xml にコピーして: ";
        if (!common.loads)
            return text + L"「設定が不正」";
        if (!common.isCommon || common.items == 0)
            return text + L"「設定情報がありません」";
        return text + (common.isDone ? L"「設定済みです」" : L"項目を実行します");
    }
    return text + L"未登録PC (「未登録のPCです」と「登録」ボタン)";
}

} // namespace

int CheckKit(const std::wstring& folder, bool withPlan, CCheckReport& report)
{
    if (!IsFolder(folder))
        return CHECK_NO_FOLDER;
    CKit kit;
    kit.paths.exeDir = FullPath(folder);
    kit.paths.exePath = kit.paths.exeDir + L"\\peltacfg.exe";
    const std::wstring& root = kit.paths.exeDir;

    // peltacfg never creates its log folder: without it, start-up stops at its first log line.
    if (!IsFolder(root + L"\\log"))
        report.Error({L"log", 0, 0}, L"F006", L"log フォルダがありません。peltacfg は「ログ出力に失敗したため中断しました」で止まります");
    CheckCatalogue(kit.methods, root + L"\\methods.xml", true, report);
    CheckCatalogue(kit.users, root + L"\\usersmethods.xml", false, report);
    if (IsFile(root + L"\\inventory"))
        CheckInventory(kit.methods, root + L"\\inventory", report);

    CDataSummary initial, common;
    kit.hasInitial = IsFile(root + L"\\data\\initial.xml");
    kit.hasCommon = IsFile(root + L"\\data\\common.xml");
    if (kit.hasInitial)
        initial = CheckDataFile(kit, root + L"\\data\\initial.xml", L"data\\initial.xml", CDataRole::INITIAL, withPlan, report);
    if (kit.hasCommon)
        common = CheckDataFile(kit, root + L"\\data\\common.xml", L"data\\common.xml", CDataRole::COMMON, withPlan, report);
    for (const std::wstring& name : MachineFiles(root + L"\\data"))
        CheckDataFile(kit, root + L"\\data\\" + name, L"data\\" + name, CDataRole::MACHINE, withPlan, report);
    if (withPlan)
        report.Plan(StartupCase(initial, common));
    return report.ErrorCount() > 0 ? CHECK_ERRORS : CHECK_CLEAN;
}
