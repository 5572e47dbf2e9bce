#pragma once
#include <windows.h>

void InitLog();
void PurgeOldLogs(const char* folder);
void RenameOldBinFolder(const wchar_t* folder);
