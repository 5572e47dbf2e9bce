#pragma once
#include <windows.h>

#include <string>

// Id of the first running process whose executable name equals `name` (ASCII case ignored); 0 when none.
DWORD FindProcess_ByName(const std::string& name);
