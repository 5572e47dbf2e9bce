#pragma once
// An Updater install for the end-to-end tests: the real Updater.exe and zlib.dll in a folder of
// their own with a ProductConfig.xml, a client stand-in as the program started afterwards, and a
// package served over loopback HTTP.
#include <string>

#include "TestHttpServer.h"
#include "UpdTestKit.h"

namespace updtest {

// The first visible top-level window of that class, or null after `timeoutMs`.
HWND WaitForWindowOfClass(const wchar_t* className, DWORD timeoutMs);
bool WaitWindowGone(HWND wnd, DWORD timeoutMs);

class UpdaterInstall
{
public:
    UpdaterInstall();
    ~UpdaterInstall();

    // "-url=... -md5=... -pagecallparam="x=1" -forcedupdate=N -clientexe="..." -extractpath="...""
    std::wstring Args(int forcedUpdate, const std::string& md5) const;
    std::wstring UpdaterPath() const { return dir / L"upd\\Updater.exe"; }
    std::wstring TargetDir() const { return dir / L"target\\"; }
    std::wstring LauncherPipe() const { return L"LU_" + launchName; }
    std::wstring CachePipe() const { return L"CU_" + cacheName; }
    std::wstring ClientPath() const { return dir / (L"client\\" + clientName); }
    testkit::ClientRecord RestartRecord() const { return testkit::ClientRecord(dir / L"restart\\client-record.txt"); }

    TempDir dir{L"updapp"};
    std::string package; // the served ZIP
    std::wstring launchName;
    std::wstring cacheName;
    std::wstring restartName;
    std::wstring clientName; // ProgName: the client stand-in in <dir>\client\ (not started)
    TestHttpServer server;
};

} // namespace updtest
