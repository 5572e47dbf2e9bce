#pragma once
// Merges the part files into update.td in package order and digests every byte on its way through,
// so each byte is read once; it can follow part files that are still being written.
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Handles.h"
#include "download/md5.h"

class CPartMerger
{
public:
    CPartMerger() = default;
    ~CPartMerger();
    CPartMerger(const CPartMerger&) = delete;
    CPartMerger& operator=(const CPartMerger&) = delete;

    // Creates or empties the merged file; false when it cannot be created.
    bool Create(const std::string& mergedFile);
    bool Created() const { return merged_.Valid(); }
    // True once a part file could not be opened or read, or the merged file not written.
    bool Failed() const { return failed_; }

    // Bytes of the current part copied so far.
    uint32_t Copied() const { return copied_; }
    // Copies and digests the current part's bytes [Copied(), available); those bytes must be on disk.
    bool CopyUpTo(const std::string& partFile, uint32_t available);
    // The current part is complete: the next bytes come from the next part's file.
    void NextPart();

    // Closes the merged file. False when its last bytes could not be written.
    bool Close();
    // Closes and deletes the merged file (a failed attempt).
    void Discard();
    // The digest of everything copied, 32 lowercase hex digits and a zero; `out` holds 33 bytes.
    void DigestText(char* out);

private:
    // The digest runs on a thread of its own, one block behind the copy: the copy and the digest
    // then take turns on two cores instead of adding up on one.
    struct Block
    {
        std::vector<unsigned char> bytes;
        DWORD length = 0;
    };
    Block* TakeFreeBlock();
    void HandToDigest(Block* block);
    void DigestLoop();
    void StopDigest();

    std::string mergedFile_;
    ScopedHandle merged_;
    ScopedHandle part_; // reader of the current part file; opened on its first bytes
    uint32_t copied_ = 0;
    bool failed_ = false;

    MD5_CTX md5_; // only the digest thread touches it until that thread is joined
    std::thread digester_;
    std::mutex blockMutex_;              // guards the two queues, the waiting flags and digestEnd_
    std::condition_variable freeWake_;   // the copy waits here for a free block
    std::condition_variable digestWake_; // the digest thread waits here for a block
    bool copyWaits_ = false;
    bool digestWaits_ = false;
    std::vector<Block> blocks_;
    std::deque<Block*> free_;
    std::deque<Block*> toDigest_;
    bool digestEnd_ = false;
};
