#include "download/Downloader.h"

#include "download/DownloadFiles.h"
#include "foundation/StringConv.h"
#include "foundation/UpdaterLog.h"
#include "foundation/qenUtil.h"

Downloader::Downloader(const std::string& url_, const std::string& md5_, const std::string& host_,
                       const std::string& path_, const std::string& folder)
    : url(url_), md5(md5_), host(host_), path(path_)
{
    std::string dir = folder.empty() ? WStringToString(GetModuleDir()) : folder;
    status.expectedMd5 = md5;
    status.file = dir + "update.td"; // set once, before any thread reads the record
    engine = std::make_shared<CHttpDownload>(dir);
}

Downloader::~Downloader()
{
    engine->Abort();
    Join();
    engine.reset();
}

DownloadStatus Downloader::GetStatus() const
{
    std::lock_guard<std::mutex> lock(g_downloadMutex);
    return status;
}

void Downloader::Run()
{
    RemoveFile(engine->Folder() + "update.zip"); // a package of an earlier run is never used
    unsigned failures = 0;
    unsigned redirects = 0;
    for (;;) {
        if (engine->Aborted())
            return;
        int32_t r = engine->Download(host, path, status);
        lastResult_ = r;
        if (engine->Aborted())
            return; // the owner is going away: no callbacks, no message
        if (r >= 0) {
            succeeded = true;
            return;
        }
        if (r == kDownloadRedirected) {
            if (++redirects < kMaxRedirectsInARow)
                continue;
            LOG(WARNING) << "too many redirects in a row, counted as a failed attempt";
        }
        redirects = 0;
        if (retryCallback)
            retryCallback(failures);
        if (++failures >= kMaxDownloadAttempts)
            break;
    }
    (void)qen::WritePipeBuf(GetLauncherPipeName(), L"msg1:0"); // only a Launcher that waits serves the pipe
    if (failedCallback)
        failedCallback();
}
