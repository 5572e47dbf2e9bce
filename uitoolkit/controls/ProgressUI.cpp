#include "controls/ButtonUI.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CProgressUI::CProgressUI() : m_bHorizontal(true), m_bStretchForeImage(true), m_nMax(100), m_nMin(0), m_nValue(0)
{
    m_uTextStyle = DT_SINGLELINE | DT_CENTER;
    SetFixedHeight(12);
}

const wchar_t* CProgressUI::TypeName() const
{
    return L"ProgressUI";
}

void* CProgressUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"Progress") == 0)
        return this;
    return CLabelUI::CastTo(name);
}

void CProgressUI::SetHorizontal(bool horizontal)
{
    if (m_bHorizontal == horizontal)
        return;
    m_bHorizontal = horizontal;
    Invalidate();
}

void CProgressUI::SetStretchForeImage(bool stretch)
{
    if (m_bStretchForeImage == stretch)
        return;
    m_bStretchForeImage = stretch;
    Invalidate();
}

void CProgressUI::SetMinValue(int value)
{
    m_nMin = value;
    Invalidate();
}

void CProgressUI::SetMaxValue(int value)
{
    m_nMax = value;
    Invalidate();
}

void CProgressUI::SetValue(int value)
{
    m_nValue = value;
    Invalidate();
}

void CProgressUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"foreimage") == 0)
        SetForeImage(value);
    else if (wcscmp(name, L"hor") == 0)
        SetHorizontal(wcscmp(value, L"true") == 0);
    else if (wcscmp(name, L"min") == 0)
        SetMinValue(_wtoi(value));
    else if (wcscmp(name, L"max") == 0)
        SetMaxValue(_wtoi(value));
    else if (wcscmp(name, L"value") == 0)
        SetValue(_wtoi(value));
    else if (wcscmp(name, L"isstretchfore") == 0)
        SetStretchForeImage(wcscmp(value, L"true") == 0);
    else
        CLabelUI::ApplyAttribute(name, value);
}

void CProgressUI::PaintStateImage(HDC hdc)
{
    if (m_nMax <= m_nMin)
        m_nMax = m_nMin + 1;
    if (m_nValue > m_nMax)
        m_nValue = m_nMax;
    if (m_nValue < m_nMin)
        m_nValue = m_nMin;
    // In 64 bits: a range in the millions times a size in pixels leaves 32 bits behind.
    LONGLONG range = static_cast<LONGLONG>(m_nMax) - m_nMin;
    int width = m_rcItem.right - m_rcItem.left;
    int height = m_rcItem.bottom - m_rcItem.top;
    RECT dest = {0, 0, width, height};
    if (m_bHorizontal)
        dest.right = static_cast<LONG>(width * (static_cast<LONGLONG>(m_nValue) - m_nMin) / range);
    else
        dest.top = static_cast<LONG>(height * (static_cast<LONGLONG>(m_nMax) - m_nValue) / range);
    // An empty bar draws nothing; an all-zero destination would otherwise mean the whole control.
    if (dest.right <= dest.left || dest.bottom <= dest.top)
        return;
    // The string's own "dest" is read on the first load; the value's destination replaces it.
    DrawImageRecord(NULL, m_foreImage);
    m_foreImage.rcDestOffset = dest;
    DrawImageRecord(hdc, m_foreImage);
}

} // namespace UiToolkit
