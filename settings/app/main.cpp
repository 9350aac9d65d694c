// peltacfg: applies a PC's prepared settings item by item.
#include <windows.h>

#include "application.h"

namespace {
CMFCApplicationApp theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    theApp.instance = instance;
    theApp.InitInstance();
    return 0;
}
