// What one data-file item would do, told in one line without running
// anything: parameters, {EXEDIR} and {EXEPATH} are filled in; a reference to
// another method's value needs a Get and stays as {Name}.
#pragma once
#include <windows.h>
#include <msxml2.h>

#include <string>

#include "item_values.h"

// Where peltacfg would run from: the kit folder and the program in it.
struct CPlanPaths {
    std::wstring exeDir;
    std::wstring exePath;
};

std::wstring DescribeSet(IXMLDOMNode* set, const ItemValueMap& values, const CPlanPaths& paths);
std::wstring DescribeGet(IXMLDOMNode* get);
// A reboot item: "restart here" only for the value yes.
std::wstring DescribeReboot(const ItemValueMap& values);
