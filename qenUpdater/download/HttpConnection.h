#pragma once
// One HTTP/1.1 exchange of the download engine over a boost.asio TCP socket. Calls block the
// calling thread; Stop() from any other thread ends a blocked call at once by closing the socket.
#include <windows.h>

#include <atomic>
#include <string>

#include <boost/asio.hpp>

#include "download/HttpResponse.h"

// "name:port" → name and port; no ":" → the whole text and "80".
void SplitHostText(const std::string& hostText, std::string& host, std::string& port);

// The request of the engine: everything from `firstByte` to the end of the entity.
std::string BuildRequest(const std::string& hostText, const std::string& path, uint32_t firstByte);

class CHttpConnection
{
public:
    CHttpConnection();
    ~CHttpConnection();
    CHttpConnection(const CHttpConnection&) = delete;
    CHttpConnection& operator=(const CHttpConnection&) = delete;

    // Each returns false and sets `error` on failure (also after Stop or an expired deadline).
    [[nodiscard]] bool Connect(const std::string& hostText, boost::system::error_code& error);
    [[nodiscard]] bool Send(const std::string& text, boost::system::error_code& error);
    // At least one byte into `data`; 0 at the end of the stream or on an error.
    size_t ReadSome(char* data, size_t size, boost::system::error_code& error);

    enum class HeaderResult
    {
        Complete,
        Ended,
        Invalid
    };
    // Reads until "\r\n\r\n"; `buffer` then holds the header and any body bytes after it.
    HeaderResult ReadHeader(std::string& buffer, size_t& headerEnd, boost::system::error_code& error);

    // Any thread, any time: ends the current and every later call of this connection.
    void Stop();
    // The connection stops by itself `ms` milliseconds from now.
    void SetDeadline(DWORD ms);

private:
    void CloseNow();
    bool RunUntil(const bool& done);

    boost::asio::io_context io_;
    boost::asio::ip::tcp::resolver resolver_;
    boost::asio::ip::tcp::socket socket_;
    boost::asio::steady_timer deadline_;
    std::atomic<bool> stopped_{false};
};
