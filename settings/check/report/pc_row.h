// One PC of the fleet report: where its run stands, why it failed, and what
// its inventory says.
#pragma once
#include <string>
#include <vector>

#include "pc_log.h"

class MachineDataFile;

// The states in the order the report counts them.
enum class CPcState { DONE, FAILED, RESTART_PENDING, PARTIAL, NOT_RUN, UNREADABLE, UNREGISTERED };
constexpr int PC_STATE_COUNT = 7;

// The word the report shows ("完了", "失敗", ...).
const wchar_t* StateWord(CPcState state);
// A plain name for style classes and element ids ("done", "failed", ...).
const wchar_t* StateKey(CPcState state);

struct CPcRow {
    std::wstring digest;       // the 40 hexadecimal digits of the file names
    std::wstring serial;
    std::wstring dataFile;     // "data\<digest>.xml", empty for a log without data file
    CPcState state = CPcState::NOT_RUN;
    int doneCount = 0;         // Progress + 1
    int itemCount = -1;        // -1 when the data file does not load
    std::wstring lastItem;
    std::wstring errorCode;    // for 失敗: the code as logged ("1603", "-1", "読み取り失敗: ...")
    std::wstring errorOutput;  // the command output logged with it, if any
    std::wstring lastTime;     // time of the log's last line
    std::vector<std::wstring> inventory; // one per name of the kit's inventory list
    std::vector<std::wstring> notes;     // the 注意 flags
    std::vector<CLogLine> failingLines;  // the log lines of the failure (shown on demand)

    // The エラー cell: the code, then the output if any.
    std::wstring ErrorText() const;
};

// The state and the run columns of a PC from its loaded data file and its log.
void ReadRunState(const MachineDataFile& data, const std::vector<CLogLine>& log, CPcRow& row);

// The inventory cells for the list's names, in its order, from Data/Inventory;
// a list or table comes out on one line.
std::vector<std::wstring> InventoryCells(const MachineDataFile& data, const std::vector<std::wstring>& names);
