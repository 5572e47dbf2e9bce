// A small WinINet GET/POST into a narrow string (the environment-switch answer).
#pragma once
#include <windows.h>
#include "InternetHandle.h"
#include <string>

enum HttpCustomError
{
    HTTP_OK = 0,
    HTTP_ERR_OPEN = 1,    // InternetOpenW or HttpOpenRequestA failed
    HTTP_ERR_CONNECT = 2, // InternetConnectA failed
    HTTP_ERR_SEND = 3,    // HttpSendRequestA failed
    HTTP_ERR_QUERY = 4,   // the header query failed
    HTTP_ERR_STATUS = 5,  // the server did not answer 200
    HTTP_ERR_EMPTY_URL = 13,
};

class HttpClient
{
public:
    HttpClient() = default;
    ~HttpClient() { CloseHandles(); }
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    [[nodiscard]] bool Request(std::string& out, bool post, bool https, const std::string& url,
                               const std::string& headers, const std::string& body);
    void CloseHandles();

    int m_nError = HTTP_OK;
    DWORD m_dwLastError = 0;

private:
    void Perform(std::string& out, bool post, bool https, const std::string& url, const std::string& headers,
                 const std::string& body);
    // Declared in opening order, so they close request first.
    ScopedInternetHandle m_hInternet;
    ScopedInternetHandle m_hConnect;
    ScopedInternetHandle m_hRequest;
};

// host, path (with its leading '/') and port from an http:// or https:// URL.
void SplitUrl(const std::string& url, std::string& host, std::string& path, int& port);
bool IsHttpsSupported();
