#include "controls/ComboUI.h"
#include "controls/ButtonState.h"
#include "controls/ListItemOrder.h"
#include "core/ManagerShared.h"
#include "layout/DisabledMouse.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CComboUI::CComboUI() = default;

CComboUI::~CComboUI()
{
    // The pop-up still holds the items: they come back before the container deletes them.
    if (m_pWindow != NULL) {
        CComboWnd* window = m_pWindow;
        m_pWindow = NULL;
        window->ReturnItems(false);
        window->Detach();
        ::DestroyWindow(window->WindowHandle());
    }
    // Items the combo does not own outlive it: they must not name it any more.
    for (int i = 0; i < ChildCount(); ++i)
        ReleaseListItem(ChildAt(i));
}

const wchar_t* CComboUI::TypeName() const
{
    return L"ComboUI";
}

void* CComboUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"Combo") == 0)
        return static_cast<CComboUI*>(this);
    if (name != NULL && wcscmp(name, L"IListOwner") == 0)
        return static_cast<IListOwnerUI*>(this);
    return CContainerUI::CastTo(name);
}

bool CComboUI::Trigger()
{
    if (!CControlUI::Trigger())
        return false;
    if (m_pWindow != NULL)
        return true;
    // Handlers reached while the pop-up opens may remove this combo or destroy the window: both stay until
    // this call is done (a removed combo has no manager then).
    ManagerBusy busy(m_pManager != NULL ? m_pManager->GetWindow() : NULL);
    m_pWindow = new CComboWnd();
    m_pWindow->Init(this);
    Invalidate();
    // Last: the handler may delete the combo.
    if (m_pManager != NULL)
        m_pManager->RaiseNotification(this, L"dropdown");
    return true;
}

CStringUI CComboUI::GetText() const
{
    CControlUI* item = m_iCurSel >= 0 ? ChildAt(m_iCurSel) : NULL;
    return item != NULL ? item->GetText() : CStringUI();
}

void CComboUI::SetPos(RECT rc, bool invalidate)
{
    // The open pop-up lays the items out: a layout pass of the combo's window must not undo that.
    bool shownInPopUp = m_pWindow != NULL && m_pWindow->HoldsItems();
    RECT none = {0, 0, 0, 0};
    for (int i = 0; i < ChildCount() && !shownInPopUp; ++i)
        ChildAt(i)->SetPos(none, false);
    CControlUI::SetPos(rc, invalidate);
}

CControlUI* CComboUI::SearchTree(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if (flags & UIFIND_VISIBLE)
        return CControlUI::SearchTree(proc, data, flags);
    return CContainerUI::SearchTree(proc, data, flags);
}

void CComboUI::Shift(int dx, int dy, bool invalidate)
{
    CControlUI::Shift(dx, dy, invalidate);
}

void CComboUI::SetEnabled(bool enabled)
{
    CContainerUI::SetEnabled(enabled);
    if (!IsEnabled())
        m_uButtonState = 0;
}

void CComboUI::SetShowText(bool show)
{
    m_bShowText = show;
    Invalidate();
}

void CComboUI::SetTextPadding(RECT padding)
{
    m_rcTextPadding = padding;
    Invalidate();
}

bool CComboUI::AddItem(CControlUI* control)
{
    return InsertItemAt(control, ChildCount());
}

bool CComboUI::InsertItemAt(CControlUI* control, int index)
{
    bool selected = false;
    if (!InsertListItem(*this, this, m_iCurSel, NULL, control, index, selected))
        return false;
    if (m_pWindow != NULL)
        m_pWindow->ItemInserted(control, index);
    if (selected)
        HandOverSelection(this, control, index);
    return true;
}

bool CComboUI::MoveToIndex(CControlUI* control, int index)
{
    int from = IndexOf(control);
    if (!MoveListItem(*this, m_iCurSel, NULL, control, index))
        return false;
    if (m_pWindow != NULL && from != index)
        m_pWindow->ItemMoved(control, from, index);
    return true;
}

bool CComboUI::RemoveItem(CControlUI* control)
{
    int index = control != NULL ? IndexOf(control) : -1;
    return index >= 0 && RemoveItemAt(index);
}

bool CComboUI::RemoveItemAt(int index)
{
    CControlUI* control = ChildAt(index);
    if (control == NULL)
        return false;
    // The removed item hears that it lost the focus once the indices are right again.
    CRemovalScopeUI removal(m_pManager);
    // The pop-up stays open; its layout must not keep an item that may be freed next.
    if (m_pWindow != NULL)
        m_pWindow->ItemRemoved(control, index);
    // Before the container lets it go: it may be freed at once.
    ReleaseListItem(control);
    CContainerUI::RemoveItem(control);
    if (m_pWindow != NULL)
        m_pWindow->FitToItems();
    ListItemRemoved(*this, *this, m_iCurSel, NULL, index);
    return true;
}

void CComboUI::RemoveAllItems()
{
    CRemovalScopeUI removal(m_pManager);
    if (m_pWindow != NULL)
        m_pWindow->AllItemsRemoved();
    m_iCurSel = -1;
    for (int i = 0; i < ChildCount(); ++i)
        ReleaseListItem(ChildAt(i));
    CContainerUI::RemoveAllItems();
    if (m_pWindow != NULL)
        m_pWindow->FitToItems();
}

bool CComboUI::SelectIndex(int index, bool takeFocus)
{
    if (m_pWindow != NULL)
        m_pWindow->PostClose(1);
    if (index == m_iCurSel)
        return true;
    int previous = m_iCurSel;
    if (m_iCurSel >= 0 && ChildAt(m_iCurSel) == NULL)
        return false;
    ClearListSelection(*this, m_iCurSel);
    int count = ChildCount();
    if (index < 0 || count == 0)
        return false;
    if (index >= count)
        index = count - 1;
    CControlUI* control = ChildAt(index);
    IListItemUI* item = ListItemOf(control);
    if (control == NULL || !control->IsVisible() || !control->IsEnabled() || item == NULL)
        return false;
    m_iCurSel = index;
    if ((m_pWindow != NULL || takeFocus) && m_pManager != NULL) {
        CControlWatchUI watch(m_pManager, this);
        control->SetFocus();
        // A kill-focus handler removed or rebuilt the combo, or moved the selection: that choice stands.
        if (watch.Control() == NULL || m_iCurSel != index || ChildAt(index) != control)
            return true;
    }
    item->SetItemSelected(true);
    Invalidate();
    // Last: the handler may remove the item or delete the combo.
    if (m_pManager != NULL)
        m_pManager->RaiseNotification(this, L"itemselect", m_iCurSel, previous);
    return true;
}

void CComboUI::SelectByKey(int index)
{
    if (index >= 0)
        SelectIndex(index, false);
}

void CComboUI::OnEvent(InputEventUI& event)
{
    if (PassDisabledMouse(*this, m_pParent, event))
        return;
    switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
        Invalidate();
        break;
    case UIEVENT_BUTTONDOWN:
        if (IsEnabled()) {
            // Before opening: the "dropdown" handler may delete the combo.
            m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Trigger();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~UISTATE_CAPTURED;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_CONTEXTMENU:
        return;
    case UIEVENT_KEYDOWN:
        switch (event.chKey) {
        case VK_UP:
        case VK_PRIOR:
            SelectByKey(NextSelectableItem(m_iCurSel - 1, false));
            return;
        case VK_DOWN:
        case VK_NEXT:
            SelectByKey(NextSelectableItem(m_iCurSel + 1, true));
            return;
        case VK_END:
            SelectByKey(NextSelectableItem(ChildCount() - 1, true));
            return;
        case VK_HOME:
            SelectByKey(NextSelectableItem(0, false));
            return;
        case VK_F4:
            Trigger();
            return;
        default:
            break;
        }
        break;
    case UIEVENT_SCROLLWHEEL:
        if (LOWORD(event.wParam) == 1)
            SelectByKey(NextSelectableItem(m_iCurSel + 1, true));
        else
            SelectByKey(NextSelectableItem(m_iCurSel - 1, false));
        return;
    case UIEVENT_MOUSEENTER:
        if (PtInRect(&m_rcItem, event.ptMouse) && !(m_uButtonState & UISTATE_HOT)) {
            m_uButtonState |= UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSELEAVE:
        if (m_uButtonState & UISTATE_HOT) {
            m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
        }
        return;
    default:
        break;
    }
    CControlUI::OnEvent(event);
}

void CComboUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"textpadding") == 0) {
        SetTextPadding(ParseRectList(value));
    } else if (wcscmp(name, L"showtext") == 0) {
        SetShowText(wcscmp(value, L"true") == 0);
    } else if (wcscmp(name, L"normalimage") == 0) {
        SetNormalImage(value);
    } else if (wcscmp(name, L"hotimage") == 0) {
        SetHotImage(value);
    } else if (wcscmp(name, L"pushedimage") == 0) {
        SetPushedImage(value);
    } else if (wcscmp(name, L"focusedimage") == 0) {
        SetFocusedImage(value);
    } else if (wcscmp(name, L"disabledimage") == 0) {
        SetDisabledImage(value);
    } else if (wcscmp(name, L"dropbox") == 0) {
        SetDropBoxAttributeList(value);
    } else if (wcscmp(name, L"dropboxsize") == 0) {
        RECT pair = ParseRectList(value);
        SIZE size = {pair.left, pair.top};
        SetDropBoxSize(size);
    } else {
        ListStyleChangeUI change = ApplyListStyleAttribute(m_style, name, value);
        if (change == LISTSTYLE_NOT_STYLE)
            CContainerUI::ApplyAttribute(name, value);
        else
            OnItemStyleChanged(change);
    }
}

void CComboUI::OnItemStyleChanged(ListStyleChangeUI change)
{
    if (change == LISTSTYLE_TEXTCOLOR || change == LISTSTYLE_LAYOUT)
        Invalidate();
}

SIZE CComboUI::MeasureSize(SIZE available)
{
    if (m_cxyFixed.cy != 0)
        return CControlUI::MeasureSize(available);
    SIZE size = {m_cxyFixed.cx, 12};
    if (m_pManager != NULL)
        size.cy += m_pManager->GetFontInfo(-1)->tm.tmHeight;
    return size;
}

void CComboUI::Paint(HDC hdc, const RECT& paintRect)
{
    CControlUI::Paint(hdc, paintRect);
}

void CComboUI::PaintStateImage(HDC hdc)
{
    RefreshFocusAndDisabledBits(*this, m_uButtonState);
    ImageDrawInfoUI* state = NULL;
    if (m_uButtonState & UISTATE_DISABLED)
        state = &m_disabledImage;
    else if (m_uButtonState & UISTATE_PUSHED)
        state = &m_pushedImage;
    else if (m_uButtonState & UISTATE_HOT)
        state = &m_hotImage;
    else if (m_uButtonState & UISTATE_FOCUSED)
        state = &m_focusedImage;
    if (state == NULL || !DrawImageRecord(hdc, *state))
        DrawImageRecord(hdc, m_normalImage);
}

void CComboUI::PaintLabelText(HDC hdc)
{
    if (!m_bShowText || m_iCurSel < 0)
        return;
    CControlUI* control = ChildAt(m_iCurSel);
    if (control == NULL)
        return;
    RECT rc = {m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
               m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
    IListItemUI* item = ListItemOf(control);
    if (item != NULL) {
        item->PaintItemText(hdc, rc);
        return;
    }
    RECT old = control->GetPos();
    control->SetPos(rc, false);
    control->Paint(hdc, rc);
    control->SetPos(old, false);
}

} // namespace UiToolkit
