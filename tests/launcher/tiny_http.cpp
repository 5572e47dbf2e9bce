#include "tiny_http.h"
#include <ws2tcpip.h>

TinyHttpServer::TinyHttpServer()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    listen(listener_, 16);
    int len = sizeof(addr);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

TinyHttpServer::~TinyHttpServer()
{
    closesocket(listener_); // wakes the blocked accept
    thread_.join();
    WSACleanup();
}

std::string TinyHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TinyHttpServer::Answer(const std::string& path, const std::string& raw)
{
    std::lock_guard<std::mutex> hold(lock_);
    answers_[path] = raw;
}

std::string TinyHttpServer::Response(int status, const std::string& reason, const std::string& body,
                                     const std::string& extraHeaders)
{
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

std::vector<std::string> TinyHttpServer::RequestLines() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
}

void TinyHttpServer::Serve()
{
    for (;;) {
        SOCKET client = accept(listener_, NULL, NULL);
        if (client == INVALID_SOCKET)
            return;
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            int n = recv(client, buf, sizeof(buf), 0);
            if (n <= 0)
                break;
            request.append(buf, n);
        }
        std::string line = request.substr(0, request.find("\r\n"));
        std::string path;
        size_t sp = line.find(' ');
        if (sp != std::string::npos)
            path = line.substr(sp + 1, line.find(' ', sp + 1) - sp - 1);
        std::string answer;
        {
            std::lock_guard<std::mutex> hold(lock_);
            requests_.push_back(line);
            auto it = answers_.find(path);
            answer = it != answers_.end() ? it->second : Response(404, "Not Found", "");
        }
        send(client, answer.data(), static_cast<int>(answer.size()), 0);
        shutdown(client, SD_SEND);
        while (recv(client, buf, sizeof(buf), 0) > 0) {
        }
        closesocket(client);
    }
}
