#pragma once
// The Updater's two modal windows: the notice box and the update-complete window.
#include <string>

#include "controls/ButtonUI.h"
#include "controls/LabelUI.h"
#include "ui/QenWndBase.h"

class CTipsBoxWnd : public CQenWndBase
{
public:
    // Mode 0: confirm only; mode 2: confirm only, its text set by the caller; odd modes also show
    // the cancel button. RunModal gives 1 for confirm or Enter, 2 for cancel, close or Esc.
    CTipsBoxWnd(HWND owner, const std::wstring& text, int mode);
    ~CTipsBoxWnd() override;

    const wchar_t* QueryClassName() const override;
    UiToolkit::CStringUI QuerySkinFile() override;
    void OnSkinReady() override;
    LRESULT OnCreateMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void Notify(UiToolkit::NotifyMsgUI& msg) override;

    UiToolkit::CButtonUI* ConfirmButton() const { return m_pConfirmButton; }

private:
    UiToolkit::CLabelUI* m_pTipsLabel = nullptr;
    UiToolkit::CButtonUI* m_pCancelButton = nullptr;
    UiToolkit::CButtonUI* m_pConfirmButton = nullptr;
    int m_nMode;
    std::wstring m_text;
};

class CLaunchWnd : public CQenWndBase
{
public:
    CLaunchWnd();
    ~CLaunchWnd() override;

    const wchar_t* QueryClassName() const override;
    UiToolkit::CStringUI QuerySkinFile() override;
    void Notify(UiToolkit::NotifyMsgUI& msg) override;
};

// The title of the progress and update-complete windows in the UI language.
const wchar_t* UpdaterWindowTitle();
