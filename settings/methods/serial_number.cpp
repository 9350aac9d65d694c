#include "serial_number.h"

#include "method_catalog.h"
#include "placeholder_serial.h"

SerialRead ReadSerialNumber(const std::wstring& methodsPath, std::wstring& serial)
{
    MethodCatalog catalog;
    if (!catalog.LoadFile(methodsPath))
        return SerialRead::NO_CATALOGUE;
    // Only the value counts: a Get that fails leaves it empty.
    MethodResult result;
    catalog.RunGet(L"SerialNumber", result);
    catalog.Close();
    if (result.value.empty())
        return SerialRead::NOT_READ;
    serial = result.value;
    return IsPlaceholderSerial(serial) ? SerialRead::PLACEHOLDER : SerialRead::READ;
}
