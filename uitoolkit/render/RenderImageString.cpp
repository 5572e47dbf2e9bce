#include "render/RenderKit.h"
#include "base/UIGeometry.h"
#include "core/WindowManager.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

ImageDrawInfoUI::ImageDrawInfoUI()
{
    Clear();
}

void ImageDrawInfoUI::Clear()
{
    sDrawString.Empty();
    bLoaded = false;
    sImageName.Empty();
    pImageInfo = NULL;
    SetRectEmpty(&rcDestOffset);
    SetRectEmpty(&rcBmpPart);
    SetRectEmpty(&rcCorner);
    uFade = 255;
    bHole = false;
    bTiledX = false;
    bTiledY = false;
}

bool ImageDrawInfoUI::SetString(const wchar_t* text)
{
    if (pImageInfo != NULL && sDrawString.Equals(text))
        return false;
    Clear();
    sDrawString = text;
    return true;
}

namespace {

struct ImageRequest
{
    ImageRequest() : mask(0), hsl(false), fromResource(false) {}
    CStringUI name;
    CStringUI type;
    DWORD mask;
    bool hsl;
    bool fromResource;
};

void SkipBlanks(const wchar_t*& p)
{
    while (*p == L' ')
        ++p;
}

// Reads one key='value' pair; false at the end of the text or at the first malformed pair.
bool NextPair(const wchar_t*& p, CStringUI& key, CStringUI& value)
{
    SkipBlanks(p);
    if (*p == L'\0')
        return false;
    const wchar_t* keyStart = p;
    while (*p != L'\0' && *p != L'=' && *p != L' ')
        ++p;
    key.SetN(keyStart, static_cast<int>(p - keyStart));
    SkipBlanks(p);
    if (*p != L'=')
        return false;
    ++p;
    SkipBlanks(p);
    if (*p != L'\'')
        return false;
    const wchar_t* valueStart = ++p;
    while (*p != L'\0' && *p != L'\'')
        ++p;
    if (*p != L'\'')
        return false;
    value.SetN(valueStart, static_cast<int>(p - valueStart));
    ++p;
    return true;
}

void ApplyPair(const CStringUI& key, const CStringUI& value, ImageRequest& request, ImageDrawInfoUI& info)
{
    if (key == L"file") {
        request.name = value;
    } else if (key == L"res") {
        request.name = value;
        request.fromResource = true;
    } else if (key == L"restype") {
        request.type = value;
    } else if (key == L"dest") {
        info.rcDestOffset = ParseRectList(value);
    } else if (key == L"source") {
        info.rcBmpPart = ParseRectList(value);
    } else if (key == L"corner") {
        info.rcCorner = ParseRectList(value);
    } else if (key == L"mask") {
        const wchar_t* text = value.Text();
        if (*text == L'#')
            ++text;
        request.mask = wcstoul(text, NULL, 16);
    } else if (key == L"fade") {
        info.uFade = static_cast<BYTE>(_wtoi(value));
    } else if (key == L"hole") {
        info.bHole = value == L"true";
    } else if (key == L"xtiled") {
        info.bTiledX = value == L"true";
    } else if (key == L"ytiled") {
        info.bTiledY = value == L"true";
    } else if (key == L"hsl") {
        request.hsl = value == L"true";
    }
}

bool AttachImage(CWindowManagerUI* manager, ImageDrawInfoUI& info)
{
    if (info.bLoaded)
        return false;
    info.bLoaded = true;
    if (info.sDrawString.IsEmpty())
        return false;
    ImageRequest request;
    request.name = info.sDrawString;
    const wchar_t* p = info.sDrawString.Text();
    CStringUI key, value;
    while (NextPair(p, key, value)) {
        if (!value.IsEmpty())
            ApplyPair(key, value, request, info);
    }
    info.sImageName = request.name;
    const ImageInfoUI* image =
        manager->GetImageEx(request.name, request.fromResource ? request.type.Text() : NULL, request.mask, request.hsl);
    if (image == NULL)
        return false;
    info.pImageInfo = image;
    const RECT& src = info.rcBmpPart;
    if (src.left == 0 && src.top == 0 && src.right == 0 && src.bottom == 0)
        SetRect(&info.rcBmpPart, 0, 0, image->nX, image->nY);
    return true;
}

int Clamp(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

// Keeps the source inside the image and the nine-grid borders inside the source: nothing is read beyond the bitmap.
void ClampToImage(const ImageInfoUI& image, RECT& source, RECT& corner)
{
    source.left = Clamp(source.left, 0, image.nX);
    source.top = Clamp(source.top, 0, image.nY);
    source.right = Clamp(source.right, source.left, image.nX);
    source.bottom = Clamp(source.bottom, source.top, image.nY);
    int width = source.right - source.left;
    int height = source.bottom - source.top;
    corner.left = Clamp(corner.left, 0, width);
    corner.right = Clamp(corner.right, 0, width - corner.left);
    corner.top = Clamp(corner.top, 0, height);
    corner.bottom = Clamp(corner.bottom, 0, height - corner.top);
}

} // namespace

bool CRenderKitUI::DrawImageString(HDC hDC, CWindowManagerUI* manager, const RECT& rcItem, const RECT& rcPaint,
                                   ImageDrawInfoUI& info)
{
    if (manager == NULL)
        return true;
    if (info.pImageInfo == NULL && !AttachImage(manager, info))
        return false;
    ClampToImage(*info.pImageInfo, info.rcBmpPart, info.rcCorner);
    const ImageInfoUI* image = info.pImageInfo;
    if (hDC == NULL)
        return true;

    RECT rc = rcItem;
    const RECT& dest = info.rcDestOffset;
    if (dest.left != 0 || dest.top != 0 || dest.right != 0 || dest.bottom != 0) {
        rc.left = rcItem.left + dest.left;
        rc.top = rcItem.top + dest.top;
        rc.right = rcItem.left + dest.right < rcItem.right ? rcItem.left + dest.right : rcItem.right;
        rc.bottom = rcItem.top + dest.bottom < rcItem.bottom ? rcItem.top + dest.bottom : rcItem.bottom;
    }
    RECT temp;
    if (!IntersectRect(&temp, &rc, &rcItem) || !IntersectRect(&temp, &rc, &rcPaint))
        return true;
    DrawImage(hDC, image->hBitmap, rc, rcPaint, info.rcBmpPart, info.rcCorner, image->bAlpha, info.uFade, info.bHole,
              info.bTiledX, info.bTiledY);
    return true;
}

} // namespace UiToolkit
