// The PC's inventory inside a machine data file: one element per result
// under /Data/Inventory, in the order the results were added.
#pragma once
#include <windows.h>
#include <msxml2.h>

#include "method_result.h"

// Appends one result: a single value as the element's text, a table as one
// Item per row with one element per cell named after its column, anything
// else as an empty element. False without change when the file has no
// serial number (it is not a machine's own file); false too when the DOM
// refuses a name, a row has more cells than the table has columns, or the
// document has no Data element. Elements made before such a failure stay.
bool AddInventoryEntry(IXMLDOMDocument* document, bool hasSerial, const MethodResult& result);
