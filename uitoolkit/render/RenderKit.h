// Drawing kit: images, colours, shapes, plain and tagged text on a device context.
#pragma once
#include "base/UIString.h"

#include <windows.h>

namespace UiToolkit {

class CWindowManagerUI;

// A decoded skin image: a 32-bit top-down DIB section, premultiplied B, G, R, A.
struct ImageInfoUI
{
    HBITMAP hBitmap;
    LPBYTE pBits;
    LPBYTE pSrcBits;
    int nX;
    int nY;
    bool bAlpha;
    bool bUseHSL;
    CStringUI sResType;
    DWORD dwMask;
};

// One image attribute of a control: the drawing string and what parsing it gave.
struct ImageDrawInfoUI
{
    ImageDrawInfoUI();
    void Clear();
    // Resets the record for a new string; false when the string is unchanged and an image is attached.
    bool SetString(const wchar_t* text);

    CStringUI sDrawString;
    bool bLoaded;
    CStringUI sImageName;
    const ImageInfoUI* pImageInfo;
    RECT rcDestOffset;
    RECT rcBmpPart;
    RECT rcCorner;
    BYTE uFade;
    bool bHole;
    bool bTiledX;
    bool bTiledY;
};

class CRenderKitUI
{
public:
    // With a resource type, bitmap is a numeric resource id (MAKEINTRESOURCEW).
    static ImageInfoUI* LoadImage(const wchar_t* bitmap, const wchar_t* type = NULL, DWORD mask = 0);
    static void FreeImage(ImageInfoUI* image, bool deleteRecord = true);
    static bool DrawImageString(HDC hDC, CWindowManagerUI* manager, const RECT& rcItem, const RECT& rcPaint,
                                ImageDrawInfoUI& info);
    static void DrawImage(HDC hDC, HBITMAP hBitmap, const RECT& rc, const RECT& rcPaint, const RECT& rcBmpPart,
                          const RECT& rcCorners, bool alpha, BYTE fade = 255, bool hole = false, bool xtiled = false,
                          bool ytiled = false);
    static void DrawColor(HDC hDC, const RECT& rc, DWORD color);
    static void DrawGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, bool vertical, int steps);
    static void DrawLine(HDC hDC, const RECT& rc, int size, DWORD color, int style = PS_SOLID);
    static void DrawRect(HDC hDC, const RECT& rc, int size, DWORD color);
    static void DrawRoundRect(HDC hDC, const RECT& rc, int size, int width, int height, DWORD color);
    static void DrawText(HDC hDC, CWindowManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color, int font,
                         UINT style);
    // Tagged text; links under the mouse (from the last layout) take the hover colour.
    static void DrawHtmlText(HDC hDC, CWindowManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color,
                             RECT* links, CStringUI* linkTexts, int& linkCount, UINT style);
    static DWORD AdjustColor(DWORD color, short h, short s, short l);
    static void AdjustImage(bool useHSL, ImageInfoUI* image, short h, short s, short l);

    // Fallbacks for a system without AlphaBlend or GradientFill; exposed so both paths can be exercised.
    static void SetSystemBlendingEnabled(bool enabled);
};

// Narrows the DC's clip for one scope and restores the old clip at its end.
class CClipScopeUI
{
public:
    CClipScopeUI(HDC hDC, const RECT& rc);
    CClipScopeUI(HDC hDC, const RECT& rc, const RECT& rcRound, int width, int height);
    ~CClipScopeUI();
    CClipScopeUI(const CClipScopeUI&) = delete;
    CClipScopeUI& operator=(const CClipScopeUI&) = delete;

    void UseOldClipBegin(HDC hDC);
    void UseOldClipEnd(HDC hDC);

private:
    void Begin(HDC hDC, const RECT& rc);

    HDC m_hDC;
    RECT m_rcItem;
    HRGN m_hRgn;
    HRGN m_hOldRgn;
};

} // namespace UiToolkit
