#include "controls/ListItemsUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

const wchar_t* CListContainerElementUI::TypeName() const
{
    return L"ListContainerElementUI";
}

void* CListContainerElementUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ListContainerElement") == 0)
        return static_cast<CListContainerElementUI*>(this);
    return CListItemBase<CContainerUI>::CastTo(name);
}

void CListContainerElementUI::OnEvent(InputEventUI& event)
{
    HandleItemEvent(event);
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
