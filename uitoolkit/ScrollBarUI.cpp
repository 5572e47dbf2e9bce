#include "ScrollBarUI.h"
#include "ContainerUI.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CScrollBarUI::CScrollBarUI() : m_bHorizontal(false), m_nRange(100), m_nScrollPos(0), m_nLineSize(8), m_pOwner(NULL)
{
    m_cxyFixed.cx = 16;
}

const wchar_t* CScrollBarUI::TypeName() const { return L"ScrollBarUI"; }

void* CScrollBarUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ScrollBar") == 0)
        return this;
    return CControlUI::CastTo(name);
}

void CScrollBarUI::SetVisible(bool visible)
{
    if (m_bVisible == visible)
        return;
    m_bVisible = visible;
    m_bFocused = false;
}

void CScrollBarUI::SetFocus()
{
    if (m_pOwner != NULL)
        m_pOwner->SetFocus();
    else
        CControlUI::SetFocus();
}

void CScrollBarUI::SetHorizontal(bool horizontal)
{
    if (m_bHorizontal == horizontal)
        return;
    m_bHorizontal = horizontal;
    if (horizontal && m_cxyFixed.cy == 0) {
        m_cxyFixed.cx = 0;
        m_cxyFixed.cy = 16;
    } else if (!horizontal && m_cxyFixed.cx == 0) {
        m_cxyFixed.cy = 0;
        m_cxyFixed.cx = 16;
    }
    if (m_pOwner != NULL)
        m_pOwner->NeedUpdate();
    else
        NeedParentUpdate();
}

void CScrollBarUI::SetScrollRange(int range)
{
    if (m_nRange == range)
        return;
    m_nRange = range < 0 ? 0 : range;
    if (m_nScrollPos > m_nRange)
        m_nScrollPos = m_nRange;
    SetPos(m_rcItem, true);
}

void CScrollBarUI::SetScrollPos(int pos)
{
    if (m_nScrollPos == pos)
        return;
    m_nScrollPos = pos < 0 ? 0 : pos;
    if (m_nScrollPos > m_nRange)
        m_nScrollPos = m_nRange;
    SetPos(m_rcItem, true);
}

void CScrollBarUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"hor") == 0)
        SetHorizontal(wcscmp(value, L"true") == 0);
    else if (wcscmp(name, L"linesize") == 0)
        SetLineSize(_wtoi(value));
    else if (wcscmp(name, L"range") == 0)
        SetScrollRange(_wtoi(value));
    else if (wcscmp(name, L"value") == 0)
        SetScrollPos(_wtoi(value));
    else
        CControlUI::ApplyAttribute(name, value);
}

} // namespace UiToolkit
