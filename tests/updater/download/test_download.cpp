// One download attempt against the test server: parts, resume, merge, checks and stalls.
#include <gtest/gtest.h>

#include <algorithm>

#include "DownloadTestKit.h"
#include "download/HttpDownload.h"

using namespace updtest;

namespace {

struct Attempt
{
    TestHttpServer server;
    TempDir dir{L"upd"};
    CHttpDownload engine{Narrow(dir.Path())};
    DownloadStatus status;
    std::string package;
    std::string host = server.HostText();
    std::string path = "/update.zip";

    explicit Attempt(size_t size, uint32_t seed = 21) : package(PatternBytes(seed, size))
    {
        server.SetBody(package);
        status.expectedMd5 = Md5Of(package);
        status.file = Narrow(dir.Path()) + "update.td";
    }
    int32_t Run() { return engine.Download(host, path, status); }
    std::wstring Part(int i) const { return dir / (L"update.td" + std::to_wstring(i)); }
    bool NoPartFiles() const
    {
        for (int i = 0; i < 4; ++i)
            if (FileExists(Part(i)))
                return false;
        return true;
    }
    std::vector<int64_t> PartStarts()
    {
        std::vector<int64_t> starts;
        auto requests = server.Requests();
        for (size_t i = 1; i < requests.size(); ++i)
            starts.push_back(requests[i].rangeStart);
        std::sort(starts.begin(), starts.end());
        return starts;
    }
};

} // namespace

TEST(Download, OddSizedPackageIsMergedByteExact)
{
    Attempt a((1 << 20) + 3);
    EXPECT_EQ(a.Run(), kDownloadOk);
    EXPECT_EQ(ReadBytes(a.dir / L"update.zip"), a.package);
    EXPECT_TRUE(a.NoPartFiles());
    EXPECT_FALSE(FileExists(a.dir / L"update.td"));
    const int64_t q = (1 << 20) / 4;
    EXPECT_EQ(a.PartStarts(), (std::vector<int64_t>{0, q, 2 * q, 3 * q}));
    EXPECT_GE(a.status.downloaded, a.package.size()) << "parts may read past their end";
    EXPECT_EQ(a.status.total, a.package.size());
}

TEST(Download, DigestIsComparedWithoutRegardToCase)
{
    Attempt a(5000);
    std::transform(a.status.expectedMd5.begin(), a.status.expectedMd5.end(), a.status.expectedMd5.begin(), ::toupper);
    EXPECT_EQ(a.Run(), kDownloadOk);
}

TEST(Download, SeededPartFilesAreResumedAndCounted)
{
    Attempt a(4000); // parts of 1000 bytes
    ASSERT_TRUE(WriteBytes(a.Part(0), a.package.substr(0, 100)));
    ASSERT_TRUE(WriteBytes(a.Part(2), a.package.substr(2000, 50)));
    EXPECT_EQ(a.Run(), kDownloadOk);
    EXPECT_EQ(a.PartStarts(), (std::vector<int64_t>{100, 1000, 2050, 3000}));
    EXPECT_EQ(ReadBytes(a.dir / L"update.zip"), a.package);
}

TEST(Download, CompleteLastPartGets416AndStillMerges)
{
    Attempt a(4002);
    ASSERT_TRUE(WriteBytes(a.Part(3), a.package.substr(3000)));
    EXPECT_EQ(a.Run(), kDownloadOk);
    auto requests = a.server.Requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const RequestRecord& r) { return r.status == 416; }));
    EXPECT_EQ(ReadBytes(a.dir / L"update.zip"), a.package);
}

TEST(Download, PackageSmallerThanFourBytesDownloads)
{
    Attempt a(3);
    EXPECT_EQ(a.Run(), kDownloadOk);
    EXPECT_EQ(ReadBytes(a.dir / L"update.zip"), a.package);
}

TEST(Download, ShortPartKeepsAllPartFilesAndTheNextAttemptResumes)
{
    Attempt a(400000);
    // First attempt: every part connection drops after 10000 bytes.
    a.server.Configure([](ServerBehaviour& b) {
        b.dropAfterBytes = 10000;
        b.faulty = [](int index, int64_t) { return index >= 1 && index <= 4; };
    });
    EXPECT_EQ(a.Run(), kDownloadPartMissing);
    EXPECT_FALSE(FileExists(a.dir / L"update.td")) << "nothing is merged from short parts";
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(FileSize(a.Part(i)), 10000) << i;
    EXPECT_EQ(a.status.downloaded, 0u);

    EXPECT_EQ(a.Run(), kDownloadOk);
    auto requests = a.server.Requests();
    ASSERT_EQ(requests.size(), 10u);
    for (size_t i = 6; i < 10; ++i)
        EXPECT_EQ(requests[i].rangeStart % 100000, 10000) << "resumed where it stopped";
    EXPECT_EQ(ReadBytes(a.dir / L"update.zip"), a.package);
}

TEST(Download, DataFromAnotherOffsetIsNotTakenAsALaterPart)
{
    Attempt a(8000);
    a.server.Configure([](ServerBehaviour& b) { b.ignoreRange = true; });
    EXPECT_EQ(a.Run(), kDownloadPartMissing);
    EXPECT_EQ(ReadBytes(a.Part(0)).substr(0, 2000), a.package.substr(0, 2000));
    for (int i = 1; i < 4; ++i)
        EXPECT_FALSE(FileExists(a.Part(i))) << i;
    EXPECT_FALSE(FileExists(a.dir / L"update.zip"));

    // A 206 whose range starts elsewhere than asked is refused as well.
    Attempt b(8000);
    b.server.Configure([&](ServerBehaviour& s) {
        s.rawResponse =
            "HTTP/1.1 206 Partial\r\nContent-Range: bytes 0-7999/8000\r\nContent-Length: 8000\r\n\r\n" + b.package;
        s.faulty = [](int index, int64_t start) { return index >= 1 && start > 0; };
    });
    EXPECT_EQ(b.Run(), kDownloadPartMissing);
    for (int i = 1; i < 4; ++i)
        EXPECT_FALSE(FileExists(b.Part(i))) << i;
}

TEST(Download, WrongEmptyOrMalformedDigestFails)
{
    const char* expected[] = {"00000000000000000000000000000000", "", "xyz", "0123456789abcdef0123456789abcdeg"};
    for (const char* md5 : expected) {
        Attempt a(3000);
        a.status.expectedMd5 = md5;
        EXPECT_EQ(a.Run(), kDownloadDigestMismatch) << md5;
        EXPECT_EQ(a.status.downloaded, 0u);
        EXPECT_FALSE(FileExists(a.dir / L"update.td"));
        EXPECT_FALSE(FileExists(a.dir / L"update.zip"));
        EXPECT_TRUE(a.NoPartFiles());
    }
}

TEST(Download, FailedRenameIsAFailedAttempt)
{
    Attempt a(3000);
    ASSERT_TRUE(::CreateDirectoryW((a.dir / L"update.zip").c_str(), nullptr));
    EXPECT_EQ(a.Run(), kDownloadRenameFailed);
    EXPECT_FALSE(FileExists(a.dir / L"update.td"));
}

TEST(Download, ProbeRedirectAndMissingSizeLeavePartFilesAlone)
{
    Attempt a(3000);
    ASSERT_TRUE(WriteBytes(a.Part(1), "abc"));
    a.server.Configure([](ServerBehaviour& b) { b.redirectTo = "http://127.0.0.1:1/elsewhere.zip"; });
    EXPECT_EQ(a.Run(), kDownloadRedirected);
    EXPECT_EQ(a.host, "127.0.0.1:1");
    a.host = a.server.HostText();
    a.server.Configure([](ServerBehaviour& b) {
        b.redirectTo.clear();
        b.status = 404;
    });
    EXPECT_EQ(a.Run(), kDownloadNoSize);
    EXPECT_EQ(ReadBytes(a.Part(1)), "abc");
}

TEST(Download, PartsSilentBeforeTheirHeaderEndWithinFiveSeconds)
{
    Attempt a(200000);
    a.server.Configure([](ServerBehaviour& b) {
        b.stallBeforeHeaderMs = INFINITE;
        b.faulty = [](int index, int64_t) { return index >= 1; };
    });
    DWORD start = ::GetTickCount();
    EXPECT_EQ(a.Run(), kDownloadPartMissing);
    DWORD took = ::GetTickCount() - start;
    // Five checks a second apart, after the probe: never less, so only the clock's grain is allowed for.
    EXPECT_GE(took, 4980u);
    EXPECT_LT(took, 9000u);
}

TEST(Download, StallAfterSomeBytesEndsAtTheNextCheckAndIsResumedAfter)
{
    Attempt a(400000);
    a.server.Configure([](ServerBehaviour& b) {
        b.stallAfterBytes = 5000;
        b.faulty = [](int index, int64_t) { return index >= 1 && index <= 4; };
    });
    DWORD start = ::GetTickCount();
    EXPECT_EQ(a.Run(), kDownloadPartMissing);
    DWORD took = ::GetTickCount() - start;
    EXPECT_GE(took, 14500u) << "the shipped stall limit is 15 s";
    EXPECT_LT(took, 32000u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(FileSize(a.Part(i)), 5000) << i;
    EXPECT_EQ(a.Run(), kDownloadOk) << "the next attempt is not blocked by the stalled one";
    EXPECT_EQ(ReadBytes(a.dir / L"update.zip"), a.package);
}

TEST(Download, AbortEndsARunningAttemptAtOnce)
{
    Attempt a(400000);
    a.server.Configure([](ServerBehaviour& b) {
        b.stallAfterBytes = 5000;
        b.faulty = [](int index, int64_t) { return index >= 1; };
    });
    DWORD aborted = 0;
    std::thread aborter([&] {
        // Once the parts have stalled with their first bytes on disk.
        testkit::WaitFor([&] { return FileSize(a.Part(0)) == 5000; }, 20000);
        aborted = ::GetTickCount();
        a.engine.Abort();
    });
    a.Run();
    DWORD ended = ::GetTickCount();
    aborter.join();
    EXPECT_LT(ended - aborted, 2500u);
    EXPECT_EQ(FileSize(a.Part(0)), 5000) << "part files stay for the next run";
}

TEST(Download, ResumedPartsStreamingSlowlyAreMergedAndVerifiedByteExact)
{
    Attempt a(400000); // parts of 100000 bytes
    ASSERT_TRUE(WriteBytes(a.Part(0), a.package.substr(0, 30000)));
    // A complete part file with bytes of the next part after its own: only its own are merged.
    ASSERT_TRUE(WriteBytes(a.Part(1), a.package.substr(100000, 100000 + 777)));
    ASSERT_TRUE(WriteBytes(a.Part(3), a.package.substr(300000, 1)));
    // Slow enough that the merge follows the part files while they grow.
    a.server.Configure([](ServerBehaviour& b) { b.bytesPerSecond = 200000; });
    EXPECT_EQ(a.Run(), kDownloadOk);
    EXPECT_EQ(a.PartStarts(), (std::vector<int64_t>{30000, 200000, 200000 + 777, 300001}));
    EXPECT_EQ(ReadBytes(a.dir / L"update.zip"), a.package);
    EXPECT_GE(a.status.downloaded, 400000u) << "bytes found in the part files count as downloaded";
    EXPECT_TRUE(a.NoPartFiles());
    EXPECT_FALSE(FileExists(a.dir / L"update.td"));
}

TEST(Download, PartFilesOfAnotherPackageFailTheDigestAndTheNextAttemptStartsAfresh)
{
    Attempt a(400000);
    const std::string other = PatternBytes(99, 400000);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(WriteBytes(a.Part(i), other.substr(i * 100000, 60000)));
    ASSERT_TRUE(WriteBytes(a.dir / L"update.zip", "earlier"));
    EXPECT_EQ(a.Run(), kDownloadDigestMismatch);
    EXPECT_TRUE(a.NoPartFiles()) << "the merge consumed them";
    EXPECT_FALSE(FileExists(a.dir / L"update.td"));
    EXPECT_EQ(ReadBytes(a.dir / L"update.zip"), "earlier") << "the attempt leaves an earlier package alone";
    EXPECT_EQ(a.status.downloaded, 0u);

    EXPECT_EQ(a.Run(), kDownloadOk);
    auto requests = a.server.Requests();
    ASSERT_EQ(requests.size(), 10u);
    std::vector<int64_t> starts;
    for (size_t i = 6; i < 10; ++i)
        starts.push_back(requests[i].rangeStart);
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts, (std::vector<int64_t>{0, 100000, 200000, 300000}));
    EXPECT_EQ(ReadBytes(a.dir / L"update.zip"), a.package);
}
