// The environment switch end to end with the real Updater.exe: the Launcher fetches the XML answer,
// the Updater downloads the package over loopback HTTP, extracts the new client folder, reports to
// the Launcher and, once its update-complete window is closed, starts the Launcher again, which
// starts the client of the new environment.
#include "TestHttpServer.h" // winsock2.h before windows.h
#include "tiny_http.h"
#include "launcher_fixture.h"
#include "ZipWriter.h"
#include <wincrypt.h>
#include <gtest/gtest.h>
#include <cstdio>

using namespace testkit;
using namespace launchertest;

namespace {
std::string Md5Hex(const std::string& bytes)
{
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::string hex;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return hex;
    if (CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
        BYTE digest[16];
        DWORD size = sizeof(digest);
        if (CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
            char two[3];
            for (DWORD i = 0; i < size; ++i) {
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
// An install with the real Updater beside the Launcher, a package server and the server of the
// switch answer; `package` is what the package server hands out.
struct SwitchSetup
{
    explicit SwitchSetup(const std::wstring& folder) : install(L"swreal", folder)
    {
        install.WriteConfig({{"CacheName", ToUtf8(install.ProgName()) + "cache"}});
        install.PlaceClient();
        CopyFileTo(BinDir() + L"Updater.exe", install.Dir() + L"Updater.exe");
        CopyFileTo(BinDir() + L"zlib.dll", install.Dir() + L"zlib.dll");
    }
    ~SwitchSetup()
    {
        KillProcesses(L"Updater.exe", install.Dir());
    } // only ours: other tests run stand-ins of that name
    // A package holding <name>_pro\<entry> (the client stand-in's bytes).
    std::string Package(const std::string& entry)
    {
        std::string client;
        ReadFileBytes(TestsDir() + L"ClientStub.exe", &client);
        std::wstring path = install.Dir() + L"package.bin";
        {
            ziptest::ZipWriter zip(path);
            zip.AddFile(install.Names().name + "_pro/" + entry, client, true);
            zip.Close();
        }
        std::string package;
        ReadFileBytes(path, &package);
        DeleteFileW(path.c_str());
        return package;
    }
    void Serve(const std::string& package)
    {
        packageServer.SetBody(package);
        answerServer.Answer("/env.xml",
                            TinyHttpServer::Response(200, "OK",
                                                     "<?xml version=\"1.0\"?><answer><zipurl>http://" +
                                                         packageServer.HostText() + "/full.zip</zipurl><zipmd5>" +
                                                         Md5Hex(package) + "</zipmd5></answer>"));
    }
    ProcessResult Switch(DWORD timeoutMs)
    {
        return install.Run(FromUtf8("switchenv=pro&xmlurl=" + answerServer.Url("/env.xml") + "&room=1"), timeoutMs);
    }

    Install install;
    updtest::TestHttpServer packageServer;
    TinyHttpServer answerServer;
};
} // namespace

// Installed below a folder with a blank and a dash in its name, where an unquoted program path on
// the Updater's command line would hand it a stray option.
TEST(SwitchWithRealUpdater, NewEnvironmentIsDownloadedInstalledAndStarted)
{
    SwitchSetup setup(L"Program Files\\Kel-nova");
    Install& install = setup.install;
    setup.Serve(setup.Package(install.Names().progname));
    PipeSink clientPipe(FromUtf8(install.Names().pipe));

    ProcessResult r = setup.Switch(60000);
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
    EXPECT_TRUE(WaitFor([&] { return CountProcesses(L"Updater.exe", install.Dir()) == 0; }, 10000));
}

// The Updater installs the package, but the new environment's client is not in it: the switch fails
// and the old environment stays, so the next start still finds a client.
TEST(SwitchWithRealUpdater, PackageWithoutTheClientKeepsTheOldEnvironment)
{
    SwitchSetup setup(L"");
    Install& install = setup.install;
    setup.Serve(setup.Package("other.exe"));
    PipeSink clientPipe(FromUtf8(install.Names().pipe));

    ProcessResult r = setup.Switch(60000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0xFFFFFFFFu);
    ASSERT_TRUE(clientPipe.WaitForMessages(1, 5000));
    EXPECT_EQ(clientPipe.Messages(), std::vector<std::string>{"switchenv_msg:0"});
    EXPECT_EQ(ElementText(install.ReadConfig(), "env"), "www");
    EXPECT_TRUE(FileExists(install.ClientDir("pro") + L"other.exe"));

    HWND complete = WaitForWindowOfClass(L"qen_updater_launch_wnd_class_name", 15000);
    ASSERT_NE(complete, nullptr);
    PostMessageW(complete, WM_CLOSE, 0, 0);
    ClientRecord record = install.Record(); // the old environment's client
    EXPECT_TRUE(record.WaitForLine("args=", 30000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"room=1"});
}

// A package that cannot be extracted (its digest matches, its content is no archive): the Updater
// tries for its minute, reports the failure and shows its notice instead of the completion window.
TEST(SwitchWithRealUpdater, CorruptPackageFailsOnBothSides)
{
    SwitchSetup setup(L"");
    Install& install = setup.install;
    setup.Serve("PK\x03\x04 this is no archive");
    PipeSink clientPipe(FromUtf8(install.Names().pipe));

    ProcessResult r = setup.Switch(120000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0xFFFFFFFFu);
    ASSERT_TRUE(clientPipe.WaitForMessages(1, 5000));
    EXPECT_EQ(clientPipe.Messages(), std::vector<std::string>{"switchenv_msg:0"});
    EXPECT_EQ(ElementText(install.ReadConfig(), "env"), "www");

    HWND notice = WaitForWindowOfClass(L"qen_updater_tips_wnd_class_name", 15000);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(FindWindowW(L"qen_updater_launch_wnd_class_name", nullptr), nullptr);
    PostMessageW(notice, WM_KEYDOWN, VK_RETURN, 0);
    ClientRecord record = install.Record();
    EXPECT_TRUE(record.WaitForLine("args=", 30000));
    EXPECT_EQ(record.Starts(), std::vector<std::string>{"room=1"});
    EXPECT_EQ(FindWindowW(L"qen_updater_launch_wnd_class_name", nullptr), nullptr);
}
