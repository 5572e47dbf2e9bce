// The HTTP exchange: response parsing, the request text and the size probe against a real server.
#include <gtest/gtest.h>

#include "DownloadTestKit.h"
#include "download/HttpDownload.h"
#include "download/HttpResponse.h"

using namespace updtest;

namespace {

bool Parse(const std::string& text, HttpResponse& r, std::string* rest = nullptr)
{
    std::string buffer = text;
    size_t end = buffer.find("\r\n\r\n");
    bool ok = ParseResponseHeader(r, buffer, end);
    if (rest)
        *rest = buffer;
    return ok;
}

struct ProbeSetup
{
    TestHttpServer server;
    TempDir dir{L"upd"};
    CHttpDownload engine{Narrow(dir.Path())};
    DownloadStatus status;
    std::string host = server.HostText();
    std::string path = "/pkg/update.zip";
    ProbeSetup() { server.SetBody(PatternBytes(11, 1000)); }
    int64_t Probe() { return engine.ProbeSize(host, path, status); }
};

} // namespace

TEST(HttpResponse, ParsesSizesRangesAndLocations)
{
    HttpResponse r;
    std::string rest;
    ASSERT_TRUE(
        Parse("HTTP/1.1 206 Partial\r\nContent-Range: bytes 0-99/1000\r\nContent-Length: 100\r\n\r\nBODY", r, &rest));
    EXPECT_EQ(r.status, 206);
    EXPECT_EQ(r.total, 1000);
    EXPECT_EQ(r.rangeStart, 0);
    EXPECT_EQ(rest, "BODY") << "body bytes that came with the header stay";

    HttpResponse plain;
    ASSERT_TRUE(Parse("HTTP/1.0 200 OK\r\nContent-Length:   1000\r\n\r\n", plain));
    EXPECT_EQ(plain.total, 1000);
    HttpResponse none;
    ASSERT_TRUE(Parse("HTTP/1.1 200 OK\r\nContent-Type: x\r\n\r\n", none));
    EXPECT_EQ(none.total, 0);

    // A location on a middle line carries no CR; a Content-Location line matches the name too.
    HttpResponse moved;
    EXPECT_FALSE(Parse("HTTP/1.1 302 Found\r\nLocation: http://m:81/a.zip\r\nServer: t\r\n\r\n", moved));
    EXPECT_EQ(moved.location, "http://m:81/a.zip");
    HttpResponse content;
    Parse("HTTP/1.1 302 Found\r\nContent-Location: /x\r\n\r\n", content);
    EXPECT_EQ(content.location, "ocation: /x");
}

TEST(HttpResponse, RejectsBadVersionsStatusesAndOversizedNumbers)
{
    HttpResponse r;
    EXPECT_FALSE(Parse("HTTX/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", r));
    EXPECT_FALSE(Parse("HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\n\r\n", r));
    EXPECT_EQ(r.status, 404);
    HttpResponse big;
    EXPECT_FALSE(Parse("HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\n", big));
    HttpResponse bigRange;
    EXPECT_FALSE(Parse("HTTP/1.1 206 OK\r\nContent-Range: bytes 0-1/99999999999\r\n\r\n", bigRange));
    HttpResponse fits;
    EXPECT_TRUE(Parse("HTTP/1.1 200 OK\r\nContent-Length: 2147483647\r\n\r\n", fits));
    EXPECT_EQ(fits.total, 2147483647);
}

TEST(HttpProbe, SendsTheExactRequestAndLearnsTheSize)
{
    ProbeSetup s;
    EXPECT_EQ(s.Probe(), 1000);
    EXPECT_EQ(s.status.total, 1000u);
    auto requests = s.server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw, "GET /pkg/update.zip HTTP/1.1\r\nHost: " + s.host +
                                   "\r\nAccept: */*\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n"
                                   "Connection: close\r\nRange: bytes=0- \r\n\r\n");

    s.server.Configure([](ServerBehaviour& b) { b.ignoreRange = true; });
    EXPECT_EQ(s.Probe(), 1000) << "a 200 answer gives its content length";
    s.server.Configure([](ServerBehaviour& b) { b.byteAtATimeHeader = true; });
    EXPECT_EQ(s.Probe(), 1000) << "a header arriving byte by byte is assembled";
    // The header may take 64 KiB to its blank line.
    std::string header = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nX-Pad: ";
    header += std::string(kMaxResponseHeaderBytes - header.size(), 'p');
    s.server.Configure([&](ServerBehaviour& b) {
        b = ServerBehaviour{b.body};
        b.rawResponse = header + "\r\n\r\n" + std::string(1000, 'x');
    });
    EXPECT_EQ(s.Probe(), 1000) << "a header of 64 KiB";
}

TEST(HttpRequest, HostWithoutAPortMeansPort80)
{
    std::string host, port;
    SplitHostText("updates.example", host, port);
    EXPECT_EQ(host + " " + port, "updates.example 80");
    SplitHostText("127.0.0.1:8080", host, port);
    EXPECT_EQ(host + " " + port, "127.0.0.1 8080");
}

TEST(HttpProbe, UnusableAnswersGiveNoSize)
{
    ProbeSetup s;
    struct Case
    {
        const char* name;
        std::function<void(ServerBehaviour&)> setup;
    } cases[] = {
        {"404", [](ServerBehaviour& b) { b.status = 404; }},
        {"203 with its length, only 200 and 206 count",
         [](ServerBehaviour& b) {
             b.rawResponse = "HTTP/1.1 203 Non-Authoritative Information\r\nContent-Length: 1000\r\n"
                             "Content-Range: bytes 0-999/1000\r\n\r\n" +
                             std::string(1000, 'x');
         }},
        {"malformed status line", [](ServerBehaviour& b) { b.malformedStatusLine = true; }},
        {"no length",
         [](ServerBehaviour& b) {
             b.noContentLength = true;
             b.ignoreRange = true;
         }},
        {"length past 2^31-1",
         [](ServerBehaviour& b) {
             b.contentLength = "4294967296";
             b.ignoreRange = true;
         }},
        {"header over 64 KiB",
         [](ServerBehaviour& b) { b.extraHeaders = "X-Pad: " + std::string(70000, 'p') + "\r\n"; }},
        {"closed before the header ends", [](ServerBehaviour& b) { b.rawResponse = "HTTP/1.1 200 OK\r\nContent-Le"; }},
    };
    for (const Case& c : cases) {
        s.server.Configure([&](ServerBehaviour& b) {
            b = ServerBehaviour{b.body};
            c.setup(b);
        });
        s.status.total = 77;
        EXPECT_EQ(s.Probe(), 0) << c.name;
    }
    s.server.Configure([](ServerBehaviour& b) { b = ServerBehaviour{std::make_shared<std::string>()}; });
    EXPECT_EQ(s.Probe(), 0) << "an empty package has no size";
}

TEST(HttpProbe, RedirectRewritesHostAndPath)
{
    ProbeSetup s;
    TestHttpServer mirror;
    s.server.Configure([&](ServerBehaviour& b) { b.redirectTo = "http://" + mirror.HostText() + "/files/p.zip"; });
    s.status.total = 5;
    EXPECT_EQ(s.Probe(), -302);
    EXPECT_EQ(s.host, mirror.HostText());
    EXPECT_EQ(s.path, "/files/p.zip");
    EXPECT_EQ(s.status.total, 5u) << "a redirect leaves the total alone";

    s.host = s.server.HostText();
    s.server.Configure([](ServerBehaviour& b) { b.redirectTo = "mirror/x.zip"; });
    EXPECT_EQ(s.Probe(), -302);
    EXPECT_EQ(s.host, "mirror");
    EXPECT_EQ(s.path, "/x.zip");

    s.host = s.server.HostText();
    s.server.Configure([](ServerBehaviour& b) { b.redirectTo = "http://nopath"; });
    EXPECT_EQ(s.Probe(), 0);
    EXPECT_EQ(s.host, "nopath");
    EXPECT_EQ(s.path, "/x.zip");
}

TEST(HttpProbe, SilentServerCannotHoldTheProbe)
{
    ProbeSetup s;
    s.server.Configure([](ServerBehaviour& b) { b.stallBeforeHeaderMs = INFINITE; });
    DWORD start = ::GetTickCount();
    EXPECT_EQ(s.Probe(), 0); // shipped limit
    DWORD took = ::GetTickCount() - start;
    EXPECT_GE(took, 4500u);
    EXPECT_LT(took, 8000u);
}

TEST(HttpProbe, AnswerOf416DeletesTheMergedFile)
{
    ProbeSetup s;
    ASSERT_TRUE(WriteBytes(s.dir / L"update.td", "old"));
    s.server.Configure([](ServerBehaviour& b) { b.status = 416; });
    EXPECT_EQ(s.Probe(), 0);
    EXPECT_FALSE(FileExists(s.dir / L"update.td"));
}
