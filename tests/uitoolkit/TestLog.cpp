#include "TestLog.h"

#include <easylogging++.h>

#include <mutex>

INITIALIZE_EASYLOGGINGPP

namespace TestHelpers {

namespace {

std::mutex g_linesLock;
std::vector<std::string> g_lines;

class Collector : public el::LogDispatchCallback
{
protected:
    void handle(const el::LogDispatchData* data) override
    {
        if (data->logMessage()->level() != el::Level::Error)
            return;
        std::lock_guard<std::mutex> lock(g_linesLock);
        g_lines.push_back(data->logMessage()->message());
    }
};

const char* const COLLECTOR = "TestLogCapture";

} // namespace

LogCapture::LogCapture()
{
    {
        std::lock_guard<std::mutex> lock(g_linesLock);
        g_lines.clear();
    }
    el::Helpers::installLogDispatchCallback<Collector>(COLLECTOR);
}

LogCapture::~LogCapture()
{
    el::Helpers::uninstallLogDispatchCallback<Collector>(COLLECTOR);
}

std::vector<std::string> LogCapture::Errors() const
{
    std::lock_guard<std::mutex> lock(g_linesLock);
    return g_lines;
}

bool LogCapture::HasError(const std::vector<std::string>& parts) const
{
    for (const std::string& line : Errors()) {
        bool all = true;
        for (const std::string& part : parts)
            all = all && line.find(part) != std::string::npos;
        if (all)
            return true;
    }
    return false;
}

} // namespace TestHelpers
