// The items the setup run handles itself instead of a catalogue method.
#pragma once
#include <string>

// True for the methods "Reboot" and "再起動", letter case ignored.
bool IsRebootMethod(const std::wstring& method);
