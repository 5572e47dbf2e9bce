#include "layout/LayoutUI.h"
#include "layout/ScrollBarUI.h"
#include "core/WindowManager.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

namespace {

// Reads and writes a rectangle along one axis: the layout's own (main) or the other (cross).
struct Axis
{
    bool vertical;
    LONG& Start(RECT& rc) const { return vertical ? rc.top : rc.left; }
    LONG& End(RECT& rc) const { return vertical ? rc.bottom : rc.right; }
    LONG Start(const RECT& rc) const { return vertical ? rc.top : rc.left; }
    LONG End(const RECT& rc) const { return vertical ? rc.bottom : rc.right; }
    LONG Of(const SIZE& size) const { return vertical ? size.cy : size.cx; }
    SIZE Make(LONG main, LONG cross) const
    {
        SIZE size = {vertical ? cross : main, vertical ? main : cross};
        return size;
    }
};

} // namespace

CLinearLayoutUI::CLinearLayoutUI(bool vertical)
    : m_bVertical(vertical), m_iSepSize(0), m_uButtonState(0), m_bImmMode(false)
{
    m_ptLastMouse.x = m_ptLastMouse.y = 0;
    SetRectEmpty(&m_rcNewPos);
}

namespace {

// Lays the children of a vertical or horizontal layout out along its axis; answers the length used,
// child paddings included. Floating children go to the layout's own placement.
int PlaceLine(CContainerUI& layout, bool vertical, const RECT& inner, int hPos, int vPos, int hRange)
{
    Axis main{vertical};
    Axis cross{!vertical};
    int gap = layout.GetChildPadding();
    LONG crossAvailable = vertical ? inner.right - inner.left + hRange : inner.bottom - inner.top;
    LONG mainAvailable = vertical ? inner.bottom - inner.top : inner.right - inner.left + hRange;
    auto measure = [&](CControlUI* child, LONG room) {
        SIZE measured = child->MeasureSize(main.Make(room, crossAvailable));
        LONG size = main.Of(measured);
        if (size == 0)
            return 0L;
        return static_cast<LONG>(vertical ? CContainerUI::ClampSize(size, child->GetMinHeight(), child->GetMaxHeight())
                                          : CContainerUI::ClampSize(size, child->GetMinWidth(), child->GetMaxWidth()));
    };

    CContainerUI::CLayoutPassUI pass(layout);
    int count = pass.Count();
    int adjustable = 0, visible = 0;
    LONG fixedTotal = 0;
    for (int i = 0; i < count; ++i) {
        CControlUI* child = pass.At(i);
        if (child == NULL || !child->IsVisible() || child->IsFloat())
            continue;
        LONG size = measure(child, mainAvailable);
        if (size == 0)
            ++adjustable;
        RECT pad = child->GetPadding();
        fixedTotal += main.Start(pad) + main.End(pad) + size;
        ++visible;
    }
    fixedTotal += gap * (visible - 1);
    LONG share = 0;
    if (adjustable > 0) {
        share = (mainAvailable - fixedTotal) / adjustable;
        if (share < 0)
            share = 0;
    }

    LONG pos = vertical ? inner.top - vPos : inner.left - hPos;
    LONG crossStart = vertical ? inner.left - hPos : inner.top;
    LONG remaining = mainAvailable;
    LONG used = 0;
    int adjustableSeen = 0;
    for (int i = 0; i < count; ++i) {
        CControlUI* child = pass.At(i);
        if (child == NULL || !child->IsVisible())
            continue;
        if (child->IsFloat()) {
            layout.PlaceFloatingChild(child);
            continue;
        }
        RECT pad = child->GetPadding();
        remaining -= main.Start(pad);
        LONG size = measure(child, remaining);
        if (size != 0) {
            fixedTotal -= size;
        } else {
            size = share;
            // The last adjustable child takes what is left.
            if (++adjustableSeen == adjustable) {
                size = remaining - main.End(pad) - fixedTotal;
                if (size < 0)
                    size = 0;
            }
            size = vertical ? CContainerUI::ClampSize(size, child->GetMinHeight(), child->GetMaxHeight())
                            : CContainerUI::ClampSize(size, child->GetMinWidth(), child->GetMaxWidth());
        }
        LONG crossSize = vertical ? child->GetFixedWidth() : child->GetFixedHeight();
        if (crossSize == 0)
            crossSize = crossAvailable - cross.Start(pad) - cross.End(pad);
        if (crossSize < 0)
            crossSize = 0;
        crossSize = vertical ? CContainerUI::ClampSize(crossSize, child->GetMinWidth(), child->GetMaxWidth())
                             : CContainerUI::ClampSize(crossSize, child->GetMinHeight(), child->GetMaxHeight());
        RECT rc;
        main.Start(rc) = pos + main.Start(pad);
        main.End(rc) = pos + main.Start(pad) + size + main.End(pad);
        cross.Start(rc) = crossStart + cross.Start(pad);
        cross.End(rc) = crossStart + cross.Start(pad) + crossSize;
        child->SetPos(rc, false);
        pos += main.Start(pad) + size + main.End(pad) + gap;
        used += main.Start(pad) + size + main.End(pad);
        remaining -= size + main.End(pad) + gap;
    }
    return static_cast<int>(gap * (visible - 1) + used);
}

} // namespace

void CLinearLayoutUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name != NULL && value != NULL && wcscmp(name, m_bVertical ? L"sepheight" : L"sepwidth") == 0)
        SetSepSize(_wtoi(value));
    else if (name != NULL && value != NULL && wcscmp(name, L"sepimm") == 0)
        SetSepImmMode(wcscmp(value, L"true") == 0);
    else
        CContainerUI::ApplyAttribute(name, value);
}

void CLinearLayoutUI::SetSepImmMode(bool immediate)
{
    if (m_bImmMode == immediate)
        return;
    if ((m_uButtonState & 0x40) && !m_bImmMode && m_pManager != NULL)
        m_pManager->RemovePostPaint(this);
    m_bImmMode = immediate;
}

UINT CLinearLayoutUI::BehaviourFlags() const
{
    return IsEnabled() && m_iSepSize != 0 ? UIFLAG_SETCURSOR : 0;
}

RECT CLinearLayoutUI::GetSepRect(bool tracking) const
{
    RECT rc = tracking && (m_uButtonState & 0x40) ? m_rcNewPos : m_rcItem;
    Axis axis{m_bVertical};
    LONG start = axis.Start(rc), end = axis.End(rc);
    if (m_bVertical) {
        if (m_iSepSize >= 0) {
            axis.Start(rc) = end - m_iSepSize > start ? end - m_iSepSize : start;
        } else {
            axis.End(rc) = start - m_iSepSize < end ? start - m_iSepSize : end;
        }
    } else if (m_iSepSize >= 0) {
        axis.Start(rc) = end - m_iSepSize;
    } else {
        axis.End(rc) = start - m_iSepSize;
    }
    return rc;
}

bool CLinearLayoutUI::DragSeparator(POINT pt)
{
    Axis axis{m_bVertical};
    LONG pointer = m_bVertical ? pt.y : pt.x;
    LONG last = m_bVertical ? m_ptLastMouse.y : m_ptLastMouse.x;
    LONG delta = pointer - last;
    m_ptLastMouse = pt;
    RECT& t = m_rcNewPos;
    int s = m_iSepSize;
    bool atStart = s < 0;
    // The band edge is the far edge for a positive size, the near one otherwise.
    LONG edge = atStart ? axis.Start(t) : axis.End(t);
    LONG inner = m_bVertical ? edge + s : edge - s;
    if (atStart) {
        if ((delta > 0 && pointer < edge) || (delta < 0 && pointer > inner))
            return false;
    } else if ((delta > 0 && pointer < inner) || (delta < 0 && pointer > edge)) {
        return false;
    }
    RECT moved = t;
    if (atStart)
        axis.Start(moved) += delta;
    else
        axis.End(moved) += delta;
    int minimum = m_bVertical ? m_cxyMin.cy : m_cxyMin.cx;
    int maximum = m_bVertical ? m_cxyMax.cy : m_cxyMax.cx;
    LONG oldSize = axis.End(t) - axis.Start(t);
    LONG size = axis.End(moved) - axis.Start(moved);
    if (size <= minimum) {
        if (oldSize <= minimum)
            return false;
        if (atStart)
            axis.Start(moved) = axis.End(moved) - minimum;
        else
            axis.End(moved) = axis.Start(moved) + minimum;
    }
    size = axis.End(moved) - axis.Start(moved);
    if (size >= maximum) {
        if (oldSize >= maximum)
            return false;
        if (atStart)
            axis.Start(moved) = axis.End(moved) - maximum;
        else
            axis.End(moved) = axis.Start(moved) + maximum;
    }
    t = moved;
    if (m_bVertical)
        m_cxyFixed.cy = t.bottom - t.top;
    else
        m_cxyFixed.cx = t.right - t.left;
    return true;
}

void CLinearLayoutUI::OnEvent(InputEventUI& event)
{
    if (m_iSepSize == 0) {
        CContainerUI::OnEvent(event);
        return;
    }
    RECT band = GetSepRect(false);
    switch (event.type) {
    case UIEVENT_BUTTONDOWN:
        if (IsEnabled() && PtInRect(&band, event.ptMouse)) {
            m_uButtonState |= 0x40;
            m_ptLastMouse = event.ptMouse;
            m_rcNewPos = m_rcItem;
            if (!m_bImmMode && m_pManager != NULL)
                m_pManager->RegisterPostPaint(this);
            return;
        }
        break;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & 0x40) {
            m_uButtonState &= ~0x40;
            m_rcItem = m_rcNewPos;
            if (!m_bImmMode && m_pManager != NULL)
                m_pManager->RemovePostPaint(this);
            NeedParentUpdate();
            return;
        }
        break;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & 0x40) {
            RECT oldBand = GetSepRect(true);
            if (!DragSeparator(event.ptMouse))
                return;
            if (m_bImmMode) {
                m_rcItem = m_rcNewPos;
                NeedParentUpdate();
            } else if (m_pManager != NULL) {
                RECT area = GetSepRect(true);
                UnionRect(&area, &area, &oldBand);
                UnionRect(&area, &area, &band);
                m_pManager->Invalidate(area);
            }
            return;
        }
        break;
    case UIEVENT_SETCURSOR:
        if (IsEnabled() && PtInRect(&band, event.ptMouse)) {
            ::SetCursor(LoadCursorW(NULL, m_bVertical ? IDC_SIZENS : IDC_SIZEWE));
            return;
        }
        break;
    default:
        break;
    }
    CContainerUI::OnEvent(event);
}

void CLinearLayoutUI::PaintOverlay(HDC hdc)
{
    if ((m_uButtonState & 0x40) && !m_bImmMode)
        CRenderKitUI::DrawColor(hdc, GetSepRect(true), 0xAA000000);
}

CVerticalLayoutUI::CVerticalLayoutUI() : CLinearLayoutUI(true) {}

const wchar_t* CVerticalLayoutUI::TypeName() const
{
    return L"VerticalLayoutUI";
}

void* CVerticalLayoutUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"VerticalLayout") == 0)
        return this;
    return CContainerUI::CastTo(name);
}

void CVerticalLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    RECT inner = InnerRect();
    if (m_items.IsEmpty()) {
        PlaceScrollBars(inner, 0, 0);
        return;
    }
    int used = PlaceLine(*this, true, inner, HorizontalScrollPos(), VerticalScrollPos(), HorizontalScrollRange());
    PlaceScrollBars(inner, 0, used);
}

CHorizontalLayoutUI::CHorizontalLayoutUI() : CLinearLayoutUI(false) {}

const wchar_t* CHorizontalLayoutUI::TypeName() const
{
    return L"HorizontalLayoutUI";
}

void* CHorizontalLayoutUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"HorizontalLayout") == 0)
        return this;
    return CContainerUI::CastTo(name);
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    if (m_items.IsEmpty()) {
        RECT area = InsetRect();
        PlaceScrollBars(area, 0, 0);
        return;
    }
    RECT inner = InnerRect();
    int used = PlaceLine(*this, false, inner, HorizontalScrollPos(), 0, HorizontalScrollRange());
    PlaceScrollBars(inner, used, 0);
}

} // namespace UiToolkit
