#include "controls/ButtonUI.h"
#include "controls/ButtonState.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

CButtonUI::CButtonUI()
    : m_uButtonState(0), m_dwHotBkColor(0), m_dwHotTextColor(0), m_dwPushedTextColor(0), m_dwFocusedTextColor(0)
{
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

const wchar_t* CButtonUI::TypeName() const
{
    return L"ButtonUI";
}

void* CButtonUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"Button") == 0)
        return this;
    return CLabelUI::CastTo(name);
}

UINT CButtonUI::BehaviourFlags() const
{
    return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0);
}

bool CButtonUI::Trigger()
{
    if (!CControlUI::Trigger())
        return false;
    if (m_pManager != NULL)
        m_pManager->RaiseNotification(this, L"click");
    return true;
}

void CButtonUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = 0;
}

void CButtonUI::OnEvent(InputEventUI& event)
{
    bool inside = PtInRect(&m_rcItem, event.ptMouse) != FALSE;
    if (ForwardDisabledMouse(event))
        return;
    switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
        Invalidate();
        break;
    case UIEVENT_KEYDOWN:
        if (IsKeyboardEnabled() && (event.chKey == L' ' || event.chKey == VK_RETURN)) {
            Trigger();
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (inside && IsEnabled()) {
            m_uButtonState |= UISTATE_CAPTURED | UISTATE_PUSHED;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) {
            if (inside)
                m_uButtonState |= UISTATE_PUSHED;
            else
                m_uButtonState &= ~UISTATE_PUSHED;
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
            Invalidate();
            if (inside)
                Trigger();
        }
        return;
    case UIEVENT_CONTEXTMENU:
        if (WantsContextMenu() && m_pManager != NULL)
            m_pManager->RaiseNotification(this, L"menu", event.wParam, event.lParam);
        return;
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled()) {
            if (event.type == UIEVENT_MOUSEENTER)
                m_uButtonState |= UISTATE_HOT;
            else
                m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
        }
        break;
    case UIEVENT_SETCURSOR:
        ::SetCursor(LoadCursorW(NULL, IDC_HAND));
        return;
    default:
        break;
    }
    CLabelUI::OnEvent(event);
}

void CButtonUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"normalimage") == 0)
        SetNormalImage(value);
    else if (wcscmp(name, L"hotimage") == 0)
        SetHotImage(value);
    else if (wcscmp(name, L"pushedimage") == 0)
        SetPushedImage(value);
    else if (wcscmp(name, L"focusedimage") == 0)
        SetFocusedImage(value);
    else if (wcscmp(name, L"disabledimage") == 0)
        SetDisabledImage(value);
    else if (wcscmp(name, L"hotforeimage") == 0)
        SetHotForeImage(value);
    else if (wcscmp(name, L"foreimage") == 0)
        SetForeImage(value);
    else if (wcscmp(name, L"hotbkcolor") == 0)
        SetHotBkColor(ParseHexColor(value));
    else if (wcscmp(name, L"hottextcolor") == 0)
        SetHotTextColor(ParseHexColor(value));
    else if (wcscmp(name, L"pushedtextcolor") == 0)
        SetPushedTextColor(ParseHexColor(value));
    else if (wcscmp(name, L"focusedtextcolor") == 0)
        SetFocusedTextColor(ParseHexColor(value));
    else
        CLabelUI::ApplyAttribute(name, value);
}

SIZE CButtonUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0 || m_pManager == NULL)
        return CControlUI::MeasureSize(available);
    SIZE size = {m_cxyFixed.cx, FontHeight() + 8};
    return size;
}

void CButtonUI::DrawStateOrNormal(HDC hdc, ImageDrawInfoUI& state)
{
    if (!DrawImageRecord(hdc, state))
        DrawImageRecord(hdc, m_normalImage);
}

void CButtonUI::PaintStateImage(HDC hdc)
{
    RefreshFocusAndDisabledBits(*this, m_uButtonState);
    if (m_uButtonState & UISTATE_DISABLED) {
        DrawStateOrNormal(hdc, m_disabledImage);
    } else if (m_uButtonState & UISTATE_PUSHED) {
        DrawStateOrNormal(hdc, m_pushedImage);
    } else if (m_uButtonState & UISTATE_HOT) {
        DrawStateOrNormal(hdc, m_hotImage);
        if (DrawImageRecord(hdc, m_hotForeImage))
            return;
        if (m_dwHotBkColor != 0) {
            CRenderKitUI::DrawColor(hdc, m_rcPaint, GetAdjustColor(m_dwHotBkColor));
            return;
        }
    } else if (m_uButtonState & UISTATE_FOCUSED) {
        DrawStateOrNormal(hdc, m_focusedImage);
    } else {
        DrawImageRecord(hdc, m_normalImage);
    }
    DrawImageRecord(hdc, m_foreImage);
}

void CButtonUI::PaintLabelText(HDC hdc)
{
    RefreshFocusAndDisabledBits(*this, m_uButtonState);
    TakeDefaultTextColors();
    if (m_sText.IsEmpty())
        return;
    DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor != 0)
        color = m_dwPushedTextColor;
    else if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor != 0)
        color = m_dwHotTextColor;
    else if ((m_uButtonState & UISTATE_FOCUSED) && m_dwFocusedTextColor != 0)
        color = m_dwFocusedTextColor;
    PaintPlainText(hdc, m_sText, color, m_uTextStyle);
}

} // namespace UiToolkit
