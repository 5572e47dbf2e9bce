#pragma once
// The parameter string handed to the program the Updater starts after an installation. Written
// by the download start and the CU_ pipe thread, read by the installation: always under its lock.
#include <mutex>
#include <string>

extern std::string g_pageCallParam;
extern std::mutex g_pageCallParamLock;

void SetPageCallParam(const std::string& text);
std::string GetPageCallParam();
