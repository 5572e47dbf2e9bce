// Environment switch through the real Launcher.exe: the XML answer over loopback HTTP, the Updater
// hand-off (a stand-in records its command line and answers on the LU_ pipe) and the client's pipe.
#include "tiny_http.h" // winsock2.h before windows.h
#include "launcher_fixture.h"
#include <gtest/gtest.h>
#include <memory>

using namespace testkit;
using namespace launchertest;

namespace {
const DWORD kExitFailure = 0xFFFFFFFF;
const char kGoodAnswer[] = "<?xml version=\"1.0\"?><answer><zipurl>http://127.0.0.1:1/full.zip</zipurl>"
                           "<zipmd5>0123456789abcdef0123456789abcdef</zipmd5></answer>";

class SwitchTest : public ::testing::Test
{
protected:
    SwitchTest() : install(L"switch")
    {
        FreshPipe();
        install.WriteConfig();
        install.PlaceClient();
        server.Answer("/env.xml", TinyHttpServer::Response(200, "OK", kGoodAnswer));
    }

    // withClient: a successful stand-in also leaves the new environment's client program.
    void PlaceUpdater(const std::string& mode, bool withClient = true)
    {
        ASSERT_TRUE(CopyFileTo(TestsDir() + L"UpdaterStub.exe", install.Dir() + L"Updater.exe"));
        std::string behavior = "mode=" + mode + "\npipe=LU_" + install.Names().launchname +
                               "\nmkdir=" + ToUtf8(install.Dir()) + install.Names().name + "_pro\n";
        if (withClient)
            behavior += "client=" + ToUtf8(install.ClientDir("pro") + install.ProgName()) + "\n";
        ASSERT_TRUE(WriteFileBytes(install.Dir() + L"updater-behavior.txt", behavior));
    }

    std::wstring SwitchLine(const std::string& path, const std::string& params = "room=1")
    {
        return FromUtf8("switchenv=pro&xmlurl=" + server.Url(path) + "&" + params);
    }

    std::vector<std::string> UpdaterRuns()
    {
        std::string bytes;
        std::vector<std::string> lines;
        if (!ReadFileBytes(install.Dir() + L"updater-record.txt", &bytes))
            return lines;
        size_t pos = 0;
        for (size_t end; (end = bytes.find('\n', pos)) != std::string::npos; pos = end + 1)
            lines.push_back(bytes.substr(pos, end - pos));
        return lines;
    }

    // A new sink on the client's pipe: each run's messages are read on their own.
    void FreshPipe()
    {
        clientPipe.reset();
        clientPipe.reset(new PipeSink(FromUtf8(install.Names().pipe)));
    }

    std::string Env() { return ElementText(install.ReadConfig(), "env"); }

    void ExpectFailedSwitch(const ProcessResult& r)
    {
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, kExitFailure);
        ASSERT_TRUE(clientPipe->WaitForMessages(1, 3000));
        EXPECT_EQ(clientPipe->Messages(), std::vector<std::string>{"switchenv_msg:0"});
        EXPECT_EQ(Env(), "www");
    }

    Install install;
    std::unique_ptr<PipeSink> clientPipe;
    TinyHttpServer server;
};
} // namespace

TEST_F(SwitchTest, InstalledEnvironmentStopsTheClientWithoutAskingAndStartsTheNewOne)
{
    install.PlaceClient("pro");
    ChildProcess running(install.ClientDir() + install.ProgName(), L"old", install.ClientDir());
    ASSERT_TRUE(install.Record().WaitForLine("args=old", 10000));
    MsgBoxAnswerer answerer(IDNO);

    ProcessResult r = install.Run(SwitchLine("/never-asked"));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_TRUE(running.Wait(5000));
    EXPECT_TRUE(answerer.Boxes().empty());
    ASSERT_TRUE(install.Record("pro").WaitForLine("args=room=1", 10000));
    EXPECT_EQ(Env(), "pro");
    EXPECT_TRUE(server.RequestLines().empty());
}

TEST_F(SwitchTest, DownloadHandsOffToUpdaterAndStoresTheEnvOnSuccess)
{
    PlaceUpdater("ok");
    LogTail log;
    ProcessResult r = install.Run(SwitchLine("/env.xml", "room=1&user=2"));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    std::vector<std::string> runs = UpdaterRuns();
    ASSERT_EQ(runs.size(), 1u);
    std::string dir = ToUtf8(install.Dir());
    EXPECT_EQ(runs[0], "\"" + dir +
                           "Updater.exe\" -url=http://127.0.0.1:1/full.zip -md5=0123456789abcdef0123456789abcdef "
                           "-pagecallparam=\"room=1&user=2\" -forcedupdate=2 -clientexe=\"" +
                           dir + "Launcher.exe\" -extractpath=\"" + dir + "\"");
    ASSERT_TRUE(clientPipe->WaitForMessages(1, 3000));
    EXPECT_EQ(clientPipe->Messages(), std::vector<std::string>{"switchenv_msg:1"});
    EXPECT_EQ(Env(), "pro");
    // The Updater starts the Launcher again later; this run starts no client.
    EXPECT_FALSE(FileExists(install.RecordPath("pro")));
    EXPECT_TRUE(log.Has("Not found main program [" + ToUtf8(install.ClientDir("pro") + install.ProgName()) +
                        "]. Try to download it."));
    EXPECT_TRUE(log.Has("pipe buffer: msg1:1"));
}

TEST_F(SwitchTest, UpdaterFailureIsReportedToTheClient)
{
    PlaceUpdater("fail");
    LogTail log;
    ExpectFailedSwitch(install.Run(SwitchLine("/env.xml")));
    EXPECT_TRUE(log.Has("error in download new client, not updateConfig"));
}

TEST_F(SwitchTest, ReportedSuccessWithoutTheNewClientKeepsTheOldEnvironment)
{
    PlaceUpdater("ok", false);
    LogTail log;
    ExpectFailedSwitch(install.Run(SwitchLine("/env.xml")));
    EXPECT_EQ(Env(), "www");
    EXPECT_TRUE(log.Has("pipe buffer: msg1:1"));
}

TEST_F(SwitchTest, UpdaterThatEndsWithoutAnAnswerFailsWithinTheGracePeriod)
{
    for (const char* mode : {"garbage", "silent"}) {
        PlaceUpdater(mode);
        ChildProcess launcher(install.LauncherPath(), SwitchLine("/env.xml"), install.Dir());
        ProcessResult r = {launcher.Started(), launcher.Wait(15000), launcher.ExitCode()};
        ExpectFailedSwitch(r);
        // From the Updater's end to the Launcher's: the grace period, without the programs' start-up.
        FILETIME created, ended, kernel, user;
        ASSERT_TRUE(GetProcessTimes(launcher.Handle(), &created, &ended, &kernel, &user));
        std::string updaterEnd;
        ASSERT_TRUE(ReadFileBytes(install.Dir() + L"updater-end.txt", &updaterEnd));
        const unsigned long long launcherEnd =
            (static_cast<unsigned long long>(ended.dwHighDateTime) << 32) | ended.dwLowDateTime;
        const long long ms = static_cast<long long>(launcherEnd - std::stoull(updaterEnd)) / 10000;
        EXPECT_LT(ms, 3000) << mode;
        printf("switch with a %s Updater failed %lld ms after it ended\n", mode, ms);
        FreshPipe();
    }
}

TEST_F(SwitchTest, MissingUpdaterShowsItsBoxInBothLanguages)
{
    std::string updater = ToUtf8(install.Dir()) + "Updater.exe";
    {
        MsgBoxAnswerer answerer(IDOK);
        ExpectFailedSwitch(install.Run(SwitchLine("/env.xml")));
        ASSERT_EQ(answerer.Boxes().size(), 1u);
        EXPECT_EQ(answerer.Boxes()[0].caption, "TAVNClient");
        EXPECT_EQ(answerer.Boxes()[0].text, "无法找到更新工具, 路径[" + updater + "]");
    }
    LanguageGuard english(install.ProgName().substr(0, install.ProgName().size() - 4), L"en-US");
    MsgBoxAnswerer answerer(IDOK);
    install.Run(SwitchLine("/env.xml"));
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].text, "Fatal Error! Cannot found Updater module from [" + updater + "]");
}

TEST_F(SwitchTest, BadAnswersFailWithoutStartingTheUpdater)
{
    PlaceUpdater("ok");
    server.Answer("/nomd5.xml", TinyHttpServer::Response(200, "OK", "<a><zipurl>http://x/z.zip</zipurl></a>"));
    server.Answer("/text.xml", TinyHttpServer::Response(200, "OK", "this is not xml <"));
    server.Answer("/500.xml", TinyHttpServer::Response(500, "Server Error", kGoodAnswer));
    // A good body under any status but 200 is no answer.
    server.Answer("/203.xml", TinyHttpServer::Response(203, "Non-Authoritative Information", kGoodAnswer));
    for (const char* path : {"/nomd5.xml", "/text.xml", "/500.xml", "/203.xml", "/missing.xml"}) {
        FreshPipe();
        ExpectFailedSwitch(install.Run(SwitchLine(path)));
    }
    EXPECT_TRUE(UpdaterRuns().empty());
}

TEST_F(SwitchTest, NotFoundAnswerIsLoggedWithItsErrorCode)
{
    PlaceUpdater("ok");
    LogTail log;
    ExpectFailedSwitch(install.Run(SwitchLine("/missing.xml")));
    EXPECT_TRUE(log.Has("Fatal error occurred when downloading xml file!5, "));
}

TEST_F(SwitchTest, StatusDecidesNotTheTextOfTheHeaders)
{
    PlaceUpdater("ok");
    std::string padded = std::string(kGoodAnswer) + std::string(1404 - sizeof(kGoodAnswer) + 1, ' ');
    ASSERT_EQ(padded.size(), 1404u);
    server.Answer("/len.xml", TinyHttpServer::Response(200, "OK", padded, "X-Trace: 404-free\r\n"));
    ProcessResult r = install.Run(SwitchLine("/len.xml"));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(UpdaterRuns().size(), 1u);
}

TEST_F(SwitchTest, RedirectIsFollowedAndHttpsIsAskedForInPlainHttp)
{
    PlaceUpdater("ok");
    server.Answer("/moved.xml",
                  TinyHttpServer::Response(302, "Found", "", "Location: " + server.Url("/env.xml") + "\r\n"));
    ProcessResult r = install.Run(SwitchLine("/moved.xml"));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(UpdaterRuns().size(), 1u);

    // An https:// answer URL is asked for in plain HTTP, on the URL's own port.
    ASSERT_TRUE(DeleteFileW((install.ClientDir("pro") + install.ProgName()).c_str()));
    std::string https = server.Url("/env.xml");
    ASSERT_EQ(https.compare(0, 7, "http://"), 0);
    r = install.Run(FromUtf8("switchenv=pro&xmlurl=https://" + https.substr(7) + "&room=1"));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(UpdaterRuns().size(), 2u);
}

TEST_F(SwitchTest, TextThatCouldAddUpdaterOptionsIsRefused)
{
    PlaceUpdater("ok");
    ExpectFailedSwitch(install.Run(SwitchLine("/env.xml", "a\" -forcedupdate=0 \"")));
    server.Answer("/blank.xml", TinyHttpServer::Response(200, "OK",
                                                         "<a><zipurl>http://x/z.zip -clientexe=evil.exe</zipurl>"
                                                         "<zipmd5>0123456789abcdef0123456789abcdef</zipmd5></a>"));
    FreshPipe();
    ExpectFailedSwitch(install.Run(SwitchLine("/blank.xml")));
    EXPECT_TRUE(UpdaterRuns().empty());
}

TEST_F(SwitchTest, MalformedSwitchLineIsRefused)
{
    PlaceUpdater("ok");
    ProcessResult r = install.Run(L"switchenv=pro&xmlurl=" + FromUtf8(server.Url("/env.xml")));
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, kExitFailure);
    EXPECT_TRUE(UpdaterRuns().empty());
    EXPECT_EQ(Env(), "www");
}

TEST_F(SwitchTest, EnvWithPathCharactersIsRefusedLikeAnOverlongOne)
{
    PlaceUpdater("ok");
    // Were it taken, this env would start <install>\esc\<client> and be stored for every later start.
    std::wstring escaped = install.Dir() + L"esc\\";
    ASSERT_TRUE(MakeDirs(escaped));
    ASSERT_TRUE(CopyFileTo(TestsDir() + L"ClientStub.exe", escaped + install.ProgName()));
    const std::wstring url = FromUtf8(server.Url("/env.xml"));
    for (const wchar_t* env : {L"\\..\\esc", L"\\..\\..\\esc", L"a/b", L"c:x", L"pre..1", L"tab\there"}) {
        ProcessResult r = install.Run(L"switchenv=" + std::wstring(env) + L"&xmlurl=" + url + L"&room=1");
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, kExitFailure) << ToUtf8(env);
    }
    EXPECT_FALSE(FileExists(escaped + L"client-record.txt"));
    EXPECT_TRUE(UpdaterRuns().empty());
    EXPECT_TRUE(server.RequestLines().empty());
    EXPECT_EQ(Env(), "www");

    // Dots that climb nothing stay valid, and an env of 31 characters is stored whole.
    const std::string longest = "pre.1" + std::string(26, 'e');
    install.PlaceClient(longest);
    ProcessResult r = install.Run(L"switchenv=" + FromUtf8(longest) + L"&xmlurl=" + url + L"&room=2");
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    ASSERT_TRUE(install.Record(longest).WaitForLine("args=room=2", 10000));
    EXPECT_EQ(Env(), longest);
}
