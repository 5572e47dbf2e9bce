// The CU_ pipe server: messages replace the parameters of the restarted client; it stops on time.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "app/CuPipeServer.h"
#include "install/PageCallParam.h"
#include "ProbeRunner.h"
#include "foundation/UpdaterCmdLine.h"
#include "install/zipDownloader.h"

using namespace updtest;

namespace {

struct ServerSetup
{
    std::wstring name = UniqueName(L"CU_test");
    CuPipeServer server;
    explicit ServerSetup(DWORD readTimeoutMs = CuPipeServer::kReadTimeoutMs)
        : server([this] { return L"\\\\.\\Pipe\\" + name; }, readTimeoutMs)
    {
        SetPageCallParam("from-command-line");
    }
    bool ParamBecomes(const std::string& text) const
    {
        return testkit::WaitFor([&] { return GetPageCallParam() == text; }, 5000);
    }
};

// Opens the pipe and keeps the connection without writing.
ScopedHandle ConnectSilently(const std::wstring& name)
{
    ScopedHandle pipe;
    testkit::WaitFor(
        [&] {
            pipe.Reset(::CreateFileW((L"\\\\.\\Pipe\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
            return pipe.Valid();
        },
        5000);
    return pipe;
}

} // namespace

TEST(CuPipeServer, EachNonEmptyMessageReplacesTheParameters)
{
    ServerSetup setup;
    ASSERT_TRUE(setup.server.Start());
    ASSERT_TRUE(testkit::SendPipeMessage(setup.name, "abc"));
    EXPECT_TRUE(setup.ParamBecomes("abc"));
    ASSERT_TRUE(testkit::SendPipeMessage(setup.name, std::string("page=2\0tail", 11)));
    EXPECT_TRUE(setup.ParamBecomes("page=2")); // the text ends at its terminator

    // An empty message changes nothing; the next one is served.
    ASSERT_TRUE(testkit::SendPipeMessage(setup.name, std::string("\0\0", 2)));
    ASSERT_TRUE(testkit::WaitPipeListening(setup.name, 5000)); // handled
    EXPECT_EQ(GetPageCallParam(), "page=2");
    ASSERT_TRUE(testkit::SendPipeMessage(setup.name, "last"));
    EXPECT_TRUE(setup.ParamBecomes("last"));

    // The download start sets the command line's value again.
    ZipDwCfg cfg;
    cfg.pageCallParam = "cmd";
    ZipDownloader downloader(cfg);
    EXPECT_EQ(GetPageCallParam(), "cmd");
}

TEST(CuPipeServer, LongMessageGivesItsFirst10240Bytes)
{
    ServerSetup setup;
    ASSERT_TRUE(setup.server.Start());
    std::string big(12000, 'x');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    testkit::SendPipeMessage(setup.name, big); // the writer sees its tail refused
    EXPECT_TRUE(setup.ParamBecomes(big.substr(0, 10240)));
    ASSERT_TRUE(testkit::SendPipeMessage(setup.name, "after"));
    EXPECT_TRUE(setup.ParamBecomes("after"));
}

TEST(CuPipeServer, StopEndsTheWaitingServerWithinASecond)
{
    ServerSetup setup;
    ASSERT_TRUE(setup.server.Start());
    ASSERT_TRUE(testkit::SendPipeMessage(setup.name, "ready"));
    ASSERT_TRUE(setup.ParamBecomes("ready"));
    DWORD start = ::GetTickCount();
    setup.server.Stop();
    EXPECT_LT(::GetTickCount() - start, 1500u);
    EXPECT_FALSE(setup.server.Running());
    EXPECT_EQ(GetPageCallParam(), "ready"); // "ExitPipe" is no parameter
    EXPECT_FALSE(testkit::SendPipeMessage(setup.name, "late", 300));
}

TEST(CuPipeServer, SilentClientIsDroppedAndDoesNotHoldTheStop)
{
    ServerSetup setup(800);
    ASSERT_TRUE(setup.server.Start());
    ScopedHandle silent = ConnectSilently(setup.name);
    ASSERT_TRUE(silent.Valid());
    // After the read time the instance is made anew and serves the next client.
    ASSERT_TRUE(testkit::SendPipeMessage(setup.name, "next", 5000));
    EXPECT_TRUE(setup.ParamBecomes("next"));

    ScopedHandle another = ConnectSilently(setup.name);
    ASSERT_TRUE(another.Valid());
    DWORD start = ::GetTickCount();
    setup.server.Stop();
    EXPECT_LT(::GetTickCount() - start, 3000u);
    EXPECT_FALSE(setup.server.Running());
}

TEST(CuPipeServer, PipeThatCannotBeMadeEndsTheThread)
{
    CuPipeServer server([] { return std::wstring(L"\\\\.\\Pipe\\"); });
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(testkit::WaitFor([&] { return !server.Running(); }, 3000));
    server.Stop();
}

TEST(CuPipeServer, PipeNameComesFromCacheName)
{
    TempDir dir{L"upd"};
    std::wstring probe = InstallProbe(dir / L"app\\");
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<CacheName>kelcache</CacheName>"));
    EXPECT_EQ(ProbeValues(RunProbe(probe, L"cachepipe").output)["cachepipe"], "\\\\.\\Pipe\\CU_kelcache");
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<CacheName>" + std::string(512, 'c') + "</CacheName>"));
    EXPECT_EQ(ProbeValues(RunProbe(probe, L"cachepipe").output)["cachepipe"], "\\\\.\\Pipe\\CU_");
    ASSERT_TRUE(WriteProductConfig(dir / L"app\\", "<cachename>x</cachename>"));
    EXPECT_EQ(ProbeValues(RunProbe(probe, L"cachepipe").output)["cachepipe"], "\\\\.\\Pipe\\CU_");
}

TEST(CuPipeServer, ClientThatConnectedBeforeTheWaitIsServed)
{
    std::wstring path = L"\\\\.\\Pipe\\" + UniqueName(L"CU_early");
    ScopedHandle server(::CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                           PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 1000,
                                           nullptr));
    ASSERT_TRUE(server);
    ScopedHandle client(
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(client);

    // The client is connected before the server waits: that is a connection, not a failure. Waited
    // for on a thread, so that a wait that never ends fails the test instead of holding it.
    ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED ov = {};
    ov.hEvent = event.Get();
    auto connected = std::async(std::launch::async, [&] { return ConnectPipeClient(server.Get(), ov); });
    if (connected.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ::CancelIoEx(server.Get(), &ov);
        client.Reset();
        FAIL() << "the early client was not taken";
    }
    ASSERT_TRUE(connected.get());

    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(client.Get(), "early", 5, &written, nullptr));
    char buffer[16] = {0};
    DWORD read = 0;
    ::ResetEvent(ov.hEvent);
    if (!::ReadFile(server.Get(), buffer, sizeof(buffer), &read, &ov)) {
        ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
        if (::WaitForSingleObject(ov.hEvent, 5000) != WAIT_OBJECT_0) {
            ::CancelIoEx(server.Get(), &ov);
            ::GetOverlappedResult(server.Get(), &ov, &read, TRUE);
            FAIL() << "no message from the early client";
        }
        ASSERT_TRUE(::GetOverlappedResult(server.Get(), &ov, &read, FALSE));
    }
    EXPECT_EQ(std::string(buffer, read), "early");
}
