#include "download/HttpConnection.h"

#include <chrono>
#include <cstdio>

namespace {

const size_t kHeaderReadBytes = 16 * 1024;

} // namespace

void SplitHostText(const std::string& hostText, std::string& host, std::string& port)
{
    size_t colon = hostText.find(':');
    if (colon == std::string::npos) {
        host = hostText;
        port = "80";
    } else {
        host = hostText.substr(0, colon);
        port = hostText.substr(colon + 1);
    }
}

std::string BuildRequest(const std::string& hostText, const std::string& path, uint32_t firstByte)
{
    std::string request;
    request.reserve(256);
    request += "GET " + path + " HTTP/1.1\r\n";
    request += "Host: " + hostText + "\r\n";
    request += "Accept: */*\r\n";
    request += "Pragma: no-cache\r\n";
    request += "Cache-Control: no-cache\r\n";
    request += "Connection: close\r\n";
    request += "Range: bytes=" + std::to_string(firstByte) + "- \r\n";
    request += "\r\n";
    return request;
}

CHttpConnection::CHttpConnection() : resolver_(io_), socket_(io_), deadline_(io_) {}

CHttpConnection::~CHttpConnection()
{
    CloseNow();
}

void CHttpConnection::CloseNow()
{
    boost::system::error_code ignored;
    resolver_.cancel();
    deadline_.cancel();
    socket_.close(ignored);
}

void CHttpConnection::Stop()
{
    stopped_ = true;
    // The close runs on the thread that drives this connection, inside its wait.
    boost::asio::post(io_, [this] { CloseNow(); });
}

void CHttpConnection::SetDeadline(DWORD ms)
{
    boost::asio::post(io_, [this, ms] {
        deadline_.expires_after(std::chrono::milliseconds(ms));
        deadline_.async_wait([this](const boost::system::error_code& ec) {
            if (!ec) {
                stopped_ = true;
                CloseNow();
            }
        });
    });
}

bool CHttpConnection::RunUntil(const bool& done)
{
    while (!done) {
        if (io_.stopped())
            io_.restart();
        if (io_.run_one() == 0 && !done)
            return false;
    }
    return true;
}

bool CHttpConnection::Connect(const std::string& hostText, boost::system::error_code& error)
{
    if (stopped_) {
        error = boost::asio::error::operation_aborted;
        return false;
    }
    std::string host, port;
    SplitHostText(hostText, host, port);
    bool done = false;
    error = boost::system::error_code();
    resolver_.async_resolve(host, port,
                            [this, &done, &error](const boost::system::error_code& ec,
                                                  boost::asio::ip::tcp::resolver::results_type results) {
                                if (ec || stopped_) {
                                    error = ec ? ec : boost::asio::error::operation_aborted;
                                    done = true;
                                    return;
                                }
                                boost::asio::async_connect(socket_, results,
                                                           [&done, &error](const boost::system::error_code& cec,
                                                                           const boost::asio::ip::tcp::endpoint&) {
                                                               error = cec;
                                                               done = true;
                                                           });
                            });
    if (!RunUntil(done) && !error)
        error = boost::asio::error::operation_aborted;
    if (!error && stopped_)
        error = boost::asio::error::operation_aborted;
    return !error;
}

bool CHttpConnection::Send(const std::string& text, boost::system::error_code& error)
{
    if (stopped_) {
        error = boost::asio::error::operation_aborted;
        return false;
    }
    bool done = false;
    error = boost::system::error_code();
    boost::asio::async_write(socket_, boost::asio::buffer(text),
                             [&done, &error](const boost::system::error_code& ec, size_t) {
                                 error = ec;
                                 done = true;
                             });
    if (!RunUntil(done) && !error)
        error = boost::asio::error::operation_aborted;
    return !error;
}

size_t CHttpConnection::ReadSome(char* data, size_t size, boost::system::error_code& error)
{
    if (stopped_) {
        error = boost::asio::error::operation_aborted;
        return 0;
    }
    bool done = false;
    size_t got = 0;
    error = boost::system::error_code();
    socket_.async_read_some(boost::asio::buffer(data, size),
                            [&done, &error, &got](const boost::system::error_code& ec, size_t n) {
                                error = ec;
                                got = n;
                                done = true;
                            });
    if (!RunUntil(done) && !error)
        error = boost::asio::error::operation_aborted;
    return error ? 0 : got;
}

CHttpConnection::HeaderResult CHttpConnection::ReadHeader(std::string& buffer, size_t& headerEnd,
                                                          boost::system::error_code& error)
{
    char block[kHeaderReadBytes];
    for (;;) {
        size_t got = ReadSome(block, sizeof(block), error);
        if (got == 0)
            return HeaderResult::Ended;
        size_t searchFrom = buffer.size() > 3 ? buffer.size() - 3 : 0;
        buffer.append(block, got);
        size_t end = buffer.find("\r\n\r\n", searchFrom);
        if (end != std::string::npos && end <= kMaxResponseHeaderBytes) {
            headerEnd = end;
            return HeaderResult::Complete;
        }
        if (buffer.size() > kMaxResponseHeaderBytes + 3) {
            std::fputs("Invalid response\n", stdout);
            return HeaderResult::Invalid;
        }
    }
}
