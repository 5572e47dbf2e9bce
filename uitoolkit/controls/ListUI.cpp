#include "controls/ListUI.h"
#include "controls/ListItemsUI.h"
#include "controls/ListItemOrder.h"
#include "layout/ScrollBarUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

namespace {

int ColumnCountOf(const CContainerUI* header)
{
    if (header == NULL)
        return 0;
    int count = header->ItemCount();
    return count > UILIST_MAX_COLUMNS ? UILIST_MAX_COLUMNS : count;
}

} // namespace

CListUI::CListUI()
{
    m_pBody = new CListBodyUI(this);
    // Through the list's own add, which records it as the header.
    AddItem(new CListHeaderUI());
    CVerticalLayoutUI::AddItem(m_pBody);
}

CListUI::~CListUI()
{
    // Items the body does not own outlive the list: they must not name it any more.
    for (int i = 0; i < m_pBody->ItemCount(); ++i)
        ReleaseListItem(m_pBody->ItemAt(i));
    m_pBody->DetachOwner();
    // Header and body are parts of the list, whatever becomes of removed items.
    m_bAutoDestroy = true;
}

const wchar_t* CListUI::TypeName() const
{
    return L"ListUI";
}

void* CListUI::CastTo(const wchar_t* name)
{
    if (name == NULL)
        return NULL;
    if (wcscmp(name, L"List") == 0)
        return static_cast<CListUI*>(this);
    if (wcscmp(name, L"IList") == 0)
        return static_cast<IListUI*>(this);
    if (wcscmp(name, L"IListOwner") == 0)
        return static_cast<IListOwnerUI*>(this);
    return CVerticalLayoutUI::CastTo(name);
}

bool CListUI::IsHeader(CControlUI* control) const
{
    return control != NULL && control->CastTo(L"ListHeader") != NULL;
}

bool CListUI::IsHeaderItem(CControlUI* control)
{
    return control != NULL && wcsstr(control->TypeName(), L"ListHeaderItemUI") != NULL;
}

bool CListUI::AddHeader(CControlUI* header)
{
    // The list's own header is already child 0: taking it again would list and delete it twice.
    if (header == m_pHeader)
        return false;
    if (m_pHeader == NULL || m_pHeader->ItemCount() == 0) {
        if (m_pHeader != NULL)
            CContainerUI::RemoveItem(m_pHeader);
        m_pHeader = static_cast<CListHeaderUI*>(header->CastTo(L"ListHeader"));
    }
    m_style.nColumns = ColumnCountOf(m_pHeader);
    return CContainerUI::InsertItemAt(header, 0);
}

CControlUI* CListUI::ItemAt(int index) const
{
    return m_pBody->ItemAt(index);
}
int CListUI::ItemCount() const
{
    return m_pBody->ItemCount();
}

int CListUI::IndexOf(CControlUI* control) const
{
    if (IsHeader(control))
        return CContainerUI::IndexOf(control);
    if (IsHeaderItem(control))
        return m_pHeader != NULL ? m_pHeader->IndexOf(control) : -1;
    return m_pBody->IndexOf(control);
}

bool CListUI::AddItem(CControlUI* control)
{
    if (control == NULL)
        return false;
    if (IsHeader(control))
        return AddHeader(control);
    if (IsHeaderItem(control)) {
        if (m_pHeader == NULL)
            return false;
        bool added = m_pHeader->AddItem(control);
        m_style.nColumns = ColumnCountOf(m_pHeader);
        return added;
    }
    return InsertBodyItem(control, m_pBody->ItemCount());
}

bool CListUI::InsertBodyItem(CControlUI* control, int index)
{
    bool selected = false;
    if (!InsertListed(control, index, selected))
        return false;
    if (selected)
        HandOverSelection(this, control, index);
    return true;
}

bool CListUI::InsertListed(CControlUI* control, int index, bool& arrivedSelected)
{
    return InsertListItem(*m_pBody, this, m_iCurSel, &m_iExpandedItem, control, index, arrivedSelected);
}

bool CListUI::InsertItemAt(CControlUI* control, int index)
{
    if (control == NULL)
        return false;
    if (IsHeader(control))
        return AddHeader(control);
    if (IsHeaderItem(control)) {
        if (m_pHeader == NULL)
            return false;
        bool inserted = m_pHeader->InsertItemAt(control, index);
        m_style.nColumns = ColumnCountOf(m_pHeader);
        return inserted;
    }
    return InsertBodyItem(control, index);
}

bool CListUI::MoveToIndex(CControlUI* control, int index)
{
    if (IsHeader(control))
        return CContainerUI::MoveToIndex(control, index);
    if (IsHeaderItem(control))
        return m_pHeader != NULL && m_pHeader->MoveToIndex(control, index);
    return MoveListItem(*m_pBody, m_iCurSel, &m_iExpandedItem, control, index);
}

bool CListUI::RemoveItem(CControlUI* control)
{
    if (IsHeader(control)) {
        if (!CContainerUI::RemoveItem(control))
            return false;
        if (control == m_pHeader) {
            m_pHeader = NULL;
            m_style.nColumns = 0;
        }
        return true;
    }
    if (IsHeaderItem(control)) {
        if (m_pHeader == NULL || !m_pHeader->RemoveItem(control))
            return false;
        m_style.nColumns = ColumnCountOf(m_pHeader);
        return true;
    }
    int index = m_pBody->IndexOf(control);
    return index >= 0 && RemoveItemAt(index);
}

bool CListUI::RemoveItemAt(int index)
{
    return DropItemAt(index, false);
}

bool CListUI::DropItemAt(int index, bool beingDeleted)
{
    CControlUI* control = m_pBody->ItemAt(index);
    if (control == NULL)
        return false;
    // The removed item hears that it lost the focus once the indices are right again.
    CRemovalScopeUI removal(m_pManager);
    // Before the body lets it go: it may be freed at once.
    ReleaseListItem(control);
    if (beingDeleted)
        m_pBody->TakeOut(control);
    else
        m_pBody->CContainerUI::RemoveItem(control);
    ListItemRemoved(*this, *m_pBody, m_iCurSel, &m_iExpandedItem, index);
    return true;
}

void CListUI::RemoveAllItems()
{
    CRemovalScopeUI removal(m_pManager);
    m_iCurSel = -1;
    m_iExpandedItem = -1;
    for (int i = 0; i < m_pBody->ItemCount(); ++i)
        ReleaseListItem(m_pBody->ItemAt(i));
    m_pBody->CContainerUI::RemoveAllItems();
}

bool CListUI::OwnsRemovedItems() const
{
    return m_pBody->OwnsRemovedItems();
}

void CListUI::SetOwnsRemovedItems(bool owns)
{
    m_pBody->SetOwnsRemovedItems(owns);
    if (m_pHeader != NULL)
        m_pHeader->SetOwnsRemovedItems(owns);
}

bool CListUI::DefersItemDeletion() const
{
    return m_pBody->DefersItemDeletion();
}

void CListUI::SetDefersItemDeletion(bool defers)
{
    m_pBody->SetDefersItemDeletion(defers);
    if (m_pHeader != NULL)
        m_pHeader->SetDefersItemDeletion(defers);
}

int CListUI::GetChildPadding() const
{
    return m_pBody->GetChildPadding();
}
void CListUI::SetChildPadding(int padding)
{
    m_pBody->SetChildPadding(padding);
}
int CListUI::NextSelectableItem(int start, bool forward)
{
    return m_pBody->NextSelectableItem(start, forward);
}
SIZE CListUI::GetScrollOffset() const
{
    return m_pBody->GetScrollOffset();
}
SIZE CListUI::GetScrollExtent() const
{
    return m_pBody->GetScrollExtent();
}
void CListUI::SetScrollOffset(SIZE offset)
{
    m_pBody->SetScrollOffset(offset);
}
void CListUI::ScrollLineUp()
{
    m_pBody->ScrollLineUp();
}
void CListUI::ScrollLineDown()
{
    m_pBody->ScrollLineDown();
}
void CListUI::ScrollPageUp()
{
    m_pBody->ScrollPageUp();
}
void CListUI::ScrollPageDown()
{
    m_pBody->ScrollPageDown();
}
void CListUI::ScrollToTop()
{
    m_pBody->ScrollToTop();
}
void CListUI::ScrollToBottom()
{
    m_pBody->ScrollToBottom();
}
void CListUI::ScrollLineLeft()
{
    m_pBody->ScrollLineLeft();
}
void CListUI::ScrollLineRight()
{
    m_pBody->ScrollLineRight();
}
void CListUI::ScrollPageLeft()
{
    m_pBody->ScrollPageLeft();
}
void CListUI::ScrollPageRight()
{
    m_pBody->ScrollPageRight();
}
void CListUI::ScrollToLeftEnd()
{
    m_pBody->ScrollToLeftEnd();
}
void CListUI::ScrollToRightEnd()
{
    m_pBody->ScrollToRightEnd();
}
void CListUI::ShowScrollBars(bool vertical, bool horizontal)
{
    m_pBody->ShowScrollBars(vertical, horizontal);
}
CScrollBarUI* CListUI::VerticalBar() const
{
    return m_pBody->VerticalBar();
}
CScrollBarUI* CListUI::HorizontalBar() const
{
    return m_pBody->HorizontalBar();
}

bool CListUI::SelectIndex(int index, bool takeFocus)
{
    if (index == m_iCurSel)
        return true;
    int previous = m_iCurSel;
    ClearListSelection(*m_pBody, m_iCurSel);
    if (index < 0)
        return false;
    CControlUI* control = m_pBody->ItemAt(index);
    IListItemUI* item = ListItemOf(control);
    if (control == NULL || !control->IsVisible() || !control->IsEnabled() || item == NULL)
        return false;
    m_iCurSel = index;
    if (!item->SetItemSelected(true)) {
        m_iCurSel = -1;
        return false;
    }
    EnsureIndexVisible(m_iCurSel);
    if (takeFocus && m_pManager != NULL) {
        CControlWatchUI watch(m_pManager, this);
        control->SetFocus();
        // A kill-focus handler removed or rebuilt the list, or moved the selection: that choice stands.
        if (watch.Control() == NULL || m_iCurSel != index || m_pBody->ItemAt(index) != control)
            return true;
    }
    if (m_pManager != NULL)
        m_pManager->RaiseNotification(this, L"itemselect", m_iCurSel, previous);
    return true;
}

bool CListUI::ExpandIndex(int index, bool expand)
{
    if (m_iExpandedItem >= 0 && !m_style.bMultiExpandable) {
        IListItemUI* expanded = ListItemOf(m_pBody->ItemAt(m_iExpandedItem));
        if (expanded != NULL)
            expanded->SetItemExpansion(false);
        m_iExpandedItem = -1;
    }
    if (expand) {
        CControlUI* control = m_pBody->ItemAt(index);
        IListItemUI* item = ListItemOf(control);
        if (control == NULL || !control->IsVisible() || item == NULL)
            return false;
        m_iExpandedItem = index;
        if (!item->SetItemExpansion(true)) {
            m_iExpandedItem = -1;
            return false;
        }
    }
    NeedUpdate();
    return true;
}

void CListUI::EnsureIndexVisible(int index)
{
    if (m_iCurSel < 0)
        return;
    CControlUI* item = m_pBody->ItemAt(index);
    if (item == NULL)
        return;
    RECT band = m_pBody->GetPos();
    RECT inset = m_pBody->GetInset();
    band.top += inset.top;
    band.bottom -= inset.bottom;
    ScrollBy(0, ScrollToShowItem(*m_pBody, band, item->GetPos()));
}

int ScrollToShowItem(const CContainerUI& view, RECT band, const RECT& item)
{
    CScrollBarUI* horizontal = view.HorizontalBar();
    if (horizontal != NULL && horizontal->IsVisible())
        band.bottom -= horizontal->GetFixedHeight();
    if (item.top >= band.top && item.bottom < band.bottom)
        return 0;
    int dy = item.top < band.top ? item.top - band.top : 0;
    if (item.bottom > band.bottom)
        dy = item.bottom - band.bottom;
    return dy;
}

void CListUI::ScrollBy(int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return;
    SIZE offset = m_pBody->GetScrollOffset();
    offset.cx += dx;
    offset.cy += dy;
    m_pBody->SetScrollOffset(offset);
}

void CListUI::SelectByKey(int index)
{
    // Nothing that way: the user's selection stays where it is.
    if (index < 0)
        return;
    SelectIndex(index, true);
}

void CListUI::OnEvent(InputEventUI& event)
{
    if (!IsMouseEnabled() && event.type >= UIEVENT_MOUSEMOVE && event.type <= UIEVENT_SCROLLWHEEL) {
        if (m_pParent != NULL)
            m_pParent->OnEvent(event);
        else
            CVerticalLayoutUI::OnEvent(event);
        return;
    }
    switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
        m_bFocused = event.type == UIEVENT_SETFOCUS;
        return;
    case UIEVENT_KEYDOWN:
        switch (event.chKey) {
        case VK_RETURN:
            if (m_iCurSel >= 0 && ItemAt(m_iCurSel) != NULL)
                ItemAt(m_iCurSel)->Trigger();
            return;
        case VK_PRIOR:
            ScrollPageUp();
            return;
        case VK_NEXT:
            ScrollPageDown();
            return;
        case VK_END:
            SelectByKey(NextSelectableItem(ItemCount() - 1, true));
            return;
        case VK_HOME:
            SelectByKey(NextSelectableItem(0, false));
            return;
        case VK_UP:
            SelectByKey(NextSelectableItem(m_iCurSel - 1, false));
            return;
        case VK_DOWN:
            SelectByKey(NextSelectableItem(m_iCurSel + 1, true));
            return;
        default:
            break;
        }
        break;
    case UIEVENT_SCROLLWHEEL:
        switch (LOWORD(event.wParam)) {
        case 0:
            if (m_bScrollSelect)
                SelectByKey(NextSelectableItem(m_iCurSel - 1, false));
            else
                ScrollLineUp();
            return;
        case 1:
            if (m_bScrollSelect)
                SelectByKey(NextSelectableItem(m_iCurSel + 1, true));
            else
                ScrollLineDown();
            return;
        default:
            break;
        }
        break;
    default:
        break;
    }
    CVerticalLayoutUI::OnEvent(event);
}

void CListUI::OnItemStyleChanged(ListStyleChangeUI change)
{
    if (change == LISTSTYLE_LOOK || change == LISTSTYLE_TEXTCOLOR)
        Invalidate();
    else if (change == LISTSTYLE_LAYOUT)
        NeedUpdate();
}

void CListUI::SetHeaderVisible(bool visible)
{
    if (m_pHeader != NULL)
        m_pHeader->SetVisible(visible);
}

void CListUI::SetHeaderBkImage(const wchar_t* image)
{
    if (m_pHeader != NULL)
        m_pHeader->SetBkImage(image);
}

void CListUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    ListStyleChangeUI change = ApplyListStyleAttribute(m_style, name, value);
    if (change != LISTSTYLE_NOT_STYLE) {
        OnItemStyleChanged(change);
        return;
    }
    if (wcscmp(name, L"header") == 0) {
        SetHeaderVisible(wcscmp(value, L"hidden") != 0);
    } else if (wcscmp(name, L"headerbkimage") == 0) {
        SetHeaderBkImage(value);
    } else if (wcscmp(name, L"scrollselect") == 0) {
        SetScrollSelect(wcscmp(value, L"true") == 0);
    } else if (wcscmp(name, L"multiexpanding") == 0) {
        SetMultiExpanding(wcscmp(value, L"true") == 0);
    } else if (wcscmp(name, L"vscrollbar") == 0 || wcscmp(name, L"hscrollbar") == 0 ||
               wcscmp(name, L"vscrollbarstyle") == 0 || wcscmp(name, L"hscrollbarstyle") == 0) {
        // The bars live on the body: the body must see its own bars when it keeps the other one.
        m_pBody->ApplyAttribute(name, value);
    } else {
        CVerticalLayoutUI::ApplyAttribute(name, value);
    }
}

} // namespace UiToolkit
