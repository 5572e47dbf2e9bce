// The real Launcher.exe under Wine: start, hand-over to a running client, failures.
#include "launcher_fixture.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>

using namespace testkit;
using namespace launchertest;

namespace {
const DWORD kExitFailure = 0xFFFFFFFF;

bool HasLine(const std::vector<std::string>& lines, const std::string& fragment)
{
    for (const std::string& l : lines)
        if (l.find(fragment) != std::string::npos)
            return true;
    return false;
}

// An install whose client already runs (as a user would have it) and serves its pipe.
class RunningClient : public ::testing::Test
{
protected:
    void StartClient(const wchar_t* tag, const wchar_t* language = nullptr)
    {
        install.reset(new Install(tag));
        install->WriteConfig();
        install->PlaceClient();
        if (language)
            english.reset(new LanguageGuard(install->ProgName().substr(0, install->ProgName().size() - 4), language));
        running.reset(new ChildProcess(install->ClientDir() + install->ProgName(), L"first", install->ClientDir()));
        ASSERT_TRUE(install->Record().WaitListening(install->Names().pipe, 10000));
    }

    std::unique_ptr<Install> install;
    std::unique_ptr<LanguageGuard> english;
    std::unique_ptr<ChildProcess> running;
};
} // namespace

TEST(LauncherStart, LinkStartsClientWithParametersAndRegistersProtocol)
{
    Install install(L"link");
    install.WriteConfig();
    install.PlaceClient();
    LogTail log;

    // As the shell starts it: from a working folder of its own, which the client must not inherit.
    TempDir elsewhere(L"linkcwd");
    ProcessResult r =
        install.Run(L"\"" + FromUtf8(install.Names().protocol) + L"://room?id=1\"", 30000, elsewhere.Path());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);

    ClientRecord record = install.Record();
    ASSERT_TRUE(record.WaitForLine("cwd=", 10000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"room?id=1"});
    EXPECT_EQ(record.WorkingFolders(), std::vector<std::string>{install.WorkingFolder()});

    std::wstring command =
        ReadRegDefault(HKEY_CLASSES_ROOT, FromUtf8(install.Names().protocol) + L"\\shell\\open\\command");
    EXPECT_EQ(command, L"\"" + install.LauncherPath() + L"\" \"%1\"");

    std::vector<std::string> lines = log.NewLines();
    EXPECT_TRUE(HasLine(lines, "Success to load ProductConfig.xml. [kel,www]"));
    EXPECT_TRUE(HasLine(lines, "Protocol or other call: [room?id=1]"));
    EXPECT_TRUE(
        HasLine(lines, "Create main program process: [" + ToUtf8(install.ClientDir() + install.ProgName()) + "]"));
    EXPECT_TRUE(HasLine(lines, "Launcher exit."));
}

TEST(LauncherStart, RegisteredProtocolDispatchesALinkThroughTheShell)
{
    Install install(L"shell");
    // A scheme the shell accepts: letters and digits only.
    install.Names().protocol = "kpshell" + std::to_string(GetCurrentProcessId());
    install.WriteConfig();
    install.PlaceClient();
    ProcessResult r = install.Run(L"");
    ASSERT_TRUE(r.finished);
    ClientRecord record = install.Record();
    ASSERT_TRUE(record.WaitForLine("args=", 10000));

    // The command is stored as its text and terminator, as the shell needs it.
    std::wstring key = FromUtf8(install.Names().protocol) + L"\\shell\\open\\command";
    std::wstring command = ReadRegDefault(HKEY_CLASSES_ROOT, key);
    EXPECT_EQ(RegDefaultBytes(HKEY_CLASSES_ROOT, key), (command.size() + 1) * sizeof(wchar_t));

    // As a browser hands a link over: the shell starts the Launcher, which starts the client.
    KillProcesses(install.ProgName());
    ASSERT_TRUE(ShellStart(FromUtf8(install.Names().protocol) + L"://room?id=9", 30000));
    ASSERT_TRUE(WaitFor([&] { return record.Starts().size() == 2; }, 30000));
    EXPECT_EQ(record.Starts()[1], "room?id=9");
}

TEST(LauncherStart, NoArgumentStartsClientWithoutParameters)
{
    Install install(L"noarg");
    install.WriteConfig();
    install.PlaceClient();
    LogTail log;
    ProcessResult r = install.Run(L"");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    ClientRecord record = install.Record();
    ASSERT_TRUE(record.WaitForLine("args=", 10000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{""});
    EXPECT_TRUE(log.Has("No command line"));
}

TEST(LauncherStart, PassThroughFormsReachTheClientUnchanged)
{
    Install install(L"pass");
    install.WriteConfig();
    install.PlaceClient();
    ASSERT_EQ(install.Run(L"urlpath=a:b").exitCode, 0u);
    ClientRecord record = install.Record();
    ASSERT_TRUE(WaitFor([&] { return record.Starts().size() == 1; }, 10000));
    KillProcesses(install.ProgName());
    ASSERT_EQ(install.Run(L"loginurl=x://y").exitCode, 0u);
    ASSERT_TRUE(WaitFor([&] { return record.Starts().size() == 2; }, 10000));
    KillProcesses(install.ProgName());
    ASSERT_EQ(install.Run(L"abc").exitCode, 0u);
    ASSERT_TRUE(WaitFor([&] { return record.Starts().size() == 3; }, 10000));
    EXPECT_EQ(record.Starts(), (std::vector<std::string>{"urlpath=a:b", "loginurl=x://y", "abc"}));
}

TEST(LauncherStart, ProOptionRewritesEnvBeforeReading)
{
    Install install(L"pro");
    install.WriteConfig();
    install.PlaceClient("pro");
    ProcessResult r = install.Run(L"--pro " + FromUtf8(install.Names().protocol) + L"://r");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(ElementText(install.ReadConfig(), "env"), "pro");
    ClientRecord record = install.Record("pro");
    ASSERT_TRUE(record.WaitForLine("args=", 10000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"r"});
}

TEST(LauncherStart, InstallUnderNonAsciiFolder)
{
    Install install(L"wide", L"课堂 Ünï");
    install.WriteConfig();
    install.PlaceClient("www");
    ProcessResult r = install.Run(L"--www x://go");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(ElementText(install.ReadConfig(), "env"), "www");
    ClientRecord record = install.Record();
    ASSERT_TRUE(record.WaitForLine("args=", 10000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"go"});
}

TEST(LauncherStart, OverlongUtf8EnvIsNotStoredAndTheFileStaysAsItWas)
{
    Install install(L"longenv");
    // 11 Chinese characters: 11 characters fit the working text, 33 UTF-8 bytes do not fit the file's 31.
    install.Names().env = "环境环境环境环境环境环";
    install.WriteConfig();
    install.PlaceClient();
    std::string before = install.ReadConfig();
    LogTail log;
    ProcessResult r = install.Run(L"x://y");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(install.ReadConfig(), before);
    EXPECT_TRUE(install.Record().WaitForLine("args=y", 10000));
    bool warned = false;
    for (const std::string& l : log.NewLines())
        warned |= l.find("WARNING") != std::string::npos && l.find("not changed") != std::string::npos;
    EXPECT_TRUE(warned);
}

TEST(LauncherFailure, MissingConfigurationShowsBoxAndFails)
{
    Install install(L"nocfg");
    MsgBoxAnswerer answerer(IDOK);
    LogTail log;
    ProcessResult r = install.Run(L"x://y");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, kExitFailure);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, "Failed to load ProductConfig.xml");
    EXPECT_EQ(answerer.Boxes()[0].caption, "");
    EXPECT_TRUE(log.Has("ERROR [default] Failed to load ProductConfig.xml to get default client info."));
    EXPECT_TRUE(log.Has("ERROR [default] Failed to run new client, steal use old client"));
}

TEST(LauncherFailure, EmptyProgNameIsAConfigurationFailure)
{
    Install install(L"noprog");
    install.WriteConfigRaw(ProductConfigXml({{"name", "kel"}, {"env", "www"}, {"ProgName", ""}}));
    MsgBoxAnswerer answerer(IDOK);
    ProcessResult r = install.Run(L"");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, kExitFailure);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, "Failed to load ProductConfig.xml");
}

TEST(LauncherFailure, MissingClientProgramInBothLanguages)
{
    Install install(L"noclient");
    install.WriteConfig();
    std::string path = ToUtf8(install.ClientDir() + install.ProgName());
    {
        MsgBoxAnswerer answerer(IDOK);
        LogTail log;
        ProcessResult r = install.Run(L"");
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, kExitFailure);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, "无法找到应用程序[" + path + "]");
        EXPECT_TRUE(log.Has("Not found main program : [" + path + "]"));
    }
    {
        LanguageGuard english(install.ProgName().substr(0, install.ProgName().size() - 4), L"en-US");
        MsgBoxAnswerer answerer(IDOK);
        ProcessResult r = install.Run(L"");
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, kExitFailure);
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, "Not found main program file[" + path + "]");
    }
    {
        // Only the exact "en-US" means English.
        LanguageGuard other(install.ProgName().substr(0, install.ProgName().size() - 4), L"en-us");
        MsgBoxAnswerer answerer(IDOK);
        install.Run(L"");
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].text, "无法找到应用程序[" + path + "]");
    }
}

TEST(LauncherFailure, ClientProgramThatCannotStartFails)
{
    Install install(L"badexe");
    install.WriteConfig();
    ASSERT_TRUE(WriteFileBytes(install.ClientDir() + install.ProgName(), "not a program"));
    MsgBoxAnswerer answerer(IDOK); // the shell's own box, should it show one
    LogTail log;
    ProcessResult r = install.Run(L"x://y");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, kExitFailure);
    EXPECT_TRUE(log.Has("Failed to create process to run default client"));
}

TEST_F(RunningClient, KeepingItHandsTheParametersOverItsPipe)
{
    StartClient(L"keep");
    MsgBoxAnswerer answerer(IDNO);
    ProcessResult r = install->Run(L"x://room?id=2");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    ClientRecord record = install->Record();
    ASSERT_TRUE(WaitFor([&] { return record.PipeMessages(install->Names().pipe).size() == 1; }, 5000));
    EXPECT_EQ(record.PipeMessages(install->Names().pipe)[0], "room?id=2");
    EXPECT_EQ(record.Starts().size(), 1u);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].caption, "提示");
    EXPECT_EQ(answerer.Boxes()[0].text, "检测到同名程序[" + install->Names().progname + "]正在运行，是否重新打开？");
    EXPECT_EQ(CountProcesses(install->ProgName()), 1);
}

TEST_F(RunningClient, KeepingItWithoutParametersSendsNothing)
{
    StartClient(L"keepempty");
    MsgBoxAnswerer answerer(IDNO);
    // No command line, and a link with nothing after its scheme.
    for (const wchar_t* line : {L"", L"x://"}) {
        ProcessResult r = install->Run(line);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 0u) << ToUtf8(line);
    }
    Sleep(300);
    EXPECT_TRUE(install->Record().PipeMessages(install->Names().pipe).empty());
    EXPECT_EQ(answerer.Boxes().size(), 2u);
}

TEST_F(RunningClient, RestartingItInEnglish)
{
    StartClient(L"restart", L"en-US");
    MsgBoxAnswerer answerer(IDYES);
    ProcessResult r = install->Run(L"x://again");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    ASSERT_TRUE(running->Wait(5000)); // the old client was stopped
    ClientRecord record = install->Record();
    ASSERT_TRUE(WaitFor([&] { return record.Starts().size() == 2; }, 10000));
    EXPECT_EQ(record.Starts()[1], "again");
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].caption, "Prompt");
    EXPECT_EQ(answerer.Boxes()[0].text,
              "Another program instance[" + install->Names().progname + "] is running, kill it and start new one?");
}

TEST_F(RunningClient, ForceRunRestartsWithoutAsking)
{
    StartClient(L"force");
    MsgBoxAnswerer answerer(IDNO);
    ProcessResult r = install->Run(L"forcerun:x://room");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    ASSERT_TRUE(running->Wait(5000));
    ClientRecord record = install->Record();
    ASSERT_TRUE(WaitFor([&] { return record.Starts().size() == 2; }, 10000));
    EXPECT_EQ(record.Starts()[1], "room");
    EXPECT_TRUE(answerer.Boxes().empty());
}

TEST(RunningClientElsewhere, KeptClientWhosePipeIsNotServedFails)
{
    Install install(L"nopipe");
    install.WriteConfig();
    install.PlaceClient();
    // The same program runs from elsewhere, with no configuration and so no pipe.
    TempDir elsewhere(L"elsewhere");
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", elsewhere / install.ProgName()));
    ChildProcess other(elsewhere / install.ProgName(), L"", elsewhere.Path());
    ASSERT_TRUE(ClientRecord(elsewhere / L"client-record.txt").WaitForLine("args=", 10000));

    MsgBoxAnswerer answerer(IDNO);
    LogTail log;
    ProcessResult r = install.Run(L"x://lost");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, kExitFailure);
    EXPECT_TRUE(log.Has("Found running instance, pass parameters to the instance. [\\\\.\\Pipe\\" +
                        install.Names().pipe + "]"));
}

// Eight links at once, each kept from a restart, reach a client whose pipe serves one connection
// at a time: none is lost (a single try lost two of eight).
TEST(RunningClientElsewhere, BurstOfLinksReachesAOneInstancePipe)
{
    Install install(L"burst");
    install.WriteConfig();
    install.PlaceClient();
    // The running program serves no pipe of its own; the test serves the configured one.
    TempDir elsewhere(L"elsewhere");
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", elsewhere / install.ProgName()));
    ChildProcess other(elsewhere / install.ProgName(), L"", elsewhere.Path());
    ASSERT_TRUE(ClientRecord(elsewhere / L"client-record.txt").WaitForLine("args=", 10000));
    PipeSink sink(FromUtf8(install.Names().pipe), true);
    ASSERT_TRUE(sink.Listening());

    MsgBoxAnswerer answerer(IDNO);
    std::vector<std::unique_ptr<ChildProcess>> launchers;
    std::vector<std::string> expected;
    for (int i = 0; i < 8; ++i) {
        launchers.emplace_back(
            new ChildProcess(install.LauncherPath(), L"x://link" + std::to_wstring(i), install.Dir()));
        expected.push_back("link" + std::to_string(i));
    }
    for (auto& launcher : launchers) {
        ASSERT_TRUE(launcher->Wait(30000));
        EXPECT_EQ(launcher->ExitCode(), 0u);
    }
    ASSERT_TRUE(sink.WaitForMessages(8, 5000));
    std::vector<std::string> got = sink.Messages();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(answerer.Boxes().size(), 8u);
}
