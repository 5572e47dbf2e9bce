#include "render/RenderKit.h"
#include "render/RenderSurface.h"

#include <stdlib.h>
#include <string.h>

namespace UiToolkit {

namespace {

int Width(const RECT& rc)
{
    return rc.right - rc.left;
}
int Height(const RECT& rc)
{
    return rc.bottom - rc.top;
}

// Blend of premultiplied source pixels for systems without AlphaBlend.
void OwnAlphaBlend(HDC dst, const RECT& rcDst, HDC src, const RECT& rcSrc, BYTE fade)
{
    int w = Width(rcDst), h = Height(rcDst);
    DibSurface source(dst, w, h);
    DibSurface target(dst, w, h);
    if (!source.IsValid() || !target.IsValid())
        return;
    SetStretchBltMode(source.Dc(), COLORONCOLOR);
    StretchBlt(source.Dc(), 0, 0, w, h, src, rcSrc.left, rcSrc.top, Width(rcSrc), Height(rcSrc), SRCCOPY);
    BitBlt(target.Dc(), 0, 0, w, h, dst, rcDst.left, rcDst.top, SRCCOPY);
    DWORD* s = source.Bits();
    DWORD* d = target.Bits();
    for (int i = 0; i < w * h; ++i) {
        DWORD coverage = ((s[i] >> 24) * fade) / 255;
        DWORD out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            DWORD sc = ((s[i] >> shift) & 0xFF) * fade / 255;
            DWORD dc = (d[i] >> shift) & 0xFF;
            DWORD v = sc + dc * (255 - coverage) / 255;
            out |= (v > 255 ? 255 : v) << shift;
        }
        d[i] = out | (d[i] & 0xFF000000);
    }
    BitBlt(dst, rcDst.left, rcDst.top, w, h, target.Dc(), 0, 0, SRCCOPY);
}

// Draws one part of the image, skipped when empty or outside the paint rectangle.
class PartPainter
{
public:
    PartPainter(HDC dst, HDC src, const RECT& paint, bool blend, BYTE fade)
        : m_dst(dst), m_src(src), m_paint(paint), m_blend(blend), m_fade(fade)
    {}

    void Draw(const RECT& dst, const RECT& src) const
    {
        RECT visible;
        if (Width(dst) <= 0 || Height(dst) <= 0 || Width(src) <= 0 || Height(src) <= 0 ||
            !IntersectRect(&visible, &dst, &m_paint))
            return;
        if (m_blend) {
            AlphaBlendFn blend = SystemAlphaBlend();
            if (blend != NULL) {
                BLENDFUNCTION bf = {AC_SRC_OVER, 0, m_fade, AC_SRC_ALPHA};
                blend(m_dst, dst.left, dst.top, Width(dst), Height(dst), m_src, src.left, src.top, Width(src),
                      Height(src), bf);
            } else {
                OwnAlphaBlend(m_dst, dst, m_src, src, m_fade);
            }
        } else if (Width(dst) == Width(src) && Height(dst) == Height(src)) {
            BitBlt(m_dst, dst.left, dst.top, Width(dst), Height(dst), m_src, src.left, src.top, SRCCOPY);
        } else {
            StretchBlt(m_dst, dst.left, dst.top, Width(dst), Height(dst), m_src, src.left, src.top, Width(src),
                       Height(src), SRCCOPY);
        }
    }

    // Tiles of the source size along the tiled axes; the last tile of a row or column is cut.
    void DrawTiled(const RECT& dst, const RECT& src, bool xtiled, bool ytiled) const
    {
        int tileW = xtiled ? Width(src) : Width(dst);
        int tileH = ytiled ? Height(src) : Height(dst);
        if (tileW <= 0 || tileH <= 0)
            return;
        for (int top = dst.top; top < dst.bottom; top += tileH) {
            for (int left = dst.left; left < dst.right; left += tileW) {
                RECT d = {left, top, left + tileW, top + tileH};
                if (d.right > dst.right)
                    d.right = dst.right;
                if (d.bottom > dst.bottom)
                    d.bottom = dst.bottom;
                RECT s = src;
                if (xtiled)
                    s.right = s.left + Width(d);
                if (ytiled)
                    s.bottom = s.top + Height(d);
                Draw(d, s);
            }
        }
    }

private:
    HDC m_dst;
    HDC m_src;
    const RECT& m_paint;
    bool m_blend;
    BYTE m_fade;
};

void DrawNineGrid(const PartPainter& painter, const RECT& rc, const RECT& src, const RECT& c, bool hole, bool xtiled,
                  bool ytiled)
{
    if (!hole) {
        RECT dm = {rc.left + c.left, rc.top + c.top, rc.right - c.right, rc.bottom - c.bottom};
        RECT sm = {src.left + c.left, src.top + c.top, src.right - c.right, src.bottom - c.bottom};
        if (xtiled || ytiled)
            painter.DrawTiled(dm, sm, xtiled, ytiled);
        else
            painter.Draw(dm, sm);
    }
    struct Part
    {
        bool present;
        RECT dst;
        RECT src;
    } parts[] = {
        {c.left > 0 && c.top > 0,
         {rc.left, rc.top, rc.left + c.left, rc.top + c.top},
         {src.left, src.top, src.left + c.left, src.top + c.top}},
        {c.top > 0,
         {rc.left + c.left, rc.top, rc.right - c.right, rc.top + c.top},
         {src.left + c.left, src.top, src.right - c.right, src.top + c.top}},
        {c.right > 0 && c.top > 0,
         {rc.right - c.right, rc.top, rc.right, rc.top + c.top},
         {src.right - c.right, src.top, src.right, src.top + c.top}},
        {c.left > 0,
         {rc.left, rc.top + c.top, rc.left + c.left, rc.bottom - c.bottom},
         {src.left, src.top + c.top, src.left + c.left, src.bottom - c.bottom}},
        {c.right > 0,
         {rc.right - c.right, rc.top + c.top, rc.right, rc.bottom - c.bottom},
         {src.right - c.right, src.top + c.top, src.right, src.bottom - c.bottom}},
        {c.left > 0 && c.bottom > 0,
         {rc.left, rc.bottom - c.bottom, rc.left + c.left, rc.bottom},
         {src.left, src.bottom - c.bottom, src.left + c.left, src.bottom}},
        {c.bottom > 0,
         {rc.left + c.left, rc.bottom - c.bottom, rc.right - c.right, rc.bottom},
         {src.left + c.left, src.bottom - c.bottom, src.right - c.right, src.bottom}},
        {c.right > 0 && c.bottom > 0,
         {rc.right - c.right, rc.bottom - c.bottom, rc.right, rc.bottom},
         {src.right - c.right, src.bottom - c.bottom, src.right, src.bottom}},
    };
    for (const Part& part : parts) {
        if (part.present)
            painter.Draw(part.dst, part.src);
    }
}

} // namespace

void CRenderKitUI::DrawImage(HDC hDC, HBITMAP hBitmap, const RECT& rc, const RECT& rcPaint, const RECT& rcBmpPart,
                             const RECT& rcCorners, bool alpha, BYTE fade, bool hole, bool xtiled, bool ytiled)
{
    if (hDC == NULL || hBitmap == NULL)
        return;
    HDC memDc = CreateCompatibleDC(hDC);
    if (memDc == NULL)
        return;
    HGDIOBJ old = SelectObject(memDc, hBitmap);
    SetStretchBltMode(hDC, COLORONCOLOR);

    bool blend = alpha || fade < 255;
    bool noCorners = rcCorners.left == 0 && rcCorners.top == 0 && rcCorners.right == 0 && rcCorners.bottom == 0;
    if (!blend && noCorners && Width(rc) == Width(rcBmpPart) && Height(rc) == Height(rcBmpPart)) {
        RECT visible;
        if (IntersectRect(&visible, &rc, &rcPaint))
            BitBlt(hDC, visible.left, visible.top, Width(visible), Height(visible), memDc,
                   rcBmpPart.left + visible.left - rc.left, rcBmpPart.top + visible.top - rc.top, SRCCOPY);
    } else {
        PartPainter painter(hDC, memDc, rcPaint, blend, fade);
        DrawNineGrid(painter, rc, rcBmpPart, rcCorners, hole, xtiled, ytiled);
    }
    SelectObject(memDc, old);
    DeleteDC(memDc);
}

} // namespace UiToolkit
