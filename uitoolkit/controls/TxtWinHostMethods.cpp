// The text host methods that reach the window: DC, scroll bars, caret, timers, capture, focus and cursor.
#include "controls/RichEditUI.h"
#include "controls/TxtWinHost.h"
#include "core/WindowManager.h"
#include "layout/ScrollBarUI.h"

namespace UiToolkit {

HDC UI_TXCALL CTxtWinHost::TxGetDC()
{
    CWindowManagerUI* manager = Manager();
    if (manager != NULL && manager->GetWindowDC() != NULL && ::IsWindow(manager->GetWindow()))
        return manager->GetWindowDC();
    // Never the DC of a window that is gone (its resolution reads 0 and the text services divide by it).
    if (m_hScreenDc == NULL)
        m_hScreenDc = ::CreateCompatibleDC(NULL);
    return m_hScreenDc;
}

INT UI_TXCALL CTxtWinHost::TxReleaseDC(HDC)
{
    return 1;
}

void CTxtWinHost::BarVisibilityChanged()
{
    // The text area changes with the bars; while the owner places its parts it settles that itself.
    if (m_pOwner != NULL && !m_bInLayout)
        m_pOwner->NeedUpdate();
}

namespace {

void ShowBar(CScrollBarUI* bar, bool show, bool& changed)
{
    if (bar == NULL || bar->IsVisible() == show)
        return;
    bar->SetVisible(show);
    changed = true;
}

CScrollBarUI* BarOf(CRichEditUI* owner, INT bar)
{
    if (bar == SB_VERT)
        return owner->VerticalBar();
    return bar == SB_HORZ ? owner->HorizontalBar() : NULL;
}

} // namespace

BOOL UI_TXCALL CTxtWinHost::TxShowScrollBar(INT bar, BOOL show)
{
    if (m_pOwner == NULL)
        return FALSE;
    bool changed = false;
    if (bar == SB_VERT || bar == SB_BOTH)
        ShowBar(m_pOwner->VerticalBar(), show == TRUE, changed);
    if (bar == SB_HORZ || bar == SB_BOTH)
        ShowBar(m_pOwner->HorizontalBar(), show == TRUE, changed);
    if (changed)
        BarVisibilityChanged();
    return TRUE;
}

BOOL UI_TXCALL CTxtWinHost::TxEnableScrollBar(INT bars, INT arrows)
{
    if (m_pOwner == NULL)
        return FALSE;
    bool vertical = bars == SB_VERT || bars == SB_BOTH;
    bool horizontal = bars == SB_HORZ || bars == SB_BOTH;
    // Created only when missing: asking for a bar that exists must not start a new layout.
    if ((vertical && m_pOwner->VerticalBar() == NULL) || (horizontal && m_pOwner->HorizontalBar() == NULL))
        m_pOwner->ShowScrollBars(vertical || m_pOwner->VerticalBar() != NULL,
                                 horizontal || m_pOwner->HorizontalBar() != NULL);
    bool changed = false;
    if (vertical)
        ShowBar(m_pOwner->VerticalBar(), arrows != ESB_DISABLE_BOTH, changed);
    if (horizontal)
        ShowBar(m_pOwner->HorizontalBar(), arrows != ESB_DISABLE_BOTH, changed);
    if (changed)
        BarVisibilityChanged();
    return TRUE;
}

BOOL UI_TXCALL CTxtWinHost::TxSetScrollRange(INT bar, LONG minPos, INT maxPos, BOOL)
{
    if (m_pOwner == NULL)
        return FALSE;
    CScrollBarUI* target = BarOf(m_pOwner, bar);
    if (target == NULL)
        return TRUE;
    int extent = bar == SB_VERT ? m_rcClient.bottom - m_rcClient.top : m_rcClient.right - m_rcClient.left;
    int range = maxPos - minPos - extent;
    bool changed = false;
    if (range <= 0) {
        ShowBar(target, false, changed);
    } else {
        ShowBar(target, true, changed);
        target->SetScrollRange(range);
    }
    if (changed)
        BarVisibilityChanged();
    return TRUE;
}

BOOL UI_TXCALL CTxtWinHost::TxSetScrollPos(INT bar, INT pos, BOOL)
{
    if (m_pOwner == NULL)
        return FALSE;
    CScrollBarUI* target = BarOf(m_pOwner, bar);
    if (target != NULL)
        target->SetScrollPos(pos);
    return TRUE;
}

void UI_TXCALL CTxtWinHost::TxInvalidateRect(LPCRECT rect, BOOL)
{
    CWindowManagerUI* manager = Manager();
    if (manager != NULL)
        manager->Invalidate(rect != NULL ? *rect : m_rcClient);
}

void UI_TXCALL CTxtWinHost::TxViewChange(BOOL)
{
    if (m_pOwner != NULL && m_pOwner->AllowsViewChange())
        m_pOwner->Invalidate();
}

BOOL UI_TXCALL CTxtWinHost::TxCreateCaret(HBITMAP bitmap, INT width, INT height)
{
    return ::CreateCaret(Window(), bitmap, width, height);
}

BOOL UI_TXCALL CTxtWinHost::TxShowCaret(BOOL show)
{
    return show ? ::ShowCaret(Window()) : ::HideCaret(Window());
}

BOOL UI_TXCALL CTxtWinHost::TxSetCaretPos(INT x, INT y)
{
    return ::SetCaretPos(x, y);
}

BOOL UI_TXCALL CTxtWinHost::TxSetTimer(UINT id, UINT timeout)
{
    CWindowManagerUI* manager = Manager();
    if (manager == NULL)
        return FALSE;
    m_flags |= FLAG_TIMER;
    return manager->SetTimerFor(m_pOwner, id, timeout) ? TRUE : FALSE;
}

void UI_TXCALL CTxtWinHost::TxKillTimer(UINT id)
{
    CWindowManagerUI* manager = Manager();
    if (manager != NULL)
        manager->KillTimerFor(m_pOwner, id);
    m_flags &= ~FLAG_TIMER;
}

void UI_TXCALL CTxtWinHost::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) {}

void UI_TXCALL CTxtWinHost::TxSetCapture(BOOL capture)
{
    CWindowManagerUI* manager = Manager();
    if (manager == NULL)
        return;
    if (capture)
        manager->SetCapture(m_pOwner);
    else
        manager->ReleaseCapture();
    SetFlag(FLAG_CAPTURED, capture != FALSE);
}

void UI_TXCALL CTxtWinHost::TxSetFocus()
{
    if (m_pOwner != NULL)
        m_pOwner->SetFocus();
}

void UI_TXCALL CTxtWinHost::TxSetCursor(HCURSOR cursor, BOOL)
{
    ::SetCursor(cursor);
}

BOOL UI_TXCALL CTxtWinHost::TxScreenToClient(LPPOINT pt)
{
    return ::ScreenToClient(Window(), pt);
}

BOOL UI_TXCALL CTxtWinHost::TxClientToScreen(LPPOINT pt)
{
    return ::ClientToScreen(Window(), pt);
}

HRESULT UI_TXCALL CTxtWinHost::TxActivate(LONG*)
{
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::TxDeactivate(LONG)
{
    return S_OK;
}

COLORREF UI_TXCALL CTxtWinHost::TxGetSysColor(int index)
{
    return ::GetSysColor(index);
}

HRESULT UI_TXCALL CTxtWinHost::OnTxCharFormatChange(const CHARFORMATW*)
{
    return S_OK;
}

HRESULT UI_TXCALL CTxtWinHost::OnTxParaFormatChange(const PARAFORMAT*)
{
    return S_OK;
}

HIMC UI_TXCALL CTxtWinHost::TxImmGetContext()
{
    return NULL;
}

void UI_TXCALL CTxtWinHost::TxImmReleaseContext(HIMC) {}

} // namespace UiToolkit
