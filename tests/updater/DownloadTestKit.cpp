#include "DownloadTestKit.h"

#include <cstdio>

#include "download/md5.h"

namespace updtest {

std::string Md5Of(const std::string& bytes)
{
    MD5_CTX ctx;
    ctx.Update(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
    unsigned char digest[16];
    ctx.Final(digest);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

DownloadTimings FastTimings()
{
    DownloadTimings t;
    t.firstDataChecks = 2;
    t.checkIntervalMs = 250;
    t.stallMs = 1000;
    t.probeDeadlineMs = 1000;
    return t;
}

} // namespace updtest
