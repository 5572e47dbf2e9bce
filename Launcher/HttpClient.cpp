#include "HttpClient.h"
#include <cstdlib>

namespace {
struct HttpFailure
{
    HttpCustomError code;
    DWORD lastError;
};

[[noreturn]] void Fail(HttpCustomError code)
{
    throw HttpFailure{code, GetLastError()};
}
} // namespace

void SplitUrl(const std::string& url, std::string& host, std::string& path, int& port)
{
    std::string rest = url;
    size_t scheme = url.find("http://");
    if (scheme != std::string::npos)
        rest = url.substr(scheme + 7);
    else if ((scheme = url.find("https://")) != std::string::npos)
        rest = url.substr(scheme + 8);
    size_t slash = rest.find('/');
    host = rest.substr(0, slash);
    path = slash == std::string::npos ? std::string() : rest.substr(slash);
    size_t colon = host.find(':');
    if (colon != std::string::npos) {
        port = atoi(host.c_str() + colon + 1);
        host.resize(colon);
    }
}

bool IsHttpsSupported()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info))
        return false;
#pragma GCC diagnostic pop
    return info.dwMajorVersion > 5;
}

void HttpClient::CloseHandles()
{
    m_hRequest.Reset();
    m_hConnect.Reset();
    m_hInternet.Reset();
}

bool HttpClient::Request(std::string& out, bool post, bool https, const std::string& url, const std::string& headers,
                         const std::string& body)
{
    out.clear();
    m_nError = HTTP_OK;
    m_dwLastError = 0;
    try {
        Perform(out, post, https, url, headers, body);
        return true;
    } catch (const HttpFailure& failure) {
        m_nError = failure.code;
        m_dwLastError = failure.lastError;
        out.clear();
        return false;
    }
}

void HttpClient::Perform(std::string& out, bool post, bool https, const std::string& url, const std::string& headers,
                         const std::string& body)
{
    if (url.empty())
        Fail(HTTP_ERR_EMPTY_URL);
    CloseHandles();
    m_hInternet.Reset(InternetOpenW(L"WinInetGet/0.1", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0));
    if (!m_hInternet)
        Fail(HTTP_ERR_OPEN);

    bool secure = https && IsHttpsSupported();
    std::string host, path;
    int port = secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    SplitUrl(url, host, path, port);

    m_hConnect.Reset(InternetConnectA(m_hInternet.Get(), host.c_str(), static_cast<INTERNET_PORT>(port), NULL, NULL,
                                      INTERNET_SERVICE_HTTP, 0, 0));
    if (!m_hConnect)
        Fail(HTTP_ERR_CONNECT);
    DWORD flags = secure ? 0x80F180 : INTERNET_FLAG_RELOAD;
    m_hRequest.Reset(
        HttpOpenRequestA(m_hConnect.Get(), post ? "POST" : "GET", path.c_str(), "HTTP/1.1", NULL, NULL, flags, 0));
    if (!m_hRequest)
        Fail(HTTP_ERR_OPEN);
    BOOL sent = HttpSendRequestA(
        m_hRequest.Get(), headers.empty() ? NULL : headers.c_str(), static_cast<DWORD>(headers.size()),
        post && !body.empty() ? const_cast<char*>(body.data()) : NULL, post ? static_cast<DWORD>(body.size()) : 0);
    if (!sent)
        Fail(HTTP_ERR_SEND);

    char raw[4096] = {};
    DWORD rawSize = sizeof(raw) - 1;
    if (!HttpQueryInfoA(m_hRequest.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, raw, &rawSize, NULL))
        Fail(HTTP_ERR_QUERY);
    // The answer is judged by its status code, not by what the header texts happen to contain.
    DWORD status = 0;
    DWORD statusSize = sizeof(status);
    if (!HttpQueryInfoA(m_hRequest.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusSize, NULL))
        Fail(HTTP_ERR_QUERY);
    if (status != 200)
        Fail(HTTP_ERR_STATUS);

    char piece[4096];
    DWORD read = 0;
    while (InternetReadFile(m_hRequest.Get(), piece, sizeof(piece), &read) && read > 0)
        out.append(piece, read);
}
