#include "control_ops.h"

namespace vorn {

bool sendKey(HWND, UINT, bool) { return true; }
void focusWindow(HWND) {}
bool clickWindow(HWND, int, int, float, float) { return true; }
std::string readControlText(HWND, bool) { return {}; }
bool setControlText(HWND, const std::string&, bool) { return true; }
bool pasteText(HWND, const std::string&, bool) { return true; }
bool selectComboByNumber(HWND, int) { return true; }
bool selectComboByText(HWND, const std::string&) { return true; }

} // namespace vorn
