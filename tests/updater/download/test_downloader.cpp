// The attempts loop on its own thread: callbacks, the Launcher message, redirects, shutdown,
// and the whole loop in a separate process (killed, resumed, failing).
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "DownloadTestKit.h"
#include "ProbeRunner.h"

using namespace updtest;

namespace {

struct Loop
{
    TestHttpServer server;
    TempDir dir{L"upd"};
    std::string package;
    std::unique_ptr<TestDownloader> downloader;
    std::mutex mutex;
    std::vector<unsigned> retries;
    int failures = 0;

    Loop(size_t size, const std::string& md5Override = std::string()) : package(PatternBytes(31, size))
    {
        server.SetBody(package);
        std::string md5 = md5Override.empty() ? Md5Of(package) : md5Override;
        downloader.reset(new TestDownloader("http://" + server.HostText() + "/u.zip", md5, server.HostText(), "/u.zip",
                                            Narrow(dir.Path())));
        downloader->Engine().SetTimings(FastTimings());
        downloader->retryCallback = [this](unsigned n) {
            std::lock_guard<std::mutex> lock(mutex);
            retries.push_back(n);
        };
        downloader->failedCallback = [this] {
            std::lock_guard<std::mutex> lock(mutex);
            ++failures;
        };
    }
    void RunToEnd()
    {
        downloader->Start();
        downloader->Join();
    }
};

std::wstring InstallBench(const std::wstring& folder)
{
    testkit::MakeDirs(folder);
    std::wstring target = folder + L"DownloadBench.exe";
    testkit::CopyFileTo(testkit::BinDir() + L"DownloadBench.exe", target);
    return target;
}

} // namespace

TEST(Downloader, TenFailedAttemptsReportEachThenFailOnce)
{
    Loop loop(3000);
    loop.server.Configure([](ServerBehaviour& b) { b.status = 404; });
    loop.RunToEnd();
    EXPECT_EQ(loop.retries, (std::vector<unsigned>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(loop.failures, 1);
    EXPECT_FALSE(loop.downloader->succeeded);
    EXPECT_EQ(loop.server.Requests().size(), 10u);
}

TEST(Downloader, SuccessAtTheThirdAttemptReportsTwoRetries)
{
    Loop loop(3000);
    ASSERT_TRUE(WriteBytes(loop.dir / L"update.zip", "stale package"));
    loop.server.Configure([](ServerBehaviour& b) {
        b.status = 404;
        b.faulty = [](int index, int64_t) { return index < 2; };
    });
    loop.RunToEnd();
    EXPECT_EQ(loop.retries, (std::vector<unsigned>{0, 1}));
    EXPECT_EQ(loop.failures, 0);
    EXPECT_TRUE(loop.downloader->succeeded);
    EXPECT_EQ(ReadBytes(loop.dir / L"update.zip"), loop.package);
}

TEST(Downloader, RedirectIsFollowedWithoutCountingAndEndlessRedirectsAreBounded)
{
    Loop loop(3000);
    TestHttpServer mirror;
    mirror.SetBody(loop.package);
    loop.server.Configure([&](ServerBehaviour& b) { b.redirectTo = "http://" + mirror.HostText() + "/m.zip"; });
    loop.RunToEnd();
    EXPECT_TRUE(loop.downloader->succeeded);
    EXPECT_TRUE(loop.retries.empty());
    EXPECT_EQ(mirror.Requests().at(0).path, "/m.zip");

    // A server that redirects to itself: every five redirects count as one failed attempt.
    Loop circle(3000);
    circle.server.Configure(
        [&](ServerBehaviour& b) { b.redirectTo = "http://" + circle.server.HostText() + "/u.zip"; });
    circle.RunToEnd();
    EXPECT_EQ(circle.retries.size(), 10u);
    EXPECT_EQ(circle.failures, 1);
    EXPECT_EQ(circle.server.Requests().size(), 50u);
}

TEST(Downloader, StartingTwiceRunsOneThread)
{
    Loop loop(3000);
    loop.downloader->Start();
    loop.downloader->Start();
    loop.downloader->Join();
    EXPECT_TRUE(loop.downloader->succeeded);
    EXPECT_EQ(loop.server.Requests().size(), 5u);
    EXPECT_EQ(loop.downloader->GetStatus().file, Narrow(loop.dir.Path()) + "update.td");
}

TEST(Downloader, DestroyingItWhileAttemptsRunEndsEverythingQuickly)
{
    Loop loop(400000);
    loop.server.Configure([](ServerBehaviour& b) {
        b.stallAfterBytes = 5000;
        b.faulty = [](int index, int64_t) { return index >= 1; };
    });
    loop.downloader->Engine().SetTimings(DownloadTimings()); // shipped limits: the stall would last 15 s
    loop.downloader->Start();
    ASSERT_TRUE(testkit::WaitFor([&] { return FileSize(loop.dir / L"update.td0") == 5000; }, 20000)); // stalled
    DWORD start = ::GetTickCount();
    loop.downloader.reset();
    EXPECT_LT(::GetTickCount() - start, 3000u);
    EXPECT_TRUE(loop.retries.empty()) << "no callback into an owner that is going away";
    EXPECT_EQ(FileSize(loop.dir / L"update.td0"), 5000);
}

TEST(Downloader, StalledAttemptIsFollowedByOneThatResumes)
{
    Loop loop(400000);
    loop.server.Configure([](ServerBehaviour& b) {
        b.stallAfterBytes = 7000;
        b.faulty = [](int index, int64_t) { return index >= 1 && index <= 4; };
    });
    loop.downloader->Engine().SetTimings(DownloadTimings());
    DWORD start = ::GetTickCount();
    loop.RunToEnd();
    EXPECT_LT(::GetTickCount() - start, 35000u);
    EXPECT_EQ(loop.retries, (std::vector<unsigned>{0}));
    EXPECT_TRUE(loop.downloader->succeeded);
    EXPECT_EQ(ReadBytes(loop.dir / L"update.zip"), loop.package);
    auto requests = loop.server.Requests();
    ASSERT_EQ(requests.size(), 10u);
    for (size_t i = 6; i < 10; ++i)
        EXPECT_EQ(requests[i].rangeStart % 100000, 7000);
}

TEST(DownloaderProcess, WrongDigestMakesTenAttemptsAndOneMessageToTheLauncher)
{
    TestHttpServer server;
    std::string package = PatternBytes(41, 50000);
    server.SetBody(package);
    TempDir dir{L"upd"};
    std::wstring bench = InstallBench(dir / L"app\\");
    std::wstring launch = UniqueName(L"Launch");
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<LaunchName>" + Narrow(launch) + "</LaunchName>"));
    PipeSink launcher(L"LU_" + launch);
    ::CreateDirectoryW((dir / L"work").c_str(), nullptr);
    // A package left by an earlier run is not the one asked for: it must not survive for installation.
    ASSERT_TRUE(WriteBytes(dir / L"work\\update.zip", "earlier package"));

    std::wstring url = Widen("http://" + server.HostText() + "/u.zip");
    ProcessOutput r =
        RunCaptured(Quote(bench) + L" " + url + L" 0123456789abcdef0123456789abcdef " + Quote(dir / L"work"), 50000);
    ASSERT_FALSE(r.timedOut) << r.output;
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_NE(r.output.find("result -5 "), std::string::npos) << r.output;
    ASSERT_TRUE(launcher.WaitForMessages(1, 3000));
    ::Sleep(200);
    EXPECT_EQ(launcher.Messages(), (std::vector<std::string>{"msg1:0"}));
    EXPECT_EQ(server.Requests().size(), 50u) << "ten attempts of one probe and four parts";
    for (const wchar_t* name :
         {L"update.zip", L"update.td", L"update.td0", L"update.td1", L"update.td2", L"update.td3"})
        EXPECT_FALSE(FileExists(dir / (std::wstring(L"work\\") + name))) << Narrow(name);
}

TEST(DownloaderProcess, KilledDownloadIsResumedWithOnlyTheMissingBytes)
{
    TestHttpServer server;
    const size_t size = 2000000;
    std::string package = PatternBytes(43, size);
    server.SetBody(package);
    server.Configure([](ServerBehaviour& b) { b.bytesPerSecond = 250000; });
    TempDir dir{L"upd"};
    std::wstring bench = InstallBench(dir / L"app\\");
    ::CreateDirectoryW((dir / L"work").c_str(), nullptr);
    std::wstring args =
        Widen("http://" + server.HostText() + "/u.zip") + L" " + Widen(Md5Of(package)) + L" " + Quote(dir / L"work");
    {
        ChildProcess first(bench, args);
        DWORD start = ::GetTickCount();
        while (server.TotalBodyBytesSent() < size / 3 && ::GetTickCount() - start < 20000)
            ::Sleep(50);
        first.Kill();
    }
    int64_t partSizes[4];
    uint64_t present = 0;
    for (int i = 0; i < 4; ++i) {
        partSizes[i] = std::max<int64_t>(0, FileSize(dir / (L"work\\update.td" + std::to_wstring(i))));
        present += static_cast<uint64_t>(partSizes[i]);
    }
    ASSERT_GT(present, size / 4);
    ASSERT_LT(present, size);

    size_t firstRun = server.Requests().size();
    server.Configure([](ServerBehaviour& b) { b.bytesPerSecond = 0; });
    ProcessOutput r = RunCaptured(Quote(bench) + L" " + args, 30000);
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_EQ(ReadBytes(dir / L"work\\update.zip"), package);
    // Each part asks for what its file lacks, from where the file ends.
    std::vector<int64_t> asked, expected;
    auto requests = server.Requests();
    for (size_t i = firstRun + 1; i < requests.size(); ++i)
        asked.push_back(requests[i].rangeStart);
    for (int i = 0; i < 4; ++i)
        expected.push_back(i * static_cast<int64_t>(size / 4) + partSizes[i]);
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, expected);
}
