#include "download/PartMerge.h"

#include <algorithm>
#include <cstdio>

namespace {

// Large sequential blocks; these few blocks are all the memory the merge needs.
const uint32_t kMergeBlockBytes = 512 * 1024;
const int kMergeBlocks = 4;

} // namespace

CPartMerger::~CPartMerger()
{
    StopDigest();
}

bool CPartMerger::Create(const std::string& mergedFile)
{
    mergedFile_ = mergedFile;
    // No delete sharing: the merged file cannot vanish under the merge.
    merged_.Reset(::CreateFileA(mergedFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!merged_.Valid())
        return false;
    blocks_.resize(kMergeBlocks);
    for (Block& block : blocks_) {
        block.bytes.resize(kMergeBlockBytes);
        free_.push_back(&block);
    }
    digester_ = std::thread([this] { DigestLoop(); });
    return true;
}

CPartMerger::Block* CPartMerger::TakeFreeBlock()
{
    std::unique_lock<std::mutex> lock(blockMutex_);
    while (free_.empty()) {
        copyWaits_ = true;
        freeWake_.wait(lock);
        copyWaits_ = false;
    }
    Block* block = free_.front();
    free_.pop_front();
    return block;
}

void CPartMerger::HandToDigest(Block* block)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(blockMutex_);
        toDigest_.push_back(block);
        wake = digestWaits_;
    }
    if (wake)
        digestWake_.notify_one();
}

void CPartMerger::DigestLoop()
{
    std::unique_lock<std::mutex> lock(blockMutex_);
    for (;;) {
        while (toDigest_.empty() && !digestEnd_) {
            digestWaits_ = true;
            digestWake_.wait(lock);
            digestWaits_ = false;
        }
        if (toDigest_.empty())
            return; // ended, and every block handed over is digested
        Block* block = toDigest_.front();
        toDigest_.pop_front();
        lock.unlock();
        md5_.Update(block->bytes.data(), block->length);
        lock.lock();
        free_.push_back(block);
        if (copyWaits_)
            freeWake_.notify_one();
    }
}

void CPartMerger::StopDigest()
{
    if (!digester_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(blockMutex_);
        digestEnd_ = true;
    }
    digestWake_.notify_one();
    digester_.join();
}

bool CPartMerger::CopyUpTo(const std::string& partFile, uint32_t available)
{
    if (failed_ || !merged_.Valid())
        return false;
    if (!part_.Valid()) {
        part_.Reset(::CreateFileA(partFile.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!part_.Valid()) {
            std::printf(" exception = cannot open %s for the merge, error %lu\n", partFile.c_str(), ::GetLastError());
            failed_ = true;
            return false;
        }
    }
    while (copied_ < available) {
        Block* block = TakeFreeBlock();
        DWORD want = std::min<uint32_t>(kMergeBlockBytes, available - copied_);
        DWORD put = 0;
        if (!::ReadFile(part_.Get(), block->bytes.data(), want, &block->length, nullptr) || block->length == 0) {
            std::printf(" exception = read of %s failed at %u\n", partFile.c_str(), copied_);
            failed_ = true;
        } else if (!::WriteFile(merged_.Get(), block->bytes.data(), block->length, &put, nullptr) ||
                   put != block->length) {
            std::printf(" exception = write to %s failed, error %lu\n", mergedFile_.c_str(), ::GetLastError());
            failed_ = true;
        }
        if (failed_) {
            std::lock_guard<std::mutex> lock(blockMutex_);
            free_.push_back(block);
            return false;
        }
        copied_ += block->length;
        HandToDigest(block);
    }
    return true;
}

void CPartMerger::NextPart()
{
    part_.Reset();
    copied_ = 0;
}

bool CPartMerger::Close()
{
    part_.Reset();
    if (!merged_.Valid())
        return false;
    return ::CloseHandle(merged_.Release()) != FALSE;
}

void CPartMerger::Discard()
{
    Close();
    StopDigest();
    ::DeleteFileA(mergedFile_.c_str());
}

void CPartMerger::DigestText(char* out)
{
    StopDigest();
    unsigned char digest[16];
    md5_.Final(digest);
    Md5Text(digest, out);
}
