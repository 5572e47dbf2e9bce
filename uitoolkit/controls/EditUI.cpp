#include "controls/ButtonUI.h"
#include "core/ControlBusy.h"
#include "controls/ButtonState.h"
#include "controls/EditUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

CEditUI::CEditUI()
    : m_pWindow(NULL), m_uMaxChar(255), m_bReadOnly(false), m_bPasswordMode(false), m_cPasswordChar(L'*'),
      m_uButtonState(0), m_dwEditbkColor(0xFFFFFFFF), m_iWindowStyles(0)
{
    RECT padding = {4, 3, 4, 3};
    SetTextPadding(padding);
    SetBkColor(0xFFFFFFFF);
}

CEditUI::~CEditUI()
{
    CloseNativeWindow(m_pWindow);
}

const wchar_t* CEditUI::TypeName() const
{
    return L"EditUI";
}

void* CEditUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"Edit") == 0)
        return this;
    return CLabelUI::CastTo(name);
}

UINT CEditUI::BehaviourFlags() const
{
    return IsEnabled() ? UIFLAG_TABSTOP | UIFLAG_SETCURSOR : 0;
}

void CEditUI::SetText(const wchar_t* text)
{
    m_sText = text == NULL ? L"" : text;
    if (m_pWindow != NULL)
        ::SetWindowTextW(m_pWindow->WindowHandle(), m_sText);
    Invalidate();
}

void CEditUI::MoveNative(UINT flags)
{
    if (m_pWindow == NULL)
        return;
    RECT rc = m_pWindow->EditRect();
    ::SetWindowPos(m_pWindow->WindowHandle(), NULL, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CEditUI::SetPos(RECT rc, bool invalidate)
{
    CLabelUI::SetPos(rc, invalidate);
    MoveNative(0);
}

void CEditUI::Shift(int dx, int dy, bool invalidate)
{
    CLabelUI::Shift(dx, dy, invalidate);
    MoveNative(SWP_NOSIZE);
}

void CEditUI::CloseNativeIfHidden()
{
    if (!IsVisible() && m_pWindow != NULL && m_pManager != NULL)
        m_pManager->SetFocusControl(NULL);
}

void CEditUI::SetVisible(bool visible)
{
    CControlBusyUI busy(this);
    CLabelUI::SetVisible(visible);
    CloseNativeIfHidden();
}

void CEditUI::SetShownByParent(bool shown)
{
    CControlBusyUI busy(this);
    CLabelUI::SetShownByParent(shown);
    CloseNativeIfHidden();
}

void CEditUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (IsEnabled())
        return;
    m_uButtonState = 0;
    if (m_pWindow == NULL)
        return;
    // A disabled edit takes no more typing: the native window stops at once and closes as the focus leaves.
    ::EnableWindow(m_pWindow->WindowHandle(), FALSE);
    if (m_pManager != NULL && m_pManager->GetFocus() == this)
        m_pManager->SetFocusControl(NULL);
    else
        CloseNativeWindow(m_pWindow);
}

void CEditUI::SetMaxChar(UINT max)
{
    m_uMaxChar = max;
    if (m_pWindow != NULL)
        m_pWindow->SendMsg(EM_LIMITTEXT, m_uMaxChar);
}

void CEditUI::SetReadOnly(bool readOnly)
{
    if (m_bReadOnly == readOnly)
        return;
    m_bReadOnly = readOnly;
    if (m_pWindow != NULL)
        m_pWindow->SendMsg(EM_SETREADONLY, m_bReadOnly);
    Invalidate();
}

void CEditUI::SetNumberOnly(bool numberOnly)
{
    if (numberOnly)
        m_iWindowStyles |= ES_NUMBER;
    else
        m_iWindowStyles &= ~static_cast<DWORD>(ES_NUMBER);
}

void CEditUI::SetPasswordMode(bool password)
{
    if (m_bPasswordMode == password)
        return;
    m_bPasswordMode = password;
    Invalidate();
}

void CEditUI::OnEvent(InputEventUI& event)
{
    if (ForwardDisabledMouse(event) || HandleNativeHostEvent(event, m_pWindow != NULL))
        return;
    switch (event.type) {
    case UIEVENT_SETFOCUS:
        if (IsEnabled() && m_pWindow == NULL) {
            m_pWindow = new CEditWnd();
            m_pWindow->Init(this);
            Invalidate();
        }
        break;
    case UIEVENT_KILLFOCUS:
        if (IsEnabled())
            Invalidate();
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
    case UIEVENT_RBUTTONDOWN:
        if (!IsEnabled())
            break;
        if (m_pManager != NULL)
            m_pManager->ReleaseCapture();
        if (IsFocused() && m_pWindow == NULL) {
            m_pWindow = new CEditWnd();
            m_pWindow->Init(this);
        }
        if (!PtInRect(&m_rcItem, event.ptMouse))
            return;
        if (m_pWindow != NULL) {
            int length = ::GetWindowTextLengthW(m_pWindow->WindowHandle());
            m_pWindow->SendMsg(EM_SETSEL, 0, length == 0 ? 1 : length);
        }
        return;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_BUTTONUP:
    case UIEVENT_CONTEXTMENU:
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
        return;
    default:
        break;
    }
    CLabelUI::OnEvent(event);
}

void CEditUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    bool on = wcscmp(value, L"true") == 0;
    if (wcscmp(name, L"readonly") == 0)
        SetReadOnly(on);
    else if (wcscmp(name, L"numberonly") == 0)
        SetNumberOnly(on);
    else if (wcscmp(name, L"password") == 0)
        SetPasswordMode(on);
    else if (wcscmp(name, L"maxchar") == 0)
        SetMaxChar(static_cast<UINT>(_wtoi(value)));
    else if (wcscmp(name, L"normalimage") == 0)
        SetImageRecord(m_normalImage, value);
    else if (wcscmp(name, L"hotimage") == 0)
        SetImageRecord(m_hotImage, value);
    else if (wcscmp(name, L"focusedimage") == 0)
        SetImageRecord(m_focusedImage, value);
    else if (wcscmp(name, L"disabledimage") == 0)
        SetImageRecord(m_disabledImage, value);
    else if (wcscmp(name, L"nativebkcolor") == 0)
        SetNativeBkColor(ParseHexColor(value));
    else
        CLabelUI::ApplyAttribute(name, value);
}

SIZE CEditUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0 || m_pManager == NULL)
        return CControlUI::MeasureSize(available);
    SIZE size = {m_cxyFixed.cx, FontHeight() + 6};
    return size;
}

void CEditUI::PaintStateImage(HDC hdc)
{
    RefreshFocusAndDisabledBits(*this, m_uButtonState);
    ImageDrawInfoUI* state = NULL;
    if (m_uButtonState & UISTATE_DISABLED)
        state = &m_disabledImage;
    else if (m_uButtonState & UISTATE_FOCUSED)
        state = &m_focusedImage;
    else if (m_uButtonState & UISTATE_HOT)
        state = &m_hotImage;
    if (state != NULL && DrawImageRecord(hdc, *state))
        return;
    DrawImageRecord(hdc, m_normalImage);
}

void CEditUI::PaintLabelText(HDC hdc)
{
    TakeDefaultTextColors();
    if (m_sText.IsEmpty())
        return;
    CStringUI shown = m_sText;
    if (m_bPasswordMode) {
        shown.Empty();
        for (const wchar_t* p = m_sText.Text(); *p != L'\0'; p = ::CharNextW(p))
            shown += m_cPasswordChar;
    }
    RECT rc = TextRect();
    CRenderKitUI::DrawText(hdc, m_pManager, rc, shown, IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor, m_iFont,
                           m_uTextStyle | DT_SINGLELINE);
}

} // namespace UiToolkit
