#include "DownloadFiles.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

const size_t kMergeBlockBytes = 1 << 20;

}  // namespace

uint64_t QueryFileSize(const std::string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)) return 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool WriteChunk(const std::string& partFile, uint32_t present, const char* chunk, size_t length, uint32_t& written,
                FILE*& stream) {
    if (stream == nullptr) {
        stream = std::fopen(partFile.c_str(), "ab");
        if (stream == nullptr) return false;
        written += present;
    }
    if (length > 0 && std::fwrite(chunk, 1, length, stream) != length) {
        std::printf(" exception = write to %s failed\n", partFile.c_str());
        return false;
    }
    std::fflush(stream);
    written += static_cast<uint32_t>(length);
    return true;
}

bool MergePartFile(const std::string& partFile, uint32_t start, uint32_t end, FILE* merged) {
    if (end == start) {
        RemoveFile(partFile);
        return true;
    }
    FILE* part = std::fopen(partFile.c_str(), "rb");
    if (part == nullptr) return false;
    bool ok = _fseeki64(merged, start, SEEK_SET) == 0;
    std::vector<char> block(kMergeBlockBytes);
    uint32_t left = end - start;
    while (ok && left > 0) {
        size_t want = std::min<size_t>(block.size(), left);
        size_t got = std::fread(block.data(), 1, want, part);
        if (got == 0) break;
        ok = std::fwrite(block.data(), 1, got, merged) == got;
        left -= static_cast<uint32_t>(got);
    }
    std::fclose(part);
    RemoveFile(partFile);
    return ok;
}

void RemoveFile(const std::string& file) { ::DeleteFileA(file.c_str()); }
