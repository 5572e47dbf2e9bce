#include "controls/ListItemsUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

const wchar_t* CListElementUI::TypeName() const
{
    return L"ListElementUI";
}

void* CListElementUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ListElement") == 0)
        return static_cast<CListElementUI*>(this);
    return CListItemBase<CControlUI>::CastTo(name);
}

void CListElementUI::OnEvent(InputEventUI& event)
{
    if (ForwardToOwner(event))
        return;
    bool enabled = IsEnabled();
    if (event.type == UIEVENT_DBLCLICK || (event.type == UIEVENT_KEYDOWN && event.chKey == VK_RETURN)) {
        if (enabled)
            InvalidateAndTrigger();
        if (event.type == UIEVENT_DBLCLICK || enabled)
            return;
    }
    PassToOwner(event);
}

const wchar_t* CListLabelElementUI::TypeName() const
{
    return L"ListLabelElementUI";
}

void* CListLabelElementUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ListLabelElement") == 0)
        return static_cast<CListLabelElementUI*>(this);
    return CListElementUI::CastTo(name);
}

void CListLabelElementUI::OnEvent(InputEventUI& event)
{
    HandleItemEvent(event);
}

namespace {

// The paint DC of the window, or a screen-compatible one while the window has none.
class MeasureDc
{
public:
    explicit MeasureDc(CWindowManagerUI* manager)
        : m_own(manager->GetWindowDC() == NULL ? CreateCompatibleDC(NULL) : NULL),
          m_dc(m_own != NULL ? m_own : manager->GetWindowDC())
    {}
    ~MeasureDc()
    {
        if (m_own != NULL)
            DeleteDC(m_own);
    }
    MeasureDc(const MeasureDc&) = delete;
    MeasureDc& operator=(const MeasureDc&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_own;
    HDC m_dc;
};

} // namespace

SIZE CListLabelElementUI::MeasureSize(SIZE)
{
    SIZE size = {0, 0};
    if (m_pOwner == NULL)
        return size;
    const ListStyleUI& style = *m_pOwner->GetListInfo();
    const RECT& pad = style.rcTextPadding;
    size = m_cxyFixed;
    if (size.cy == 0 && m_pManager != NULL)
        size.cy = m_pManager->GetFontInfo(style.nFont)->tm.tmHeight + pad.top + pad.bottom + 8;
    if (size.cx == 0 && m_pManager != NULL) {
        RECT measured = {0, 0, 9999, size.cy};
        UINT flags = DT_CALCRECT | DT_SINGLELINE | (style.uTextStyle & ~(DT_CENTER | DT_RIGHT));
        MeasureDc dc(m_pManager);
        if (style.bShowHtml) {
            int none = 0;
            CRenderKitUI::DrawHtmlText(dc.Get(), m_pManager, measured, m_sText, 0, NULL, NULL, none, flags);
        } else {
            CRenderKitUI::DrawText(dc.Get(), m_pManager, measured, m_sText, 0, style.nFont, flags);
        }
        size.cx = pad.left + pad.right + (measured.right - measured.left);
    }
    return size;
}

void CListLabelElementUI::Paint(HDC hdc, const RECT& paintRect)
{
    if (!IntersectRect(&m_rcPaint, &paintRect, &m_rcItem))
        return;
    PaintItemBackground(hdc);
    PaintItemText(hdc, m_rcItem);
}

void CListLabelElementUI::DrawItemText(HDC hdc, RECT rc, const wchar_t* text, const ListStyleUI& style, RECT* links,
                                       CStringUI* linkTexts, int& linkCount)
{
    DWORD color = ItemTextColor(style);
    UINT flags = style.uTextStyle | DT_SINGLELINE;
    if (style.bShowHtml) {
        CRenderKitUI::DrawHtmlText(hdc, m_pManager, rc, text, color, links, linkTexts, linkCount, flags);
    } else {
        linkCount = 0;
        CRenderKitUI::DrawText(hdc, m_pManager, rc, text, color, style.nFont, flags);
    }
}

void CListLabelElementUI::PaintItemText(HDC hdc, const RECT& rc)
{
    if (m_sText.IsEmpty() || m_pOwner == NULL)
        return;
    const ListStyleUI& style = *m_pOwner->GetListInfo();
    RECT text = {rc.left + style.rcTextPadding.left, rc.top + style.rcTextPadding.top,
                 rc.right - style.rcTextPadding.right, rc.bottom - style.rcTextPadding.bottom};
    int none = 0;
    DrawItemText(hdc, text, m_sText, style, NULL, NULL, none);
}

} // namespace UiToolkit
