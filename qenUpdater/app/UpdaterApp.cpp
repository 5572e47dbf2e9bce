#include "app/UpdaterApp.h"

#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "foundation/ConfigParser.h"
#include "app/SingleInstance.h"
#include "foundation/UpdaterCmdLine.h"
#include "foundation/UpdaterLog.h"
#include "core/WindowManager.h"
#include "foundation/qenUtil.h"
#include "ui/QenDialogs.h"
#include "ui/UpdaterWnd.h"

namespace {

const int kExitRefused = -1;

int ArgumentCount()
{
    int count = 0;
    HLOCAL args = reinterpret_cast<HLOCAL>(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (args != nullptr)
        ::LocalFree(args);
    return count;
}

// Bottom-right corner of the work area, measured by its width and height.
void PlaceInCorner(HWND wnd)
{
    RECT work;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT rc;
    ::GetWindowRect(wnd, &rc);
    int x = (work.right - work.left) - (rc.right - rc.left);
    int y = (work.bottom - work.top) - (rc.bottom - rc.top);
    ::SetWindowPos(wnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

// Forced update with notice: tell the user, then stop the client however the box was closed.
void NoticeAndStopClient()
{
    HWND client = ::FindWindowW(L"kastrelumion", nullptr);
    {
        CTipsBoxWnd box(client,
                        ChineseUi() ? L"您的客户端版本不可用，将更新至最新版本。"
                                    : L"Your client will be upgraded to the newest version.",
                        0);
        box.CenterOnOwner();
        box.RunModal();
    }
    (void)qen::KillClient(); // logs its result; the installation waits for the client in StopClient
}

} // namespace

CUpdaterApp::CUpdaterApp(HINSTANCE instance) : m_hInstance(instance), m_pipeServer(&GetCachePipeName) {}

CUpdaterApp::~CUpdaterApp()
{
    m_hInstanceMutex.Reset();
    m_pipeServer.Stop();
}

bool CUpdaterApp::ClaimInstance()
{
    return ClaimSingleInstance(m_hInstanceMutex);
}

bool CUpdaterApp::Run(const wchar_t* cmdLine)
{
    (void)m_pipeServer.Start(); // logged when it fails; the update runs on without the CU_ pipe
    UiToolkit::CWindowManagerUI::SetModuleInstance(m_hInstance);
    UiToolkit::CWindowManagerUI::SetResourceFolder(UiToolkit::CWindowManagerUI::GetModuleFolder());

    ZipDwCfg cfg = parseZipConf(cmdLine);
    ConfigParser::GetInstance();
    if (cfg.forcedUpdate == 1)
        NoticeAndStopClient();

    std::unique_ptr<CUpdaterWnd> wnd(new CUpdaterWnd());
    wnd->ShowWnd(false, true);
    PlaceInCorner(*wnd);
    wnd->StartDownload(cfg);
    wnd->ShowWnd(true, true);
    ::SetActiveWindow(*wnd);
    ::SetForegroundWindow(*wnd);
    UiToolkit::CWindowManagerUI::RunMessageLoop();
    wnd.reset();
    return true;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR cmdLine, int)
{
    InitLog();
    if (FAILED(::CoInitialize(nullptr)))
        return kExitRefused;
    int result = 0;
    {
        CUpdaterApp app(instance);
        if (!WaitForUpdaterTurn() || !app.ClaimInstance() || ArgumentCount() <= 1) {
            result = kExitRefused;
        } else {
            app.Run(cmdLine);
            ::CoUninitialize();
        }
    }
    return result;
}
