// The PC's serial number, read as peltacfg reads it at start-up: the Get of
// the method "SerialNumber" in the main catalogue, never in usersmethods.xml.
#pragma once
#include <string>

enum class SerialRead {
    READ,         // `serial` holds the number
    NO_CATALOGUE, // the catalogue does not load
    NOT_READ,     // no such method, or its value is empty
    PLACEHOLDER,  // a placeholder many PCs report (`serial` holds it): it names no PC
};

SerialRead ReadSerialNumber(const std::wstring& methodsPath, std::wstring& serial);
