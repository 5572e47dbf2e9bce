#include "foundation/UpdaterLog.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <ctime>

#include "Handles.h"

INITIALIZE_EASYLOGGINGPP

namespace {

const __int64 kUnixEpochAsFileTime = 116444736000000000LL;
const __int64 kMaxLogAgeSeconds = 604800;

__int64 FileTimeToUnixSeconds(const FILETIME& ft)
{
    ULARGE_INTEGER v;
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    return (static_cast<__int64>(v.QuadPart) - kUnixEpochAsFileTime) / 10000000LL;
}

} // namespace

void PurgeOldLogs(const std::string& folder)
{
    PurgeOldLogs(folder, _time64(nullptr));
}

void PurgeOldLogs(const std::string& folder, __time64_t now)
{
    WIN32_FIND_DATAA fd;
    ScopedFindHandle find(::FindFirstFileA((folder + "*.log").c_str(), &fd));
    if (!find)
        return;
    do {
        if (fd.cFileName[0] == '.' || (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        __int64 age = static_cast<__int64>(now) - FileTimeToUnixSeconds(fd.ftLastWriteTime);
        if (age > kMaxLogAgeSeconds || age < -kMaxLogAgeSeconds) {
            ::DeleteFileA((folder + fd.cFileName).c_str());
        }
    } while (::FindNextFileA(find.Get(), &fd));
}

void InitLog()
{
    char appData[MAX_PATH] = {0};
    ::SHGetSpecialFolderPathA(nullptr, appData, CSIDL_LOCAL_APPDATA, TRUE);
    std::string folder = std::string(appData) + "\\kelUpdater\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    PurgeOldLogs(folder);

    SYSTEMTIME st;
    ::GetLocalTime(&st);
    char name[260];
    int n = std::snprintf(name, sizeof(name), "%s%04d-%02d-%02d_%02d-%02d-%02d.log", folder.c_str(), st.wYear,
                          st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    el::Configurations conf;
    conf.setToDefault();
    // A name that does not fit is not truncated into some other file: the log then stays off file.
    if (n > 0 && n < static_cast<int>(sizeof(name))) {
        conf.set(el::Level::Global, el::ConfigurationType::Filename, name);
        conf.set(el::Level::Global, el::ConfigurationType::ToFile, "true");
    } else {
        conf.set(el::Level::Global, el::ConfigurationType::ToFile, "false");
    }
    el::Loggers::getLogger("default");
    el::Loggers::reconfigureLogger("default", conf);
}
