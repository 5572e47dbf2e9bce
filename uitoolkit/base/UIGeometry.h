// Rectangle, size and point helpers over the Win32 structures.
#pragma once
#include <windows.h>

namespace UiToolkit {

class CRectUI : public RECT
{
public:
    CRectUI();
    CRectUI(const RECT& src);
    CRectUI(LONG l, LONG t, LONG r, LONG b);

    LONG GetWidth() const { return right - left; }
    LONG GetHeight() const { return bottom - top; }
    void Set(LONG l, LONG t, LONG r, LONG b);
    void Clear();
    bool IsEmpty() const;
    void Join(const RECT& other);
    void Offset(LONG dx, LONG dy);
    void Normalize();
};

class CSizeUI : public SIZE
{
public:
    CSizeUI();
    CSizeUI(const SIZE& src);
    CSizeUI(LONG x, LONG y);
    void Set(LONG x, LONG y);
};

class CPointUI : public POINT
{
public:
    CPointUI();
    CPointUI(const POINT& src);
    CPointUI(LONG px, LONG py);
    void Set(LONG px, LONG py);
};

// Four decimal numbers separated by any single characters: left, top, right, bottom.
RECT ParseRectList(const wchar_t* text);

} // namespace UiToolkit
