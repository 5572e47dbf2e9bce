// Rich edit input: the message filter, input events, Enter handling, notifications and scrolling.
#include "controls/RichEditUI.h"
#include "controls/TxtWinHost.h"
#include "layout/DisabledMouse.h"
#include "layout/ScrollBarUI.h"

#include <windowsx.h>

namespace UiToolkit {

namespace {

bool IsMouseMessage(UINT message)
{
    return message >= WM_MOUSEMOVE && message <= WM_XBUTTONDBLCLK;
}

bool IsKeyMessage(UINT message)
{
    return message >= WM_KEYDOWN && message <= 0x108; // the key range before WM_UNICHAR
}

} // namespace

HRESULT CRichEditUI::TxSendMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) const
{
    if (m_pTwh == NULL)
        return S_FALSE;
    if (msg == WM_KEYDOWN && wParam == VK_RETURN) {
        bool ctrl = GetKeyState(VK_CONTROL) < 0;
        if (!m_bWantReturn || (ctrl && !m_bWantCtrlReturn)) {
            if (m_pManager != NULL)
                m_pManager->RaiseNotification(const_cast<CRichEditUI*>(this), L"return");
            return S_OK;
        }
    }
    LRESULT ignored = 0;
    return m_pTwh->GetTextServices()->TxSendMessage(msg, wParam, lParam, result != NULL ? result : &ignored);
}

void CRichEditUI::OnTxNotify(DWORD code, void* record)
{
    bool forwarded = code == EN_MSGFILTER || (code >= EN_SELCHANGE && code <= EN_PROTECTED) || code == EN_STOPNOUNDO ||
                     (code >= EN_SAVECLIPBOARD && code <= EN_DRAGDROPDONE);
    // Some codes come without a record (the stop-undo code may): there is no header to fill.
    if (!forwarded || record == NULL || m_pManager == NULL)
        return;
    HWND window = m_pManager->GetWindow();
    NMHDR* header = static_cast<NMHDR*>(record);
    header->hwndFrom = window;
    header->idFrom = static_cast<UINT_PTR>(GetWindowLongPtrW(window, GWL_ID));
    header->code = code;
    ::SendMessageW(window, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(record));
}

LRESULT CRichEditUI::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (m_pTwh == NULL || m_pManager == NULL || !IsVisible() || !IsEnabled())
        return 0;
    bool mouse = IsMouseMessage(message);
    if (mouse && !IsMouseEnabled())
        return 0;
    // A plain wheel turn scrolls the container through the input events.
    if (message == WM_MOUSEWHEEL && !(GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL))
        return 0;
    bool decided = false;
    if (mouse || message == WM_SETCURSOR) {
        if (!m_pTwh->IsCaptured()) {
            POINT pt;
            if (message == WM_SETCURSOR) {
                // Its lParam holds the hit-test code and the mouse message, not a point.
                GetCursorPos(&pt);
                ::ScreenToClient(m_pManager->GetWindow(), &pt);
            } else {
                pt.x = GET_X_LPARAM(lParam);
                pt.y = GET_Y_LPARAM(lParam);
                if (message == WM_MOUSEWHEEL)
                    ::ScreenToClient(m_pManager->GetWindow(), &pt);
            }
            if (message >= WM_LBUTTONDOWN && message <= WM_RBUTTONUP && m_pManager->FindControlAt(pt) != this)
                return 0;
            if (!PtInRect(&m_pTwh->GetClientRect(), pt) || m_pManager->IsCaptured())
                return 0;
        }
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN)
            SetFocus();
        decided = message != WM_SETCURSOR;
    } else if (IsKeyMessage(message) || message == WM_IME_CHAR) {
        if (!IsFocused())
            return 0;
        decided = true;
    } else if (message == WM_CONTEXTMENU) {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ScreenToClient(m_pManager->GetWindow(), &pt);
        if (m_pManager->FindControlAt(pt) != this)
            return 0;
        decided = true;
    } else if (message != WM_HELP) {
        return 0; // WM_HELP is passed on but never marked handled
    }
    LRESULT result = 0;
    HRESULT hr = TxSendMessage(message, wParam, lParam, &result);
    if (hr == S_OK || IsKeyMessage(message))
        handled = decided;
    else if (message == WM_IME_CHAR)
        handled = decided;
    else if (mouse)
        handled = decided && m_pTwh != NULL && m_pTwh->IsCaptured();
    return result;
}

void CRichEditUI::OnEvent(InputEventUI& event)
{
    if (PassDisabledMouse(*this, m_pParent, event))
        return;
    switch (event.type) {
    case UIEVENT_SETCURSOR:
        if (IsEnabled() && m_pTwh != NULL && m_pTwh->SetCursorAt(NULL, event.ptMouse))
            return;
        break;
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS: {
        bool focus = event.type == UIEVENT_SETFOCUS;
        if (m_pTwh != NULL) {
            // Activating again lays out the whole text anew, a cost of the text's square for a long paragraph.
            if (!m_pTwh->IsInPlaceActive())
                m_pTwh->ActivateInPlace(NULL);
            TxSendMessage(focus ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, NULL);
        }
        m_bFocused = focus;
        Invalidate();
        return;
    }
    case UIEVENT_TIMER:
        if (m_pTwh != NULL)
            TxSendMessage(WM_TIMER, event.wParam, event.lParam, NULL);
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_BUTTONUP:
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
    case UIEVENT_KEYDOWN:
    case UIEVENT_KEYUP:
    case UIEVENT_CHAR:
    case UIEVENT_SYSKEY:
        return;
    case UIEVENT_SCROLLWHEEL:
        if (event.wKeyState & MK_CONTROL)
            return;
        break;
    default:
        break;
    }
    CContainerUI::OnEvent(event);
}

void CRichEditUI::SendScroll(UINT msg, WORD code)
{
    TxSendMessage(msg, code, 0, NULL);
}

void CRichEditUI::SetScrollOffset(SIZE offset)
{
    if (m_pTwh == NULL) {
        CContainerUI::SetScrollOffset(offset);
        return;
    }
    if (IsBarShown(m_pVerticalScrollBar)) {
        int old = m_pVerticalScrollBar->GetScrollPos();
        m_pVerticalScrollBar->SetScrollPos(offset.cy);
        int pos = m_pVerticalScrollBar->GetScrollPos();
        if (pos != old) {
            TxSendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos), 0, NULL);
            // Plain text may settle on a line above the asked position.
            if (!m_bRich && pos > old && m_pVerticalScrollBar->GetScrollPos() < pos)
                m_pVerticalScrollBar->SetScrollPos(pos);
        }
    }
    if (IsBarShown(m_pHorizontalScrollBar)) {
        int old = m_pHorizontalScrollBar->GetScrollPos();
        m_pHorizontalScrollBar->SetScrollPos(offset.cx);
        int pos = m_pHorizontalScrollBar->GetScrollPos();
        if (pos != old)
            TxSendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos), 0, NULL);
    }
}

void CRichEditUI::ScrollLineUp()
{
    if (m_pTwh == NULL)
        return CContainerUI::ScrollLineUp();
    SendScroll(WM_VSCROLL, SB_LINEUP);
}

void CRichEditUI::ScrollLineDown()
{
    if (m_pTwh == NULL)
        return CContainerUI::ScrollLineDown();
    int before = VerticalScrollPos();
    SendScroll(WM_VSCROLL, SB_LINEDOWN);
    // Plain text does not always report the last line: take the bar to its end.
    if (!m_bRich && IsBarShown(m_pVerticalScrollBar) && m_pVerticalScrollBar->GetScrollPos() <= before)
        m_pVerticalScrollBar->SetScrollPos(m_pVerticalScrollBar->GetScrollRange());
}

#define RICHEDIT_SCROLL_STEP(name, msg, code)                                                                          \
    void CRichEditUI::name()                                                                                           \
    {                                                                                                                  \
        if (m_pTwh == NULL)                                                                                            \
            return CContainerUI::name();                                                                               \
        SendScroll(msg, code);                                                                                         \
    }

RICHEDIT_SCROLL_STEP(ScrollPageUp, WM_VSCROLL, SB_PAGEUP)
RICHEDIT_SCROLL_STEP(ScrollPageDown, WM_VSCROLL, SB_PAGEDOWN)
RICHEDIT_SCROLL_STEP(ScrollToTop, WM_VSCROLL, SB_TOP)
RICHEDIT_SCROLL_STEP(ScrollToBottom, WM_VSCROLL, SB_BOTTOM)
RICHEDIT_SCROLL_STEP(ScrollLineLeft, WM_HSCROLL, SB_LINELEFT)
RICHEDIT_SCROLL_STEP(ScrollLineRight, WM_HSCROLL, SB_LINERIGHT)
RICHEDIT_SCROLL_STEP(ScrollPageLeft, WM_HSCROLL, SB_PAGELEFT)
RICHEDIT_SCROLL_STEP(ScrollPageRight, WM_HSCROLL, SB_PAGERIGHT)
RICHEDIT_SCROLL_STEP(ScrollToLeftEnd, WM_HSCROLL, SB_LEFT)
RICHEDIT_SCROLL_STEP(ScrollToRightEnd, WM_HSCROLL, SB_RIGHT)

#undef RICHEDIT_SCROLL_STEP

} // namespace UiToolkit
