#include "layout/ContainerUI.h"
#include "layout/ScrollBarUI.h"
#include "layout/DisabledMouse.h"
#include "core/WindowManager.h"

#include <stdlib.h>

namespace UiToolkit {

bool CContainerUI::IsBarShown(const CScrollBarUI* bar) const
{
    return bar != NULL && bar->IsVisible();
}

int CContainerUI::VerticalScrollPos() const
{
    return IsBarShown(m_pVerticalScrollBar) ? m_pVerticalScrollBar->GetScrollPos() : 0;
}

int CContainerUI::HorizontalScrollPos() const
{
    return IsBarShown(m_pHorizontalScrollBar) ? m_pHorizontalScrollBar->GetScrollPos() : 0;
}

int CContainerUI::HorizontalScrollRange() const
{
    return IsBarShown(m_pHorizontalScrollBar) ? m_pHorizontalScrollBar->GetScrollRange() : 0;
}

RECT CContainerUI::InsetRect() const
{
    RECT rc = {m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top, m_rcItem.right - m_rcInset.right,
               m_rcItem.bottom - m_rcInset.bottom};
    return rc;
}

RECT CContainerUI::InnerRect() const
{
    RECT inner = InsetRect();
    if (IsBarShown(m_pVerticalScrollBar))
        inner.right -= m_pVerticalScrollBar->GetFixedWidth();
    if (IsBarShown(m_pHorizontalScrollBar))
        inner.bottom -= m_pHorizontalScrollBar->GetFixedHeight();
    return inner;
}

SIZE CContainerUI::GetScrollOffset() const
{
    SIZE offset = {HorizontalScrollPos(), VerticalScrollPos()};
    return offset;
}

SIZE CContainerUI::GetScrollExtent() const
{
    SIZE extent = {HorizontalScrollRange(),
                   IsBarShown(m_pVerticalScrollBar) ? m_pVerticalScrollBar->GetScrollRange() : 0};
    return extent;
}

void CContainerUI::SetScrollOffset(SIZE offset)
{
    int dx = 0, dy = 0;
    if (IsBarShown(m_pVerticalScrollBar)) {
        int old = m_pVerticalScrollBar->GetScrollPos();
        m_pVerticalScrollBar->SetScrollPos(offset.cy);
        dy = m_pVerticalScrollBar->GetScrollPos() - old;
    }
    if (IsBarShown(m_pHorizontalScrollBar)) {
        int old = m_pHorizontalScrollBar->GetScrollPos();
        m_pHorizontalScrollBar->SetScrollPos(offset.cx);
        dx = m_pHorizontalScrollBar->GetScrollPos() - old;
    }
    if (dx == 0 && dy == 0)
        return;
    for (int i = 0; i < m_items.Count(); ++i) {
        CControlUI* child = ChildAt(i);
        if (child->IsVisible() && !child->IsFloat())
            child->Shift(-dx, -dy, false);
    }
    Invalidate();
}

namespace {

SIZE Offset(LONG cx, LONG cy)
{
    SIZE size = {cx, cy};
    return size;
}

} // namespace

int CContainerUI::LineStep() const
{
    return m_pManager != NULL ? m_pManager->GetFontInfo(-1)->tm.tmHeight + 8 : 8;
}

int CContainerUI::PageHeight() const
{
    int page = GetHeight() - m_rcInset.top - m_rcInset.bottom;
    if (IsBarShown(m_pHorizontalScrollBar))
        page -= m_pHorizontalScrollBar->GetFixedHeight();
    return page;
}

int CContainerUI::PageWidth() const
{
    int page = GetWidth() - m_rcInset.left - m_rcInset.right;
    if (IsBarShown(m_pVerticalScrollBar))
        page -= m_pVerticalScrollBar->GetFixedWidth();
    return page;
}

void CContainerUI::ScrollBy(int dx, int dy)
{
    SIZE offset = GetScrollOffset();
    SetScrollOffset(Offset(offset.cx + dx, offset.cy + dy));
}

void CContainerUI::ScrollLineUp()
{
    ScrollBy(0, -LineStep());
}
void CContainerUI::ScrollLineDown()
{
    ScrollBy(0, LineStep());
}
void CContainerUI::ScrollPageUp()
{
    ScrollBy(0, -PageHeight());
}
void CContainerUI::ScrollPageDown()
{
    ScrollBy(0, PageHeight());
}

void CContainerUI::ScrollToTop()
{
    SetScrollOffset(Offset(GetScrollOffset().cx, 0));
}

void CContainerUI::ScrollToBottom()
{
    SetScrollOffset(Offset(GetScrollOffset().cx, GetScrollExtent().cy));
}

void CContainerUI::ScrollLineLeft()
{
    ScrollBy(-8, 0);
}
void CContainerUI::ScrollLineRight()
{
    ScrollBy(8, 0);
}
void CContainerUI::ScrollPageLeft()
{
    ScrollBy(-PageWidth(), 0);
}
void CContainerUI::ScrollPageRight()
{
    ScrollBy(PageWidth(), 0);
}

void CContainerUI::ScrollToLeftEnd()
{
    SetScrollOffset(Offset(0, GetScrollOffset().cy));
}

void CContainerUI::ScrollToRightEnd()
{
    SetScrollOffset(Offset(GetScrollExtent().cx, GetScrollOffset().cy));
}

CScrollBarUI* CContainerUI::VerticalBar() const
{
    return m_pVerticalScrollBar;
}
CScrollBarUI* CContainerUI::HorizontalBar() const
{
    return m_pHorizontalScrollBar;
}

void CContainerUI::ShowScrollBars(bool vertical, bool horizontal)
{
    struct Side
    {
        bool wanted;
        CScrollBarUI*& bar;
        bool horizontal;
        const wchar_t* defaults;
    } sides[2] = {{vertical, m_pVerticalScrollBar, false, L"VScrollBar"},
                  {horizontal, m_pHorizontalScrollBar, true, L"HScrollBar"}};
    for (Side& side : sides) {
        if (!side.wanted) {
            delete side.bar;
            side.bar = NULL;
        } else if (side.bar == NULL) {
            side.bar = new CScrollBarUI();
            if (side.horizontal)
                side.bar->SetHorizontal(true);
            side.bar->SetOwner(this);
            side.bar->AttachManager(m_pManager, NULL, false);
            const wchar_t* list = m_pManager != NULL ? m_pManager->GetDefaultAttributeList(side.defaults) : NULL;
            if (list != NULL)
                side.bar->ApplyAttributeList(list);
        }
    }
    NeedUpdate();
}

void CContainerUI::PlaceScrollBars(RECT inner, int, int requiredHeight)
{
    if (IsBarShown(m_pHorizontalScrollBar)) {
        RECT bar = {inner.left, inner.bottom, inner.right, inner.bottom + m_pHorizontalScrollBar->GetFixedHeight()};
        m_pHorizontalScrollBar->SetPos(bar, false);
    }
    if (m_pVerticalScrollBar == NULL)
        return;
    int overflow = requiredHeight - (inner.bottom - inner.top);
    if (inner.bottom - inner.top < requiredHeight && !m_pVerticalScrollBar->IsVisible()) {
        m_pVerticalScrollBar->SetVisible(true);
        m_pVerticalScrollBar->SetScrollRange(overflow);
        m_pVerticalScrollBar->SetScrollPos(0);
        // The bar takes width from the content: lay out once more.
        m_bScrollProcess = true;
        SetPos(m_rcItem, true);
        m_bScrollProcess = false;
        return;
    }
    if (!m_pVerticalScrollBar->IsVisible())
        return;
    if (overflow > 0 || m_bScrollProcess) {
        RECT bar = {inner.right, inner.top, inner.right + m_pVerticalScrollBar->GetFixedWidth(), inner.bottom};
        m_pVerticalScrollBar->SetPos(bar, false);
        if (m_pVerticalScrollBar->GetScrollRange() == overflow)
            return;
        int oldPos = m_pVerticalScrollBar->GetScrollPos();
        m_pVerticalScrollBar->SetScrollRange(abs(overflow));
        if (m_pVerticalScrollBar->GetScrollRange() == 0) {
            m_pVerticalScrollBar->SetVisible(false);
            m_pVerticalScrollBar->SetScrollPos(0);
        }
        if (m_pVerticalScrollBar->GetScrollPos() < oldPos)
            SetPos(m_rcItem, false);
        return;
    }
    m_pVerticalScrollBar->SetVisible(false);
    m_pVerticalScrollBar->SetScrollPos(0);
    m_pVerticalScrollBar->SetScrollRange(0);
    SetPos(m_rcItem, true);
}

void CContainerUI::OnEvent(InputEventUI& event)
{
    if (PassDisabledMouse(*this, m_pParent, event))
        return;
    if (event.type == UIEVENT_SETFOCUS || event.type == UIEVENT_KILLFOCUS) {
        m_bFocused = event.type == UIEVENT_SETFOCUS;
        return;
    }
    typedef void (CContainerUI::*Step)();
    struct Steps
    {
        Step pageBack, pageForward, end, home, lineBack, lineForward;
    };
    static const Steps vertical = {&CContainerUI::ScrollPageUp,   &CContainerUI::ScrollPageDown,
                                   &CContainerUI::ScrollToBottom, &CContainerUI::ScrollToTop,
                                   &CContainerUI::ScrollLineUp,   &CContainerUI::ScrollLineDown};
    static const Steps horizontal = {&CContainerUI::ScrollPageLeft,   &CContainerUI::ScrollPageRight,
                                     &CContainerUI::ScrollToRightEnd, &CContainerUI::ScrollToLeftEnd,
                                     &CContainerUI::ScrollLineLeft,   &CContainerUI::ScrollLineRight};
    const Steps* steps = NULL;
    if (IsBarShown(m_pVerticalScrollBar) && m_pVerticalScrollBar->IsEnabled())
        steps = &vertical;
    else if (IsBarShown(m_pHorizontalScrollBar) && m_pHorizontalScrollBar->IsEnabled())
        steps = &horizontal;
    Step step = NULL;
    if (steps != NULL && event.type == UIEVENT_KEYDOWN) {
        switch (event.chKey) {
        case VK_PRIOR:
            step = steps->pageBack;
            break;
        case VK_NEXT:
            step = steps->pageForward;
            break;
        case VK_END:
            step = steps->end;
            break;
        case VK_HOME:
            step = steps->home;
            break;
        case VK_UP:
            step = steps->lineBack;
            break;
        case VK_DOWN:
            step = steps->lineForward;
            break;
        default:
            break;
        }
    } else if (steps != NULL && event.type == UIEVENT_SCROLLWHEEL) {
        WORD wheel = LOWORD(event.wParam);
        step = wheel == 0 ? steps->lineBack : (wheel == 1 ? steps->lineForward : NULL);
    }
    if (step != NULL)
        (this->*step)();
    else
        CControlUI::OnEvent(event);
}

} // namespace UiToolkit
