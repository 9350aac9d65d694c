#include "agent_settings.h"

#include <windows.h>
#include <algorithm>

#include "win32_handles.h"

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

float scaleFromDpi(int dpi) { return dpi > 0 ? static_cast<float>(dpi / 96.0) : 1.0f; }

void measureDisplayScale(AgentSettings& settings)
{
    // Without the screen's context every click would be scaled to 0,0; unscaled clicks
    // still land where the script says on a 96-dpi display.
    WindowDc screen(nullptr, WindowDc::Client);
    int dpiX = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    int dpiY = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    settings.scaleX = scaleFromDpi(dpiX);
    settings.scaleY = scaleFromDpi(dpiY);
}

} // namespace vorn
