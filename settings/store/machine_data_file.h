// One machine data file in memory: the PC's serial number, the state of its
// run (progress, done, inventory) and the ordered list of setting items.
#pragma once
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>
#include <string>
#include <vector>

#include "item_values.h"
#include "method_result.h"

class MachineDataFile {
public:
    MachineDataFile() = default;
    MachineDataFile(const MachineDataFile&) = delete;
    MachineDataFile& operator=(const MachineDataFile&) = delete;
    MachineDataFile(MachineDataFile&&) = default;
    MachineDataFile& operator=(MachineDataFile&&) = default;

    // A new document holding only Data/Serial. On failure the object holds
    // no document and hasSerial is false.
    bool CreateNew(const std::wstring& newSerial);
    // Reads and parses the file and fills every field. On failure the object
    // is left empty (no document, no items); a file that does not parse also
    // writes "error:0x<code>\r\n" to standard output.
    bool Load(const std::wstring& filePath);
    // The same for a reader beside running PCs: the file is read with every
    // kind of sharing, so a PC saving it at that moment is never stopped, and
    // is taken as it is at that moment. `readError` is the Win32 error when
    // the file cannot be read at all (0 when it was read but does not load).
    bool LoadShared(const std::wstring& filePath, DWORD& readError);
    // Replaces the text of Data/Serial; false, changing nothing, without it.
    bool SetSerial(const std::wstring& newSerial);
    // Data/Done := "true", appended to Data when missing. isDone is unchanged.
    bool SetDone();
    // Data/Progress := index, with the item's Name as its `name` attribute,
    // appended to Data when missing. False for an index outside the items.
    // `progress` is unchanged.
    bool SetProgress(int index);
    // Removes Data/Progress, so that the next run starts with the first item.
    // `progress` is unchanged.
    bool ClearProgress();
    // Replaces the whole content of the first item named `name` by the text
    // `value` and marks it Get="true". False when no item has that name.
    // The item lists are unchanged.
    bool SetValue(const std::wstring& name, const std::wstring& value);
    // The same for the item at `index` (its position in the item lists), so
    // that a value read back lands in the item that read it even when its
    // name differs from its method's or repeats another item's.
    bool SetValueAt(size_t index, const std::wstring& value);
    // Writes the document indented; the file is replaced in one step, so a
    // failed or interrupted save leaves the previous file intact.
    bool Save(const std::wstring& filePath) const;
    // The same, with the reason of a failure: the Win32 error of the write,
    // or ERROR_INVALID_DATA when there is nothing that can be written.
    bool Save(const std::wstring& filePath, DWORD& error) const;
    // Records one inventory result under Data/Inventory (not saved).
    bool AddInventoryEntry(const MethodResult& result);
    // Drops the document and the items; the other flags keep their values.
    void Clear();

    size_t ItemCount() const { return itemNames.size(); }
    IXMLDOMDocument2* Document() const { return document_.Get(); }

    std::wstring path;    // the path loaded, when the file has a serial number
    std::wstring serial;
    bool hasSerial = false;
    bool isCommon = false;
    bool isDone = false;
    bool hasInventory = false;
    int progress = -1;    // index of the last completed item, -1 for none

    // One entry per Data/Values/Value, in document order; always the same length.
    std::vector<std::wstring> itemNames;
    std::vector<std::wstring> itemMethods;
    std::vector<ItemValueMap> itemParams;
    std::vector<std::vector<std::wstring>> itemParamNames; // keys in order, repeats kept

private:
    bool Fill(Microsoft::WRL::ComPtr<IXMLDOMDocument2> document, const std::wstring& filePath);
    bool ReadItems();
    bool ReadItem(IXMLDOMNode* value);
    Microsoft::WRL::ComPtr<IXMLDOMNode> DataElement() const;
    Microsoft::WRL::ComPtr<IXMLDOMNode> ChildOfData(const wchar_t* name, bool create);

    Microsoft::WRL::ComPtr<IXMLDOMDocument2> document_;
};

