// A loopback HTTP server inside the test process that answers each path with canned bytes.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TinyHttpServer
{
public:
    TinyHttpServer();
    ~TinyHttpServer();
    TinyHttpServer(const TinyHttpServer&) = delete;
    TinyHttpServer& operator=(const TinyHttpServer&) = delete;

    int Port() const { return port_; }
    std::string Url(const std::string& path) const;
    // The raw answer (status line, headers and body) for a request path.
    void Answer(const std::string& path, const std::string& raw);
    static std::string Response(int status, const std::string& reason, const std::string& body,
                                const std::string& extraHeaders = "");
    std::vector<std::string> RequestLines() const;

private:
    void Serve();
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    mutable std::mutex lock_;
    std::map<std::string, std::string> answers_;
    std::vector<std::string> requests_;
    std::thread thread_;
};
