// One WMI connection per namespace, cached by the catalogue.
#pragma once
#include <string>

class MethodWMI {
public:
    MethodWMI();
    ~MethodWMI();
    MethodWMI(const MethodWMI&) = delete;
    MethodWMI& operator=(const MethodWMI&) = delete;

    // Connects to a namespace such as "root\\cimv2"; false with lastError set on failure.
    bool Connect(const std::wstring& nameSpace);

    int lastError = 0; // the most recent failure (HRESULT or WMI status)
};
