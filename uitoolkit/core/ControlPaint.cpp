#include "core/ControlUI.h"
#include "core/WindowManager.h"

#include <memory>

namespace UiToolkit {

namespace {

// Colour and size setters repaint only on a change.
template <typename T>
bool StoreChanged(T& field, T value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

DWORD CControlUI::GetAdjustColor(DWORD color) const
{
    if (!m_bColorHSL)
        return color;
    short h, s, l;
    bool enabled;
    CWindowManagerUI::GetHSL(&h, &s, &l, &enabled);
    return CRenderKitUI::AdjustColor(color, h, s, l);
}

bool CControlUI::DrawImageRecord(HDC hdc, ImageDrawInfoUI& record)
{
    return CRenderKitUI::DrawImageString(hdc, m_pManager, m_rcItem, m_rcPaint, record);
}

bool CControlUI::SetImageRecord(ImageDrawInfoUI& record, const wchar_t* image)
{
    if (!record.SetString(image))
        return false;
    Invalidate();
    return true;
}

void CControlUI::SetBkColor(DWORD color)
{
    if (StoreChanged(m_dwBackColor, color))
        Invalidate();
}

void CControlUI::SetBkColor2(DWORD color)
{
    if (StoreChanged(m_dwBackColor2, color))
        Invalidate();
}

void CControlUI::SetBkColor3(DWORD color)
{
    if (StoreChanged(m_dwBackColor3, color))
        Invalidate();
}

void CControlUI::SetBkImage(const wchar_t* image)
{
    if (!SetImageRecord(m_bkImage, image))
        return;
    // Loads at once so that a floating control without a size can take the image's.
    DrawImageRecord(NULL, m_bkImage);
    const ImageInfoUI* info = m_bkImage.pImageInfo;
    if (info != NULL && m_bFloat && m_cxyFixed.cx == 0 && m_cxyFixed.cy == 0) {
        SetFixedWidth(info->nX);
        SetFixedHeight(info->nY);
    }
    Invalidate();
}

void CControlUI::SetForeImage(const wchar_t* image)
{
    SetImageRecord(m_foreImage, image);
}

void CControlUI::SetBorderColor(DWORD color)
{
    if (StoreChanged(m_dwBorderColor, color))
        Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD color)
{
    if (StoreChanged(m_dwFocusBorderColor, color))
        Invalidate();
}

void CControlUI::SetColorHSL(bool hsl)
{
    if (StoreChanged(m_bColorHSL, hsl))
        Invalidate();
}

void CControlUI::SetBorderSize(int size)
{
    if (StoreChanged(m_nBorderSize, size))
        Invalidate();
}

void CControlUI::SetBorderSize(RECT sides)
{
    m_rcBorderSize = sides;
    Invalidate();
}

void CControlUI::SetLeftBorderSize(int size)
{
    m_rcBorderSize.left = size;
    Invalidate();
}

void CControlUI::SetTopBorderSize(int size)
{
    m_rcBorderSize.top = size;
    Invalidate();
}

void CControlUI::SetRightBorderSize(int size)
{
    m_rcBorderSize.right = size;
    Invalidate();
}

void CControlUI::SetBottomBorderSize(int size)
{
    m_rcBorderSize.bottom = size;
    Invalidate();
}

void CControlUI::SetBorderStyle(int style)
{
    m_nBorderStyle = style;
    Invalidate();
}

void CControlUI::SetBorderRound(SIZE round)
{
    m_cxyBorderRound = round;
    Invalidate();
}

void CControlUI::Paint(HDC hdc, const RECT& paintRect)
{
    if (!IntersectRect(&m_rcPaint, &paintRect, &m_rcItem))
        return;
    std::unique_ptr<CClipScopeUI> clip;
    if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0)
        clip.reset(new CClipScopeUI(hdc, m_rcPaint, m_rcItem, m_cxyBorderRound.cx, m_cxyBorderRound.cy));
    PaintBackColor(hdc);
    PaintBackImage(hdc);
    PaintStateImage(hdc);
    PaintLabelText(hdc);
    PaintOutline(hdc);
}

void CControlUI::PaintBackColor(HDC hdc)
{
    if (m_dwBackColor == 0)
        return;
    if (m_dwBackColor2 == 0) {
        // A translucent colour is laid over the whole control so that partial repaints blend alike.
        const RECT& area = m_dwBackColor >= 0xFF000000 ? m_rcPaint : m_rcItem;
        CRenderKitUI::DrawColor(hdc, area, GetAdjustColor(m_dwBackColor));
    } else if (m_dwBackColor3 == 0) {
        CRenderKitUI::DrawGradient(hdc, m_rcItem, GetAdjustColor(m_dwBackColor), GetAdjustColor(m_dwBackColor2), true,
                                   16);
    } else {
        RECT upper = m_rcItem;
        upper.bottom = (m_rcItem.top + m_rcItem.bottom) / 2;
        RECT lower = m_rcItem;
        lower.top = upper.bottom;
        CRenderKitUI::DrawGradient(hdc, upper, GetAdjustColor(m_dwBackColor), GetAdjustColor(m_dwBackColor2), true, 8);
        CRenderKitUI::DrawGradient(hdc, lower, GetAdjustColor(m_dwBackColor2), GetAdjustColor(m_dwBackColor3), true, 8);
    }
}

void CControlUI::PaintBackImage(HDC hdc)
{
    DrawImageRecord(hdc, m_bkImage);
}

void CControlUI::PaintStateImage(HDC) {}
void CControlUI::PaintLabelText(HDC) {}
void CControlUI::PaintOverlay(HDC) {}

void CControlUI::PaintOutline(HDC hdc)
{
    if (m_dwBorderColor == 0 && m_dwFocusBorderColor == 0)
        return;
    DWORD border = GetAdjustColor(m_dwBorderColor);
    DWORD focus = GetAdjustColor(m_dwFocusBorderColor);
    bool useFocus = m_bFocused && m_dwFocusBorderColor != 0;
    if (m_nBorderSize > 0 && (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0)) {
        CRenderKitUI::DrawRoundRect(hdc, m_rcItem, m_nBorderSize, m_cxyBorderRound.cx, m_cxyBorderRound.cy,
                                    useFocus ? focus : border);
    } else if (useFocus && m_nBorderSize > 0) {
        CRenderKitUI::DrawRect(hdc, m_rcItem, m_nBorderSize, focus);
    } else if (m_rcBorderSize.left <= 0 && m_rcBorderSize.top <= 0 && m_rcBorderSize.right <= 0 &&
               m_rcBorderSize.bottom <= 0) {
        if (m_nBorderSize > 0)
            CRenderKitUI::DrawRect(hdc, m_rcItem, m_nBorderSize, border);
    } else {
        const RECT& rc = m_rcItem;
        const int sizes[4] = {m_rcBorderSize.left, m_rcBorderSize.top, m_rcBorderSize.right, m_rcBorderSize.bottom};
        const RECT lines[4] = {{rc.left, rc.top, rc.left, rc.bottom},
                               {rc.left, rc.top, rc.right, rc.top},
                               {rc.right, rc.top, rc.right, rc.bottom},
                               {rc.left, rc.bottom, rc.right, rc.bottom}};
        for (int i = 0; i < 4; ++i) {
            if (sizes[i] > 0)
                CRenderKitUI::DrawLine(hdc, lines[i], sizes[i], border, m_nBorderStyle);
        }
    }
}

} // namespace UiToolkit
