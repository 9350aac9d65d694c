#include "failure_record.h"

#include <cstdio>

#include "agent_settings.h"
#include "mbcs_text.h"
#include "win32_handles.h"
#include "window_list.h"
#include "window_search.h"

namespace vorn {

namespace {
std::string jp(const char* utf8) { return ansiFromUtf8(utf8); }

std::string resultName(int code)
{
    if (code == RESULT_PROCESS_LOST)
        return "RESULT_PROCESS_LOST: " + jp("対象プロセスがなくなったか、ウィンドウがなくなりました");
    if (code == RESULT_STEP_FAILED)
        return "RESULT_STEP_FAILED: " + jp("手順が失敗しました");
    return {};
}

std::string windowLine(const ListedWindow& w)
{
    char place[160];
    std::snprintf(place, sizeof place, " %s %ld,%ld %s %ldx%ld %s %ldx%ld", jp("画面位置").c_str(), w.frame.left,
                  w.frame.top, jp("大きさ").c_str(), w.frame.right - w.frame.left, w.frame.bottom - w.frame.top,
                  jp("クライアント").c_str(), w.client.cx, w.client.cy);
    // Appended piece by piece: "literal" + a temporary string makes GCC 12 report a false
    // -Wrestrict overlap.
    std::string line(static_cast<size_t>(w.depth) * 4, ' ');
    line.append("[").append(w.className).append("][").append(w.text).append("] ");
    if (w.depth == 0)
        line.append(jp("トップレベル"));
    else if (w.index >= 0)
        line.append(jp("番号")).append(" ").append(std::to_string(w.index));
    else
        line.append(jp("(別のプロセス)"));
    line.append(" ").append(jp(w.visible ? "表示" : "非表示")).append(" ").append(jp(w.enabled ? "有効" : "無効"));
    return line + place + "\r\n";
}

std::string processWindows(DWORD processId)
{
    std::string text = jp("プロセス") + " " + std::to_string(processId) + "\r\n";
    std::vector<ListedWindow> windows = listProcessWindows(processId, true);
    if (windows.empty())
        return text + jp("  (ウィンドウがありません)") + "\r\n";
    for (const ListedWindow& w : windows)
        text += windowLine(w);
    return text;
}
} // namespace

std::string failureRecordText(const FailureRecord& r)
{
    std::string text = jp("vornrun の失敗の記録") + "\r\n";
    text += jp("スクリプト: ") + r.scriptPath + "\r\n";
    text += jp("行 ") + std::to_string(r.lineNumber) + ": " + r.line + "\r\n";
    text += jp("結果コード: ") + std::to_string(r.resultCode) + " (" + resultName(r.resultCode) + ")\r\n";
    if (r.currentWindow && ::IsWindow(r.currentWindow))
        text += jp("現在のウィンドウ: ") + windowLine(describeWindow(r.currentWindow));
    else
        text += jp("現在のウィンドウ: なし") + "\r\n";
    text += jp("ウィンドウ (クラス、テキスト、Window 行の番号、表示、有効、位置):") + "\r\n";
    if (r.targetProcessId != 0) {
        if (!processExists(r.targetProcessId))
            return text + jp("対象プロセス ") + std::to_string(r.targetProcessId) + jp(" はもうありません") + "\r\n";
        return text + processWindows(r.targetProcessId);
    }
    if (r.startedProcesses.empty())
        return text + jp("対象プロセスはまだ決まっていません") + "\r\n";
    text += jp("対象プロセスはまだ決まっていません。起動したプログラムのウィンドウ:") + "\r\n";
    for (DWORD id : r.startedProcesses) {
        if (processExists(id))
            text += processWindows(id);
    }
    return text;
}

bool writeFailureRecord(const std::string& path, const FailureRecord& record)
{
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
    if (!file.valid())
        return false;
    std::string text = failureRecordText(record);
    DWORD written = 0;
    return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

} // namespace vorn
