#include "download/HttpResponse.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

const int64_t kMaxSize = 0x7FFFFFFF;

std::string TrimLeadingBlanks(const std::string& text)
{
    size_t pos = text.find_first_not_of(' ');
    return pos == std::string::npos ? std::string() : text.substr(pos);
}

// Decimal number after leading blanks, up to the first non-digit; 0 when there is none.
// False when it does not fit a signed 32-bit size.
bool ReadSize(const std::string& text, int32_t& out)
{
    size_t i = text.find_first_not_of(' ');
    int64_t value = 0;
    for (; i != std::string::npos && i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kMaxSize)
            return false;
    }
    out = static_cast<int32_t>(value);
    return true;
}

// The value sits where it would if the name began the line, wherever the name was found.
bool ValueAfter(const std::string& line, const char* name, std::string& value)
{
    if (line.find(name) == std::string::npos)
        return false;
    size_t len = std::strlen(name);
    value = line.size() > len ? line.substr(len) : std::string();
    return true;
}

} // namespace

bool ParseResponseHeader(HttpResponse& response, std::string& buffer, size_t headerEnd)
{
    response.rawHeader = buffer.substr(0, headerEnd);
    std::istringstream first(response.rawHeader);
    std::string statusWord;
    first >> response.version >> statusWord;
    int32_t status = 0;
    ReadSize(statusWord, status);
    response.status = status;

    bool sizesFit = true;
    int32_t rangeTotal = 0;
    std::istringstream lines(response.rawHeader);
    std::string line, value;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (ValueAfter(line, "Content-Type:", value))
            response.contentType = TrimLeadingBlanks(value);
        if (ValueAfter(line, "Location:", value))
            response.location = TrimLeadingBlanks(value);
        if (ValueAfter(line, "Content-Length:", value)) {
            sizesFit = ReadSize(value, response.contentLength) && sizesFit;
            response.total = response.contentLength;
        }
        if (ValueAfter(line, "Last-Modified:", value))
            response.lastModified = TrimLeadingBlanks(value);
        if (ValueAfter(line, "Content-Range: bytes", value)) {
            size_t dash = value.find('-');
            sizesFit = ReadSize(value.substr(0, dash), response.rangeStart) && sizesFit;
            size_t slash = value.find('/');
            if (slash != std::string::npos)
                sizesFit = ReadSize(value.substr(slash + 1), rangeTotal) && sizesFit;
        }
    }
    // The entity's total wins over the length of this answer, whichever line came first.
    if (rangeTotal != 0)
        response.total = rangeTotal;

    if (response.version.size() < 5 || response.version.compare(0, 5, "HTTP/") != 0 || !sizesFit) {
        std::fputs("Invalid response\n", stdout);
        return false;
    }
    if (response.status == 200 || response.status == 206) {
        buffer.erase(0, headerEnd + 4);
        return true;
    }
    std::printf("Response returned with status code %d\n", static_cast<int>(response.status));
    return false;
}
