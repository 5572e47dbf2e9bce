// The log storage of the toolkit's test programs, and a capture of the lines the toolkit logs.
#pragma once
#include <string>
#include <vector>

namespace TestHelpers {

// Collects the ERROR lines logged while it lives.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    std::vector<std::string> Errors() const;
    // True when one ERROR line holds every part.
    bool HasError(const std::vector<std::string>& parts) const;
};

} // namespace TestHelpers
