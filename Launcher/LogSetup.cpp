#include "LogSetup.h"
#include "Handles.h"
#include <easylogging++.h>
#include <shlobj.h>
#include <cstdio>
#include <ctime>
#include <string>

namespace {
const __int64 kUnixEpochAsFileTime = 116444736000000000LL;
const __int64 kMaxLogAgeSeconds = 604800;
} // namespace

void PurgeOldLogs(const char* folder)
{
    std::string pattern = std::string(folder) + "*.log";
    WIN32_FIND_DATAA data;
    ScopedFindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (!find)
        return;
    __int64 now = _time64(NULL);
    do {
        if (data.cFileName[0] == '.' || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        ULARGE_INTEGER written;
        written.LowPart = data.ftLastWriteTime.dwLowDateTime;
        written.HighPart = data.ftLastWriteTime.dwHighDateTime;
        __int64 seconds = (static_cast<__int64>(written.QuadPart) - kUnixEpochAsFileTime) / 10000000;
        __int64 age = now - seconds;
        if (age < 0)
            age = -age; // a file dated in the future is just as stale
        if (age > kMaxLogAgeSeconds)
            DeleteFileA((std::string(folder) + data.cFileName).c_str());
    } while (FindNextFileA(find.Get(), &data));
}

void InitLog()
{
    char appData[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(NULL, appData, CSIDL_LOCAL_APPDATA, TRUE))
        return;
    char folder[MAX_PATH];
    if (_snprintf(folder, MAX_PATH, "%s\\kelLauncher\\", appData) < 0)
        return;
    folder[MAX_PATH - 1] = 0;
    CreateDirectoryA(folder, NULL);
    PurgeOldLogs(folder);

    __time64_t now = _time64(NULL);
    struct tm local = {};
    _localtime64_s(&local, &now);
    char file[MAX_PATH];
    int n = _snprintf(file, MAX_PATH - 1, "%s%04d-%02d-%02d_%02d-%02d-%02d.log", folder, local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    if (n < 0)
        return;
    file[MAX_PATH - 1] = 0;

    el::Configurations conf;
    conf.setToDefault();
    conf.setGlobally(el::ConfigurationType::Filename, file);
    conf.setGlobally(el::ConfigurationType::ToFile, "true");
    el::Loggers::reconfigureLogger("default", conf);
}
