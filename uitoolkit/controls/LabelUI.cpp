#include "controls/LabelUI.h"
#include "core/WindowManager.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

namespace {

bool IsTrue(const wchar_t* value)
{
    return wcscmp(value, L"true") == 0;
}

} // namespace

CLabelUI::CLabelUI()
    : m_dwTextColor(0), m_dwDisabledTextColor(0), m_iFont(-1), m_uTextStyle(DT_VCENTER), m_bShowHtml(false),
      m_TransShadow(60), m_TransShadow1(60), m_TransText(168), m_TransText1(168), m_TransStroke(255),
      m_GradientLength(0), m_GradientAngle(0), m_bEnableEffect(false), m_bEnableStroke(false), m_bEnableShadow(false),
      m_dwTextColor2(0xFFFFFFFF), m_dwTextShadowColorA(0xFF000000), m_dwTextShadowColorB(0xFFFFFFFF),
      m_dwStrokeColor(0), m_ShadowOffsetX(0.0f), m_ShadowOffsetY(0.0f), m_gdiplusToken(0),
      m_TextRenderingHintAntiAlias(0)
{
    SetRectEmpty(&m_rcTextPadding);
    StartGdiplus();
}

CLabelUI::~CLabelUI()
{
    StopGdiplus();
}

const wchar_t* CLabelUI::TypeName() const
{
    return L"LabelUI";
}

void* CLabelUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"Label") == 0)
        return this;
    return CControlUI::CastTo(name);
}

CStringUI CLabelUI::GetText() const
{
    return m_bEnableEffect ? m_EffectText : CControlUI::GetText();
}

void CLabelUI::SetText(const wchar_t* text)
{
    if (m_bEnableEffect)
        m_EffectText = text;
    else
        CControlUI::SetText(text);
}

void CLabelUI::SetEnabledEffect(bool enabled)
{
    m_bEnableEffect = enabled;
    m_EffectText = m_sText;
}

void CLabelUI::SetTextColor(DWORD color)
{
    m_dwTextColor = color;
    Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color)
{
    m_dwDisabledTextColor = color;
    Invalidate();
}

void CLabelUI::SetFont(int index)
{
    m_iFont = index;
    Invalidate();
}

void CLabelUI::SetTextPadding(RECT padding)
{
    m_rcTextPadding = padding;
    Invalidate();
}

void CLabelUI::SetShowHtml(bool show)
{
    if (m_bShowHtml == show)
        return;
    m_bShowHtml = show;
    Invalidate();
}

void CLabelUI::SetTextRenderingHint(int hint)
{
    m_TextRenderingHintAntiAlias = hint < 0 || hint > 5 ? 0 : hint;
}

void CLabelUI::SetShadowOffset(int distance, int angle)
{
    if (angle > 180 || angle < -180)
        return;
    // Relative to the text: the label's own position must not move its shadow.
    float d = static_cast<float>(distance);
    m_ShadowOffsetX = angle >= 0 ? -d : (angle > -180 ? d : 0.0f);
    m_ShadowOffsetY = angle > -90 && angle <= 90 ? -d : (angle == -90 ? 0.0f : d);
}

void CLabelUI::OnEvent(InputEventUI& event)
{
    if (event.type == UIEVENT_SETFOCUS || event.type == UIEVENT_KILLFOCUS) {
        m_bFocused = event.type == UIEVENT_SETFOCUS;
        return;
    }
    CControlUI::OnEvent(event);
}

int CLabelUI::FontHeight() const
{
    if (m_pManager == NULL)
        return 0;
    return m_pManager->GetFontInfo(m_iFont)->tm.tmHeight;
}

SIZE CLabelUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0 || m_pManager == NULL)
        return CControlUI::MeasureSize(available);
    SIZE size = {m_cxyFixed.cx, FontHeight() + 4};
    return size;
}

void CLabelUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"align") == 0) {
        if (wcsstr(value, L"left") != NULL) {
            m_uTextStyle &= ~(DT_CENTER | DT_RIGHT | DT_SINGLELINE);
        }
        if (wcsstr(value, L"center") != NULL) {
            m_uTextStyle &= ~DT_RIGHT;
            m_uTextStyle |= DT_CENTER;
        }
        if (wcsstr(value, L"right") != NULL) {
            m_uTextStyle &= ~(DT_CENTER | DT_SINGLELINE);
            m_uTextStyle |= DT_RIGHT;
        }
    } else if (wcscmp(name, L"valign") == 0) {
        if (wcsstr(value, L"top") != NULL) {
            m_uTextStyle &= ~(DT_VCENTER | DT_BOTTOM);
            m_uTextStyle |= DT_SINGLELINE;
        }
        if (wcsstr(value, L"vcenter") != NULL) {
            m_uTextStyle &= ~DT_BOTTOM;
            m_uTextStyle |= DT_VCENTER | DT_SINGLELINE;
        }
        if (wcsstr(value, L"bottom") != NULL) {
            m_uTextStyle &= ~DT_VCENTER;
            m_uTextStyle |= DT_BOTTOM | DT_SINGLELINE;
        }
    } else if (wcscmp(name, L"endellipsis") == 0) {
        if (IsTrue(value))
            m_uTextStyle |= DT_END_ELLIPSIS;
        else
            m_uTextStyle &= ~DT_END_ELLIPSIS;
    } else if (wcscmp(name, L"font") == 0) {
        SetFont(_wtoi(value));
    } else if (wcscmp(name, L"textcolor") == 0) {
        SetTextColor(ParseHexColor(value));
    } else if (wcscmp(name, L"disabledtextcolor") == 0) {
        SetDisabledTextColor(ParseHexColor(value));
    } else if (wcscmp(name, L"textpadding") == 0) {
        SetTextPadding(ParseRectList(value));
    } else if (wcscmp(name, L"showhtml") == 0) {
        SetShowHtml(IsTrue(value));
    } else if (wcscmp(name, L"enabledeffect") == 0) {
        SetEnabledEffect(IsTrue(value));
    } else if (wcscmp(name, L"rhaa") == 0) {
        SetTextRenderingHint(_wtoi(value));
    } else if (wcscmp(name, L"transshadow") == 0) {
        SetTransShadow(_wtoi(value));
    } else if (wcscmp(name, L"transshadow1") == 0) {
        SetTransShadow1(_wtoi(value));
    } else if (wcscmp(name, L"transtext") == 0) {
        SetTransText(_wtoi(value));
    } else if (wcscmp(name, L"transtext1") == 0) {
        SetTransText1(_wtoi(value));
    } else if (wcscmp(name, L"transstroke") == 0) {
        SetTransStroke(_wtoi(value));
    } else if (wcscmp(name, L"gradientangle") == 0) {
        SetGradientAngle(_wtoi(value));
    } else if (wcscmp(name, L"gradientlength") == 0) {
        SetGradientLength(_wtoi(value));
    } else if (wcscmp(name, L"enabledstroke") == 0) {
        SetEnabledStroke(IsTrue(value));
    } else if (wcscmp(name, L"enabledshadow") == 0) {
        SetEnabledShadow(IsTrue(value));
    } else if (wcscmp(name, L"shadowoffset") == 0) {
        RECT pair = ParseRectList(value);
        SetShadowOffset(pair.left, pair.top);
    } else if (wcscmp(name, L"textcolor1") == 0) {
        SetTextColor1(ParseHexColor(value));
    } else if (wcscmp(name, L"textshadowcolora") == 0) {
        SetTextShadowColorA(ParseHexColor(value));
    } else if (wcscmp(name, L"textshadowcolorb") == 0) {
        SetTextShadowColorB(ParseHexColor(value));
    } else if (wcscmp(name, L"strokecolor") == 0) {
        SetStrokeColor(ParseHexColor(value));
    } else {
        CControlUI::ApplyAttribute(name, value);
    }
}

bool CLabelUI::ForwardDisabledMouse(InputEventUI& event)
{
    if (IsMouseEnabled() || event.type < UIEVENT_MOUSEMOVE || event.type > UIEVENT_SCROLLWHEEL)
        return false;
    if (m_pParent != NULL)
        m_pParent->OnEvent(event);
    else
        CLabelUI::OnEvent(event);
    return true;
}

bool CLabelUI::HandleNativeHostEvent(InputEventUI& event, bool nativeOpen)
{
    switch (event.type) {
    case UIEVENT_SETCURSOR:
        if (!IsEnabled())
            return false;
        ::SetCursor(LoadCursorW(NULL, IDC_IBEAM));
        return true;
    case UIEVENT_WINDOWSIZE:
        // Moving the focus on closes the native window, which would sit in the wrong place now.
        if (nativeOpen && m_pManager != NULL)
            m_pManager->MoveFocusByTab(true);
        return false;
    case UIEVENT_SCROLLWHEEL:
        return nativeOpen;
    default:
        return false;
    }
}

void CLabelUI::TakeDefaultTextColors()
{
    if (m_pManager == NULL)
        return;
    if (m_dwTextColor == 0)
        m_dwTextColor = m_pManager->GetDefaultFontColor();
    if (m_dwDisabledTextColor == 0)
        m_dwDisabledTextColor = m_pManager->GetDefaultDisabledColor();
}

RECT CLabelUI::TextRect() const
{
    RECT rc = {m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
               m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
    return rc;
}

void CLabelUI::PaintPlainText(HDC hdc, const CStringUI& text, DWORD color, UINT style)
{
    RECT rc = TextRect();
    if (m_bShowHtml) {
        int links = 0;
        CRenderKitUI::DrawHtmlText(hdc, m_pManager, rc, text, color, NULL, NULL, links, style);
        return;
    }
    CRenderKitUI::DrawText(hdc, m_pManager, rc, text, color, m_iFont, style);
}

void CLabelUI::PaintLabelText(HDC hdc)
{
    TakeDefaultTextColors();
    if (m_bEnableEffect) {
        PaintEffectText(hdc);
        return;
    }
    if (m_sText.IsEmpty())
        return;
    PaintPlainText(hdc, m_sText, IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor, m_uTextStyle | DT_SINGLELINE);
}

} // namespace UiToolkit
