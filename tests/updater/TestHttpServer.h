#pragma once
// An HTTP/1.1 server on 127.0.0.1 (port chosen by the system) for the download tests: serves one
// package with ranges and injects faults on request. Every request is logged with the body bytes sent.
#include <winsock2.h>
#include <windows.h>
#include "Handles.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace updtest {

struct ServerBehaviour
{
    std::shared_ptr<const std::string> body = std::make_shared<std::string>();
    // Faults apply to the requests this accepts (0-based request index, range start or -1); all by default.
    std::function<bool(int index, int64_t rangeStart)> faulty;

    bool ignoreRange = false;         // 200 with the whole body
    std::string redirectTo;           // 302 with this Location
    int status = 0;                   // answer this status with an empty body
    bool malformedStatusLine = false; // "HTTX/1.1"
    bool noContentLength = false;
    bool byteAtATimeHeader = false;
    std::string contentLength;     // sent instead of the real length when not empty
    std::string extraHeaders;      // whole lines with CR LF
    std::string rawResponse;       // sent as it is instead of an answer
    DWORD stallBeforeHeaderMs = 0; // INFINITE: until the client goes or the server stops
    int64_t stallAfterBytes = -1;  // body bytes sent before stalling until the client goes
    int64_t dropAfterBytes = -1;   // body bytes sent before closing the connection
    size_t bytesPerSecond = 0;     // per-connection rate cap
};

struct RequestRecord
{
    std::string raw; // the request as received
    std::string path;
    int64_t rangeStart = -1; // -1 without a Range line
    int status = 0;
    uint64_t bodyBytesSent = 0;
};

class TestHttpServer
{
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    uint16_t Port() const { return port_; }
    std::string HostText() const; // "127.0.0.1:<port>"

    void SetBody(const std::string& body);
    void Configure(const std::function<void(ServerBehaviour&)>& change);
    std::vector<RequestRecord> Requests();
    uint64_t TotalBodyBytesSent();

private:
    void AcceptLoop();
    void Serve(SOCKET client);
    bool WaitWhileClientStays(SOCKET client, DWORD ms);
    bool SendAll(SOCKET s, const char* data, size_t length);

    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    ScopedHandle stopEvent_;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;

    std::mutex mutex_; // guards everything below
    ServerBehaviour behaviour_;
    std::vector<RequestRecord> requests_;
    std::vector<SOCKET> clients_;
    std::vector<std::thread> workers_;
};

} // namespace updtest
