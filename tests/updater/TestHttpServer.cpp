#include "TestHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>

namespace updtest {

namespace {

const size_t kSendBlock = 64 * 1024;

struct WinsockInit
{
    WinsockInit()
    {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
};

std::string StatusText(int status)
{
    switch (status) {
    case 200:
        return "200 OK";
    case 206:
        return "206 Partial Content";
    case 302:
        return "302 Found";
    case 404:
        return "404 Not Found";
    case 416:
        return "416 Range Not Satisfiable";
    default:
        return std::to_string(status) + " Status";
    }
}

} // namespace

TestHttpServer::TestHttpServer()
{
    static WinsockInit init;
    stopEvent_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::listen(listener_, 64);
    int len = sizeof(addr);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer()
{
    stopping_ = true;
    ::SetEvent(stopEvent_.Get());
    ::closesocket(listener_); // wakes accept
    acceptThread_.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (SOCKET s : clients_)
            ::closesocket(s); // wakes blocked sends and reads
        clients_.clear();
        workers.swap(workers_);
    }
    for (std::thread& t : workers)
        t.join();
}

std::string TestHttpServer::HostText() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

void TestHttpServer::SetBody(const std::string& body)
{
    std::lock_guard<std::mutex> lock(mutex_);
    behaviour_.body = std::make_shared<std::string>(body);
}

void TestHttpServer::Configure(const std::function<void(ServerBehaviour&)>& change)
{
    std::lock_guard<std::mutex> lock(mutex_);
    change(behaviour_);
}

std::vector<RequestRecord> TestHttpServer::Requests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

uint64_t TestHttpServer::TotalBodyBytesSent()
{
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t total = 0;
    for (const RequestRecord& r : requests_)
        total += r.bodyBytesSent;
    return total;
}

void TestHttpServer::AcceptLoop()
{
    for (;;) {
        SOCKET client = ::accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            ::closesocket(client);
            return;
        }
        clients_.push_back(client);
        workers_.emplace_back([this, client] { Serve(client); });
    }
}

bool TestHttpServer::SendAll(SOCKET s, const char* data, size_t length)
{
    while (length > 0) {
        int n = ::send(s, data, static_cast<int>(std::min<size_t>(length, kSendBlock)), 0);
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Waits up to `ms` (INFINITE: without limit) while the client keeps its connection and the server runs.
bool TestHttpServer::WaitWhileClientStays(SOCKET client, DWORD ms)
{
    DWORD start = ::GetTickCount();
    while (!stopping_ && (ms == INFINITE || ::GetTickCount() - start < ms)) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        timeval tv = {0, 50 * 1000};
        int r = ::select(0, &readable, nullptr, nullptr, &tv);
        if (r < 0)
            return false;
        if (r > 0) {
            char c;
            if (::recv(client, &c, 1, 0) <= 0)
                return false; // the client went
        }
    }
    return !stopping_;
}

void TestHttpServer::Serve(SOCKET client)
{
    BOOL noDelay = TRUE;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));

    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        int n = ::recv(client, buf, sizeof(buf), 0);
        if (n <= 0)
            break;
        request.append(buf, static_cast<size_t>(n));
    }
    RequestRecord record;
    record.raw = request;
    size_t sp1 = request.find(' ');
    size_t sp2 = sp1 == std::string::npos ? sp1 : request.find(' ', sp1 + 1);
    if (sp2 != std::string::npos)
        record.path = request.substr(sp1 + 1, sp2 - sp1 - 1);
    size_t range = request.find("Range: bytes=");
    if (range != std::string::npos)
        record.rangeStart = _atoi64(request.c_str() + range + 13);

    ServerBehaviour b;
    size_t index;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        b = behaviour_;
        index = requests_.size();
        requests_.push_back(record);
    }
    bool fault = !b.faulty || b.faulty(static_cast<int>(index), record.rangeStart);
    auto sent = [this, index](uint64_t n) {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_[index].bodyBytesSent += n;
    };
    auto setStatus = [this, index](int status) {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_[index].status = status;
    };

    const std::string& body = *b.body;
    const int64_t size = static_cast<int64_t>(body.size());
    std::string head;
    int64_t from = 0;
    if (fault && !b.rawResponse.empty()) {
        head = b.rawResponse;
        from = size;
    } else if (fault && b.status != 0) {
        setStatus(b.status);
        head = "HTTP/1.1 " + StatusText(b.status) + "\r\nContent-Length: 0\r\nConnection: close\r\n" + b.extraHeaders +
               "\r\n";
        from = size;
    } else if (fault && !b.redirectTo.empty()) {
        setStatus(302);
        head = "HTTP/1.1 302 Found\r\nLocation: " + b.redirectTo + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        from = size;
    } else {
        int status = 200;
        std::string rangeLine;
        if (record.rangeStart >= 0 && !(fault && b.ignoreRange)) {
            if (record.rangeStart >= size) {
                status = 416;
                rangeLine = "Content-Range: bytes */" + std::to_string(size) + "\r\n";
                from = size;
            } else {
                status = 206;
                from = record.rangeStart;
                rangeLine = "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" +
                            std::to_string(size) + "\r\n";
            }
        }
        setStatus(status);
        std::string version = (fault && b.malformedStatusLine) ? "HTTX/1.1 " : "HTTP/1.1 ";
        head = version + StatusText(status) + "\r\nContent-Type: application/zip\r\n" + rangeLine;
        if (!(fault && b.noContentLength)) {
            std::string length = (fault && !b.contentLength.empty()) ? b.contentLength : std::to_string(size - from);
            head += "Content-Length: " + length + "\r\n";
        }
        head += "Connection: close\r\n" + b.extraHeaders + "\r\n";
    }

    bool ok = true;
    if (fault && b.stallBeforeHeaderMs != 0)
        ok = WaitWhileClientStays(client, b.stallBeforeHeaderMs);
    if (ok && fault && b.byteAtATimeHeader) {
        for (size_t i = 0; ok && i < head.size(); ++i) {
            ok = SendAll(client, &head[i], 1);
            ::Sleep(1);
        }
    } else if (ok) {
        ok = SendAll(client, head.data(), head.size());
    }

    DWORD started = ::GetTickCount();
    uint64_t bodySent = 0;
    while (ok && from < size) {
        size_t take = static_cast<size_t>(std::min<int64_t>(kSendBlock, size - from));
        if (fault && b.stallAfterBytes >= 0 && static_cast<int64_t>(bodySent) >= b.stallAfterBytes) {
            WaitWhileClientStays(client, INFINITE);
            break;
        }
        if (fault && b.dropAfterBytes >= 0) {
            if (static_cast<int64_t>(bodySent) >= b.dropAfterBytes)
                break;
            take = static_cast<size_t>(std::min<int64_t>(take, b.dropAfterBytes - static_cast<int64_t>(bodySent)));
        }
        if (fault && b.stallAfterBytes >= 0)
            take = static_cast<size_t>(std::min<int64_t>(take, b.stallAfterBytes - static_cast<int64_t>(bodySent)));
        if (b.bytesPerSecond > 0) {
            take = std::min(take, std::max<size_t>(b.bytesPerSecond / 20, 1));
            // Stay on the rate line: no byte leaves before its time.
            uint64_t due = bodySent * 1000 / b.bytesPerSecond;
            DWORD elapsed = ::GetTickCount() - started;
            if (due > elapsed)
                ::Sleep(static_cast<DWORD>(due - elapsed));
        }
        ok = SendAll(client, body.data() + from, take);
        if (ok) {
            from += static_cast<int64_t>(take);
            bodySent += take;
            sent(take);
        }
    }
    ::shutdown(client, SD_SEND);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = std::find(clients_.begin(), clients_.end(), client);
        if (it == clients_.end())
            return; // closed by the destructor
        clients_.erase(it);
    }
    ::closesocket(client);
}

} // namespace updtest
