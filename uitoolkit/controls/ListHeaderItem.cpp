#include "controls/ListHeaderItemUI.h"
#include "layout/DisabledMouse.h"
#include "core/WindowManager.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CListHeaderItemUI::CListHeaderItemUI()
{
    SetMinWidth(16);
}

const wchar_t* CListHeaderItemUI::TypeName() const
{
    return L"ListHeaderItemUI";
}

void* CListHeaderItemUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ListHeaderItem") == 0)
        return this;
    return CControlUI::CastTo(name);
}

UINT CListHeaderItemUI::BehaviourFlags() const
{
    return IsEnabled() && m_iSepWidth != 0 ? UIFLAG_SETCURSOR : 0;
}

void CListHeaderItemUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = 0;
}

void CListHeaderItemUI::SetDragable(bool dragable)
{
    m_bDragable = dragable;
    if (!dragable)
        m_uButtonState &= ~UISTATE_CAPTURED;
}

void CListHeaderItemUI::SetShowHtml(bool show)
{
    if (m_bShowHtml == show)
        return;
    m_bShowHtml = show;
    Invalidate();
}

void CListHeaderItemUI::SetTextPadding(RECT padding)
{
    m_rcTextPadding = padding;
    Invalidate();
}

RECT CListHeaderItemUI::GetSepRect() const
{
    RECT rc = m_rcItem;
    if (m_iSepWidth >= 0)
        rc.left = rc.right - m_iSepWidth;
    else
        rc.right = rc.left - m_iSepWidth;
    return rc;
}

RECT CListHeaderItemUI::SepHitZone() const
{
    RECT zone = GetSepRect();
    if (m_iSepWidth >= 0)
        zone.left -= 4;
    else
        zone.right += 4;
    return zone;
}

void CListHeaderItemUI::OnEvent(InputEventUI& event)
{
    if (PassDisabledMouse(*this, m_pParent, event))
        return;
    if (event.type == UIEVENT_SETFOCUS || event.type == UIEVENT_KILLFOCUS)
        Invalidate();
    RECT zone = SepHitZone();
    switch (event.type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (!IsEnabled())
            return;
        if (PtInRect(&zone, event.ptMouse)) {
            if (m_bDragable) {
                m_uButtonState |= UISTATE_CAPTURED;
                m_ptLastMouse = event.ptMouse;
            }
        } else {
            m_uButtonState |= UISTATE_PUSHED;
            Invalidate();
            // Last: the handler may remove or delete this item.
            if (m_pManager != NULL)
                m_pManager->RaiseNotification(this, L"headerclick");
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~UISTATE_CAPTURED;
            if (m_pParent != NULL)
                m_pParent->NeedParentUpdate();
        } else if (m_uButtonState & UISTATE_PUSHED) {
            m_uButtonState &= ~UISTATE_PUSHED;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) {
            int dx = event.ptMouse.x - m_ptLastMouse.x;
            bool rightEdge = m_iSepWidth >= 0;
            int width = rightEdge ? m_rcItem.right + dx - m_rcItem.left : m_rcItem.right - (m_rcItem.left + dx);
            // At or below the minimum the drag step is dropped and its start point kept.
            if (width <= m_cxyMin.cx)
                return;
            SetFixedWidth(width);
            // The next step measures from the new edge even before the header is laid out again.
            if (rightEdge)
                m_rcItem.right = m_rcItem.left + width;
            else
                m_rcItem.left = m_rcItem.right - width;
            m_ptLastMouse = event.ptMouse;
            if (m_pParent != NULL)
                m_pParent->NeedParentUpdate();
            return;
        }
        break;
    case UIEVENT_SETCURSOR:
        if (IsEnabled() && m_bDragable && PtInRect(&zone, event.ptMouse)) {
            ::SetCursor(LoadCursorW(NULL, IDC_SIZEWE));
            return;
        }
        break;
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) {
            m_uButtonState |= UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled()) {
            m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
        }
        return;
    default:
        break;
    }
    CControlUI::OnEvent(event);
}

void CListHeaderItemUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    struct ImageAttribute
    {
        const wchar_t* name;
        ImageDrawInfoUI CListHeaderItemUI::*field;
    };
    static const ImageAttribute images[] = {
        {L"normalimage", &CListHeaderItemUI::m_normalImage}, {L"hotimage", &CListHeaderItemUI::m_hotImage},
        {L"pushedimage", &CListHeaderItemUI::m_pushedImage}, {L"focusedimage", &CListHeaderItemUI::m_focusedImage},
        {L"sepimage", &CListHeaderItemUI::m_sepImage},
    };
    if (wcscmp(name, L"dragable") == 0) {
        SetDragable(wcscmp(value, L"true") == 0);
    } else if (wcscmp(name, L"sepwidth") == 0) {
        SetSepWidth(_wtoi(value));
    } else if (wcscmp(name, L"align") == 0) {
        if (wcsstr(value, L"left") != NULL)
            m_uTextStyle &= ~(DT_CENTER | DT_RIGHT);
        if (wcsstr(value, L"center") != NULL) {
            m_uTextStyle &= ~DT_RIGHT;
            m_uTextStyle |= DT_CENTER;
        }
        if (wcsstr(value, L"right") != NULL) {
            m_uTextStyle &= ~DT_CENTER;
            m_uTextStyle |= DT_RIGHT;
        }
    } else if (wcscmp(name, L"endellipsis") == 0) {
        if (wcscmp(value, L"true") == 0)
            m_uTextStyle |= DT_END_ELLIPSIS;
        else
            m_uTextStyle &= ~DT_END_ELLIPSIS;
    } else if (wcscmp(name, L"font") == 0) {
        SetFont(_wtoi(value));
    } else if (wcscmp(name, L"textcolor") == 0) {
        SetTextColor(ParseHexColor(value));
    } else if (wcscmp(name, L"textpadding") == 0) {
        SetTextPadding(ParseRectList(value));
    } else if (wcscmp(name, L"showhtml") == 0) {
        SetShowHtml(wcscmp(value, L"true") == 0);
    } else {
        for (const ImageAttribute& image : images) {
            if (wcscmp(name, image.name) == 0) {
                SetImageRecord(this->*image.field, value);
                return;
            }
        }
        CControlUI::ApplyAttribute(name, value);
    }
}

SIZE CListHeaderItemUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0)
        return CControlUI::MeasureSize(available);
    SIZE size = {m_cxyFixed.cx, 14};
    if (m_pManager != NULL)
        size.cy += m_pManager->GetFontInfo(-1)->tm.tmHeight;
    return size;
}

void CListHeaderItemUI::PaintStateImage(HDC hdc)
{
    if (IsFocused())
        m_uButtonState |= UISTATE_FOCUSED;
    else
        m_uButtonState &= ~UISTATE_FOCUSED;
    ImageDrawInfoUI* state = NULL;
    if (m_uButtonState & UISTATE_PUSHED)
        state = &m_pushedImage;
    else if (m_uButtonState & UISTATE_HOT)
        state = &m_hotImage;
    else if (m_uButtonState & UISTATE_FOCUSED)
        state = &m_focusedImage;
    if (state == NULL || !DrawImageRecord(hdc, *state))
        DrawImageRecord(hdc, m_normalImage);

    // Parse first, then aim the separator image at the band whatever its own destination said.
    if (!DrawImageRecord(NULL, m_sepImage))
        return;
    RECT band = GetSepRect();
    m_sepImage.rcDestOffset = {band.left - m_rcItem.left, band.top - m_rcItem.top, band.right - m_rcItem.left,
                               band.bottom - m_rcItem.top};
    DrawImageRecord(hdc, m_sepImage);
}

void CListHeaderItemUI::PaintLabelText(HDC hdc)
{
    if (m_dwTextColor == 0 && m_pManager != NULL)
        m_dwTextColor = m_pManager->GetDefaultFontColor();
    if (m_sText.IsEmpty())
        return;
    RECT rc = {m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
               m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
    UINT style = m_uTextStyle | DT_SINGLELINE;
    if (m_bShowHtml) {
        int none = 0;
        CRenderKitUI::DrawHtmlText(hdc, m_pManager, rc, m_sText, m_dwTextColor, NULL, NULL, none, style);
    } else {
        CRenderKitUI::DrawText(hdc, m_pManager, rc, m_sText, m_dwTextColor, m_iFont, style);
    }
}

} // namespace UiToolkit
