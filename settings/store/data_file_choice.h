// Which data file applies to a PC, decided afresh at every start from what
// lies in the kit's data folder: the shared first-stage file, the PC's copy
// of the shared template, or the PC's own file. peltacfg's start-up and the
// check of a PC against its file both ask here, so they always agree.
#pragma once
#include <string>

#include "machine_data_file.h"

// Which of the three cases applies; tested in this order.
enum class DataFileSource {
    INITIAL, // data\initial.xml exists: the first stage (network setting)
    COMMON,  // else data\common.xml exists: the PC's copy of that template
    OWN,     // neither: the PC's own data file
};

enum class DataFileState {
    TO_APPLY,     // items remain to be applied
    DONE,         // applied to the end
    NO_SETTINGS,  // nothing that may run (no items, not marked common, no serial)
    UNREADABLE,   // the file does not load
    UNREGISTERED, // OWN only: the PC has no data file
};

// What becomes of the template when the PC has no copy of it yet.
enum class TemplateCopy {
    SAVE,      // saved as the PC's data file, which is then loaded (start-up)
    IN_MEMORY, // the decision is made on the copy in memory; nothing is written
};

struct DataFilePaths {
    std::wstring initial; // "<data>\\initial.xml"
    std::wstring common;  // "<data>\\common.xml"
    std::wstring machine; // "<data>\\<digest>.xml"

    static DataFilePaths InFolder(const std::wstring& dataFolder, const std::wstring& machineName);
};

struct DataFileChoice {
    DataFileSource source = DataFileSource::OWN;
    DataFileState state = DataFileState::UNREGISTERED;
    std::wstring path;          // the file the state is about: initial.xml or the PC's file
    bool fromTemplate = false;  // IN_MEMORY: the PC's file does not exist yet; `data` is its copy in memory
    MachineDataFile data;       // the file as loaded; empty when UNREADABLE or UNREGISTERED
};

// `serial` replaces the template's Serial in the PC's copy.
DataFileChoice ChooseDataFile(const DataFilePaths& paths, const std::wstring& serial, TemplateCopy copy);
