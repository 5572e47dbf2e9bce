#pragma once
// One parsed HTTP response header of the download engine.
#include <cstddef>
#include <cstdint>
#include <string>

struct HttpResponse
{
    std::string version;
    int32_t status = -1;
    std::string rawHeader;
    std::string contentType;
    std::string lastModified;
    std::string location;
    int32_t contentLength = 0;
    int32_t total = 0; // entity size: the content length, or the total of a Content-Range line
    int32_t rangeStart = 0;
};

// A header that has not ended within this many bytes is not a valid response.
const size_t kMaxResponseHeaderBytes = 64 * 1024;

// Parses the header that ends at `headerEnd` (the index of "\r\n\r\n") in `buffer`. True when the
// answer is usable (HTTP/ version, status 200 or 206, sizes within 0..2^31-1); the header and its
// empty line are then removed from `buffer`, which keeps the first body bytes.
[[nodiscard]] bool ParseResponseHeader(HttpResponse& response, std::string& buffer, size_t headerEnd);
