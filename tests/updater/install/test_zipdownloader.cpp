// From the command line to the installed package: parseZipConf, the download over HTTP on
// 127.0.0.1 and the extraction through zlib.dll.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "DownloadTestKit.h"
#include "install/zipDownloader.h"

using namespace updtest;

TEST(ZipDownloader, CommandLinePackageIsDownloadedVerifiedAndInstalled)
{
    TestHttpServer server;
    std::string package = ReadBytes(testkit::TestsDir() + L"extract-package.zip");
    ASSERT_FALSE(package.empty());
    server.SetBody(package);
    std::string md5 = Md5Of(package);
    std::transform(md5.begin(), md5.end(), md5.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });

    TempDir dir{L"upd"};
    ASSERT_TRUE(testkit::MakeDirs(dir / L"client\\"));
    ZipDwCfg cfg = parseZipConf((L"-url=http://" + Widen(server.HostText()) + L"/pkg/full.zip -md5=" + Widen(md5) +
                                 L" -forcedupdate=2 -extractpath=" + Quote(dir / L"client\\"))
                                    .c_str());
    ASSERT_EQ(cfg.host, server.HostText());
    cfg.zipPath = dir / L"update.zip"; // the test's folder stands in for the Updater's
    cfg.restartClient = false;

    ZipDownloader downloader(cfg, Narrow(dir.Path()));
    downloader.Engine().SetTimings(FastTimings());
    downloader.Start();
    downloader.Join();
    ASSERT_TRUE(downloader.succeeded);
    EXPECT_EQ(ReadBytes(dir / L"update.zip"), package);
    EXPECT_EQ(server.Requests().front().path, "/pkg/full.zip");

    downloader.DoInstall();
    EXPECT_EQ(ReadBytes(dir / L"client\\readme.txt"), "hello package\r\n");
    EXPECT_EQ(FileSize(dir / L"client\\bin\\data.bin"), 200000);
}
