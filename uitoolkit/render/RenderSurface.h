// DIB surfaces and the run-time loaded alpha-blend and gradient functions.
#pragma once
#include <windows.h>

namespace UiToolkit {

typedef BOOL(WINAPI* AlphaBlendFn)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
typedef BOOL(WINAPI* GradientFillFn)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// Looked up once per process; NULL when missing or when the own fallbacks are forced.
AlphaBlendFn SystemAlphaBlend();
GradientFillFn SystemGradientFill();

// A 32-bit top-down DIB section (BI_RGB, negative height); NULL on failure.
HBITMAP CreateTopDownDib(HDC reference, int width, int height, void** bits);

// A 32-bit top-down DIB selected into its own memory DC.
class DibSurface
{
public:
    DibSurface(HDC reference, int width, int height);
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;
    bool IsValid() const { return m_bits != NULL; }
    HDC Dc() const { return m_dc; }
    DWORD* Bits() const { return m_bits; }
    HBITMAP Bitmap() const { return m_bitmap; }
    // Takes the bitmap out of the DC so it can be drawn from another one.
    void Unselect();

private:
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    DWORD* m_bits;
};

} // namespace UiToolkit
