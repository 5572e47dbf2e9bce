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

// Renumbers the items from first to last inclusive.
inline void RenumberListItems(CContainerUI& items, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        IListItemUI* item = ListItemOf(items.ItemAt(i));
        if (item != NULL)
            item->SetItemIndex(i);
    }
}

// Tells a list item whose it is and where it stands; other controls are left as they are.
inline void AdoptListItem(CControlUI* control, CControlUI* owner, int index)
{
    IListItemUI* item = ListItemOf(control);
    if (item != NULL) {
        item->SetItemOwner(owner);
        item->SetItemIndex(index);
    }
}

inline bool AddListItem(CContainerUI& items, CControlUI* owner, CControlUI* control)
{
    AdoptListItem(control, owner, items.ItemCount());
    return items.CContainerUI::AddItem(control);
}

// The items behind the new one, and the selection when it is among them, move up by one.
inline bool InsertListItem(CContainerUI& items, CControlUI* owner, int& current, CControlUI* control, int index)
{
    if (!items.CContainerUI::InsertItemAt(control, index))
        return false;
    AdoptListItem(control, owner, index);
    RenumberListItems(items, index + 1, items.ItemCount() - 1);
    if (current >= index)
        current += 1;
    return true;
}

// The selection stays on the item it was on.
inline bool MoveListItem(CContainerUI& items, int& current, CControlUI* control, int index)
{
    int old = items.IndexOf(control);
    if (old < 0)
        return false;
    if (old == index)
        return true;
    CControlUI* selected = current >= 0 ? items.ItemAt(current) : NULL;
    if (!items.CContainerUI::MoveToIndex(control, index))
        return false;
    RenumberListItems(items, old < index ? old : index, old < index ? index : old);
    if (selected != NULL)
        current = items.IndexOf(selected);
    return true;
}

// After the item at the index has gone: the items behind it move down by one, and a removed selection
// passes to a neighbour through the owner.
inline void ListItemRemoved(IListOwnerUI& owner, CContainerUI& items, int& current, int index)
{
    RenumberListItems(items, index, items.ItemCount() - 1);
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
