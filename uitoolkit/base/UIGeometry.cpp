#include "base/UIGeometry.h"

#include <stdlib.h>

namespace UiToolkit {

CRectUI::CRectUI()
{
    left = top = right = bottom = 0;
}

CRectUI::CRectUI(const RECT& src)
{
    left = src.left;
    top = src.top;
    right = src.right;
    bottom = src.bottom;
}

CRectUI::CRectUI(LONG l, LONG t, LONG r, LONG b)
{
    Set(l, t, r, b);
}

void CRectUI::Set(LONG l, LONG t, LONG r, LONG b)
{
    left = l;
    top = t;
    right = r;
    bottom = b;
}

void CRectUI::Clear()
{
    left = top = right = bottom = 0;
}

bool CRectUI::IsEmpty() const
{
    return right <= left || bottom <= top;
}

// An empty rectangle joins like any other: callers rely on its corners counting.
void CRectUI::Join(const RECT& other)
{
    if (other.left < left)
        left = other.left;
    if (other.top < top)
        top = other.top;
    if (other.right > right)
        right = other.right;
    if (other.bottom > bottom)
        bottom = other.bottom;
}

void CRectUI::Offset(LONG dx, LONG dy)
{
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
}

void CRectUI::Normalize()
{
    Offset(-left, -top);
}

CSizeUI::CSizeUI()
{
    cx = cy = 0;
}

CSizeUI::CSizeUI(const SIZE& src)
{
    cx = src.cx;
    cy = src.cy;
}

CSizeUI::CSizeUI(LONG x, LONG y)
{
    Set(x, y);
}

void CSizeUI::Set(LONG x, LONG y)
{
    cx = x;
    cy = y;
}

CPointUI::CPointUI()
{
    x = y = 0;
}

CPointUI::CPointUI(const POINT& src)
{
    x = src.x;
    y = src.y;
}

CPointUI::CPointUI(LONG px, LONG py)
{
    Set(px, py);
}

void CPointUI::Set(LONG px, LONG py)
{
    x = px;
    y = py;
}

RECT ParseRectList(const wchar_t* text)
{
    RECT rc = {0, 0, 0, 0};
    wchar_t* end = const_cast<wchar_t*>(text);
    LONG* fields[4] = {&rc.left, &rc.top, &rc.right, &rc.bottom};
    for (int i = 0; i < 4; ++i) {
        *fields[i] = wcstol(end, &end, 10);
        if (*end == L'\0')
            break;
        ++end;
    }
    return rc;
}

} // namespace UiToolkit
