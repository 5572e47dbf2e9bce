#include "render/RenderSurface.h"
#include "render/RenderKit.h"

#include <string.h>

namespace UiToolkit {

namespace {

bool g_systemBlending = true;

HMODULE ImagingLibrary()
{
    static HMODULE module = LoadLibraryW(L"msimg32.dll");
    return module;
}

} // namespace

AlphaBlendFn SystemAlphaBlend()
{
    static AlphaBlendFn fn = ImagingLibrary() != NULL
                                 ? reinterpret_cast<AlphaBlendFn>(GetProcAddress(ImagingLibrary(), "AlphaBlend"))
                                 : NULL;
    return g_systemBlending ? fn : NULL;
}

GradientFillFn SystemGradientFill()
{
    static GradientFillFn fn = ImagingLibrary() != NULL
                                   ? reinterpret_cast<GradientFillFn>(GetProcAddress(ImagingLibrary(), "GradientFill"))
                                   : NULL;
    return g_systemBlending ? fn : NULL;
}

void CRenderKitUI::SetSystemBlendingEnabled(bool enabled)
{
    g_systemBlending = enabled;
}

HBITMAP CreateTopDownDib(HDC reference, int width, int height, void** bits)
{
    *bits = NULL;
    if (width <= 0 || height <= 0)
        return NULL;
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    HBITMAP bitmap = CreateDIBSection(reference, &bmi, DIB_RGB_COLORS, bits, NULL, 0);
    if (bitmap != NULL && *bits == NULL) {
        DeleteObject(bitmap);
        bitmap = NULL;
    }
    return bitmap;
}

DibSurface::DibSurface(HDC reference, int width, int height) : m_dc(NULL), m_bitmap(NULL), m_old(NULL), m_bits(NULL)
{
    void* bits = NULL;
    m_bitmap = CreateTopDownDib(reference, width, height, &bits);
    if (m_bitmap == NULL)
        return;
    m_dc = CreateCompatibleDC(reference);
    if (m_bitmap != NULL && m_dc != NULL && bits != NULL) {
        m_old = SelectObject(m_dc, m_bitmap);
        m_bits = static_cast<DWORD*>(bits);
    }
}

void DibSurface::Unselect()
{
    if (m_old != NULL)
        SelectObject(m_dc, m_old);
    m_old = NULL;
    GdiFlush();
}

DibSurface::~DibSurface()
{
    Unselect();
    if (m_dc != NULL)
        DeleteDC(m_dc);
    if (m_bitmap != NULL)
        DeleteObject(m_bitmap);
}

} // namespace UiToolkit
