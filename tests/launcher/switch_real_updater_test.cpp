// The environment switch end to end with the real Updater.exe: the Launcher fetches the XML answer,
// the Updater downloads the package over loopback HTTP, extracts the new client folder, reports to
// the Launcher and, once its update-complete window is closed, starts the Launcher again, which
// starts the client of the new environment.
#include "TestHttpServer.h"  // winsock2.h before windows.h
#include "tiny_http.h"
#include "launcher_fixture.h"
#include "ZipWriter.h"
#include <wincrypt.h>
#include <gtest/gtest.h>
#include <cstdio>

using namespace testkit;
using namespace launchertest;

namespace
{
std::string Md5Hex(const std::string& bytes)
{
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::string hex;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return hex;
    if (CryptCreateHash(provider, CALG_MD5, 0, 0, &hash))
    {
        BYTE digest[16];
        DWORD size = sizeof(digest);
        if (CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0))
        {
            char two[3];
            for (DWORD i = 0; i < size; ++i)
            {
                snprintf(two, sizeof(two), "%02x", digest[i]);
                hex += two;
            }
        }
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    return hex;
}

HWND WaitForWindowOfClass(const wchar_t* className, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            found = FindWindowW(className, nullptr);
            return found != nullptr && IsWindowVisible(found);
        },
        timeoutMs);
    return found;
}
} // namespace

TEST(SwitchWithRealUpdater, NewEnvironmentIsDownloadedInstalledAndStarted)
{
    Install install(L"swreal");
    std::string cacheName = ToUtf8(install.ProgName()) + "cache";
    install.WriteConfig({{"CacheName", cacheName}});
    install.PlaceClient();
    ASSERT_TRUE(CopyFileTo(BinDir() + L"Updater.exe", install.Dir() + L"Updater.exe"));
    ASSERT_TRUE(CopyFileTo(BinDir() + L"zlib.dll", install.Dir() + L"zlib.dll"));

    // The package: <name>_pro\<progname>, the client stand-in.
    std::string client;
    ASSERT_TRUE(ReadFileBytes(TestsDir() + L"ClientStub.exe", &client));
    std::wstring packagePath = install.Dir() + L"package.bin";
    {
        ziptest::ZipWriter zip(packagePath);
        ASSERT_TRUE(zip.AddFile(install.Names().name + "_pro/" + install.Names().progname, client, true));
        ASSERT_TRUE(zip.Close());
    }
    std::string package;
    ASSERT_TRUE(ReadFileBytes(packagePath, &package));
    DeleteFileW(packagePath.c_str());

    updtest::TestHttpServer packageServer;
    packageServer.SetBody(package);
    TinyHttpServer answerServer;
    answerServer.Answer("/env.xml", TinyHttpServer::Response(200, "OK",
                                                             "<?xml version=\"1.0\"?><answer><zipurl>http://" +
                                                                 packageServer.HostText() + "/full.zip</zipurl><zipmd5>" +
                                                                 Md5Hex(package) + "</zipmd5></answer>"));
    PipeSink clientPipe(FromUtf8(install.Names().pipe));

    ProcessResult r =
        install.Run(FromUtf8("switchenv=pro&xmlurl=" + answerServer.Url("/env.xml") + "&room=1"), 60000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    ASSERT_TRUE(clientPipe.WaitForMessages(1, 5000));
    EXPECT_EQ(clientPipe.Messages(), std::vector<std::string>{"switchenv_msg:1"});
    EXPECT_EQ(ElementText(install.ReadConfig(), "env"), "pro");
    EXPECT_TRUE(FileExists(install.ClientDir("pro") + install.ProgName()));
    EXPECT_FALSE(FileExists(install.RecordPath("pro")));

    HWND complete = WaitForWindowOfClass(L"qen_updater_launch_wnd_class_name", 15000);
    ASSERT_NE(complete, nullptr);
    PostMessageW(complete, WM_CLOSE, 0, 0);
    ClientRecord record = install.Record("pro");
    EXPECT_TRUE(record.WaitForLine("args=", 30000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"room=1"});
    EXPECT_TRUE(WaitFor([] { return CountProcesses(L"Updater.exe") == 0; }, 10000));

    KillProcesses(L"Updater.exe");
    KillProcesses(install.ProgName());
}
