#include "data_file_choice.h"

#include <shlwapi.h>

namespace {

bool FileExists(const std::wstring& path) { return ::PathFileExistsW(path.c_str()) != FALSE; }

// The shared first stage runs whatever its serial or common mark.
DataFileState StateOfInitial(const MachineDataFile& data)
{
    if (data.isDone)
        return DataFileState::DONE;
    return data.itemNames.empty() ? DataFileState::NO_SETTINGS : DataFileState::TO_APPLY;
}

// A copy of the template counts as done only while it keeps the common mark.
DataFileState StateOfCopy(const MachineDataFile& data)
{
    bool hasWork = data.isCommon && !data.itemNames.empty();
    if (!hasWork)
        return DataFileState::NO_SETTINGS;
    return data.isDone ? DataFileState::DONE : DataFileState::TO_APPLY;
}

// For the PC's own file "done" wins over everything else.
DataFileState StateOfOwn(const MachineDataFile& data)
{
    if (data.isDone)
        return DataFileState::DONE;
    return data.hasSerial && !data.itemNames.empty() ? DataFileState::TO_APPLY : DataFileState::NO_SETTINGS;
}

void ChooseCopy(const DataFilePaths& paths, const std::wstring& serial, TemplateCopy copy, DataFileChoice& choice)
{
    if (!FileExists(paths.machine)) {
        MachineDataFile common;
        if (common.Load(paths.common)) {
            // A failed serial or save shows up when the copy is loaded below.
            common.SetSerial(serial);
            if (copy == TemplateCopy::IN_MEMORY) {
                choice.fromTemplate = true;
                choice.data = std::move(common);
                choice.state = StateOfCopy(choice.data);
                return;
            }
            common.Save(paths.machine);
        }
    }
    if (!choice.data.Load(paths.machine))
        choice.state = DataFileState::UNREADABLE;
    else
        choice.state = StateOfCopy(choice.data);
}

} // namespace

DataFilePaths DataFilePaths::InFolder(const std::wstring& dataFolder, const std::wstring& machineName)
{
    return {dataFolder + L"\\initial.xml", dataFolder + L"\\common.xml", dataFolder + L"\\" + machineName + L".xml"};
}

DataFileChoice ChooseDataFile(const DataFilePaths& paths, const std::wstring& serial, TemplateCopy copy)
{
    DataFileChoice choice;
    if (FileExists(paths.initial)) {
        choice.source = DataFileSource::INITIAL;
        choice.path = paths.initial;
        choice.state = choice.data.Load(paths.initial) ? StateOfInitial(choice.data) : DataFileState::UNREADABLE;
        return choice;
    }
    choice.path = paths.machine;
    if (FileExists(paths.common)) {
        choice.source = DataFileSource::COMMON;
        ChooseCopy(paths, serial, copy, choice);
        return choice;
    }
    choice.source = DataFileSource::OWN;
    if (!FileExists(paths.machine))
        choice.state = DataFileState::UNREGISTERED;
    else
        choice.state = choice.data.Load(paths.machine) ? StateOfOwn(choice.data) : DataFileState::UNREADABLE;
    return choice;
}
