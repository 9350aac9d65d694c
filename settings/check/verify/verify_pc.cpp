#include "verify_pc.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "data_file_choice.h"
#include "item_verdict.h"
#include "serial_digest.h"
#include "serial_number.h"
#include "verify_log.h"

namespace {

// The catalogue and the data file trace their work on standard output, which
// here is the report: the trace is kept out of it while they work.
class TraceMuted {
public:
    TraceMuted() : saved_(::GetStdHandle(STD_OUTPUT_HANDLE)) { ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr); }
    ~TraceMuted() { ::SetStdHandle(STD_OUTPUT_HANDLE, saved_); }
    TraceMuted(const TraceMuted&) = delete;
    TraceMuted& operator=(const TraceMuted&) = delete;

private:
    HANDLE saved_;
};

struct Counts {
    int match = 0, differs = 0, changed = 0, readFailed = 0, cannotCheck = 0, notApplied = 0;

    void Add(VerifyStatus status)
    {
        switch (status) {
        case VerifyStatus::MATCH: ++match; break;
        case VerifyStatus::DIFFERS: ++differs; break;
        case VerifyStatus::CHANGED: ++changed; break;
        case VerifyStatus::READ_FAILED: ++readFailed; break;
        case VerifyStatus::CANNOT_CHECK: ++cannotCheck; break;
        case VerifyStatus::NOT_APPLIED: ++notApplied; break;
        }
    }
    std::wstring Line() const
    {
        auto n = [](int count) { return std::to_wstring(count) + L" 件"; };
        return std::wstring(VERIFY_RESULT_LABEL) + L"一致 " + n(match) + L"、相違 " + n(differs) + L"、変化 " + n(changed) +
               L"、読み取り失敗 " + n(readFailed) + L"、確認できません " + n(cannotCheck) + L"、未適用 " + n(notApplied);
    }
};

std::wstring Now()
{
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    wchar_t text[32];
    _snwprintf(text, 32, L"%04u/%02u/%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    text[31] = L'\0';
    return text;
}

std::wstring Code(int code)
{
    std::wstring text = L"コード " + std::to_wstring(code);
    if (code < -2 || code > 0xFFFF) {
        wchar_t hex[16];
        _snwprintf(hex, 16, L" (0x%08X)", static_cast<unsigned>(code));
        hex[15] = L'\0';
        text += hex;
    }
    return text;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring VerdictText(const ItemVerdict& v)
{
    switch (v.status) {
    case VerifyStatus::MATCH:
        return L"一致: " + Quoted(v.expected);
    case VerifyStatus::DIFFERS:
        return L"相違: データファイル " + Quoted(v.expected) + L"、PC " + Quoted(v.actual);
    case VerifyStatus::CHANGED:
        return L"変化: データファイル " + Quoted(v.expected) + L"、PC " + Quoted(v.actual);
    case VerifyStatus::READ_FAILED:
        return L"読み取り失敗: " + Code(v.code);
    case VerifyStatus::CANNOT_CHECK:
        return L"確認できません: " + v.reason;
    case VerifyStatus::NOT_APPLIED:
        break;
    }
    return L"未適用";
}

std::wstring Relative(const std::wstring& folder, const std::wstring& path)
{
    return path.compare(0, folder.size() + 1, folder + L"\\") == 0 ? path.substr(folder.size() + 1) : path;
}

std::wstring DataFileLine(const DataFileChoice& choice, const std::wstring& name)
{
    std::wstring line = L"データファイル: " + name + L" (";
    line += choice.source == DataFileSource::INITIAL  ? L"ネットワーク設定"
            : choice.source == DataFileSource::COMMON ? L"共通設定"
                                                      : L"この PC の設定";
    if (choice.state == DataFileState::DONE)
        line += L"、設定済み";
    if (choice.fromTemplate)
        line += L"、まだありません。common.xml から作られます";
    return line + L")";
}

// Why no data file can be checked; empty when one can.
std::wstring WhyNothingToCheck(const DataFileChoice& choice, const std::wstring& name)
{
    switch (choice.state) {
    case DataFileState::UNREGISTERED:
        return L"この PC のデータファイル " + name + L" がありません (未登録のPCです)。検証できません";
    case DataFileState::UNREADABLE:
        return name + L" を読み込めません (設定が不正)。検証できません";
    case DataFileState::NO_SETTINGS:
        return name + L" には適用する設定がありません (設定情報がありません)。検証できません";
    default:
        return std::wstring();
    }
}

} // namespace

int VerifyPc(const std::wstring& folder, const LineSink& print)
{
    std::wstring serial;
    SerialRead read;
    {
        TraceMuted muted;
        read = ReadSerialNumber(folder + L"\\methods.xml", serial);
    }
    if (read == SerialRead::NO_CATALOGUE) {
        print(L"methods.xml を読み込めません。検証できません");
        return VERIFY_CANNOT_RUN;
    }
    if (read == SerialRead::NOT_READ) {
        print(L"シリアルナンバーが取得できませんでした。検証できません");
        return VERIFY_CANNOT_RUN;
    }
    if (read == SerialRead::PLACEHOLDER) {
        print(L"シリアルナンバー「" + serial + L"」は多くの PC に共通の仮の値で、この PC を識別できません。検証できません");
        return VERIFY_CANNOT_RUN;
    }
    std::wstring digest = SerialFileName(serial);
    if (digest.empty()) {
        print(L"シリアルナンバーから SHA-1 を求められません。検証できません");
        return VERIFY_CANNOT_RUN;
    }

    DataFileChoice choice;
    {
        TraceMuted muted;
        choice = ChooseDataFile(DataFilePaths::InFolder(folder + L"\\data", digest), serial, TemplateCopy::IN_MEMORY);
    }
    std::wstring name = Relative(folder, choice.path);
    std::vector<std::wstring> lines{VERIFY_TIME_LABEL + Now(), L"シリアルナンバー: " + serial};
    std::wstring why = WhyNothingToCheck(choice, name);
    if (!why.empty()) {
        print(lines[1]);
        print(why);
        return VERIFY_CANNOT_RUN;
    }
    lines.push_back(DataFileLine(choice, name));
    for (const std::wstring& line : lines)
        print(line);

    MethodCatalog main, users;
    {
        TraceMuted muted;
        main.LoadFile(folder + L"\\methods.xml");
        users.LoadFile(folder + L"\\usersmethods.xml");
    }
    Counts counts;
    const MachineDataFile& data = choice.data;
    for (size_t i = 0; i < data.ItemCount(); ++i) {
        ItemVerdict verdict;
        {
            TraceMuted muted;
            verdict = VerifyItem(data, i, {main, users});
        }
        counts.Add(verdict.status);
        lines.push_back(L"  " + std::to_wstring(i + 1) + L". " + data.itemNames[i] + L" (" + data.itemMethods[i] + L"): " +
                        VerdictText(verdict));
        print(lines.back());
    }
    lines.push_back(counts.Line());
    print(lines.back());

    std::wstring logPath = VerifyLogPath(folder + L"\\log", digest);
    unsigned long error = 0;
    if (!WriteVerifyLog(logPath, lines, error)) {
        wchar_t code[16];
        _snwprintf(code, 16, L"0x%lx", error);
        code[15] = L'\0';
        print(Relative(folder, logPath) + L" に書き込めません [" + code + L"]");
        return VERIFY_CANNOT_RUN;
    }
    bool differs = counts.differs + counts.changed + counts.readFailed > 0;
    return differs ? VERIFY_DIFFERENT : VERIFY_SAME;
}
