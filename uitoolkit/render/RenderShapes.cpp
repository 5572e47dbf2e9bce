#include "render/RenderKit.h"
#include "render/RenderSurface.h"
#include "core/WindowManager.h"

namespace UiToolkit {

namespace {

// A pen wider than any screen only covers what it frames; far wider ones (a skin's million) cost the
// platform's wide-line drawing minutes and broke its heap.
const int MAX_PEN_WIDTH = 4096;

int ScreenPenWidth(int size)
{
    return size > MAX_PEN_WIDTH ? MAX_PEN_WIDTH : size;
}

COLORREF ToColorRef(DWORD color)
{
    return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

void FillBands(HDC hDC, const RECT& rc, DWORD first, DWORD second, bool vertical, int steps)
{
    int shift = steps < 4 ? 1 : steps < 8 ? 2 : steps < 16 ? 3 : steps < 32 ? 4 : steps < 64 ? 5 : 6;
    int bands = 1 << shift;
    int extent = vertical ? rc.bottom - rc.top : rc.right - rc.left;
    for (int i = 0; i < bands; ++i) {
        BYTE channel[3];
        for (int c = 0; c < 3; ++c) {
            DWORD c1 = (first >> (16 - 8 * c)) & 0xFF;
            DWORD c2 = (second >> (16 - 8 * c)) & 0xFF;
            channel[c] = static_cast<BYTE>((c2 * (bands - i) + c1 * i) >> shift);
        }
        RECT band = rc;
        if (vertical) {
            band.top = rc.bottom - ((extent * (i + 1)) >> shift);
            band.bottom = rc.bottom - ((extent * i) >> shift);
        } else {
            band.left = rc.right - ((extent * (i + 1)) >> shift);
            band.right = rc.right - ((extent * i) >> shift);
        }
        if (IsRectEmpty(&band))
            continue;
        HBRUSH brush = CreateSolidBrush(RGB(channel[0], channel[1], channel[2]));
        FillRect(hDC, &band, brush);
        DeleteObject(brush);
    }
}

void FillGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, bool vertical, int steps)
{
    GradientFillFn gradientFill = SystemGradientFill();
    if (gradientFill == NULL) {
        FillBands(hDC, rc, first, second, vertical, steps);
        return;
    }
    TRIVERTEX vertices[2];
    DWORD colors[2] = {first, second};
    LONG xs[2] = {rc.left, rc.right};
    LONG ys[2] = {rc.top, rc.bottom};
    for (int i = 0; i < 2; ++i) {
        vertices[i].x = xs[i];
        vertices[i].y = ys[i];
        vertices[i].Red = static_cast<COLOR16>(((colors[i] >> 16) & 0xFF) << 8);
        vertices[i].Green = static_cast<COLOR16>(((colors[i] >> 8) & 0xFF) << 8);
        vertices[i].Blue = static_cast<COLOR16>((colors[i] & 0xFF) << 8);
        vertices[i].Alpha = 0xFF00;
    }
    GRADIENT_RECT rect = {0, 1};
    gradientFill(hDC, vertices, 2, &rect, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

// Selects a GDI object for one scope and deletes it afterwards.
class ScopedObject
{
public:
    ScopedObject(HDC hDC, HGDIOBJ object, bool owned = true)
        : m_dc(hDC), m_object(object), m_old(SelectObject(hDC, object)), m_owned(owned)
    {}
    ~ScopedObject()
    {
        SelectObject(m_dc, m_old);
        if (m_owned)
            DeleteObject(m_object);
    }
    ScopedObject(const ScopedObject&) = delete;
    ScopedObject& operator=(const ScopedObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_object;
    HGDIOBJ m_old;
    bool m_owned;
};

} // namespace

void CRenderKitUI::DrawColor(HDC hDC, const RECT& rc, DWORD color)
{
    DWORD alpha = color >> 24;
    if (alpha == 0)
        return;
    if (alpha == 255) {
        ::SetBkColor(hDC, ToColorRef(color));
        ::ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, NULL, 0, NULL);
        return;
    }
    DibSurface pixel(hDC, 1, 1);
    if (!pixel.IsValid())
        return;
    // The blend takes premultiplied pixels.
    DWORD premultiplied = color & 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8)
        premultiplied |= (((color >> shift) & 0xFF) * alpha / 255) << shift;
    pixel.Bits()[0] = premultiplied;
    pixel.Unselect();
    RECT source = {0, 0, 1, 1};
    RECT corners = {0, 0, 0, 0};
    DrawImage(hDC, pixel.Bitmap(), rc, rc, source, corners, true, 255);
}

void CRenderKitUI::DrawGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, bool vertical, int steps)
{
    DWORD alpha = ((first >> 24) + (second >> 24)) / 2;
    if (alpha == 0 || IsRectEmpty(&rc))
        return;
    if (alpha == 255) {
        FillGradient(hDC, rc, first, second, vertical, steps);
        return;
    }
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    DibSurface surface(hDC, width, height);
    if (!surface.IsValid())
        return;
    RECT local = {0, 0, width, height};
    FillGradient(surface.Dc(), local, first, second, vertical, steps);
    // GDI leaves the alpha bytes undefined: make the surface opaque before blending it at the shared alpha.
    DWORD* bits = surface.Bits();
    for (int i = 0; i < width * height; ++i)
        bits[i] |= 0xFF000000;
    surface.Unselect();
    RECT corners = {0, 0, 0, 0};
    DrawImage(hDC, surface.Bitmap(), rc, rc, local, corners, true, static_cast<BYTE>(alpha));
}

void CRenderKitUI::DrawLine(HDC hDC, const RECT& rc, int size, DWORD color, int style)
{
    LOGPEN lp;
    lp.lopnStyle = style;
    lp.lopnWidth.x = ScreenPenWidth(size);
    lp.lopnWidth.y = 0;
    lp.lopnColor = ToColorRef(color);
    ScopedObject pen(hDC, CreatePenIndirect(&lp));
    POINT old;
    MoveToEx(hDC, rc.left, rc.top, &old);
    LineTo(hDC, rc.right, rc.bottom);
}

void CRenderKitUI::DrawRect(HDC hDC, const RECT& rc, int size, DWORD color)
{
    ScopedObject pen(hDC, CreatePen(PS_INSIDEFRAME, ScreenPenWidth(size), ToColorRef(color)));
    ScopedObject brush(hDC, GetStockObject(NULL_BRUSH), false);
    Rectangle(hDC, rc.left, rc.top, rc.right, rc.bottom);
}

void CRenderKitUI::DrawRoundRect(HDC hDC, const RECT& rc, int size, int width, int height, DWORD color)
{
    ScopedObject pen(hDC, CreatePen(PS_INSIDEFRAME, ScreenPenWidth(size), ToColorRef(color)));
    ScopedObject brush(hDC, GetStockObject(NULL_BRUSH), false);
    RoundRect(hDC, rc.left, rc.top, rc.right, rc.bottom, width, height);
}

void CRenderKitUI::DrawText(HDC hDC, CWindowManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color, int font,
                            UINT style)
{
    if (manager == NULL || text == NULL || *text == L'\0')
        return;
    CStringUI shown = CWindowManagerUI::SubstituteMultiLanguage(text);
    ::SetBkMode(hDC, TRANSPARENT);
    ::SetTextColor(hDC, ToColorRef(color));
    ScopedObject selected(hDC, manager->GetFont(font), false);
    ::DrawTextW(hDC, shown.Text(), -1, &rc, style | DT_NOPREFIX);
}

CClipScopeUI::CClipScopeUI(HDC hDC, const RECT& rc) : m_hDC(hDC), m_rcItem(rc), m_hRgn(NULL), m_hOldRgn(NULL)
{
    Begin(hDC, rc);
    ExtSelectClipRgn(hDC, m_hRgn, RGN_AND);
}

CClipScopeUI::CClipScopeUI(HDC hDC, const RECT& rc, const RECT& rcRound, int width, int height)
    : m_hDC(hDC), m_rcItem(rc), m_hRgn(NULL), m_hOldRgn(NULL)
{
    Begin(hDC, rc);
    HRGN round = CreateRoundRectRgn(rcRound.left, rcRound.top, rcRound.right + 1, rcRound.bottom + 1, width, height);
    CombineRgn(m_hRgn, m_hRgn, round, RGN_AND);
    DeleteObject(round);
    ExtSelectClipRgn(hDC, m_hRgn, RGN_AND);
}

void CClipScopeUI::Begin(HDC hDC, const RECT& rc)
{
    // The real region, not its bounding box: an outer rounded clip must survive this scope.
    m_hOldRgn = CreateRectRgn(0, 0, 0, 0);
    if (GetClipRgn(hDC, m_hOldRgn) != 1) {
        DeleteObject(m_hOldRgn);
        m_hOldRgn = NULL; // no clip before: none after
    }
    m_hRgn = CreateRectRgnIndirect(&rc);
}

CClipScopeUI::~CClipScopeUI()
{
    SelectClipRgn(m_hDC, m_hOldRgn);
    if (m_hOldRgn != NULL)
        DeleteObject(m_hOldRgn);
    DeleteObject(m_hRgn);
}

void CClipScopeUI::UseOldClipBegin(HDC hDC)
{
    SelectClipRgn(hDC, m_hOldRgn);
}

void CClipScopeUI::UseOldClipEnd(HDC hDC)
{
    // The narrowed clip as it was set up: the new region within the old one.
    SelectClipRgn(hDC, m_hOldRgn);
    ExtSelectClipRgn(hDC, m_hRgn, RGN_AND);
}

} // namespace UiToolkit
