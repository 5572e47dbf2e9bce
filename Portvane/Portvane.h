// The protocol launcher's steps.
#pragma once
#include <windows.h>
#include <string>

// True = start a new client (none runs, or it was stopped); false = keep the running one.
[[nodiscard]] bool CheckRunningClient(bool force);
void KillProcessesByName(const std::wstring& name);
bool IsChineseUi();
void WriteRegFun();
[[nodiscard]] bool GetExeDirA(std::string& dir);
void CleanTempAndMoveUpdate();
void ExtractUpdateZip();
// Writes the link's text to the running client's pipe; false when that pipe cannot be opened.
[[nodiscard]] bool HandToRunningClient(const std::wstring& tail);
