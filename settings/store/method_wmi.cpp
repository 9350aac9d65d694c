#include "method_wmi.h"

#include <windows.h>

MethodWMI::MethodWMI() = default;
MethodWMI::~MethodWMI() = default;

bool MethodWMI::Connect(const std::wstring&)
{
    // Filled in with the WMI access layer.
    lastError = E_NOTIMPL;
    return false;
}
