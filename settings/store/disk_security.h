// The physical drives' models and whether their ATA security password is set.
#pragma once
#include "method_result.h"

// Fills `result` as a table with the columns "Model" and "Password"; always true
// (a PC without an answering drive yields a table without rows).
bool ReadDiskSecurityTable(MethodResult& result);
