// How lists and combo boxes keep their items numbered and their selection on its item as items come and go.
#pragma once
#include "controls/ListInterfaces.h"
#include "layout/ContainerUI.h"

namespace UiToolkit {

// The container operations below are the plain ones: the owners' own overrides are what call them.

inline IListItemUI* ListItemOf(CControlUI* control)
{
    return control != NULL ? static_cast<IListItemUI*>(control->CastTo(L"ListItem")) : NULL;
}

inline IListOwnerUI* ListOwnerOf(CControlUI* control)
{
    return control != NULL ? static_cast<IListOwnerUI*>(control->CastTo(L"IListOwner")) : NULL;
}

// Renumbers the items from first to last inclusive.
inline void RenumberListItems(CContainerUI& items, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        IListItemUI* item = ListItemOf(items.ItemAt(i));
        if (item != NULL)
            item->SetItemIndex(i);
    }
}

// An index kept on an item follows it: an insertion at or before it pushes it on.
inline void FollowInsert(int& index, int at)
{
    if (index >= 0 && index >= at)
        index += 1;
}

// An index on the removed item is lost; one behind it moves down.
inline void FollowRemove(int& index, int at)
{
    if (index == at)
        index = -1;
    else if (index > at)
        index -= 1;
}

inline void FollowMove(int& index, int from, int to)
{
    if (index < 0)
        return;
    if (index == from)
        index = to;
    else if (from < index && index <= to)
        index -= 1;
    else if (to <= index && index < from)
        index += 1;
}

// An item listed here already, or still held by another owner, would be listed and freed twice.
inline bool CanAdoptListItem(const CContainerUI& items, CControlUI* owner, CControlUI* control)
{
    if (control == NULL || items.IndexOf(control) >= 0)
        return false;
    IListItemUI* item = ListItemOf(control);
    return item == NULL || item->ItemOwner() == NULL || item->ItemOwner() == ListOwnerOf(owner);
}

// A removed item forgets whose it was, where it stood and that it was selected, before it may be freed.
inline void ReleaseListItem(CControlUI* control)
{
    IListItemUI* item = ListItemOf(control);
    if (item == NULL)
        return;
    item->SetItemSelected(false);
    item->SetItemOwner(NULL);
    item->SetItemIndex(-1);
}

// Tells a list item whose it is and where it stands; answers whether it came in selected.
inline bool AdoptListItem(CControlUI* control, CControlUI* owner, int index)
{
    IListItemUI* item = ListItemOf(control);
    if (item == NULL)
        return false;
    bool selected = item->IsItemSelected();
    item->SetItemOwner(owner);
    item->SetItemIndex(index);
    return selected;
}

// An item that came in selected (set before it had an owner) becomes the owner's selection, so that the
// owner's current index and the items' looks agree. Last of an insert: the "itemselect" handler may delete
// the owner.
inline void HandOverSelection(CControlUI* owner, CControlUI* control, int index)
{
    IListOwnerUI* listOwner = ListOwnerOf(owner);
    if (listOwner != NULL && control->IsVisible() && control->IsEnabled())
        listOwner->SelectIndex(index);
}

// The items behind the new one, and the indices kept on them, move up by one. Whether the item came in
// selected is answered, not acted on: the caller hands the selection over once its own bookkeeping is done.
inline bool InsertListItem(CContainerUI& items, CControlUI* owner, int& current, int* expanded, CControlUI* control,
                           int index, bool& arrivedSelected)
{
    if (!CanAdoptListItem(items, owner, control) || !items.CContainerUI::InsertItemAt(control, index))
        return false;
    arrivedSelected = AdoptListItem(control, owner, index);
    RenumberListItems(items, index + 1, items.ItemCount() - 1);
    FollowInsert(current, index);
    if (expanded != NULL)
        FollowInsert(*expanded, index);
    return true;
}

// The indices kept on items stay on their items. An index outside the items is refused with nothing changed.
inline bool MoveListItem(CContainerUI& items, int& current, int* expanded, CControlUI* control, int index)
{
    int old = items.IndexOf(control);
    if (old < 0 || index < 0 || index >= items.ItemCount())
        return false;
    if (old == index)
        return true;
    if (!items.CContainerUI::MoveToIndex(control, index))
        return false;
    RenumberListItems(items, old < index ? old : index, old < index ? index : old);
    FollowMove(current, old, index);
    if (expanded != NULL)
        FollowMove(*expanded, old, index);
    return true;
}

// After the item at the index has gone: the items behind it move down by one, and a removed selection
// passes to a neighbour through the owner.
inline void ListItemRemoved(IListOwnerUI& owner, CContainerUI& items, int& current, int* expanded, int index)
{
    RenumberListItems(items, index, items.ItemCount() - 1);
    if (expanded != NULL)
        FollowRemove(*expanded, index);
    if (index == current) {
        current = -1;
        // The nearest selectable item before the removed one, else the first selectable one.
        owner.SelectIndex(items.NextSelectableItem(index - 1, false), false);
    } else if (index < current) {
        current -= 1;
    }
}

// Takes the selected look off the current item, if it is still an item, and clears the selection.
inline void ClearListSelection(CContainerUI& items, int& current)
{
    if (current < 0)
        return;
    IListItemUI* item = ListItemOf(items.ItemAt(current));
    if (item != NULL)
        item->SetItemSelected(false);
    current = -1;
}

} // namespace UiToolkit
