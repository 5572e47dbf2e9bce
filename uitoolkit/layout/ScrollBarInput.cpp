#include "layout/ScrollBarUI.h"
#include "layout/ContainerUI.h"
#include "layout/DisabledMouse.h"
#include "core/WindowManager.h"

namespace UiToolkit {

namespace {

const UINT REPEAT_TIMER = 10;
const UINT REPEAT_ELAPSE = 50;
// Ticks a held button waits before it repeats.
const int REPEAT_DELAY = 5;
const UINT THUMB_CAPTURED = UISTATE_CAPTURED | UISTATE_PUSHED;

} // namespace

void CScrollBarUI::StepBack()
{
    if (m_pOwner == NULL)
        SetScrollPos(m_nScrollPos - m_nLineSize);
    else if (m_bHorizontal)
        m_pOwner->ScrollLineLeft();
    else
        m_pOwner->ScrollLineUp();
}

void CScrollBarUI::StepForward()
{
    if (m_pOwner == NULL)
        SetScrollPos(m_nScrollPos + m_nLineSize);
    else if (m_bHorizontal)
        m_pOwner->ScrollLineRight();
    else
        m_pOwner->ScrollLineDown();
}

void CScrollBarUI::PageBack()
{
    if (m_pOwner == NULL)
        SetScrollPos(m_nScrollPos - (m_bHorizontal ? GetWidth() : GetHeight()));
    else if (m_bHorizontal)
        m_pOwner->ScrollPageLeft();
    else
        m_pOwner->ScrollPageUp();
}

void CScrollBarUI::PageForward()
{
    if (m_pOwner == NULL)
        SetScrollPos(m_nScrollPos + (m_bHorizontal ? GetWidth() : GetHeight()));
    else if (m_bHorizontal)
        m_pOwner->ScrollPageRight();
    else
        m_pOwner->ScrollPageDown();
}

void CScrollBarUI::PageTowards(POINT pt)
{
    if (m_bHorizontal ? pt.x < m_rcThumb.left : pt.y < m_rcThumb.top)
        PageBack();
    else if (m_bHorizontal ? pt.x > m_rcThumb.right : pt.y > m_rcThumb.bottom)
        PageForward();
}

void CScrollBarUI::RaiseScroll()
{
    if (m_pOwner == NULL && m_pManager != NULL)
        m_pManager->RaiseNotification(this, L"scroll");
}

void CScrollBarUI::OnButtonDown(POINT pt)
{
    m_nLastScrollOffset = 0;
    m_nScrollRepeatDelay = 0;
    if (m_pManager != NULL)
        m_pManager->SetTimerFor(this, REPEAT_TIMER, REPEAT_ELAPSE);
    if (PtInRect(&m_rcButton1, pt)) {
        m_button1.state |= UISTATE_PUSHED;
        StepBack();
    } else if (PtInRect(&m_rcButton2, pt)) {
        m_button2.state |= UISTATE_PUSHED;
        StepForward();
    } else if (PtInRect(&m_rcThumb, pt)) {
        m_thumb.state |= THUMB_CAPTURED;
        m_ptLastMouse = pt;
        m_nLastScrollPos = m_nScrollPos;
    } else {
        PageTowards(pt);
    }
    RaiseScroll();
}

void CScrollBarUI::OnButtonUp()
{
    m_nLastScrollOffset = 0;
    m_nScrollRepeatDelay = 0;
    if (m_pManager != NULL)
        m_pManager->KillTimerFor(this, REPEAT_TIMER);
    if (m_thumb.state & UISTATE_CAPTURED)
        m_thumb.state &= ~THUMB_CAPTURED;
    else if (m_button1.state & UISTATE_PUSHED)
        m_button1.state &= ~UISTATE_PUSHED;
    else if (m_button2.state & UISTATE_PUSHED)
        m_button2.state &= ~UISTATE_PUSHED;
    else
        return;
    Invalidate();
}

void CScrollBarUI::OnMouseMove(POINT pt)
{
    if (m_thumb.state & UISTATE_CAPTURED) {
        // The thumb travels the rail between the buttons, hidden buttons taking no room.
        int rail = m_bHorizontal ? m_rcButton2.left - m_rcButton1.right : m_rcButton2.top - m_rcButton1.bottom;
        int thumb = m_bHorizontal ? m_rcThumb.right - m_rcThumb.left : m_rcThumb.bottom - m_rcThumb.top;
        int free = rail - thumb;
        if (free <= 0)
            return;
        int moved = m_bHorizontal ? pt.x - m_ptLastMouse.x : pt.y - m_ptLastMouse.y;
        m_nLastScrollOffset = static_cast<int>(static_cast<LONGLONG>(moved) * m_nRange / free);
        return;
    }
    bool over = PtInRect(&m_rcThumb, pt) != FALSE;
    if ((m_thumb.state & UISTATE_HOT) && !over)
        m_thumb.state &= ~UISTATE_HOT;
    if (IsEnabled() && over)
        m_thumb.state |= UISTATE_HOT;
    Invalidate();
}

void CScrollBarUI::OnRepeatTick()
{
    // A release the bar never saw (capture taken away, a modal loop) must not leave it paging.
    if (::GetKeyState(VK_LBUTTON) >= 0) {
        OnButtonUp();
        return;
    }
    ++m_nScrollRepeatDelay;
    if (m_thumb.state & UISTATE_CAPTURED) {
        int position = m_nLastScrollPos + m_nLastScrollOffset;
        if (m_pOwner != NULL) {
            SIZE offset = m_pOwner->GetScrollOffset();
            if (m_bHorizontal)
                offset.cx = position;
            else
                offset.cy = position;
            m_pOwner->SetScrollOffset(offset);
        } else {
            SetScrollPos(position);
        }
        Invalidate();
    } else if (m_nScrollRepeatDelay <= REPEAT_DELAY) {
        return;
    } else if (m_button1.state & UISTATE_PUSHED) {
        StepBack();
    } else if (m_button2.state & UISTATE_PUSHED) {
        StepForward();
    } else {
        POINT pt;
        ::GetCursorPos(&pt);
        if (m_pManager != NULL)
            ::ScreenToClient(m_pManager->GetWindow(), &pt);
        PageTowards(pt);
    }
    RaiseScroll();
}

void CScrollBarUI::OnEvent(InputEventUI& event)
{
    if (PassDisabledMouse(*this, m_pOwner, event))
        return;
    switch (event.type) {
    case UIEVENT_KILLFOCUS:
    case UIEVENT_SETFOCUS:
    case UIEVENT_CONTEXTMENU:
        return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled())
            OnButtonDown(event.ptMouse);
        return;
    case UIEVENT_BUTTONUP:
        OnButtonUp();
        return;
    case UIEVENT_MOUSEMOVE:
        OnMouseMove(event.ptMouse);
        return;
    case UIEVENT_TIMER:
        if (event.wParam == REPEAT_TIMER) {
            OnRepeatTick();
            return;
        }
        break;
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) {
            m_button1.state |= UISTATE_HOT;
            m_button2.state |= UISTATE_HOT;
            if (PtInRect(&m_rcThumb, event.ptMouse))
                m_thumb.state |= UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSELEAVE:
        m_button1.state &= ~UISTATE_HOT;
        m_button2.state &= ~UISTATE_HOT;
        m_thumb.state &= ~UISTATE_HOT;
        Invalidate();
        return;
    default:
        break;
    }
    if (m_pOwner != NULL)
        m_pOwner->OnEvent(event);
    else
        CControlUI::OnEvent(event);
}

} // namespace UiToolkit
