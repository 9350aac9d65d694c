// Data-file operations that only tests need, built on what the store offers
// the program. Header-only, so that a test child linking the store alone can
// use them too.
#pragma once
#include <windows.h>
#include <msxml2.h>

#include <string>

#include "file_replace.h"
#include "formatted_xml.h"
#include "machine_data_file.h"

namespace ts {

// Replaces the content of the first item named `name` by `value` and marks it
// Get="true", as a read-back does. False when no item has that name.
inline bool setValueByName(MachineDataFile& data, const std::wstring& name, const std::wstring& value)
{
    for (size_t i = 0; i < data.itemNames.size(); ++i)
        if (data.itemNames[i] == name)
            return data.SetValueAt(i, value);
    return false;
}

// Writes any document indented, as a data file's save does; the file at `path`
// is replaced in one step and left as it was on any failure.
inline bool saveFormattedXml(IXMLDOMDocument* document, const std::wstring& path)
{
    std::string text;
    DWORD error = 0;
    return FormatXml(document, text) && ReplaceFileContents(path, text, error);
}

} // namespace ts
