#include "controls/ListItemBase.h"
#include "core/ControlBusy.h"
#include "layout/ContainerUI.h"
#include "layout/ScrollBarUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

template <class Base>
void* CListItemBase<Base>::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ListItem") == 0)
        return static_cast<IListItemUI*>(this);
    return Base::CastTo(name);
}

template <class Base>
UINT CListItemBase<Base>::BehaviourFlags() const
{
    return UIFLAG_WANTRETURN;
}

template <class Base>
bool CListItemBase<Base>::Trigger()
{
    if (!this->CControlUI::Trigger())
        return false;
    if (this->m_pManager != NULL)
        this->m_pManager->RaiseNotification(this, L"itemactivate");
    return true;
}

template <class Base>
void CListItemBase<Base>::SetVisible(bool visible)
{
    // The kill-focus handler may remove this item or destroy its window: both wait until this call is done.
    CControlBusyUI busy(this);
    Base::SetVisible(visible);
    if (this->IsVisible() || !m_bSelected)
        return;
    // A hidden item cannot stay the owner's selection.
    m_bSelected = false;
    if (m_pOwner != NULL)
        m_pOwner->SelectIndex(-1);
}

template <class Base>
void CListItemBase<Base>::SetEnabled(bool enabled)
{
    Base::SetEnabled(enabled);
    if (!this->IsEnabled())
        m_uButtonState = 0;
}

template <class Base>
void CListItemBase<Base>::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name != NULL && value != NULL && wcscmp(name, L"selected") == 0)
        SetItemSelected(true);
    else
        Base::ApplyAttribute(name, value);
}

template <class Base>
void CListItemBase<Base>::SetItemOwner(CControlUI* owner)
{
    IListOwnerUI* next = owner != NULL ? static_cast<IListOwnerUI*>(owner->CastTo(L"IListOwner")) : NULL;
    // Being selected means being the owner's selection: a new owner starts with none.
    if (next != m_pOwner)
        m_bSelected = false;
    m_pOwner = next;
}

template <class Base>
bool CListItemBase<Base>::SetItemSelected(bool selected)
{
    if (!this->IsEnabled())
        return false;
    if (selected == m_bSelected)
        return true;
    m_bSelected = selected;
    InvalidateItem();
    if (!selected || m_pOwner == NULL)
        return true;
    // The owner's current index follows; it calls back here and finds the value already held. Its
    // "itemselect" handler may remove or delete this item, so the item is not touched after success.
    if (m_pOwner->SelectIndex(m_iIndex))
        return true;
    // Refused without a notification: the item does not stay selected on its own.
    m_bSelected = false;
    InvalidateItem();
    return false;
}

template <class Base>
void CListItemBase<Base>::InvalidateAndTrigger()
{
    InvalidateItem();
    Trigger();
}

template <class Base>
void CListItemBase<Base>::InvalidateItem()
{
    if (!this->IsVisible() || this->m_pManager == NULL)
        return;
    CControlUI* parent = this->GetParentControl();
    CContainerUI* container = parent != NULL ? static_cast<CContainerUI*>(parent->CastTo(L"Container")) : NULL;
    if (container == NULL) {
        this->Invalidate();
        return;
    }
    RECT area = this->m_rcItem;
    RECT inner = container->GetPos();
    RECT inset = container->GetInset();
    inner.left += inset.left;
    inner.top += inset.top;
    inner.right -= inset.right;
    inner.bottom -= inset.bottom;
    CScrollBarUI* vertical = container->VerticalBar();
    if (vertical != NULL && vertical->IsVisible())
        inner.right -= vertical->GetFixedWidth();
    CScrollBarUI* horizontal = container->HorizontalBar();
    if (horizontal != NULL && horizontal->IsVisible())
        inner.bottom -= horizontal->GetFixedHeight();
    if (!IntersectRect(&area, &area, &inner))
        return;
    for (CControlUI* above = parent->GetParentControl(); above != NULL; above = above->GetParentControl()) {
        RECT pos = above->GetPos();
        if (!IntersectRect(&area, &area, &pos))
            return;
    }
    this->m_pManager->Invalidate(area);
}

template <class Base>
void CListItemBase<Base>::PaintItemBackground(HDC hdc)
{
    if (m_pOwner == NULL)
        return;
    ListStyleUI& style = *m_pOwner->GetListInfo();
    bool plainRow = !style.bAlternateBk || m_iIndex % 2 == 0;
    bool hot = IsItemHot();
    bool enabled = this->IsEnabled();
    DWORD color = plainRow ? style.dwBkColor : 0;
    if (hot)
        color = style.dwHotBkColor;
    if (m_bSelected)
        color = style.dwSelectedBkColor;
    if (!enabled)
        color = style.dwDisabledBkColor;
    if (color != 0)
        CRenderKitUI::DrawColor(hdc, this->m_rcItem, this->GetAdjustColor(color));

    if (!enabled && this->DrawImageRecord(hdc, style.disabledImage))
        return;
    if (m_bSelected && this->DrawImageRecord(hdc, style.selectedImage))
        return;
    if (hot && this->DrawImageRecord(hdc, style.hotImage))
        return;
    if (!this->DrawImageRecord(hdc, this->m_bkImage) && plainRow && this->DrawImageRecord(hdc, style.bkImage))
        return;
    if (style.dwLineColor != 0) {
        const RECT& rc = this->m_rcItem;
        RECT line = {rc.left, rc.bottom - 1, rc.right, rc.bottom - 1};
        CRenderKitUI::DrawLine(hdc, line, 1, this->GetAdjustColor(style.dwLineColor));
    }
}

template <class Base>
DWORD CListItemBase<Base>::ItemTextColor(const ListStyleUI& style) const
{
    DWORD color = style.dwTextColor;
    if (IsItemHot())
        color = style.dwHotTextColor;
    if (m_bSelected)
        color = style.dwSelectedTextColor;
    if (!this->IsEnabled())
        color = style.dwDisabledTextColor;
    return color;
}

template <class Base>
bool CListItemBase<Base>::ForwardToOwner(InputEventUI& event)
{
    if (this->IsMouseEnabled() || event.type < UIEVENT_MOUSEMOVE || event.type > UIEVENT_SCROLLWHEEL)
        return false;
    PassToOwner(event);
    return true;
}

template <class Base>
void CListItemBase<Base>::PassToOwner(InputEventUI& event)
{
    if (m_pOwner != NULL)
        m_pOwner->RouteItemEvent(event);
    else
        this->CControlUI::OnEvent(event);
}

template <class Base>
void CListItemBase<Base>::HandleItemEvent(InputEventUI& event)
{
    if (ForwardToOwner(event) || HandleItemInput(event))
        return;
    PassToOwner(event);
}

template <class Base>
bool CListItemBase<Base>::HandleItemInput(InputEventUI& event)
{
    bool enabled = this->IsEnabled();
    switch (event.type) {
    case UIEVENT_DBLCLICK:
        if (enabled)
            InvalidateAndTrigger();
        return true;
    case UIEVENT_KEYDOWN:
        if (enabled && event.chKey == VK_RETURN) {
            InvalidateAndTrigger();
            return true;
        }
        return false;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_RBUTTONDOWN:
        if (enabled) {
            InvalidateItem();
            if (this->m_pManager != NULL) {
                IListOwnerUI* owner = m_pOwner;
                CLifeGuardUI guard(m_lifeAnchor);
                this->m_pManager->RaiseNotification(this, L"itemclick");
                // Removed by the handler: the click is over; deleted: the item must not be touched.
                if (!guard.IsAlive() || m_pOwner != owner)
                    return true;
            }
            SetItemSelected(true);
        }
        return true;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_BUTTONUP:
        return true;
    case UIEVENT_MOUSEENTER:
        if (enabled) {
            m_uButtonState |= UISTATE_HOT;
            InvalidateItem();
        }
        return true;
    case UIEVENT_MOUSELEAVE:
        if (IsItemHot()) {
            m_uButtonState &= ~UISTATE_HOT;
            InvalidateItem();
        }
        return true;
    default:
        return false;
    }
}

template class CListItemBase<CControlUI>;
template class CListItemBase<CContainerUI>;

} // namespace UiToolkit
