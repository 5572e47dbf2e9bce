// What the Launcher tidies on every start: old logs, the old "bin" folder, shortcuts.
#include "launcher_fixture.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <ctime>

using namespace testkit;
using namespace launchertest;

namespace {
void SetWriteTime(const std::wstring& path, __int64 unixSeconds)
{
    ScopedHandle f(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(f);
    ULARGE_INTEGER t;
    t.QuadPart = static_cast<unsigned long long>(unixSeconds) * 10000000ULL + 116444736000000000ULL;
    FILETIME ft = {t.LowPart, t.HighPart};
    SetFileTime(f.Get(), NULL, NULL, &ft);
}

std::wstring SpecialFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(NULL, path, csidl, TRUE);
    return path;
}
} // namespace

TEST(LauncherHousekeeping, LogsOlderOrNewerThanSevenDaysArePurged)
{
    Install install(L"purge");
    install.WriteConfig();
    install.PlaceClient();
    std::wstring folder = LogTail::Folder();
    std::wstring tag = FromUtf8(install.Names().launchname);
    __int64 now = _time64(NULL);
    struct Case
    {
        const wchar_t* suffix;
        __int64 offset;
        bool kept;
    } cases[] = {
        {L"old.log", -604800 - 120, false},
        {L"young.log", -604800 + 120, true},
        {L"future.log", 604800 + 120, false},
        {L"nearfuture.log", 604800 - 120, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(folder + tag + c.suffix, "x"));
        SetWriteTime(folder + tag + c.suffix, now + c.offset);
    }
    ASSERT_TRUE(WriteFileBytes(folder + tag + L"old.txt", "not a log"));
    SetWriteTime(folder + tag + L"old.txt", now - 30 * 86400);

    ASSERT_EQ(install.Run(L"").exitCode, 0u);
    for (const Case& c : cases) {
        EXPECT_EQ(FileExists(folder + tag + c.suffix), c.kept) << ToUtf8(c.suffix);
        DeleteFileW((folder + tag + c.suffix).c_str());
    }
    EXPECT_TRUE(FileExists(folder + tag + L"old.txt"));
    DeleteFileW((folder + tag + L"old.txt").c_str());
}

TEST(LauncherHousekeeping, OldBinFolderBecomesTheClientFolder)
{
    Install install(L"binmove");
    install.WriteConfig();
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", install.Dir() + L"bin\\" + install.ProgName()));
    ASSERT_TRUE(WriteFileBytes(install.Dir() + L"bin\\data\\keep.txt", "kept"));
    // A client still running from the old folder is stopped before the move, so nobody is asked about it.
    ChildProcess stale(install.Dir() + L"bin\\" + install.ProgName(), L"old", install.Dir() + L"bin");
    ASSERT_TRUE(ClientRecord(install.Dir() + L"bin\\client-record.txt").WaitForLine("args=old", 10000));
    MsgBoxAnswerer answerer(IDNO);
    ProcessResult r = install.Run(L"x://moved");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(stale.Wait(5000));
    EXPECT_TRUE(answerer.Boxes().empty());
    EXPECT_FALSE(DirExists(install.Dir() + L"bin"));
    std::string kept;
    EXPECT_TRUE(ReadFileBytes(install.ClientDir() + L"data\\keep.txt", &kept));
    EXPECT_EQ(kept, "kept");
    ASSERT_TRUE(install.Record().WaitForLine("args=moved", 10000));
}

TEST(LauncherHousekeeping, OldBinFolderBesideAnExistingClientFolderIsDeleted)
{
    Install install(L"bindel");
    install.WriteConfig();
    install.PlaceClient();
    ASSERT_TRUE(WriteFileBytes(install.Dir() + L"bin\\stale.txt", "old"));
    // A client still running from the old folder is stopped first.
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", install.Dir() + L"bin\\" + install.ProgName()));
    ChildProcess stale(install.Dir() + L"bin\\" + install.ProgName(), L"", install.Dir() + L"bin");
    ASSERT_TRUE(ClientRecord(install.Dir() + L"bin\\client-record.txt").WaitForLine("args=", 10000));

    ProcessResult r = install.Run(L"");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(stale.Wait(5000));
    EXPECT_FALSE(DirExists(install.Dir() + L"bin"));
    EXPECT_TRUE(install.Record().WaitForLine("args=", 10000));
}

TEST(LauncherHousekeeping, BinFolderWithoutConfigurationIsLeftAlone)
{
    Install install(L"binnocfg");
    ASSERT_TRUE(WriteFileBytes(install.Dir() + L"bin\\a.txt", "a"));
    MsgBoxAnswerer answerer(IDOK);
    LogTail log;
    install.Run(L"");
    EXPECT_TRUE(FileExists(install.Dir() + L"bin\\a.txt"));
    EXPECT_TRUE(log.Has("WARNING [default] Found bin folder, but not found ProductConfig.xml file."));
}

TEST(LauncherHousekeeping, ExistingShortcutsAreRetargetedAndMissingOnesNotCreated)
{
    Install install(L"lnk");
    std::string cn = "课堂" + install.Names().launchname;
    std::string en = "Class" + install.Names().launchname;
    install.WriteConfig({{"shortcut_cn", cn}, {"shortcut_en", en}});
    install.PlaceClient();
    ASSERT_TRUE(WriteFileBytes(install.Dir() + L"TAVNClient.ico", "icon"));

    std::wstring desktop = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    std::wstring programs = SpecialFolder(CSIDL_COMMON_PROGRAMS);
    std::wstring desktopCn = desktop + L"\\" + FromUtf8(cn) + L".lnk";
    std::wstring desktopEn = desktop + L"\\" + FromUtf8(en) + L".lnk";
    std::wstring menuCn = programs + L"\\" + FromUtf8(cn) + L"\\" + FromUtf8(cn) + L".lnk";
    std::wstring menuEn = programs + L"\\" + FromUtf8(en) + L"\\" + FromUtf8(en) + L".lnk";
    TempDir elsewhere(L"lnktarget");
    ASSERT_TRUE(WriteFileBytes(elsewhere / L"old.exe", "MZ"));
    ASSERT_TRUE(MakeShortcut(desktopCn, elsewhere / L"old.exe", L"--keep-args", elsewhere.Path()));
    ASSERT_TRUE(MakeDirs(programs + L"\\" + FromUtf8(en)));
    ASSERT_TRUE(MakeShortcut(menuEn, elsewhere / L"old.exe", L"", elsewhere.Path()));

    ProcessResult r = install.Run(L"");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);

    ShortcutInfo info;
    ASSERT_TRUE(ReadShortcut(desktopCn, &info));
    EXPECT_EQ(_wcsicmp(info.target.c_str(), install.LauncherPath().c_str()), 0) << ToUtf8(info.target);
    EXPECT_EQ(info.args, L"--keep-args");
    EXPECT_EQ(info.iconPath, install.Dir() + L"TAVNClient.ico");
    std::wstring workDir = install.Dir();
    EXPECT_EQ(_wcsicmp(info.workDir.c_str(), workDir.c_str()), 0) << ToUtf8(info.workDir);
    ASSERT_TRUE(ReadShortcut(menuEn, &info));
    EXPECT_EQ(_wcsicmp(info.target.c_str(), install.LauncherPath().c_str()), 0);

    EXPECT_FALSE(FileExists(desktopEn));
    EXPECT_FALSE(FileExists(menuCn));
    DeleteFileW(desktopCn.c_str());
    RemoveTree(programs + L"\\" + FromUtf8(en));
}
