#include "controls/ListItemsUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

const wchar_t* CListContainerElementUI::TypeName() const { return L"ListContainerElementUI"; }

void* CListContainerElementUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ListItem") == 0)
        return static_cast<IListItemUI*>(this);
    if (name != NULL && wcscmp(name, L"ListContainerElement") == 0)
        return static_cast<CListContainerElementUI*>(this);
    return CContainerUI::CastTo(name);
}

void CListContainerElementUI::OnEvent(InputEventUI& event)
{
    if (ForwardToOwner(event) || HandleItemInput(event))
        return;
    if (m_pOwner != NULL)
        m_pOwner->RouteItemEvent(event);
    else
        CControlUI::OnEvent(event);
}

void CListContainerElementUI::Paint(HDC hdc, const RECT& paintRect)
{
    if (!IntersectRect(&m_rcPaint, &paintRect, &m_rcItem))
        return;
    PaintItemBackground(hdc);
    CContainerUI::Paint(hdc, paintRect);
}

void CListContainerElementUI::PaintItemText(HDC, const RECT&) {}

} // namespace UiToolkit
