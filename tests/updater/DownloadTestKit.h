#pragma once
// Shared pieces of the download tests.
#include <string>

#include "download/Downloader.h"
#include "TestHttpServer.h"
#include "UpdTestKit.h"

namespace updtest {

std::string Md5Of(const std::string& bytes);

class TestDownloader : public Downloader
{
public:
    using Downloader::Downloader;
    void DoInstall() override {}
};

// Short limits for tests that only need an attempt to end, not the shipped times.
DownloadTimings FastTimings();

} // namespace updtest
