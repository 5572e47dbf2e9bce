#pragma once
// One download attempt: size probe, four ranged parts on their own threads with resume from the
// part files, a watchdog for stalls, merge, length and digest check, and the rename to update.zip.
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "download/DownloadStatus.h"
#include "download/HttpConnection.h"

class CPartMerger;

// Result codes of CHttpDownload::Download.
enum DownloadResult
{
    kDownloadOk = 1,
    kDownloadNoSize = -1,         // the probe gave no size
    kDownloadCreateFailed = -2,   // update.td cannot be created
    kDownloadPartMissing = -3,    // a part is short or its file cannot be merged
    kDownloadLengthMismatch = -4, // the merged file has the wrong length
    kDownloadDigestMismatch = -5, // the digest differs or could not be computed
    kDownloadRedirected = -6,     // the probe was redirected; host and path name the new place
    kDownloadRenameFailed = -7,   // update.td could not be named update.zip
};

// Time limits of an attempt. The defaults are the shipped ones.
struct DownloadTimings
{
    unsigned firstDataChecks = 5; // checks for a first header, one per interval
    DWORD checkIntervalMs = 1000;
    DWORD stallMs = 15000;        // an attempt ends when nothing arrived for this long
    DWORD probeDeadlineMs = 5000; // the size probe's connection and header
};

struct DownloadPart
{
    std::string host;
    uint32_t start = 0;
    uint32_t end = 0;
    uint32_t written = 0;
    std::string path;
    std::string partFile;
    DownloadStatus* status = nullptr;
    std::unique_ptr<CHttpConnection> connection; // made before the thread starts; stoppable any time
    // Bytes of the part file flushed to disk so far, and whether its thread has ended: the download
    // thread merges behind them while the part streams. Both change under the progress lock.
    std::atomic<uint32_t> onDisk{0};
    std::atomic<bool> finished{false};
};

class CHttpDownload
{
public:
    explicit CHttpDownload(const std::string& folder); // folder with trailing backslash
    virtual ~CHttpDownload();

    int32_t Download(std::string& host, std::string& path, DownloadStatus& status);
    // Package size (> 0), 0 when it was not learned, -302 after a redirect (host and path rewritten).
    int64_t ProbeSize(std::string& host, std::string& path, DownloadStatus& status);

    // Any thread: ends a running attempt at once (its part files stay) and every later one.
    void Abort();
    bool Aborted() const { return aborted_; }

    void SetTimings(const DownloadTimings& timings) { timings_ = timings; }
    const std::string& Folder() const { return folder_; }

private:
    void PartWorker(DownloadPart& part);
    void PublishProgress(DownloadPart& part, uint32_t onDisk, bool finished);
    // Merges and digests in package order as far as the parts are on disk; waits for more while the
    // current part's thread runs. Returns when all parts are merged, one ended short, or the merge failed.
    void FollowParts(DownloadPart* parts, CPartMerger& merger, int& current);
    void Watchdog();
    void StopParts();
    bool AcceptPartResponse(const HttpResponse& response, uint32_t firstByte) const;
    int32_t MergeAndVerify(DownloadPart* parts, uint32_t size, DownloadStatus& status, CPartMerger& merger,
                           int& current);

    std::string folder_;
    DownloadTimings timings_;
    std::atomic<bool> aborted_{false};
    std::atomic<uint32_t> chunkCounter_{0};

    std::mutex activeMutex_; // guards the two pointers below against Abort
    DownloadPart* activeParts_ = nullptr;
    CHttpConnection* activeProbe_ = nullptr;

    std::mutex progressMutex_; // with progressWake_: part threads wake the merge when bytes reach disk
    std::condition_variable progressWake_;
    const DownloadPart* mergeWaitsFor_ = nullptr; // the part the merge waits on, if it waits

    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool watchStop_ = false;
};
