#include "controls/TextUI.h"
#include "core/WindowManager.h"

#include <algorithm>
#include <wchar.h>

namespace UiToolkit {

CTextUI::CTextUI() : m_nLinks(0), m_nHoverLink(-1)
{
    for (RECT& rc : m_rcLinks)
        SetRectEmpty(&rc);
    m_rcTextPadding.left = 2;
    m_rcTextPadding.right = 2;
    m_uTextStyle = DT_WORDBREAK;
}

const wchar_t* CTextUI::TypeName() const
{
    return L"TextUI";
}

void* CTextUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"Text") == 0)
        return this;
    return CLabelUI::CastTo(name);
}

UINT CTextUI::BehaviourFlags() const
{
    return IsEnabled() && m_nLinks > 0 ? UIFLAG_SETCURSOR : 0;
}

int CTextUI::LinkAt(POINT pt) const
{
    int count = std::min<int>(m_nLinks, MAX_LINKS);
    for (int i = 0; i < count; ++i)
        if (PtInRect(&m_rcLinks[i], pt))
            return i;
    return -1;
}

void CTextUI::OnEvent(InputEventUI& event)
{
    if (ForwardDisabledMouse(event))
        return;
    int link = LinkAt(event.ptMouse);
    switch (event.type) {
    case UIEVENT_SETCURSOR:
        if (link >= 0) {
            ::SetCursor(LoadCursorW(NULL, IDC_HAND));
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled() && link >= 0) {
            Invalidate();
            return;
        }
        break;
    case UIEVENT_BUTTONUP:
        if (IsEnabled() && link >= 0) {
            if (m_pManager != NULL)
                m_pManager->RaiseNotification(this, L"link", link);
            return;
        }
        break;
    case UIEVENT_CONTEXTMENU:
        return;
    case UIEVENT_MOUSEMOVE:
        if (IsEnabled() && m_nLinks > 0) {
            if (link != m_nHoverLink) {
                m_nHoverLink = link;
                Invalidate();
            }
            return;
        }
        break;
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled() && m_nLinks > 0 && m_nHoverLink != -1) {
            m_nHoverLink = -1;
            Invalidate();
            return;
        }
        break;
    default:
        break;
    }
    CLabelUI::OnEvent(event);
}

SIZE CTextUI::MeasureSize(SIZE available)
{
    RECT rc = {m_rcTextPadding.left, 0, std::max<int>(m_cxyFixed.cx, available.cx) - m_rcTextPadding.right, 9999};
    if (m_pManager != NULL) {
        HDC hdc = m_pManager->GetWindowDC();
        HDC own = hdc == NULL ? CreateCompatibleDC(NULL) : NULL;
        if (m_bShowHtml) {
            int none = 0;
            CRenderKitUI::DrawHtmlText(own != NULL ? own : hdc, m_pManager, rc, m_sText, m_dwTextColor, NULL, NULL,
                                       none, m_uTextStyle | DT_CALCRECT);
        } else {
            CRenderKitUI::DrawText(own != NULL ? own : hdc, m_pManager, rc, m_sText, m_dwTextColor, m_iFont,
                                   m_uTextStyle | DT_CALCRECT);
        }
        if (own != NULL)
            DeleteDC(own);
    }
    SIZE size = {rc.right - rc.left + m_rcTextPadding.left + m_rcTextPadding.right,
                 rc.bottom - rc.top + m_rcTextPadding.top + m_rcTextPadding.bottom};
    if (m_cxyFixed.cy != 0)
        size.cy = m_cxyFixed.cy;
    return size;
}

void CTextUI::PaintLabelText(HDC hdc)
{
    if (m_sText.IsEmpty()) {
        m_nLinks = 0;
        return;
    }
    TakeDefaultTextColors();
    m_nLinks = MAX_LINKS;
    RECT rc = TextRect();
    DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if (m_bShowHtml)
        CRenderKitUI::DrawHtmlText(hdc, m_pManager, rc, m_sText, color, m_rcLinks, m_sLinks, m_nLinks, m_uTextStyle);
    else
        CRenderKitUI::DrawText(hdc, m_pManager, rc, m_sText, color, m_iFont, m_uTextStyle);
    // Plain text has no links; rectangles kept from tagged text would still answer clicks.
    if (!m_bShowHtml)
        m_nLinks = 0;
}

} // namespace UiToolkit
