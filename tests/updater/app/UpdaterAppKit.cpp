#include "UpdaterAppKit.h"

#include "ProbeRunner.h"

namespace updtest {

namespace {

struct ClassSearch
{
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND wnd, LPARAM param)
{
    ClassSearch* search = reinterpret_cast<ClassSearch*>(param);
    wchar_t name[128] = {0};
    ::GetClassNameW(wnd, name, 128);
    if (wcscmp(name, search->className) == 0 && ::IsWindowVisible(wnd)) {
        search->found = wnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND WaitForWindowOfClass(const wchar_t* className, DWORD timeoutMs)
{
    ClassSearch search = {className, nullptr};
    testkit::WaitFor(
        [&] {
            ::EnumWindows(&MatchClass, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

bool WaitWindowGone(HWND wnd, DWORD timeoutMs)
{
    return testkit::WaitFor([&] { return !::IsWindow(wnd); }, timeoutMs);
}

UpdaterInstall::UpdaterInstall()
    : launchName(UniqueName(L"Launch")), cacheName(UniqueName(L"Cache")), restartName(UniqueName(L"restart") + L".exe"),
      clientName(UniqueName(L"client") + L".exe")
{
    testkit::MakeDirs(dir / L"upd\\");
    testkit::MakeDirs(dir / L"restart\\");
    testkit::MakeDirs(dir / L"target\\");
    testkit::MakeDirs(dir / L"client\\");
    testkit::CopyFileTo(testkit::TestsDir() + L"ClientStub.exe", ClientPath());
    testkit::CopyFileTo(testkit::BinDir() + L"Updater.exe", UpdaterPath());
    testkit::CopyFileTo(testkit::BinDir() + L"zlib.dll", dir / L"upd\\zlib.dll");
    testkit::CopyFileTo(testkit::TestsDir() + L"ClientStub.exe", dir / (L"restart\\" + restartName));
    WriteProductConfig(dir / L"upd\\", "<ProgName>" + Narrow(clientName) + "</ProgName><LaunchName>" +
                                           Narrow(launchName) + "</LaunchName><CacheName>" + Narrow(cacheName) +
                                           "</CacheName>");
    package = ReadBytes(testkit::TestsDir() + L"extract-package.zip");
    server.SetBody(package);
}

UpdaterInstall::~UpdaterInstall()
{
    // Only what runs from this install: other tests run programs named Updater.exe too.
    testkit::KillProcesses(L"Updater.exe", dir.Path());
    testkit::KillProcesses(restartName);
    testkit::KillProcesses(clientName);
}

std::wstring UpdaterInstall::Args(int forcedUpdate, const std::string& md5) const
{
    return L"-url=http://" + Widen(server.HostText()) + L"/full.zip -md5=" + Widen(md5) +
           L" -pagecallparam=\"x=1\" -forcedupdate=" + std::to_wstring(forcedUpdate) + L" -clientexe=" +
           Quote(dir / (L"restart\\" + restartName)) + L" -extractpath=" + Quote(TargetDir());
}

} // namespace updtest
