#pragma once
// Runs up to ten download attempts on its own thread and reports retries and the final failure.
#include <atomic>
#include <memory>
#include <string>

#include <boost/function.hpp>

#include "download/DownloadStatus.h"
#include "download/HttpDownload.h"
#include "foundation/ThreadBase.h"

class Downloader : public ThreadBase
{
public:
    // `folder` (trailing backslash) receives the update files; empty means the Updater's own folder.
    Downloader(const std::string& url, const std::string& md5, const std::string& host, const std::string& path,
               const std::string& folder = std::string());
    // Ends a running attempt, waits for the thread, then releases the engine.
    ~Downloader() override;

    virtual void DoInstall() = 0;

    // A copy of the status record, taken under the status lock.
    DownloadStatus GetStatus() const;
    // Result code of the last attempt (0 before the first).
    int32_t LastResult() const { return lastResult_; }
    CHttpDownload& Engine() { return *engine; }

    boost::function<void(unsigned)> retryCallback;
    boost::function<void()> failedCallback;
    std::string url;
    std::string md5;
    std::string host;
    std::string path;
    std::atomic<bool> succeeded{false};

protected:
    void Run() override;

    DownloadStatus status;
    std::shared_ptr<CHttpDownload> engine;

private:
    std::atomic<int32_t> lastResult_{0};
};

// Counted attempts before the download fails, and redirects in a row that count as one attempt.
const unsigned kMaxDownloadAttempts = 10;
const unsigned kMaxRedirectsInARow = 5;
