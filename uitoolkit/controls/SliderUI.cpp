#include "controls/SliderUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

CSliderUI::CSliderUI() : m_szThumb{10, 10}, m_uThumbState(0), m_nStep(1)
{
    m_uTextStyle = DT_SINGLELINE | DT_CENTER;
}

const wchar_t* CSliderUI::TypeName() const
{
    return L"SliderUI";
}

void* CSliderUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"Slider") == 0)
        return this;
    return CProgressUI::CastTo(name);
}

UINT CSliderUI::BehaviourFlags() const
{
    return IsEnabled() ? UIFLAG_SETCURSOR : 0;
}

void CSliderUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uThumbState = 0;
}

RECT CSliderUI::GetThumbRect() const
{
    // An empty range keeps the thumb at the minimum instead of dividing by zero.
    // 64-bit products, as for the progress bar.
    LONGLONG range = static_cast<LONGLONG>(m_nMax) - m_nMin;
    LONGLONG offset = range == 0 ? 0 : static_cast<LONGLONG>(m_nValue) - m_nMin;
    if (range == 0)
        range = 1;
    RECT rc;
    if (m_bHorizontal) {
        rc.left = m_rcItem.left + static_cast<LONG>(offset * (m_rcItem.right - m_rcItem.left - m_szThumb.cx) / range);
        rc.top = (m_rcItem.top + m_rcItem.bottom - m_szThumb.cy) / 2;
    } else {
        rc.left = (m_rcItem.left + m_rcItem.right - m_szThumb.cx) / 2;
        rc.top = m_rcItem.bottom - static_cast<LONG>((m_rcItem.bottom - m_rcItem.top - m_szThumb.cy) * offset / range) -
                 m_szThumb.cy;
    }
    rc.right = rc.left + m_szThumb.cx;
    rc.bottom = rc.top + m_szThumb.cy;
    return rc;
}

int CSliderUI::ValueAt(POINT pt) const
{
    const RECT& r = m_rcItem;
    if (m_bHorizontal) {
        int span = r.right - r.left - m_szThumb.cx;
        if (pt.x >= r.right - m_szThumb.cx / 2)
            return m_nMax;
        // A bar no longer than its thumb has no room to slide.
        if (pt.x > r.left + m_szThumb.cx / 2 && span > 0)
            return m_nMin + static_cast<int>((static_cast<LONGLONG>(m_nMax) - m_nMin) *
                                             (pt.x - m_szThumb.cx / 2 - r.left) / span);
        return m_nMin;
    }
    int span = r.bottom - r.top - m_szThumb.cy;
    if (pt.y >= r.bottom - m_szThumb.cy / 2)
        return m_nMin;
    if (pt.y > r.top + m_szThumb.cy / 2 && span > 0)
        return m_nMin +
               static_cast<int>((r.bottom - m_szThumb.cy / 2 - pt.y) * (static_cast<LONGLONG>(m_nMax) - m_nMin) / span);
    return span > 0 ? m_nMax : m_nMin;
}

void CSliderUI::OnEvent(InputEventUI& event)
{
    if (ForwardDisabledMouse(event))
        return;
    RECT thumb = GetThumbRect();
    bool onThumb = PtInRect(&thumb, event.ptMouse) != FALSE;
    switch (event.type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled() && onThumb)
            m_uThumbState |= UISTATE_CAPTURED;
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uThumbState & UISTATE_CAPTURED) {
            m_nValue = ValueAt(event.ptMouse);
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uThumbState & UISTATE_CAPTURED) {
            m_nValue = ValueAt(event.ptMouse);
            if (m_pManager != NULL)
                m_pManager->RaiseNotification(this, L"valuechanged");
            m_uThumbState &= ~UISTATE_CAPTURED;
            Invalidate();
        }
        return;
    case UIEVENT_CONTEXTMENU:
        return;
    case UIEVENT_SCROLLWHEEL:
        if (LOWORD(event.wParam) == SB_LINEUP || LOWORD(event.wParam) == SB_LINEDOWN) {
            // The wheel stops at the ends of the range instead of stepping past them.
            LONGLONG value = static_cast<LONGLONG>(m_nValue) + (LOWORD(event.wParam) == SB_LINEUP ? m_nStep : -m_nStep);
            if (value > m_nMax)
                value = m_nMax;
            if (value < m_nMin)
                value = m_nMin;
            SetValue(static_cast<int>(value));
            if (m_pManager != NULL)
                m_pManager->RaiseNotification(this, L"valuechanged");
            return;
        }
        break;
    case UIEVENT_SETCURSOR:
        if (IsEnabled() && onThumb) {
            ::SetCursor(LoadCursorW(NULL, IDC_HAND));
            return;
        }
        break;
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled()) {
            if (event.type == UIEVENT_MOUSEENTER)
                m_uThumbState |= UISTATE_HOT;
            else
                m_uThumbState &= ~UISTATE_HOT;
            Invalidate();
        }
        return;
    default:
        break;
    }
    CControlUI::OnEvent(event);
}

void CSliderUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"thumbimage") == 0) {
        SetImageRecord(m_thumbImage, value);
    } else if (wcscmp(name, L"thumbhotimage") == 0) {
        SetImageRecord(m_thumbHotImage, value);
    } else if (wcscmp(name, L"thumbpushedimage") == 0) {
        SetImageRecord(m_thumbPushedImage, value);
    } else if (wcscmp(name, L"thumbsize") == 0) {
        wchar_t* end = NULL;
        SIZE size = {wcstol(value, &end, 10), 0};
        if (*end != L'\0')
            size.cy = wcstol(end + 1, NULL, 10);
        SetThumbSize(size);
    } else if (wcscmp(name, L"step") == 0) {
        SetStep(_wtoi(value));
    } else {
        CProgressUI::ApplyAttribute(name, value);
    }
}

void CSliderUI::PaintStateImage(HDC hdc)
{
    CProgressUI::PaintStateImage(hdc);
    RECT thumb = GetThumbRect();
    OffsetRect(&thumb, -m_rcItem.left, -m_rcItem.top);
    ImageDrawInfoUI* state = NULL;
    if (m_uThumbState & UISTATE_CAPTURED)
        state = &m_thumbPushedImage;
    else if (m_uThumbState & UISTATE_HOT)
        state = &m_thumbHotImage;
    ImageDrawInfoUI* records[2] = {state, &m_thumbImage};
    for (ImageDrawInfoUI* record : records) {
        if (record == NULL || record->sDrawString.IsEmpty())
            continue;
        // The thumb's place moves with the value; it replaces the string's own destination.
        DrawImageRecord(NULL, *record);
        record->rcDestOffset = thumb;
        if (DrawImageRecord(hdc, *record))
            return;
    }
}

} // namespace UiToolkit
