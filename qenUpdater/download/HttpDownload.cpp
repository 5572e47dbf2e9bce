#include "download/HttpDownload.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "download/DownloadFiles.h"
#include "download/PartMerge.h"

std::mutex g_downloadMutex;

namespace {

const int kPartCount = 4;
const size_t kReadBlockBytes = 256 * 1024;

bool IsMd5Text(const std::string& text)
{
    return text.size() == 32 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

bool SameNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

} // namespace

CHttpDownload::CHttpDownload(const std::string& folder) : folder_(folder) {}

// Download joins every thread it starts before it returns, so nothing of an attempt is left here.
CHttpDownload::~CHttpDownload() = default;

void CHttpDownload::Abort()
{
    aborted_ = true;
    {
        std::lock_guard<std::mutex> lock(activeMutex_);
        if (activeProbe_)
            activeProbe_->Stop();
    }
    StopParts();
    std::lock_guard<std::mutex> lock(watchMutex_);
    watchStop_ = true;
    watchWake_.notify_all();
}

void CHttpDownload::StopParts()
{
    std::lock_guard<std::mutex> lock(activeMutex_);
    if (activeParts_ == nullptr)
        return;
    for (int i = 0; i < kPartCount; ++i)
        activeParts_[i].connection->Stop();
}

int32_t CHttpDownload::Download(std::string& host, std::string& path, DownloadStatus& status)
{
    const std::string merged = folder_ + "update.td";
    int64_t size = ProbeSize(host, path, status);
    if (size <= 0)
        return size == -302 ? kDownloadRedirected : kDownloadNoSize;
    if (aborted_)
        return kDownloadNoSize;

    DownloadPart parts[kPartCount];
    const uint32_t partSize = static_cast<uint32_t>(size / kPartCount);
    for (int i = 0; i < kPartCount; ++i) {
        parts[i].host = host;
        parts[i].path = path;
        parts[i].partFile = merged + std::to_string(i);
        parts[i].status = &status;
        parts[i].start = static_cast<uint32_t>(i) * partSize;
        parts[i].end = (i < kPartCount - 1) ? parts[i].start + partSize : static_cast<uint32_t>(size);
        parts[i].connection.reset(new CHttpConnection());
    }

    chunkCounter_ = 0;
    {
        std::lock_guard<std::mutex> lock(activeMutex_);
        activeParts_ = parts;
        if (aborted_)
            for (DownloadPart& p : parts)
                p.connection->Stop();
    }
    {
        std::lock_guard<std::mutex> lock(watchMutex_);
        watchStop_ = aborted_;
    }
    std::vector<std::thread> workers;
    for (int i = 0; i < kPartCount; ++i)
        workers.emplace_back([this, &parts, i] {
            PartWorker(parts[i]);
            PublishProgress(parts[i], parts[i].onDisk, true);
        });
    std::thread watchdog([this] { Watchdog(); });

    // The merge and the digest run here while the parts stream, so little is left once they end.
    CPartMerger merger;
    int current = 0;
    if (merger.Create(merged))
        FollowParts(parts, merger, current);

    // The watchdog stops stalled parts, so this wait is bounded by its limits.
    for (std::thread& t : workers)
        t.join();
    {
        std::lock_guard<std::mutex> lock(watchMutex_);
        watchStop_ = true;
        watchWake_.notify_all();
    }
    watchdog.join();
    {
        std::lock_guard<std::mutex> lock(activeMutex_);
        activeParts_ = nullptr;
    }
    return MergeAndVerify(parts, static_cast<uint32_t>(size), status, merger, current);
}

void CHttpDownload::PublishProgress(DownloadPart& part, uint32_t onDisk, bool finished)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(progressMutex_);
        part.onDisk = onDisk;
        if (finished)
            part.finished = true;
        wake = mergeWaitsFor_ == &part; // news of another part would only wake the merge in vain
    }
    if (wake)
        progressWake_.notify_one();
}

void CHttpDownload::FollowParts(DownloadPart* parts, CPartMerger& merger, int& current)
{
    std::unique_lock<std::mutex> lock(progressMutex_);
    while (current < kPartCount && !merger.Failed()) {
        DownloadPart& part = parts[current];
        const uint32_t length = part.end - part.start;
        if (merger.Copied() >= length) {
            merger.NextPart();
            ++current;
            continue;
        }
        const uint32_t available = std::min<uint32_t>(part.onDisk, length);
        if (available > merger.Copied()) {
            lock.unlock();
            merger.CopyUpTo(part.partFile, available);
            lock.lock();
            continue;
        }
        if (part.finished)
            return; // a short part: the checks after the parts decide
        mergeWaitsFor_ = &part;
        progressWake_.wait(lock);
        mergeWaitsFor_ = nullptr;
    }
}

int32_t CHttpDownload::MergeAndVerify(DownloadPart* parts, uint32_t size, DownloadStatus& status, CPartMerger& merger,
                                      int& current)
{
    const std::string merged = folder_ + "update.td";

    // A short part fails the attempt with nothing merged: its file is resumed next time.
    for (int i = 0; i < kPartCount; ++i) {
        if (QueryFileSize(parts[i].partFile) < parts[i].end - parts[i].start) {
            merger.Discard();
            std::lock_guard<std::mutex> lock(g_downloadMutex);
            status.downloaded = 0;
            return kDownloadPartMissing;
        }
    }

    if (!merger.Created()) {
        for (int i = 0; i < kPartCount; ++i)
            RemoveFile(parts[i].partFile);
        return kDownloadCreateFailed;
    }
    FollowParts(parts, merger, current); // the parts have ended: this copies what is left
    if (current < kPartCount) {
        for (int i = 0; i < kPartCount; ++i)
            RemoveFile(parts[i].partFile);
        merger.Discard();
        return kDownloadPartMissing;
    }
    const bool closed = merger.Close();
    for (int i = 0; i < kPartCount; ++i)
        RemoveFile(parts[i].partFile);

    if (!closed || QueryFileSize(merged) != size) {
        RemoveFile(merged);
        std::lock_guard<std::mutex> lock(g_downloadMutex);
        status.downloaded = 0;
        return kDownloadLengthMismatch;
    }

    // An expected digest that is not 32 hex digits never matches.
    char digest[64] = {0};
    merger.DigestText(digest);
    if (!IsMd5Text(status.expectedMd5) || !SameNoCase(digest, status.expectedMd5)) {
        RemoveFile(merged);
        std::lock_guard<std::mutex> lock(g_downloadMutex);
        status.downloaded = 0;
        return kDownloadDigestMismatch;
    }

    const std::string zip = folder_ + "update.zip";
    if (!::MoveFileExA(merged.c_str(), zip.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        std::printf(" exception = rename to %s failed, error %lu\n", zip.c_str(), ::GetLastError());
        RemoveFile(merged);
        std::lock_guard<std::mutex> lock(g_downloadMutex);
        status.downloaded = 0;
        return kDownloadRenameFailed;
    }
    return kDownloadOk;
}

bool CHttpDownload::AcceptPartResponse(const HttpResponse& response, uint32_t firstByte) const
{
    // Data from any other offset than the one asked for would be written at the wrong place.
    if (response.status == 206)
        return static_cast<uint32_t>(response.rangeStart) == firstByte;
    return response.status == 200 && firstByte == 0;
}

void CHttpDownload::PartWorker(DownloadPart& part)
{
    const uint32_t present = static_cast<uint32_t>(std::min<uint64_t>(QueryFileSize(part.partFile), 0xFFFFFFFFu));
    {
        std::lock_guard<std::mutex> lock(g_downloadMutex);
        part.status->downloaded += present;
    }
    PublishProgress(part, present, false); // the merge can take these bytes while the rest arrives
    const uint32_t length = part.end - part.start;
    if (length == 0)
        return; // an empty part of a tiny package has nothing to fetch

    CHttpConnection& connection = *part.connection;
    const uint32_t firstByte = part.start + present;
    boost::system::error_code error;
    if (!connection.Connect(part.host, error) ||
        !connection.Send(BuildRequest(part.host, part.path, firstByte), error)) {
        std::printf("Exception: %s\n", error.message().c_str());
        return;
    }

    std::string buffer;
    size_t headerEnd = 0;
    if (connection.ReadHeader(buffer, headerEnd, error) != CHttpConnection::HeaderResult::Complete)
        return;
    HttpResponse response;
    if (!ParseResponseHeader(response, buffer, headerEnd)) {
        if (response.status == 416)
            RemoveFile(folder_ + "update.td");
        return;
    }
    if (!AcceptPartResponse(response, firstByte)) {
        std::printf("Exception: answer for byte %u starts at %d (status %d)\n", firstByte,
                    static_cast<int>(response.rangeStart), static_cast<int>(response.status));
        return;
    }

    ScopedFile stream; // the part file, opened on the first chunk
    std::vector<char> block(kReadBlockBytes);
    const char* chunk = buffer.data();
    size_t chunkLength = buffer.size();
    for (;;) {
        if (WriteChunk(part.partFile, present, chunk, chunkLength, part.written, stream))
            PublishProgress(part, part.written, false);
        {
            std::lock_guard<std::mutex> lock(g_downloadMutex);
            part.status->downloaded += chunkLength;
            ++chunkCounter_;
        }
        // A complete part ends here: waiting for another read whose bytes would not be written
        // only made the attempt notice its end later.
        if (part.written >= length)
            break;
        chunkLength = connection.ReadSome(block.data(), block.size(), error);
        if (chunkLength == 0)
            break;
        chunk = block.data();
    }
    stream.Reset();
    if (error && error != boost::asio::error::eof)
        std::printf("Exception: %s\n", error.message().c_str());
}

void CHttpDownload::Watchdog()
{
    std::unique_lock<std::mutex> lock(watchMutex_);
    auto stopRequested = [this] { return watchStop_; };
    for (unsigned i = 0; i < timings_.firstDataChecks && chunkCounter_ == 0; ++i) {
        if (watchWake_.wait_for(lock, std::chrono::milliseconds(timings_.checkIntervalMs), stopRequested))
            return;
    }
    if (chunkCounter_ != 0) {
        for (;;) {
            uint32_t seen = chunkCounter_;
            if (watchWake_.wait_for(lock, std::chrono::milliseconds(timings_.stallMs), stopRequested))
                return;
            if (chunkCounter_ == seen)
                break;
        }
    }
    lock.unlock();
    std::fputs("watchdog: no data, ending the parts\n", stdout);
    StopParts();
}
