#include "core/ToolkitLog.h"
#include "controls/LabelUI.h"
#include "core/WindowManager.h"

#include <gdiplus.h>

#include <string>
#include <vector>

namespace UiToolkit {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

ARGB WithAlpha(int alpha, DWORD color)
{
    return (static_cast<DWORD>(alpha) << 24) | (color & 0x00FFFFFF);
}

// Owns the GDI+ objects of one effect paint.
struct EffectObjects
{
    EffectObjects() : graphics(NULL), font(NULL), format(NULL) {}
    ~EffectObjects()
    {
        for (GpLineGradient* brush : brushes)
            if (brush != NULL)
                GdipDeleteBrush(brush);
        if (format != NULL)
            GdipDeleteStringFormat(format);
        if (graphics != NULL)
            GdipDeleteGraphics(graphics);
        if (font != NULL)
            GdipDeleteFont(font);
    }
    EffectObjects(const EffectObjects&) = delete;
    EffectObjects& operator=(const EffectObjects&) = delete;

    GpLineGradient* Brush(const PointF& from, const PointF& to, ARGB first, ARGB second)
    {
        GpLineGradient* brush = NULL;
        if (GdipCreateLineBrush(&from, &to, first, second, WrapModeTile, &brush) != Ok)
            return NULL;
        brushes[count++] = brush;
        return brush;
    }

    GpGraphics* graphics;
    GpFont* font;
    GpStringFormat* format;
    GpLineGradient* brushes[3] = {NULL, NULL, NULL};
    int count = 0;
};

// GDI+ takes only TrueType faces, and under Wine a face that the prefix replaces by another font is
// refused too. Such a font gets the face GDI really selected, else the generic sans serif family, at
// the same pixel size and style, so the effect text still shows. Wide calls keep Chinese face names.
// The family GDI really drew the font with: the face a replacement names, else the requested face.
std::wstring SelectedFamily(HDC hdc, HFONT hFont, TEXTMETRICW* tm)
{
    std::wstring family;
    HGDIOBJ old = SelectObject(hdc, hFont);
    if (old == NULL)
        return family;
    GetTextMetricsW(hdc, tm);
    UINT size = GetOutlineTextMetricsW(hdc, 0, NULL);
    if (size >= sizeof(OUTLINETEXTMETRICW)) {
        std::vector<BYTE> buffer(size);
        OUTLINETEXTMETRICW* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
        if (GetOutlineTextMetricsW(hdc, size, otm) != 0)
            family = reinterpret_cast<const wchar_t*>(buffer.data() + reinterpret_cast<UINT_PTR>(otm->otmpFamilyName));
    }
    wchar_t face[LF_FACESIZE] = L"";
    if (family.empty() && GetTextFaceW(hdc, LF_FACESIZE, face) > 0)
        family = face;
    SelectObject(hdc, old);
    return family;
}

// GDI+ takes only TrueType faces, and under Wine a face that the prefix replaces by another font is
// refused too. Such a font gets the family GDI really selected, else the generic sans serif family, at
// the same pixel size and style, so the effect text still shows. Wide calls keep Chinese face names.
GpStatus CreateEffectFont(HDC hdc, HFONT hFont, GpFont** font)
{
    *font = NULL;
    LOGFONTW lf;
    if (hFont == NULL || GetObjectW(hFont, sizeof(lf), &lf) == 0)
        return GdipCreateFontFromDC(hdc, font);
    GpStatus status = GdipCreateFontFromLogfontW(hdc, &lf, font);
    if (status == Ok && *font != NULL)
        return Ok;
    *font = NULL;
    TEXTMETRICW tm = {};
    std::wstring name = SelectedFamily(hdc, hFont, &tm);
    LOG(WARNING) << "GDI+ cannot use the label font " << LogText(lf.lfFaceName) << " (status " << status
                 << "); effect text takes " << (name.empty() ? std::string("another face") : LogText(name.c_str()));
    GpFontFamily* family = NULL;
    if (name.empty() || GdipCreateFontFamilyFromName(name.c_str(), NULL, &family) != Ok || family == NULL) {
        family = NULL;
        if (GdipGetGenericFontFamilySansSerif(&family) != Ok || family == NULL) {
            LOG(WARNING) << "GDI+ finds no font family: effect text draws nothing";
            return FontFamilyNotFound;
        }
    }
    REAL size = static_cast<REAL>(lf.lfHeight < 0 ? -lf.lfHeight : tm.tmHeight - tm.tmInternalLeading);
    if (size <= 0)
        size = 12;
    INT style = (lf.lfWeight >= FW_BOLD ? FontStyleBold : 0) | (lf.lfItalic ? FontStyleItalic : 0) |
                (lf.lfUnderline ? FontStyleUnderline : 0);
    status = GdipCreateFont(family, size, style, UnitPixel, font);
    GdipDeleteFontFamily(family);
    if (status != Ok || *font == NULL) {
        *font = NULL;
        return status != Ok ? status : GenericError;
    }
    return Ok;
}

} // namespace

void CLabelUI::StartGdiplus()
{
    GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = NULL;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    if (GdiplusStartup(&m_gdiplusToken, &input, NULL) != Ok)
        m_gdiplusToken = 0;
}

void CLabelUI::StopGdiplus()
{
    if (m_gdiplusToken != 0)
        GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
}

void CLabelUI::PaintEffectText(HDC hdc)
{
    if (m_gdiplusToken == 0 || m_pManager == NULL)
        return;
    RECT rc = TextRect();
    // GDI+ reads a zero extent as "unbounded": an empty rectangle must draw nothing, not everything.
    if (rc.right <= rc.left || rc.bottom <= rc.top)
        return;
    EffectObjects gp;
    GpStatus status = CreateEffectFont(hdc, m_pManager->GetFont(m_iFont), &gp.font);
    if (status != Ok || GdipCreateFromHDC(hdc, &gp.graphics) != Ok)
        return;
    if (GdipSetTextRenderingHint(gp.graphics, static_cast<TextRenderingHint>(m_TextRenderingHintAntiAlias)) != Ok ||
        GdipCreateStringFormat(0, LANG_NEUTRAL, &gp.format) != Ok)
        return;
    // Horizontal flags place the text across, vertical ones down.
    UINT style = m_uTextStyle;
    if (GdipSetStringFormatAlign(gp.format, (style & DT_CENTER)  ? StringAlignmentCenter
                                            : (style & DT_RIGHT) ? StringAlignmentFar
                                                                 : StringAlignmentNear) != Ok ||
        GdipSetStringFormatLineAlign(gp.format, (style & DT_VCENTER)  ? StringAlignmentCenter
                                                : (style & DT_BOTTOM) ? StringAlignmentFar
                                                                      : StringAlignmentNear) != Ok)
        return;

    RectF layout(static_cast<REAL>(rc.left), static_cast<REAL>(rc.top), static_cast<REAL>(rc.right - rc.left),
                 static_cast<REAL>(rc.bottom - rc.top));
    // The shadow offset and the gradient points are measured from the text rectangle, wherever the label sits.
    RectF shadow(layout.X + m_ShadowOffsetX, layout.Y + m_ShadowOffsetY, layout.Width, layout.Height);
    REAL length = static_cast<REAL>(m_GradientLength != 0 ? m_GradientLength : rc.bottom - rc.top);
    PointF start(layout.X + static_cast<REAL>(m_GradientAngle), layout.Y);
    PointF end(layout.X, layout.Y + length);

    DWORD second = m_dwTextColor2 != 0xFFFFFFFF ? m_dwTextColor2 : m_dwTextColor;
    GpLineGradient* textBrush =
        gp.Brush(start, end, WithAlpha(m_TransText, m_dwTextColor), WithAlpha(m_TransText1, second));
    DWORD shadowSecond = m_dwTextShadowColorB != 0xFFFFFFFF ? m_dwTextShadowColorB : m_dwTextShadowColorA;
    GpLineGradient* shadowBrush =
        gp.Brush(start, end, WithAlpha(m_TransShadow, m_dwTextShadowColorA), WithAlpha(m_TransShadow1, shadowSecond));
    if (textBrush == NULL || shadowBrush == NULL)
        return;
    const wchar_t* text = m_EffectText.Text();

    if (m_bEnableStroke && m_dwStrokeColor != 0) {
        PointF strokeEnd(layout.X, layout.Y + layout.Height + 2.0f);
        ARGB stroke = WithAlpha(m_TransStroke, m_dwStrokeColor);
        GpLineGradient* strokeBrush = gp.Brush(start, strokeEnd, stroke, stroke);
        if (strokeBrush == NULL)
            return;
        const REAL moves[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        for (const REAL* move : moves) {
            RectF moved(layout.X + move[0], layout.Y + move[1], layout.Width, layout.Height);
            if (GdipDrawString(gp.graphics, text, -1, gp.font, &moved, gp.format, strokeBrush) != Ok)
                return;
        }
    }
    if (m_bEnableShadow && (m_dwTextShadowColorA != 0 || m_dwTextShadowColorB != 0) &&
        GdipDrawString(gp.graphics, text, -1, gp.font, &shadow, gp.format, shadowBrush) != Ok)
        return;
    (void)GdipDrawString(gp.graphics, text, -1, gp.font, &layout, gp.format, textBrush); // the last step
}

} // namespace UiToolkit
