#include "render/RenderKit.h"

#include <string.h>

namespace UiToolkit {

namespace {

struct Hsl
{
    double h, s, l;
};

Hsl RgbToHsl(double r, double g, double b)
{
    double mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
    double mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
    Hsl out = {0.0, 0.0, (mx + mn) / 2.0};
    double d = mx - mn;
    if (d <= 0.0)
        return out;
    out.s = out.l <= 0.5 ? d / (mx + mn) : d / (2.0 - mx - mn);
    if (mx == r)
        out.h = 60.0 * ((g - b) / d);
    else if (mx == g)
        out.h = 60.0 * ((b - r) / d) + 120.0;
    else
        out.h = 60.0 * ((r - g) / d) + 240.0;
    if (out.h < 0.0)
        out.h += 360.0;
    return out;
}

double HueToChannel(double p, double q, double t)
{
    if (t < 0.0)
        t += 1.0;
    if (t > 1.0)
        t -= 1.0;
    if (t < 1.0 / 6.0)
        return p + (q - p) * 6.0 * t;
    if (t < 0.5)
        return q;
    if (t < 2.0 / 3.0)
        return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
    return p;
}

DWORD ToByte(double v)
{
    double scaled = v * 255.0;
    if (scaled < 0.0)
        scaled = 0.0;
    if (scaled > 255.0)
        scaled = 255.0;
    return static_cast<DWORD>(scaled);
}

DWORD HslToRgb(const Hsl& c)
{
    double r, g, b;
    if (c.s == 0.0) {
        r = g = b = c.l;
    } else {
        double q = c.l < 0.5 ? c.l * (1.0 + c.s) : c.l + c.s - c.l * c.s;
        double p = 2.0 * c.l - q;
        double t = c.h / 360.0;
        r = HueToChannel(p, q, t + 1.0 / 3.0);
        g = HueToChannel(p, q, t);
        b = HueToChannel(p, q, t - 1.0 / 3.0);
    }
    return (ToByte(r) << 16) | (ToByte(g) << 8) | ToByte(b);
}

bool IsNeutral(short h, short s, short l)
{
    return h == 180 && s == 100 && l == 100;
}

} // namespace

DWORD CRenderKitUI::AdjustColor(DWORD color, short h, short s, short l)
{
    if (IsNeutral(h, s, l))
        return color;
    Hsl c = RgbToHsl(((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0);
    c.h += h - 180;
    if (c.h <= 0.0)
        c.h += 360.0;
    if (c.h > 360.0)
        c.h -= 360.0;
    c.s = c.s * s / 100.0;
    c.l = c.l * l / 100.0;
    return (color & 0xFF000000) | HslToRgb(c);
}

void CRenderKitUI::AdjustImage(bool useHSL, ImageInfoUI* image, short h, short s, short l)
{
    if (image == NULL || !image->bUseHSL || image->hBitmap == NULL || image->pBits == NULL || image->pSrcBits == NULL)
        return;
    size_t count = static_cast<size_t>(image->nX) * image->nY;
    if (!useHSL || IsNeutral(h, s, l)) {
        memcpy(image->pBits, image->pSrcBits, count * 4);
        return;
    }
    const DWORD* src = reinterpret_cast<const DWORD*>(image->pSrcBits);
    DWORD* dst = reinterpret_cast<DWORD*>(image->pBits);
    for (size_t i = 0; i < count; ++i)
        dst[i] = AdjustColor(src[i], h, s, l);
}

} // namespace UiToolkit
