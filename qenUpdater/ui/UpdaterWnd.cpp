#include "ui/UpdaterWnd.h"

#include <algorithm>
#include <cstdarg>
#include <cwchar>

#include "ui/QenDialogs.h"
#include "foundation/UpdaterLog.h"
#include "foundation/qenUtil.h"

using UiToolkit::CButtonUI;
using UiToolkit::CContainerUI;
using UiToolkit::CLabelUI;
using UiToolkit::CProgressUI;
using UiToolkit::CStringUI;
using UiToolkit::NotifyMsgUI;

namespace {

// Carries the download thread's failure to the UI thread.
const UINT WM_DOWNLOAD_FAILED = WM_APP + 0x121;
const DWORD kRetryPauseMs = 2000;
const DWORD kInstallDelayMs = 1000;
const size_t kTextChars = 260;

const wchar_t* ModeText(bool forced)
{
    if (ChineseUi())
        return forced ? L"正在为您准备客户端新版本，请稍候......" : L"新版本下载中，建议下载完成后再进入教室";
    return forced ? L"The newest client application is downloading, please wait......"
                  : L"Downloading the newest client application, please wait......";
}

// A text that does not fit is cut at the buffer, never written past it.
std::wstring Format(const wchar_t* format, ...)
{
    wchar_t text[kTextChars];
    va_list args;
    va_start(args, format);
    _vsnwprintf(text, kTextChars, format, args);
    va_end(args);
    text[kTextChars - 1] = L'\0';
    return text;
}

} // namespace

CUpdaterWnd::CUpdaterWnd()
{
    CreateWnd(nullptr, UpdaterWindowTitle(), WS_VISIBLE | WS_OVERLAPPEDWINDOW, WS_EX_WINDOWEDGE);
    SetIconFromResource(kIconResourceId);
}

CUpdaterWnd::~CUpdaterWnd()
{
    // The download thread calls back into this window: it ends before anything else goes.
    m_downloader.reset();
    DestroyIfOpen();
}

const wchar_t* CUpdaterWnd::QueryClassName() const
{
    return L"qen_updater_wnd_class_name";
}

CStringUI CUpdaterWnd::QuerySkinFile()
{
    return SkinFileFor(L"UpdaterWnd");
}

void CUpdaterWnd::OnSkinReady()
{
    m_pTipsLabel = static_cast<CLabelUI*>(m_pm.FindControlByName(L"tipsLabel"));
    m_pCloseButton = static_cast<CButtonUI*>(m_pm.FindControlByName(L"closeButton"));
    m_pSkipButton = static_cast<CButtonUI*>(m_pm.FindControlByName(L"skipButton"));
    m_pButtonLayout = static_cast<CContainerUI*>(m_pm.FindControlByName(L"buttonLayout"));
    m_pProgressLayout = static_cast<CContainerUI*>(m_pm.FindControlByName(L"progressLayout"));
    m_pProgress = static_cast<CProgressUI*>(m_pm.FindControlByName(L"downloadProgress"));
}

void CUpdaterWnd::StartDownload(const ZipDwCfg& cfg)
{
    m_cfg = cfg;
    if (m_cfg.forcedUpdate != 0 && m_pSkipButton != nullptr)
        m_pSkipButton->SetVisible(false);
    m_downloader = std::make_shared<ZipDownloader>(m_cfg);
    m_downloader->retryCallback = [this](unsigned attempt) { OnRetry(attempt); };
    m_downloader->failedCallback = [this]() { OnFailed(); };
    m_downloader->SetInstallUi(this);
    m_downloader->Start();
    ::SetTimer(m_hWnd, kProgressTimerId, kProgressPeriodMs, nullptr);
}

void CUpdaterWnd::OnProgressTimer()
{
    int percent = 0;
    if (m_downloader) {
        DownloadStatus status = m_downloader->GetStatus();
        if (status.total != 0)
            percent = static_cast<int>(std::min<uint64_t>(status.downloaded * 100 / status.total, 100));
    }
    UpdateProgress(percent);
}

void CUpdaterWnd::UpdateProgress(int percent)
{
    if (percent > 100)
        percent = 100;
    int retry = m_nRetry;
    std::wstring suffix;
    if (retry != 0)
        suffix = Format(ChineseUi() ? L"（重试第%d次)" : L"（Retring for %d times)", retry);
    if (retry == 1) {
        RECT rc;
        ::GetWindowRect(m_hWnd, &rc);
        ::SetWindowPos(m_hWnd, nullptr, rc.right - kRetryWidth, rc.top, kRetryWidth, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    std::wstring text = Format(L"%ls...%d%%%ls", ModeText(m_cfg.forcedUpdate != 0), percent, suffix.c_str());
    if (m_pTipsLabel != nullptr)
        m_pTipsLabel->SetText(text.c_str());
    if (m_pProgress != nullptr)
        m_pProgress->SetValue(percent);

    if (!m_downloader || !m_downloader->succeeded)
        return;
    ::KillTimer(m_hWnd, kProgressTimerId);
    if (m_pCloseButton != nullptr)
        m_pCloseButton->SetVisible(true);
    if (m_cfg.forcedUpdate != 0) {
        ::Sleep(kInstallDelayMs);
        m_downloader->DoInstall();
        ::PostQuitMessage(0);
        return;
    }
    if (m_pTipsLabel != nullptr)
        m_pTipsLabel->SetText(ChineseUi() ? L"新版本将在下次启动时安装，您也可以立即安装！"
                                          : L"New version is ready, install now or later");
    if (m_pProgressLayout != nullptr)
        m_pProgressLayout->SetVisible(false);
    if (m_pButtonLayout != nullptr)
        m_pButtonLayout->SetVisible(true);
}

void CUpdaterWnd::OnRetry(unsigned attempt)
{
    m_nRetry = static_cast<int>(attempt);
    ::Sleep(kRetryPauseMs);
}

void CUpdaterWnd::OnFailed()
{
    ::PostMessageW(m_hWnd, WM_DOWNLOAD_FAILED, 0, 0);
}

void CUpdaterWnd::ShowFailedState()
{
    ::KillTimer(m_hWnd, kProgressTimerId);
    if (m_pCloseButton != nullptr)
        m_pCloseButton->SetVisible(true);
}

LRESULT CUpdaterWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kProgressTimerId) {
        OnProgressTimer();
    } else if (message == WM_DOWNLOAD_FAILED) {
        ShowFailedState();
        return 0;
    } else if (message == WM_CLOSE) {
        std::wstring pipe = GetLauncherPipeName();
        if (!pipe.empty())
            (void)qen::WritePipeBuf(pipe, L"msg1:0"); // only a waiting Launcher serves it
        ::PostQuitMessage(0);
        return 1;
    }
    return CQenWndBase::ProcessMessage(message, wParam, lParam);
}

void CUpdaterWnd::Notify(NotifyMsgUI& msg)
{
    if (msg.sType != L"click" || msg.pSender == nullptr)
        return;
    CStringUI name = msg.pSender->GetName();
    if (name == L"closeButton" || name == L"skipButton") {
        ::PostQuitMessage(0);
    } else if (name == L"installButton") {
        if (m_downloader)
            m_downloader->DoInstall();
        ::PostQuitMessage(0);
    }
}

void CUpdaterWnd::ShowInstallFailed()
{
    CTipsBoxWnd box(nullptr,
                    ChineseUi() ? L"升级出问题了,请下载完整安装包~"
                                : L"There are some problems in Updating, Please download full installer from website~",
                    2);
    if (box.ConfirmButton() != nullptr)
        box.ConfirmButton()->SetText(ChineseUi() ? L"前往下载" : L"Go Downloading Page");
    box.RunModal();
}

void CUpdaterWnd::ShowUpdateComplete()
{
    CLaunchWnd launch;
    launch.CenterOnOwner();
    launch.RunModal();
}
