// The size probe: the first exchange of every attempt, which also follows a redirect.
#include <cstdio>

#include "download/DownloadFiles.h"
#include "download/HttpDownload.h"

namespace {

struct ActiveProbe
{
    ActiveProbe(std::mutex& m, CHttpConnection*& slot, CHttpConnection* c, bool aborted) : mutex(m), ref(slot)
    {
        std::lock_guard<std::mutex> lock(mutex);
        ref = c;
        if (aborted)
            c->Stop();
    }
    ~ActiveProbe()
    {
        std::lock_guard<std::mutex> lock(mutex);
        ref = nullptr;
    }
    std::mutex& mutex;
    CHttpConnection*& ref;
};

} // namespace

int64_t CHttpDownload::ProbeSize(std::string& host, std::string& path, DownloadStatus& status)
{
    CHttpConnection connection;
    ActiveProbe active(activeMutex_, activeProbe_, &connection, aborted_);
    // A silent server must not hold the attempt: the probe has the parts' first-data limit.
    connection.SetDeadline(timings_.probeDeadlineMs);

    boost::system::error_code error;
    if (!connection.Connect(host, error) || !connection.Send(BuildRequest(host, path, 0), error)) {
        std::printf(" exception = %s\n", error.message().c_str());
        return 0;
    }
    std::string buffer;
    size_t headerEnd = 0;
    CHttpConnection::HeaderResult read = connection.ReadHeader(buffer, headerEnd, error);
    if (read != CHttpConnection::HeaderResult::Complete) {
        std::lock_guard<std::mutex> lock(g_downloadMutex);
        status.total = 0;
        return 0;
    }
    HttpResponse response;
    if (ParseResponseHeader(response, buffer, headerEnd)) {
        std::lock_guard<std::mutex> lock(g_downloadMutex);
        status.total = static_cast<uint32_t>(response.total);
        return static_cast<int64_t>(status.total);
    }
    if (response.status == 416)
        RemoveFile(folder_ + "update.td");
    if (response.status >= 300 && response.status <= 399) {
        std::string location = response.location;
        if (location.find("http://") != std::string::npos)
            location.erase(0, 7);
        size_t slash = location.find('/');
        if (slash == std::string::npos) {
            host = location;
            std::fputs(" exception = redirect location holds no path\n", stdout);
            return 0;
        }
        host = location.substr(0, slash);
        path = location.substr(slash);
        return -302;
    }
    return 0;
}
