// Portvane run from its own folder with the client stand-in as kelnova.exe, no message boxes.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fixture.h"
#include "zipbuild.h"

using namespace testkit;

namespace {

bool HasLogLine(const std::vector<std::string>& lines, const std::string& text)
{
    for (const std::string& line : lines) {
        if (line.compare(0, 9, "[VOQ][I][") == 0 && line.size() >= text.size() &&
            line.compare(line.size() - text.size(), text.size(), text) == 0)
            return true;
    }
    return false;
}

} // namespace

TEST(Portvane, LinkStartsClientRegistersHandlerAndLogs)
{
    PortvaneFolder folder;
    DebugRun run = folder.Run(L"kelnova://a/b");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_TRUE(folder.Record().WaitForLine("args=", 30000));
    EXPECT_EQ(std::vector<std::string>{"a/b"}, folder.Record().Starts());
    EXPECT_TRUE(folder.Record().WaitForLine("cwd=" + ToUtf8(folder.Dir().substr(0, folder.Dir().size() - 1)), 10000));
    EXPECT_EQ(L"\"" + (folder / L"Portvane.exe") + L"\" \"%1\"", RegisteredCommand());
    EXPECT_EQ(RegDefaultBytes(HKEY_CLASSES_ROOT, L"kelnova\\shell\\open\\command"),
              (RegisteredCommand().size() + 1) * sizeof(wchar_t));

    std::vector<std::string> err = SplitLines(run.stdErr);
    EXPECT_TRUE(HasLogLine(err, "] class path: kelnova.exe")) << run.stdErr;
    EXPECT_TRUE(HasLogLine(err, "] par: a/b")) << run.stdErr;
    std::string debug;
    for (const std::string& piece : run.debugStrings)
        debug += piece;
    EXPECT_TRUE(HasLogLine(SplitLines(debug), "] par: a/b")) << debug;
}

TEST(Portvane, ParametersFromLinksAndPlainLines)
{
    struct Case
    {
        const wchar_t* line;
        const char* params;
    } cases[] = {
        {L"\"kelnova://abc\"", "abc\""},   // the shell's quotes: the closing one stays
        {L"open class 7", "open class 7"}, // no link: the whole line
        {L"x kelnova://q=1&r=\x4e2d", "q=1&r=\xe4\xb8\xad"},
        {L"forcerun:kelnova://z", "z"},
        {L"\"kelnova://room", "room"}, // only the leading quote: nothing trails
    };
    for (const Case& c : cases) {
        PortvaneFolder folder;
        DebugRun run = folder.Run(c.line);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(0u, run.exitCode);
        ASSERT_TRUE(folder.Record().WaitForLine("args=", 30000));
        EXPECT_EQ(std::vector<std::string>{c.params}, folder.Record().Starts());
    }
}

TEST(Portvane, RegisteredHandlerTakesALinkFromTheShell)
{
    PortvaneFolder folder;
    DebugRun run = folder.Run(L"kelnova://first");
    ASSERT_TRUE(run.finished);
    ASSERT_TRUE(folder.Record().WaitForLine("args=", 30000));
    KillProcesses(L"kelnova.exe");
    // As a browser hands it over: the shell quotes the link, and the closing quote stays.
    ASSERT_TRUE(ShellStart(L"kelnova://room?id=9", 30000));
    ASSERT_TRUE(WaitFor([&] { return folder.Record().Starts().size() == 2; }, 30000));
    EXPECT_EQ("room?id=9\"", folder.Record().Starts()[1]);
}

TEST(Portvane, ForceRunStopsRunningClientWithoutAsking)
{
    PortvaneFolder folder;
    auto client = folder.StartClient();
    ASSERT_TRUE(client);
    DebugRun run = folder.Run(L"forcerun:kelnova://x", 20000);
    ASSERT_TRUE(run.finished); // a prompt would have kept it waiting
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(client->Wait(1000));
    ASSERT_TRUE(WaitFor([&] { return folder.Record().Starts().size() == 2; }, 10000));
    EXPECT_EQ("x", folder.Record().Starts()[1]);
    EXPECT_TRUE(folder.Record().PipeMessages("ANEDLL_kelnova").empty());
}

TEST(Portvane, PendingUpdateInstalledAndLeftoversRemoved)
{
    PortvaneFolder folder;
    const char* leftovers[] = {"Updater.exe", "update.td0", "update.td1", "update.td2", "update.td3", "update.td"};
    for (const char* name : leftovers)
        ASSERT_TRUE(WriteFileBytes(folder / (L"temp\\" + FromUtf8(name)), "old"));
    ASSERT_TRUE(WriteFileBytes(folder / L"a.txt", "previous"));
    // An older package still beside the program gives way to the new one.
    ASSERT_TRUE(WriteFileBytes(folder / L"update.zip", BuildZip({{"a.txt", "old a"}, {"stale.txt", "old"}})));
    ASSERT_TRUE(WriteFileBytes(folder / L"temp\\update.zip", BuildZip({{"a.txt", "new a"},
                                                                       {"sub/deep/b.txt", "bee"},
                                                                       {"../outside.txt", "escaped?"},
                                                                       {"..\\..\\far.txt", "escaped?"},
                                                                       {"C:/drive.txt", "drive"},
                                                                       {"/rooted.txt", "rooted"}})));
    DebugRun run = folder.Run(L"kelnova://go");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);

    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(folder / L"a.txt", &bytes));
    EXPECT_EQ("new a", bytes);
    ASSERT_TRUE(ReadFileBytes(folder / L"sub\\deep\\b.txt", &bytes));
    EXPECT_EQ("bee", bytes);
    EXPECT_FALSE(FileExists(folder / L"stale.txt"));
    // Hostile names land inside the folder or nowhere, never beside or above it.
    EXPECT_FALSE(FileExists(folder.Root() / L"outside.txt"));
    EXPECT_FALSE(FileExists(folder.Root() / L"far.txt"));
    EXPECT_FALSE(FileExists(L"C:\\drive.txt"));
    EXPECT_FALSE(FileExists(L"C:\\rooted.txt"));
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(FindFirstFileW((folder.Root() / L"*").c_str(), &fd));
    ASSERT_TRUE(find);
    int entries = 0;
    do {
        if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L".."))
            ++entries;
    } while (FindNextFileW(find.Get(), &fd));
    EXPECT_EQ(1, entries); // only app\ itself

    EXPECT_FALSE(FileExists(folder / L"update.zip"));
    EXPECT_FALSE(FileExists(folder / L"temp\\update.zip"));
    for (const char* name : leftovers)
        EXPECT_FALSE(FileExists(folder / (L"temp\\" + FromUtf8(name)))) << name;
    ASSERT_TRUE(folder.Record().WaitForLine("args=", 30000));
    EXPECT_EQ(std::vector<std::string>{"go"}, folder.Record().Starts());
}

TEST(Portvane, FailedCopyOrExtractionKeepsThePackage)
{
    {
        // update.zip cannot be written beside the program: the temp copy must survive.
        PortvaneFolder folder;
        std::string zip = BuildZip({{"a.txt", "a"}});
        ASSERT_TRUE(WriteFileBytes(folder / L"temp\\update.zip", zip));
        ASSERT_TRUE(CreateDirectoryW((folder / L"update.zip").c_str(), nullptr));
        DebugRun run = folder.Run(L"kelnova://1");
        ASSERT_TRUE(run.finished);
        std::string kept;
        ASSERT_TRUE(ReadFileBytes(folder / L"temp\\update.zip", &kept));
        EXPECT_EQ(zip, kept);
        EXPECT_TRUE(folder.Record().WaitForLine("args=", 30000));
    }
    {
        // A damaged entry: the package stays for the next start, the client still starts.
        PortvaneFolder folder;
        std::string zip = BuildZip({{"good.txt", "fine"}, {"bad.txt", "damaged", true}});
        ASSERT_TRUE(WriteFileBytes(folder / L"update.zip", zip));
        ASSERT_TRUE(WriteFileBytes(folder / L"bad.txt", "the old file"));
        DebugRun run = folder.Run(L"kelnova://2");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(0u, run.exitCode);
        std::string old;
        ASSERT_TRUE(ReadFileBytes(folder / L"bad.txt", &old));
        EXPECT_EQ("the old file", old); // the failed entry leaves the old file in place
        std::string kept;
        ASSERT_TRUE(ReadFileBytes(folder / L"update.zip", &kept));
        EXPECT_EQ(zip, kept);
        EXPECT_TRUE(folder.Record().WaitForLine("args=", 30000));
    }
    {
        // Not an archive at all.
        PortvaneFolder folder;
        ASSERT_TRUE(WriteFileBytes(folder / L"update.zip", "not a zip"));
        DebugRun run = folder.Run(L"kelnova://3");
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(FileExists(folder / L"update.zip"));
    }
}

TEST(Portvane, StoppedClientIsGoneBeforeItsProgramIsReplaced)
{
    PortvaneFolder folder;
    auto client = folder.StartClient();
    ASSERT_TRUE(client);
    std::string program;
    ASSERT_TRUE(ReadFileBytes(TestsDir() + L"ClientStub.exe", &program));
    program += "-- new build --"; // trailing bytes: still the same runnable program, but new content
    ASSERT_TRUE(WriteFileBytes(folder / L"temp\\update.zip", BuildZip({{"kelnova.exe", program}})));
    // Notes the moment the new program takes the old one's place.
    std::atomic<bool> stop{false};
    unsigned long long replacedAt = 0;
    std::wstring target = folder / L"kelnova.exe";
    std::thread watcher([&] {
        while (!stop) {
            WIN32_FILE_ATTRIBUTE_DATA d;
            if (GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &d) && d.nFileSizeLow == program.size()) {
                FILETIME now;
                GetSystemTimeAsFileTime(&now);
                replacedAt = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
                return;
            }
            Sleep(1);
        }
    });
    DebugRun run = folder.Run(L"forcerun:kelnova://after", 30000);
    stop = true;
    watcher.join();
    ASSERT_TRUE(run.finished);
    // The stopped client had ended (its handle signalled) before its program was replaced.
    FILETIME created, exited, kernel, user;
    ASSERT_EQ(WaitForSingleObject(client->Handle(), 0), WAIT_OBJECT_0);
    ASSERT_TRUE(GetProcessTimes(client->Handle(), &created, &exited, &kernel, &user));
    ASSERT_NE(replacedAt, 0u);
    EXPECT_LE((static_cast<unsigned long long>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime, replacedAt);
    EXPECT_FALSE(FileExists(folder / L"update.zip"));
    std::string installed;
    ASSERT_TRUE(ReadFileBytes(folder / L"kelnova.exe", &installed));
    EXPECT_TRUE(installed == program) << "installed " << installed.size() << " bytes";
    ASSERT_TRUE(WaitFor([&] { return folder.Record().Starts().size() == 2; }, 10000));
    EXPECT_EQ("after", folder.Record().Starts()[1]);
}
