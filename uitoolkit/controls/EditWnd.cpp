#include "controls/EditUI.h"
#include "core/ManagerShared.h"
#include "core/WindowManager.h"

#include <vector>

namespace UiToolkit {

namespace {

const UINT OCM_COMMAND_UI = 0x2111;
const UINT OCM_CTLCOLOREDIT_UI = 0x2133;
const UINT OCM_CTLCOLORSTATIC_UI = 0x2138;

} // namespace

CEditWnd::CEditWnd() : m_pOwner(NULL), m_hBkBrush(NULL), m_bInit(false) {}

RECT CEditWnd::EditRect() const
{
    RECT rc = m_pOwner->GetPos();
    RECT padding = m_pOwner->m_rcTextPadding;
    rc.left += padding.left;
    rc.top += padding.top;
    rc.right -= padding.right;
    rc.bottom -= padding.bottom;
    CWindowManagerUI* manager = m_pOwner->GetOwnerManager();
    LONG height = manager->GetFontInfo(m_pOwner->m_iFont)->tm.tmHeight;
    if (height < rc.bottom - rc.top) {
        rc.top += (rc.bottom - rc.top - height) / 2;
        rc.bottom = rc.top + height;
    }
    return rc;
}

void CEditWnd::Init(CEditUI* owner)
{
    m_pOwner = owner;
    CWindowManagerUI* manager = owner->GetOwnerManager();
    // A control removed by its own focus handlers has no window to open the native box in.
    if (manager == NULL || ::IsWindow(manager->GetWindow()) == FALSE) {
        FinishWithoutWindow();
        return;
    }
    // Handlers reached from here (the parent hears of its new child, of the text and of the focus) may destroy
    // the window or its parent, or remove the owner, which detaches this object and closes its window. This
    // object and the manager stay until the end; the object is finished then if its window went.
    Hold self(this);
    ManagerBusy busy(manager->GetWindow());
    DWORD style = WS_CHILD | ES_AUTOHSCROLL;
    if (owner->IsPasswordMode())
        style |= ES_PASSWORD;
    if (CreateWndInRect(manager->GetWindow(), NULL, style, 0, EditRect()) == NULL) {
        FinishWithoutWindow();
        return;
    }
    SendMsg(WM_SETFONT, reinterpret_cast<WPARAM>(manager->GetFont(owner->m_iFont)), TRUE);
    SendMsg(EM_LIMITTEXT, owner->GetMaxChar());
    if (owner->IsPasswordMode())
        SendMsg(EM_SETPASSWORDCHAR, owner->GetPasswordChar());
    ::SetWindowTextW(m_hWnd, owner->GetText());
    if (m_hWnd == NULL || m_pOwner == NULL)
        return;
    SendMsg(EM_SETMODIFY, FALSE);
    SendMsg(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    ::EnableWindow(m_hWnd, owner->IsEnabled());
    if (m_hWnd == NULL || m_pOwner == NULL)
        return;
    SendMsg(EM_SETREADONLY, owner->IsReadOnly());
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | owner->GetWindowStyles());
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    if (m_hWnd == NULL || m_pOwner == NULL)
        return;
    ::SetFocus(m_hWnd);
    m_bInit = m_hWnd != NULL && m_pOwner != NULL;
}

LRESULT CEditWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KILLFOCUS: {
        LRESULT result = ::DefWindowProcW(m_hWnd, message, wParam, lParam);
        PostMsg(WM_CLOSE);
        return result;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            if (m_pOwner != NULL && m_pOwner->GetOwnerManager() != NULL)
                m_pOwner->GetOwnerManager()->RaiseNotification(m_pOwner, L"return");
            return 0;
        }
        break;
    case OCM_COMMAND_UI:
        if (HIWORD(wParam) == EN_CHANGE) {
            if (m_bInit && m_pOwner != NULL) {
                int length = ::GetWindowTextLengthW(m_hWnd) + 1;
                std::vector<wchar_t> text(length, L'\0');
                ::GetWindowTextW(m_hWnd, text.data(), length);
                // The native window shows it; the control repaints when the window closes.
                m_pOwner->m_sText = text.data();
                if (m_pOwner->GetOwnerManager() != NULL)
                    m_pOwner->GetOwnerManager()->RaiseNotification(m_pOwner, L"textchanged");
            }
            return 0;
        }
        if (HIWORD(wParam) == EN_UPDATE) {
            ::InvalidateRect(m_hWnd, NULL, FALSE);
            return 0;
        }
        break;
    case OCM_CTLCOLOREDIT_UI:
    case OCM_CTLCOLORSTATIC_UI: {
        if (m_pOwner == NULL || m_pOwner->GetNativeBkColor() == 0xFFFFFFFF)
            return 0;
        HDC hdc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(hdc, TRANSPARENT);
        DWORD color = m_pOwner->GetTextColor();
        ::SetTextColor(hdc, RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF));
        if (m_hBkBrush == NULL) {
            DWORD bk = m_pOwner->GetNativeBkColor();
            m_hBkBrush = ::CreateSolidBrush(RGB((bk >> 16) & 0xFF, (bk >> 8) & 0xFF, bk & 0xFF));
        }
        return reinterpret_cast<LRESULT>(m_hBkBrush);
    }
    default:
        break;
    }
    return CWindowWnd::ProcessMessage(message, wParam, lParam);
}

void CEditWnd::OnWindowGone(HWND hWnd)
{
    CWindowWnd::OnWindowGone(hWnd);
    if (m_pOwner != NULL) {
        m_pOwner->Invalidate();
        m_pOwner->m_pWindow = NULL;
    }
    if (m_hBkBrush != NULL)
        ::DeleteObject(m_hBkBrush);
    delete this;
}

} // namespace UiToolkit
