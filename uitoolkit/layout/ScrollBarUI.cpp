#include "layout/ScrollBarUI.h"
#include "layout/ContainerUI.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CScrollBarUI::CScrollBarUI()
    : m_bHorizontal(false), m_nRange(100), m_nScrollPos(0), m_nLineSize(8), m_pOwner(NULL), m_nLastScrollPos(0),
      m_nLastScrollOffset(0), m_nScrollRepeatDelay(0), m_bShowButton1(true), m_bShowButton2(true)
{
    m_ptLastMouse.x = m_ptLastMouse.y = 0;
    SetRectEmpty(&m_rcButton1);
    SetRectEmpty(&m_rcButton2);
    SetRectEmpty(&m_rcThumb);
    m_cxyFixed.cx = 16;
}

const wchar_t* CScrollBarUI::TypeName() const
{
    return L"ScrollBarUI";
}

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

void CScrollBarUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_button1.state = m_button2.state = m_thumb.state = 0;
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

void CScrollBarUI::ShowButton1(bool show)
{
    m_bShowButton1 = show;
    SetPos(m_rcItem, true);
}

void CScrollBarUI::ShowButton2(bool show)
{
    m_bShowButton2 = show;
    SetPos(m_rcItem, true);
}

int CScrollBarUI::Thickness() const
{
    return m_bHorizontal ? m_cxyFixed.cy : m_cxyFixed.cx;
}

void CScrollBarUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    PlaceParts();
}

namespace {

// Lays a rectangle out along the bar: start and end along the axis, the full thickness across.
RECT Along(bool horizontal, const RECT& bar, int start, int end, int thickness)
{
    RECT rc;
    if (horizontal)
        SetRect(&rc, start, bar.top, end, bar.top + thickness);
    else
        SetRect(&rc, bar.left, start, bar.left + thickness, end);
    return rc;
}

} // namespace

void CScrollBarUI::PlaceParts()
{
    const RECT& rc = m_rcItem;
    int t = Thickness();
    int first = m_bHorizontal ? rc.left : rc.top;
    int last = m_bHorizontal ? rc.right : rc.bottom;
    int length = last - first;
    int rail = length - (m_bShowButton1 ? t : 0) - (m_bShowButton2 ? t : 0);
    if (t < rail) {
        m_rcButton1 = Along(m_bHorizontal, rc, first, m_bShowButton1 ? first + t : first, m_bShowButton1 ? t : 0);
        m_rcButton2 = Along(m_bHorizontal, rc, m_bShowButton2 ? last - t : last, last, m_bShowButton2 ? t : 0);
        int railStart = m_bShowButton1 ? first + t : first;
        int railEnd = m_bShowButton2 ? last - t : last;
        if (m_nRange <= 0) {
            m_rcThumb = Along(m_bHorizontal, rc, railStart, railEnd, t);
            return;
        }
        int thumb = static_cast<int>(static_cast<LONGLONG>(length) * rail / (length + m_nRange));
        if (thumb < t)
            thumb = t;
        int start = static_cast<int>(static_cast<LONGLONG>(rail - thumb) * m_nScrollPos / m_nRange) + railStart;
        if (start + thumb > railEnd)
            start = railEnd - thumb;
        m_rcThumb = Along(m_bHorizontal, rc, start, start + thumb, t);
    } else {
        int button = t < length / 2 ? t : length / 2;
        m_rcButton1 = Along(m_bHorizontal, rc, first, m_bShowButton1 ? first + button : first, t);
        m_rcButton2 = Along(m_bHorizontal, rc, m_bShowButton2 ? last - button : last, last, t);
        SetRectEmpty(&m_rcThumb);
    }
}

void CScrollBarUI::SetPartColor(Part& part, DWORD color)
{
    if (part.color == color)
        return;
    part.color = color;
    Invalidate();
}

bool CScrollBarUI::ApplyImageAttribute(const wchar_t* name, const wchar_t* value)
{
    struct Prefix
    {
        const wchar_t* text;
        Part* part;
    } prefixes[] = {
        {L"bk", &m_back}, {L"button1", &m_button1}, {L"button2", &m_button2}, {L"thumb", &m_thumb}, {L"rail", &m_rail}};
    const wchar_t* states[IMAGE_STATES] = {L"normalimage", L"hotimage", L"pushedimage", L"disabledimage"};
    for (const Prefix& prefix : prefixes) {
        size_t length = wcslen(prefix.text);
        if (wcsncmp(name, prefix.text, length) != 0)
            continue;
        for (int i = 0; i < IMAGE_STATES; ++i) {
            if (wcscmp(name + length, states[i]) == 0) {
                SetImageRecord(prefix.part->images[i], value);
                return true;
            }
        }
    }
    return false;
}

void CScrollBarUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL || ApplyImageAttribute(name, value))
        return;
    const wchar_t* color = value;
    while (*color != L'\0' && *color <= L' ')
        ++color;
    if (wcscmp(name, L"button1color") == 0)
        SetPartColor(m_button1, ParseHexColor(color));
    else if (wcscmp(name, L"button2color") == 0)
        SetPartColor(m_button2, ParseHexColor(color));
    else if (wcscmp(name, L"thumbcolor") == 0)
        SetPartColor(m_thumb, ParseHexColor(color));
    else if (wcscmp(name, L"hor") == 0)
        SetHorizontal(wcscmp(value, L"true") == 0);
    else if (wcscmp(name, L"linesize") == 0)
        SetLineSize(_wtoi(value));
    else if (wcscmp(name, L"range") == 0)
        SetScrollRange(_wtoi(value));
    else if (wcscmp(name, L"value") == 0)
        SetScrollPos(_wtoi(value));
    else if (wcscmp(name, L"showbutton1") == 0)
        ShowButton1(wcscmp(value, L"true") == 0);
    else if (wcscmp(name, L"showbutton2") == 0)
        ShowButton2(wcscmp(value, L"true") == 0);
    else
        CControlUI::ApplyAttribute(name, value);
}

void CScrollBarUI::PaintPart(HDC hdc, Part& part, const RECT& rc, UINT state)
{
    if (!IsEnabled())
        state |= UISTATE_DISABLED;
    else
        state &= ~UISTATE_DISABLED;
    int chosen = (state & UISTATE_DISABLED) ? IMAGE_DISABLED
                 : (state & UISTATE_PUSHED) ? IMAGE_PUSHED
                 : (state & UISTATE_HOT)    ? IMAGE_HOT
                                            : IMAGE_NORMAL;
    if (chosen != IMAGE_NORMAL && CRenderKitUI::DrawImageString(hdc, m_pManager, rc, m_rcPaint, part.images[chosen]))
        return;
    CRenderKitUI::DrawImageString(hdc, m_pManager, rc, m_rcPaint, part.images[IMAGE_NORMAL]);
}

void CScrollBarUI::Paint(HDC hdc, const RECT& paintRect)
{
    if (!IntersectRect(&m_rcPaint, &paintRect, &m_rcItem))
        return;
    PaintBackColor(hdc);
    PaintBackImage(hdc);
    // The background follows the thumb's state.
    PaintPart(hdc, m_back, m_rcItem, m_thumb.state);
    struct Shown
    {
        bool shown;
        Part& part;
        const RECT& rc;
    } buttons[2] = {{m_bShowButton1, m_button1, m_rcButton1}, {m_bShowButton2, m_button2, m_rcButton2}};
    for (Shown& button : buttons) {
        if (!button.shown)
            continue;
        if (button.part.color != 0)
            CRenderKitUI::DrawColor(hdc, button.rc, button.part.color);
        PaintPart(hdc, button.part, button.rc, button.part.state);
    }
    if (!IsRectEmpty(&m_rcThumb)) {
        if (m_thumb.color != 0)
            CRenderKitUI::DrawColor(hdc, m_rcThumb, m_thumb.color);
        PaintPart(hdc, m_thumb, m_rcThumb, m_thumb.state);
        int t = Thickness();
        int middle = m_bHorizontal ? (m_rcThumb.left + m_rcThumb.right) / 2 : (m_rcThumb.top + m_rcThumb.bottom) / 2;
        RECT mark = Along(m_bHorizontal, m_rcThumb, middle - t / 2, middle - t / 2 + t, t);
        PaintPart(hdc, m_rail, mark, m_thumb.state);
    }
    PaintOutline(hdc);
}

} // namespace UiToolkit
