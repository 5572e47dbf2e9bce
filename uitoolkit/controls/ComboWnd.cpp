#include "controls/ComboUI.h"
#include "controls/ListItemOrder.h"
#include "core/ManagerShared.h"

#include <windowsx.h>

namespace UiToolkit {

namespace {

RECT BelowOrAbove(const RECT& combo, SIZE dropBox, int height, bool above)
{
    RECT rc = combo;
    if (dropBox.cx > 0)
        rc.right = rc.left + dropBox.cx;
    if (above) {
        rc.bottom = combo.top;
        rc.top = combo.top - height;
    } else {
        rc.top = combo.bottom;
        rc.bottom = rc.top + height;
    }
    return rc;
}

CControlUI* CALLBACK ForgetInManager(CControlUI* control, LPVOID data)
{
    static_cast<CWindowManagerUI*>(data)->ForgetControl(control);
    return NULL;
}

} // namespace

RECT CComboWnd::PlaceForItems() const
{
    SIZE dropBox = m_pOwner->GetDropBoxSize();
    RECT combo = m_pOwner->GetPos();
    RECT rc = BelowOrAbove(combo, dropBox, dropBox.cy, false);
    SIZE available = {rc.right - rc.left, dropBox.cy};
    int content = 0;
    for (int i = 0; i < m_pOwner->ChildCount(); ++i) {
        CControlUI* item = m_pOwner->ChildAt(i);
        if (item->IsVisible())
            content += item->MeasureSize(available).cy;
    }
    int height = content + 4 < dropBox.cy ? content + 4 : dropBox.cy;
    rc.bottom = rc.top + height;
    HWND parent = m_pOwner->GetOwnerManager() != NULL ? m_pOwner->GetOwnerManager()->GetWindow() : NULL;
    MapWindowPoints(parent, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
    // The primary display's work area decides, wherever the control is.
    RECT work = {0, 0, 0, 0};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (rc.bottom > work.bottom) {
        rc = BelowOrAbove(combo, dropBox, height, true);
        MapWindowPoints(parent, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
    }
    return rc;
}

void CComboWnd::FitToItems()
{
    if (m_pOwner == NULL || m_bItemsReturned || !::IsWindow(m_hWnd))
        return;
    RECT rc = PlaceForItems();
    ::SetWindowPos(m_hWnd, NULL, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void CComboWnd::Init(CComboUI* owner)
{
    m_pOwner = owner;
    m_iOldSel = owner->CurrentIndex();
    // A combo removed by a handler before it opened has no window to open the pop-up for.
    if (owner->GetOwnerManager() == NULL || ::IsWindow(owner->GetOwnerManager()->GetWindow()) == FALSE) {
        FinishWithoutWindow();
        return;
    }
    RECT rc = PlaceForItems();
    HWND parent = owner->GetOwnerManager() != NULL ? owner->GetOwnerManager()->GetWindow() : NULL;
    // Handlers reached from here (the items' init, the owner window losing activation and focus) may destroy
    // the pop-up or its owner window, or remove the combo, which detaches this object and closes its window.
    // This object and the owner's manager stay until the end; the object is finished then if its window went.
    Hold self(this);
    ManagerBusy busy(parent);
    if (CreateWnd(parent, NULL, WS_POPUP, WS_EX_TOOLWINDOW, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top) ==
        NULL) {
        FinishWithoutWindow();
        return;
    }
    ::ShowWindow(m_hWnd, SW_SHOW);
    if (m_hWnd == NULL)
        return;
    HWND top = m_hWnd;
    while (::GetParent(top) != NULL)
        top = ::GetParent(top);
    // The owner window keeps its active look while the pop-up has the focus.
    ::SendMessageW(top, WM_NCACTIVATE, TRUE, 0);
}

namespace {

// The pop-up's layout only borrows the combo's items: a removal the application asks of it (an item's parent
// while the drop-down is open) is the combo's, or the combo would go on listing an item that left.
class CDropDownLayoutUI : public CVerticalLayoutUI
{
public:
    explicit CDropDownLayoutUI(CComboUI* const& owner) : m_owner(owner) {}
    bool RemoveItem(CControlUI* control) override
    {
        if (m_owner != NULL && m_owner->IndexOf(control) >= 0)
            return m_owner->RemoveItem(control);
        return CVerticalLayoutUI::RemoveItem(control);
    }
    void RemoveAllItems() override
    {
        if (m_owner != NULL)
            m_owner->RemoveAllItems();
        else
            CVerticalLayoutUI::RemoveAllItems();
    }

private:
    CComboUI* const& m_owner; // the pop-up's own pointer: NULL once the combo let go of it
};

} // namespace

void CComboWnd::OnCreate()
{
    m_manager.AttachWindow(m_hWnd);
    // The layout joins the manager only with the items in it: an item's init handler that removes it then
    // finds it listed, so the layout never keeps an item the combo lets go of.
    m_pLayout = new CDropDownLayoutUI(m_pOwner);
    CWindowManagerUI* ownerManager = m_pOwner->GetOwnerManager();
    const wchar_t* defaults = ownerManager != NULL ? ownerManager->GetDefaultAttributeList(L"VerticalLayout") : NULL;
    if (defaults != NULL)
        m_pLayout->ApplyAttributeList(defaults);
    RECT inset = {1, 1, 1, 1};
    m_pLayout->SetInset(inset);
    m_pLayout->SetBkColor(0xFFFFFFFF);
    m_pLayout->SetBorderColor(0xFFC6C7D2);
    m_pLayout->SetBorderSize(1);
    // The items stay the combo's: the layout only borrows them.
    m_pLayout->SetOwnsRemovedItems(false);
    m_pLayout->ShowScrollBars(true, false);
    m_pLayout->ApplyAttributeList(m_pOwner->GetDropBoxAttributeList());
    for (int i = 0; i < m_pOwner->ChildCount(); ++i)
        m_pLayout->AddItem(m_pOwner->ChildAt(i));
    m_manager.AttachRoot(m_pLayout);
}

void CComboWnd::ReturnItems(bool settle)
{
    if (m_bItemsReturned)
        return;
    m_bItemsReturned = true;
    if (m_pLayout != NULL)
        m_pLayout->CVerticalLayoutUI::RemoveAllItems();
    if (m_pOwner == NULL)
        return;
    // The pop-up's manager must not keep hover, focus or click pointers into the items.
    for (int i = 0; i < m_pOwner->ChildCount(); ++i)
        m_pOwner->ChildAt(i)->SearchTree(ForgetInManager, &m_manager, UIFIND_ALL);
    m_pOwner->AttachManager(m_pOwner->GetOwnerManager(), m_pOwner->GetParentControl(), false);
    if (!settle)
        return;
    m_pOwner->SetPos(m_pOwner->IsFloat() ? m_pOwner->GetPosInParent() : m_pOwner->GetPos());
    m_pOwner->SetFocus();
}

void CComboWnd::ItemInserted(CControlUI* control, int index)
{
    FollowInsert(m_iOldSel, index);
    if (!m_bItemsReturned && m_pLayout != NULL)
        m_pLayout->InsertItemAt(control, index);
    FitToItems();
}

void CComboWnd::ItemMoved(CControlUI* control, int from, int to)
{
    FollowMove(m_iOldSel, from, to);
    if (!m_bItemsReturned && m_pLayout != NULL)
        m_pLayout->MoveToIndex(control, to);
}

void CComboWnd::GiveBack(CControlUI* control)
{
    control->SearchTree(ForgetInManager, &m_manager, UIFIND_ALL);
    control->AttachManager(m_pOwner->GetOwnerManager(), m_pOwner, false);
}

void CComboWnd::ItemRemoved(CControlUI* control, int index)
{
    FollowRemove(m_iOldSel, index);
    if (m_bItemsReturned || m_pLayout == NULL || m_pOwner == NULL)
        return;
    m_pLayout->CVerticalLayoutUI::RemoveItem(control);
    GiveBack(control);
}

void CComboWnd::AllItemsRemoved()
{
    m_iOldSel = -1;
    if (m_bItemsReturned || m_pLayout == NULL || m_pOwner == NULL)
        return;
    m_pLayout->CVerticalLayoutUI::RemoveAllItems();
    for (int i = 0; i < m_pOwner->ChildCount(); ++i)
        GiveBack(m_pOwner->ChildAt(i));
}

void CComboWnd::OnWindowGone(HWND)
{
    ReturnItems(false);
    if (m_pOwner != NULL) {
        m_pOwner->m_pWindow = NULL;
        m_pOwner->m_uButtonState &= ~UISTATE_PUSHED;
        m_pOwner->Invalidate();
        m_pOwner = NULL;
    }
    delete this;
}

void CComboWnd::EnsureVisible(int index)
{
    if (m_pOwner == NULL || m_pLayout == NULL || m_pOwner->CurrentIndex() < 0)
        return;
    CControlUI* item = m_pOwner->ChildAt(index);
    if (item == NULL)
        return;
    int dy = ScrollToShowItem(*m_pLayout, m_pLayout->GetPos(), item->GetPos());
    if (dy == 0)
        return;
    SIZE offset = m_pLayout->GetScrollOffset();
    offset.cy += dy;
    m_pLayout->SetScrollOffset(offset);
}

void CComboWnd::PassEvent(int type, wchar_t key, WPARAM wParam, LPARAM lParam)
{
    if (m_pOwner == NULL)
        return;
    InputEventUI event = {};
    event.type = type;
    event.pSender = m_pOwner;
    event.chKey = key;
    event.wParam = wParam;
    event.lParam = lParam;
    event.dwTimestamp = GetTickCount();
    HWND self = m_hWnd;
    m_pOwner->OnEvent(event);
    // An "itemselect" handler that deleted the combo took this window and object with it.
    if (!::IsWindow(self))
        return;
    EnsureVisible(m_pOwner != NULL ? m_pOwner->CurrentIndex() : -1);
}

LRESULT CComboWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Handlers reached from here may delete the combo, which destroys this window and object.
    HWND self = m_hWnd;
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_KILLFOCUS:
        if (reinterpret_cast<HWND>(wParam) != m_hWnd)
            PostMsg(WM_CLOSE);
        break;
    case WM_CLOSE:
        ReturnItems(true);
        break;
    case WM_LBUTTONUP: {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        CControlUI* control = m_manager.FindControlAt(pt);
        if (control != NULL && wcscmp(control->TypeName(), L"ScrollBarUI") != 0)
            PostMsg(WM_KILLFOCUS);
        break;
    }
    case WM_KEYDOWN:
        if (m_pOwner == NULL)
            break;
        if (wParam == VK_RETURN) {
            PostMsg(WM_KILLFOCUS);
        } else if (wParam == VK_ESCAPE) {
            int old = m_iOldSel;
            m_pOwner->SelectIndex(old, true);
            if (!::IsWindow(self))
                return 0;
            EnsureVisible(old);
            PostMsg(WM_KILLFOCUS);
        } else {
            PassEvent(UIEVENT_KEYDOWN, static_cast<wchar_t>(wParam), 0, 0);
            return 0;
        }
        break;
    case WM_MOUSEWHEEL:
        PassEvent(UIEVENT_SCROLLWHEEL, 0, static_cast<short>(HIWORD(wParam)) < 0 ? 1 : 0, lParam);
        return 0;
    default:
        break;
    }
    // A handler above may have closed the window: this object then stays until the message returns (its
    // window is finished only then), but its manager must not handle a message for a window that is gone.
    if (m_hWnd == NULL || !::IsWindow(self))
        return 0;
    LRESULT result = 0;
    if (m_manager.GetWindow() != NULL && m_manager.HandleWindowMessage(message, wParam, lParam, result))
        return result;
    if (m_hWnd == NULL || !::IsWindow(self))
        return 0;
    return CWindowWnd::ProcessMessage(message, wParam, lParam);
}

} // namespace UiToolkit
