// The per-run log file and the purge of week-old logs.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "UpdTestKit.h"
#include "foundation/UpdaterLog.h"

using namespace updtest;

namespace {

void SetLastWrite(const std::wstring& path, __time64_t when, bool folder = false)
{
    ScopedHandle h(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr));
    ASSERT_TRUE(h);
    ULARGE_INTEGER v;
    v.QuadPart = static_cast<ULONGLONG>(when) * 10000000ULL + 116444736000000000ULL;
    FILETIME ft = {v.LowPart, v.HighPart};
    ::SetFileTime(h.Get(), nullptr, nullptr, &ft);
}

} // namespace

TEST(UpdaterLog, PurgeDeletesLogsMoreThanAWeekAwayInEitherDirection)
{
    TempDir dir{L"upd"};
    const __time64_t now = 1800000000;
    struct Entry
    {
        const wchar_t* name;
        __time64_t when;
        bool kept;
    } entries[] = {
        {L"old.1.log", now - 604801, false}, {L"edge.log", now - 604800, true}, {L"future.log", now + 604801, false},
        {L"recent.log", now - 60, true},     {L"old.txt", now - 9999999, true},
    };
    for (const Entry& e : entries) {
        ASSERT_TRUE(WriteBytes(dir / e.name, "x"));
        SetLastWrite(dir / e.name, e.when);
    }
    ASSERT_TRUE(::CreateDirectoryW((dir / L"old.log").c_str(), nullptr));
    SetLastWrite(dir / L"old.log", now - 9999999, true);

    PurgeOldLogs(Narrow(dir.Path()), now);

    for (const Entry& e : entries)
        EXPECT_EQ(FileExists(dir / e.name), e.kept) << Narrow(e.name);
    EXPECT_TRUE(testkit::DirExists(dir / L"old.log")) << "a folder is never purged";
}

TEST(UpdaterLog, InitLogWritesThisRunsFileNamedByLocalTime)
{
    char appData[MAX_PATH] = {0};
    ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, appData, CSIDL_LOCAL_APPDATA, TRUE));
    std::string folder = std::string(appData) + "\\kelUpdater\\";

    SYSTEMTIME before;
    ::GetLocalTime(&before);
    InitLog();
    SYSTEMTIME after;
    ::GetLocalTime(&after);
    std::string marker = Narrow(UniqueName(L"marker"));
    LOG(INFO) << marker;
    el::Loggers::flushAll();

    // The file is named by a second between `before` and `after`.
    std::string found;
    FILETIME ftBefore, ftAfter;
    ::SystemTimeToFileTime(&before, &ftBefore);
    ::SystemTimeToFileTime(&after, &ftAfter);
    ULARGE_INTEGER t, end;
    t.LowPart = ftBefore.dwLowDateTime;
    t.HighPart = ftBefore.dwHighDateTime;
    end.LowPart = ftAfter.dwLowDateTime;
    end.HighPart = ftAfter.dwHighDateTime;
    const int seconds = static_cast<int>((end.QuadPart - t.QuadPart) / 10000000ULL) + 2;
    for (int s = 0; s < seconds && found.empty(); ++s) {
        ULARGE_INTEGER u;
        u.QuadPart = t.QuadPart + static_cast<ULONGLONG>(s) * 10000000ULL;
        FILETIME ft = {u.LowPart, u.HighPart};
        SYSTEMTIME st;
        ::FileTimeToSystemTime(&ft, &st);
        char name[260];
        std::snprintf(name, sizeof(name), "%s%04d-%02d-%02d_%02d-%02d-%02d.log", folder.c_str(), st.wYear, st.wMonth,
                      st.wDay, st.wHour, st.wMinute, st.wSecond);
        std::string content = ReadBytes(Widen(name));
        if (content.find(marker) != std::string::npos)
            found = name;
    }
    ASSERT_FALSE(found.empty()) << "no log file of this run holds the marker";
    // Log to stdout again before the file goes.
    el::Configurations conf;
    conf.setToDefault();
    conf.set(el::Level::Global, el::ConfigurationType::ToFile, "false");
    el::Loggers::reconfigureLogger("default", conf);
    ::DeleteFileA(found.c_str());
}
