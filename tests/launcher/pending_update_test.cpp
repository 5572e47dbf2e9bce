// The pending-update road through the real Launcher.exe: a package left in the client folder's
// temp folder is installed before the client stand-in starts.
#include <gtest/gtest.h>

#include <set>

#include "ZipWriter.h"
#include "launcher_fixture.h"

using namespace testkit;
using namespace launchertest;
using ziptest::Entry;
using ziptest::ZipWriter;

namespace {

const wchar_t* const kLeftovers[] = {L"Updater.exe", L"update.td",  L"update.td0",
                                     L"update.td1",  L"update.td2", L"update.td3"};
const wchar_t* const kBesideLauncher[] = {L"update.zip", L"update.td",  L"update.td0",
                                          L"update.td1", L"update.td2", L"update.td3"};

// An install folder (Launcher.exe, ProductConfig.xml, the client stand-in) with the client's
// temp folder ready for a package.
class PendingUpdate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_install.WriteConfig();
        m_install.PlaceClient();
        m_client = m_install.ClientDir();
        m_temp = m_client + L"temp\\";
        ASSERT_TRUE(MakeDirs(m_temp));
        m_name = m_install.Names().name + "_" + m_install.Names().env;
    }

    ProcessResult RunLauncher(const std::wstring& args) { return m_install.Run(args); }

    // Waits for the client stand-in's start (its working folder is its last start line) and returns the
    // arguments of every start.
    std::vector<std::string> ClientStarts()
    {
        ClientRecord record = m_install.Record();
        record.WaitForLine("cwd=", 10000);
        return record.Starts();
    }

    std::string Read(const std::wstring& path)
    {
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(path, &bytes)) << ToUtf8(path);
        return bytes;
    }

    void PutLeftovers()
    {
        for (const wchar_t* name : kLeftovers)
            ASSERT_TRUE(WriteFileBytes(m_temp + name, "leftover"));
    }

    void ExpectLeftoversGone()
    {
        for (const wchar_t* name : kLeftovers)
            EXPECT_FALSE(FileExists(m_temp + name)) << ToUtf8(name);
    }

    // Every file below dir, relative to it with '/'.
    std::set<std::string> Files(const std::wstring& dir, const std::string& prefix = "")
    {
        std::set<std::string> out;
        WIN32_FIND_DATAW fd;
        ScopedFindHandle find(FindFirstFileW((dir + L"*").c_str(), &fd));
        if (!find)
            return out;
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::string rel = prefix + ToUtf8(name);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                std::set<std::string> sub = Files(dir + name + L"\\", rel + "/");
                out.insert(sub.begin(), sub.end());
            } else {
                out.insert(rel);
            }
        } while (FindNextFileW(find.Get(), &fd));
        return out;
    }

    Install m_install{L"pu", L"app"};
    std::wstring m_client, m_temp;
    std::string m_name; // <name>_<env>
};

} // namespace

TEST_F(PendingUpdate, InstallsPackageRemovesLeftoversAndStartsClient)
{
    PutLeftovers();
    for (const wchar_t* name : kBesideLauncher)
        ASSERT_TRUE(WriteFileBytes(m_install.Dir() + name, "beside the launcher"));
    ASSERT_TRUE(WriteFileBytes(m_client + L"keep.txt", "not in the package"));
    ASSERT_TRUE(WriteFileBytes(m_client + L"a.dll", "old a"));
    const uint32_t kWrite = 1650000000;
    {
        ZipWriter w(m_temp + L"update.zip");
        ASSERT_TRUE(w.AddFolder("bin/"));
        ASSERT_TRUE(w.AddFolder("bin/empty/"));
        ASSERT_TRUE(w.AddFile("bin/a.dll", std::string(40000, 'a'), true));
        ASSERT_TRUE(w.AddFile("bin/sub/b.dll", "b"));
        ASSERT_TRUE(w.AddFile(m_name + "/x.exe", "x"));
        ASSERT_TRUE(w.AddFile("binary/y.txt", "y"));
        ASSERT_TRUE(w.AddFile("readme.txt", "top level"));
        ASSERT_TRUE(w.AddFile("bin//twice.txt", "z"));
        Entry ro;
        ro.name = "bin/ro.txt";
        ro.data = "read-only";
        ro.madeBy = ziptest::kHostUnix;
        ro.externalAttr = 0100444u << 16;
        ro.localExtra = ziptest::UnixTimeBlock(1, {kWrite});
        ASSERT_TRUE(w.Add(ro));
        ASSERT_TRUE(w.Close());
    }

    LogTail log;
    ProcessResult run = RunLauncher(FromUtf8(m_install.Names().protocol) + L"://room?id=1");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(ClientStarts(), std::vector<std::string>{"room?id=1"});
    // The installation ran in the client folder; the client starts in the Launcher's.
    EXPECT_EQ(m_install.Record().WorkingFolders(), std::vector<std::string>{m_install.WorkingFolder()});

    EXPECT_EQ(Read(m_client + L"a.dll"), std::string(40000, 'a'));
    EXPECT_EQ(Read(m_client + L"sub\\b.dll"), "b");
    EXPECT_EQ(Read(m_client + L"x.exe"), "x");
    EXPECT_EQ(Read(m_client + L"y.txt"), "y");
    EXPECT_EQ(Read(m_client + L"readme.txt"), "top level");
    EXPECT_EQ(Read(m_client + L"twice.txt"), "z");
    EXPECT_EQ(Read(m_client + L"ro.txt"), "read-only");
    EXPECT_EQ(Read(m_client + L"keep.txt"), "not in the package");
    EXPECT_TRUE(DirExists(m_client + L"empty"));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW((m_client + L"ro.txt").c_str(), GetFileExInfoStandard, &data));
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    unsigned long long written = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                 data.ftLastWriteTime.dwLowDateTime;
    EXPECT_EQ(written, 116444736000000000ULL + kWrite * 10000000ULL);

    ExpectLeftoversGone();
    EXPECT_FALSE(FileExists(m_temp + L"update.zip"));
    EXPECT_FALSE(FileExists(m_client + L"update.zip"));
    for (const wchar_t* name : kBesideLauncher)
        EXPECT_FALSE(FileExists(m_install.Dir() + name)) << ToUtf8(name);
    EXPECT_FALSE(DirExists(m_client + L"bin"));

    // A second start finds nothing to install and leaves the files alone.
    KillProcesses(m_install.ProgName());
    ASSERT_TRUE(WriteFileBytes(m_client + L"readme.txt", "edited"));
    run = RunLauncher(L"plain");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(Read(m_client + L"readme.txt"), "edited");
    EXPECT_TRUE(log.Has("Extract done. Elapse time: "));
    EXPECT_TRUE(log.Has("] but not found.")); // the second start
}

TEST_F(PendingUpdate, WithoutPackageOnlyLeftoversGo)
{
    PutLeftovers();
    ASSERT_TRUE(WriteFileBytes(m_client + L"keep.txt", "untouched"));
    ProcessResult run = RunLauncher(L"abc");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(ClientStarts(), std::vector<std::string>{"abc"});
    ExpectLeftoversGone();
    EXPECT_EQ(Read(m_client + L"keep.txt"), "untouched");
}

TEST_F(PendingUpdate, FailedEntriesKeepPackageForNextStartAndClientStillStarts)
{
    {
        ZipWriter w(m_temp + L"update.zip");
        ASSERT_TRUE(w.AddFile("bin/good.txt", "good"));
        ASSERT_TRUE(w.AddFile("bin/C:/evil1.txt", "refused: ':' after the strip"));
        ASSERT_TRUE(w.AddFile("bin/../../evil2.txt", "made safe"));
        ASSERT_TRUE(w.AddFile("..\\..\\evil3.txt", "made safe"));
        Entry bad;
        bad.name = "bin/crc.txt";
        bad.data = "data that does not match its CRC";
        bad.wrongCrc = true;
        ASSERT_TRUE(w.Add(bad));
        ASSERT_TRUE(w.Close());
    }
    std::string package;
    ASSERT_TRUE(ReadFileBytes(m_temp + L"update.zip", &package));
    ASSERT_TRUE(WriteFileBytes(m_client + L"crc.txt", "previous version"));

    LogTail log;
    ProcessResult run = RunLauncher(L"forcerun:" + FromUtf8(m_install.Names().protocol) + L"://again");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(ClientStarts(), std::vector<std::string>{"again"});

    EXPECT_EQ(Read(m_client + L"good.txt"), "good");
    EXPECT_EQ(Read(m_client + L"evil2.txt"), "made safe");
    EXPECT_EQ(Read(m_client + L"evil3.txt"), "made safe");
    EXPECT_EQ(Read(m_client + L"crc.txt"), "previous version");
    std::string kept;
    ASSERT_TRUE(ReadFileBytes(m_temp + L"update.zip", &kept));
    EXPECT_EQ(kept, package);
    EXPECT_FALSE(FileExists(m_client + L"update.zip"));

    // Nothing but the install folder changed below the test's root.
    std::wstring root = m_install.Dir().substr(0, m_install.Dir().size() - 4); // without "app\\"
    for (const std::string& file : Files(root))
        EXPECT_EQ(file.rfind("app/", 0), 0u) << file;
    std::set<std::string> clientFiles = Files(m_client);
    std::set<std::string> expected = {
        m_install.Names().progname, "client-record.txt", "good.txt", "evil2.txt", "evil3.txt", "crc.txt",
        "temp/update.zip"};
    EXPECT_EQ(clientFiles, expected);

    EXPECT_TRUE(log.Has("Failed to extract entry 1 [], code = 0x20000"));
    EXPECT_TRUE(log.Has("Failed to extract entry 4 [bin/crc.txt], code = 0x5000000"));
    EXPECT_TRUE(log.Has("ERROR"));
    EXPECT_TRUE(log.Has("kept in ["));

    // The next start tries again, and a package with a single failed entry is kept as well.
    KillProcesses(m_install.ProgName());
    DeleteFileW((m_client + L"good.txt").c_str());
    {
        ZipWriter w(m_temp + L"update.zip");
        ASSERT_TRUE(w.AddFile("bin/good.txt", "good"));
        Entry bad;
        bad.name = "bin/crc.txt";
        bad.data = "still damaged";
        bad.wrongCrc = true;
        ASSERT_TRUE(w.Add(bad));
        ASSERT_TRUE(w.Close());
    }
    run = RunLauncher(L"third");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(Read(m_client + L"good.txt"), "good");
    EXPECT_TRUE(FileExists(m_temp + L"update.zip"));
}

// A package whose directory cannot be read once held the client's start for an hour, logging an
// error per declared entry. Now it costs the start one quick logged failure and is kept in temp.
TEST_F(PendingUpdate, DamagedDirectoryIsOneQuickFailureAndClientStarts)
{
    for (int kind = 0; kind < 2; ++kind) {
        SCOPED_TRACE(kind == 0 ? "runaway extra field" : "2000 entries claiming 65535");
        std::wstring package = m_temp + L"update.zip";
        ASSERT_TRUE(kind == 0 ? ziptest::WriteRunawayExtraPackage(package)
                              : ziptest::WriteOverclaimingPackage(package));
        std::string bytes = Read(package);
        LogTail log;
        DWORD start = GetTickCount();
        ProcessResult run = RunLauncher(L"forcerun:" + FromUtf8(m_install.Names().protocol) + L"://room");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        ClientRecord record = m_install.Record();
        ASSERT_TRUE(record.WaitForLine("args=", 10000));
        EXPECT_LT(GetTickCount() - start, 8000u);

        EXPECT_TRUE(log.Has("Cannot open update package"));
        EXPECT_TRUE(log.Has("code = 0x800"));
        EXPECT_FALSE(log.Has("Failed to extract entry"));
        int errors = 0;
        for (const std::string& line : log.NewLines())
            errors += line.find("ERROR") != std::string::npos;
        EXPECT_EQ(errors, 1);
        EXPECT_TRUE(log.Has("for the next start"));
        EXPECT_EQ(Read(package), bytes);
        EXPECT_FALSE(FileExists(m_client + L"a.txt"));
        EXPECT_FALSE(DirExists(m_client + L"files"));
        KillProcesses(m_install.ProgName());
        DeleteFileW(m_install.RecordPath().c_str());
    }
}
