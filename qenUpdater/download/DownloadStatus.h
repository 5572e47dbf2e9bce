#pragma once
// The download's status record, shared between the download threads and the progress window.
#include <cstdint>
#include <mutex>
#include <string>

struct DownloadStatus
{
    std::string file;        // full path of "update.td"; set once before the download thread starts
    std::string expectedMd5; // digest the package must have
    uint64_t downloaded = 0; // bytes counted over the four parts; may exceed total
    uint64_t total = 0;      // package size from the last successful size probe
};

// Guards `downloaded` and `total` of every status record and the engine's chunk counter.
extern std::mutex g_downloadMutex;
