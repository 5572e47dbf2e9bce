#pragma once
// The progress window in the bottom-right corner: shows the download, its retries and its end,
// and starts the installation (by itself for a forced update, on the user's click otherwise).
#include <atomic>
#include <memory>

#include "controls/ButtonUI.h"
#include "layout/ContainerUI.h"
#include "controls/LabelUI.h"
#include "ui/QenWndBase.h"
#include "foundation/UpdaterCmdLine.h"
#include "install/zipDownloader.h"

class CUpdaterWnd : public CQenWndBase, public IInstallUi
{
public:
    static const UINT_PTR kProgressTimerId = 1121;
    static const UINT kProgressPeriodMs = 1000;
    static const int kRetryWidth = 360;

    CUpdaterWnd();
    ~CUpdaterWnd() override;

    const wchar_t* QueryClassName() const override;
    UiToolkit::CStringUI QuerySkinFile() override;
    void OnSkinReady() override;
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Notify(UiToolkit::NotifyMsgUI& msg) override;

    void StartDownload(const ZipDwCfg& cfg);
    void UpdateProgress(int percent);
    // Called on the download thread.
    void OnRetry(unsigned attempt);
    void OnFailed();

    // The installation's window steps.
    void ShowInstallFailed() override;
    void ShowUpdateComplete() override;

private:
    void OnProgressTimer();
    void ShowFailedState();

    ZipDwCfg m_cfg;
    std::atomic<int> m_nRetry{0};
    std::shared_ptr<ZipDownloader> m_downloader;
    UiToolkit::CLabelUI* m_pTipsLabel = nullptr;
    UiToolkit::CButtonUI* m_pCloseButton = nullptr;
    UiToolkit::CButtonUI* m_pSkipButton = nullptr;
    UiToolkit::CContainerUI* m_pButtonLayout = nullptr;
    UiToolkit::CContainerUI* m_pProgressLayout = nullptr;
    UiToolkit::CProgressUI* m_pProgress = nullptr;
};
