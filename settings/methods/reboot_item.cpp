#include "reboot_item.h"

#include "xml_dom.h"

bool IsRebootMethod(const std::wstring& method)
{
    return xmldom::EqualsNoCase(method, L"Reboot") || xmldom::EqualsNoCase(method, L"再起動");
}
