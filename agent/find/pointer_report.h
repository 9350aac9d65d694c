// The window under the mouse pointer: the lines that find it, and the pointer's position
// and pixel colour written as Click, WaitPixel and Assert take them.
#pragma once
#include <windows.h>
#include <string>

#include "agent_settings.h"

namespace vorn::find {

// False (with an explanation in `report`) when no window lies under the point.
bool describePoint(POINT screen, const AgentSettings& settings, std::string& report);

// The 96-dpi client position that Click scales back to exactly `pixels` (or the nearest).
int unscaledPosition(int pixels, float scale);

} // namespace vorn::find
