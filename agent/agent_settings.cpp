#include "agent_settings.h"

#include <windows.h>
#include <algorithm>

namespace vorn {

std::string executableDirectory()
{
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    std::string full(path, n);
    size_t slash = full.find_last_of('\\');
    if (slash == std::string::npos)
        return {};
    return full.substr(0, slash);
}

void readConfiguration(AgentSettings& settings, const std::string& directory)
{
    settings.agentDirectory = directory;
    std::string file = directory + "\\config.ini";
    int interval = static_cast<int>(::GetPrivateProfileIntA("Config", "Interval", DEFAULT_COMMAND_INTERVAL, file.c_str()));
    // Sleep takes its argument unsigned: a negative pause would last about 49 days.
    settings.commandInterval = std::max(interval, 0);
    settings.keyDeliveryMode =
        static_cast<int>(::GetPrivateProfileIntA("Config", "Message", DEFAULT_KEY_DELIVERY_MODE, file.c_str()));
    settings.searchTimeout =
        static_cast<int>(::GetPrivateProfileIntA("Config", "Timeout", DEFAULT_SEARCH_TIMEOUT, file.c_str()));
}

void measureDisplayScale(AgentSettings& settings)
{
    HDC screen = ::GetDC(nullptr);
    int dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
    int dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    settings.scaleX = static_cast<float>(dpiX / 96.0);
    settings.scaleY = static_cast<float>(dpiY / 96.0);
}

} // namespace vorn
