#include "ui/QenDialogs.h"

using UiToolkit::CButtonUI;
using UiToolkit::CLabelUI;
using UiToolkit::CStringUI;
using UiToolkit::NotifyMsgUI;

namespace {

const DWORD kTipsStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
const DWORD kTipsExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
const DWORD kMainStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
const DWORD kMainExStyle = WS_EX_WINDOWEDGE;
const DWORD kConfirmHotTextColor = 0xFFFFFF;
const DWORD kConfirmPushedTextColor = 0xB2C3CC;

CStringUI SenderName(const NotifyMsgUI& msg)
{
    return msg.pSender != nullptr ? msg.pSender->GetName() : CStringUI();
}

} // namespace

const wchar_t* UpdaterWindowTitle()
{
    return ChineseUi() ? L"升级程序" : L"Update Program";
}

CTipsBoxWnd::CTipsBoxWnd(HWND owner, const std::wstring& text, int mode) : m_nMode(mode), m_text(text)
{
    CreateWnd(owner, L"Kastrel提示", kTipsStyle, kTipsExStyle);
}

CTipsBoxWnd::~CTipsBoxWnd()
{
    DestroyIfOpen();
}

const wchar_t* CTipsBoxWnd::QueryClassName() const
{
    return L"qen_updater_tips_wnd_class_name";
}

CStringUI CTipsBoxWnd::QuerySkinFile()
{
    return SkinFileFor(L"TipsBoxWnd");
}

void CTipsBoxWnd::OnSkinReady()
{
    m_pTipsLabel = static_cast<CLabelUI*>(m_pm.FindControlByName(L"tipsLabel"));
    m_pCancelButton = static_cast<CButtonUI*>(m_pm.FindControlByName(L"cancelButton"));
    m_pConfirmButton = static_cast<CButtonUI*>(m_pm.FindControlByName(L"confirmButton"));
    if (m_pConfirmButton != nullptr) {
        m_pConfirmButton->SetText(m_nMode == 2 ? L"" : L"确定");
        m_pConfirmButton->SetTextColor(0);
        m_pConfirmButton->SetHotTextColor(kConfirmHotTextColor);
        m_pConfirmButton->SetPushedTextColor(kConfirmPushedTextColor);
    }
    if (m_pCancelButton != nullptr)
        m_pCancelButton->SetVisible((m_nMode & 1) != 0);
    if (m_pTipsLabel != nullptr)
        m_pTipsLabel->SetText(m_text.c_str());
}

LRESULT CTipsBoxWnd::OnCreateMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    LRESULT result = CQenWndBase::OnCreateMsg(message, wParam, lParam, handled);
    CenterOnOwner();
    return result;
}

void CTipsBoxWnd::Notify(NotifyMsgUI& msg)
{
    if (msg.sType != L"click")
        return;
    CStringUI name = SenderName(msg);
    if (name == L"closeButton" || name == L"cancelButton")
        PostClose(2);
    else if (name == L"confirmButton")
        PostClose(1);
}

CLaunchWnd::CLaunchWnd()
{
    CreateWnd(nullptr, UpdaterWindowTitle(), kMainStyle, kMainExStyle);
    SetIconFromResource(kIconResourceId);
}

CLaunchWnd::~CLaunchWnd()
{
    DestroyIfOpen();
}

const wchar_t* CLaunchWnd::QueryClassName() const
{
    return L"qen_updater_launch_wnd_class_name";
}

CStringUI CLaunchWnd::QuerySkinFile()
{
    return SkinFileFor(L"LaunchWnd");
}

void CLaunchWnd::Notify(NotifyMsgUI& msg)
{
    // Only clicks: the close button takes the focus when the window opens, and a focus
    // notification must not close it. "Open now" closes it too: the client starts after it.
    if (msg.sType != L"click")
        return;
    CStringUI name = SenderName(msg);
    if (name == L"closeButton" || name == L"launchButton")
        PostClose(1);
}
