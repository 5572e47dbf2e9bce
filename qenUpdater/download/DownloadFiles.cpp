#include "download/DownloadFiles.h"

#include <windows.h>

uint64_t QueryFileSize(const std::string& file)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data))
        return 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool WriteChunk(const std::string& partFile, uint32_t present, const char* chunk, size_t length, uint32_t& written,
                ScopedFile& stream)
{
    if (!stream) {
        stream.Reset(std::fopen(partFile.c_str(), "ab"));
        if (!stream)
            return false;
        written += present;
    }
    if (length > 0 && std::fwrite(chunk, 1, length, stream.Get()) != length) {
        std::printf(" exception = write to %s failed\n", partFile.c_str());
        return false;
    }
    std::fflush(stream.Get());
    written += static_cast<uint32_t>(length);
    return true;
}

void RemoveFile(const std::string& file)
{
    ::DeleteFileA(file.c_str());
}
