#include "PartMerge.h"

#include <algorithm>
#include <cstdio>

namespace {

// Large sequential blocks; the one block is all the memory the merge needs.
const uint32_t kMergeBlockBytes = 1 << 20;

}  // namespace

bool CPartMerger::Create(const std::string& mergedFile) {
    mergedFile_ = mergedFile;
    // No delete sharing: the merged file cannot vanish under the merge.
    merged_.Reset(::CreateFileA(mergedFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return merged_.Valid();
}

bool CPartMerger::CopyUpTo(const std::string& partFile, uint32_t available) {
    if (failed_ || !merged_.Valid()) return false;
    if (!part_.Valid()) {
        part_.Reset(::CreateFileA(partFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!part_.Valid()) {
            std::printf(" exception = cannot open %s for the merge, error %lu\n", partFile.c_str(), ::GetLastError());
            failed_ = true;
            return false;
        }
    }
    if (block_.empty()) block_.resize(kMergeBlockBytes);
    while (copied_ < available) {
        DWORD want = std::min<uint32_t>(kMergeBlockBytes, available - copied_);
        DWORD got = 0;
        DWORD put = 0;
        if (!::ReadFile(part_.Get(), block_.data(), want, &got, nullptr) || got == 0) {
            std::printf(" exception = read of %s failed at %u\n", partFile.c_str(), copied_);
            failed_ = true;
            return false;
        }
        if (!::WriteFile(merged_.Get(), block_.data(), got, &put, nullptr) || put != got) {
            std::printf(" exception = write to %s failed, error %lu\n", mergedFile_.c_str(), ::GetLastError());
            failed_ = true;
            return false;
        }
        md5_.Update(block_.data(), got);
        copied_ += got;
    }
    return true;
}

void CPartMerger::NextPart() {
    part_.Reset();
    copied_ = 0;
}

bool CPartMerger::Close() {
    part_.Reset();
    block_ = std::vector<unsigned char>();
    if (!merged_.Valid()) return false;
    return ::CloseHandle(merged_.Release()) != FALSE;
}

void CPartMerger::Discard() {
    Close();
    ::DeleteFileA(mergedFile_.c_str());
}

void CPartMerger::DigestText(char* out) {
    unsigned char digest[16];
    md5_.Final(digest);
    Md5Text(digest, out);
}
