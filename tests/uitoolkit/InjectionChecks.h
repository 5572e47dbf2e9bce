// What must hold of a window after any handler did its harm: a whole tree while the window lives.
//
// Cheap enough for every replay: one walk of the tree. Answers empty when all holds, else the first fault found.
#pragma once
#include "controls/ListInterfaces.h"
#include "controls/TreeViewUI.h"
#include "core/WindowManager.h"
#include "layout/ContainerUI.h"
#include "layout/ScrollBarUI.h"
#include "DebugHeap.h"

#include <set>
#include <string>
#include <vector>

namespace TestHelpers {

inline std::wstring TreeFault(UiToolkit::CControlUI* control, const wchar_t* what)
{
    return std::wstring(control->TypeName()) + L" \"" + control->GetName().Text() + L"\" " + what;
}

// Every control reachable from the root belongs to the window's manager (items lent to an open drop-down
// excepted) and is listed by its parent; list, combo and tree items sit where their index says, in their
// owner; a tree node's children are listed by its tree; the manager's input pointers are in the tree or NULL.
// Between steps also: an open drop-down's items have their places, and the focus is on a control shown. Inside a
// notification those two may still be on their way (the items are placed after "dropdown", the focus leaves a
// control being hidden after its "killfocus"); the rest holds whenever the application is told anything.
inline std::wstring CheckTreeWhole(UiToolkit::CWindowManagerUI* manager, bool betweenSteps = true)
{
    using namespace UiToolkit;
    CControlUI* root = manager->GetRoot();
    if (root == NULL)
        return L"";
    struct Walk
    {
        std::vector<CControlUI*> order;
        static CControlUI* CALLBACK Visit(CControlUI* control, LPVOID data)
        {
            CUnguardedAllocations own;
            static_cast<Walk*>(data)->order.push_back(control);
            return NULL;
        }
    } walk;
    root->SearchTree(Walk::Visit, &walk, UIFIND_ALL | UIFIND_ME_FIRST);
    // The rest only reads the tree.
    CUnguardedAllocations own;
    std::set<CControlUI*> tree(walk.order.begin(), walk.order.end());
    // An open drop-down lends the combo's items to its own window, whose layout is their parent meanwhile.
    std::set<CControlUI*> lent;
    for (CControlUI* control : walk.order) {
        auto* combo =
            control->CastTo(L"Combo") != NULL ? static_cast<CContainerUI*>(control->CastTo(L"Container")) : NULL;
        for (int i = 0; combo != NULL && i < combo->ChildCount(); ++i) {
            if (combo->ChildAt(i)->GetOwnerManager() != manager)
                lent.insert(combo->ChildAt(i));
        }
    }
    for (CControlUI* control : walk.order) {
        if (control == root)
            continue;
        CControlUI* parent = control->GetParentControl();
        if (lent.count(control) != 0) {
            RECT place = control->GetPos();
            if (betweenSteps && control->IsVisible() && IsRectEmpty(&place))
                return TreeFault(control, L"is in the open drop-down with no place");
        } else {
            if (parent == NULL || tree.count(parent) == 0)
                return TreeFault(control, L"is reached but its parent is not in the tree");
            bool inLent = false;
            for (CControlUI* up = parent; up != NULL && !inLent; up = up->GetParentControl())
                inLent = lent.count(up) != 0;
            if (control->GetOwnerManager() != manager && !inLent)
                return TreeFault(control, L"is in the tree under another manager or none");
            auto* box = static_cast<CContainerUI*>(parent->CastTo(L"Container"));
            bool listed = box != NULL && (box->VerticalBar() == control || box->HorizontalBar() == control);
            for (int i = 0; box != NULL && !listed && i < box->ChildCount(); ++i)
                listed = box->ChildAt(i) == control;
            if (!listed)
                return TreeFault(control, L"is not listed by its parent");
        }
        if (auto* item = static_cast<IListItemUI*>(control->CastTo(L"ListItem"))) {
            IListOwnerUI* owner = item->ItemOwner();
            CControlUI* holder = NULL;
            for (CControlUI* candidate : walk.order) {
                if (owner != NULL && candidate->CastTo(L"IListOwner") == owner)
                    holder = candidate;
            }
            if (owner != NULL && holder == NULL)
                return TreeFault(control, L"has an owner that does not hold it");
            auto* list = holder != NULL ? static_cast<IContainerUI*>(holder->CastTo(L"IContainer")) : NULL;
            if (list != NULL && list->IndexOf(control) != item->ItemIndex())
                return TreeFault(control, L"has an index that is not its place in its owner");
        }
        if (auto* node = static_cast<CTreeNodeUI*>(control->CastTo(L"TreeNode"))) {
            for (int i = 0; i < node->ChildCount(); ++i) {
                CTreeNodeUI* child = node->ChildAt(i);
                if (child->ParentNode() != node || tree.count(child) == 0 ||
                    (node->TreeView() != NULL && child->TreeView() != node->TreeView()))
                    return TreeFault(control, L"has a child node that is not in its tree");
            }
        }
    }
    CControlUI* pointers[5] = {NULL, NULL, NULL, NULL, manager->GetFocus()};
    manager->GetInputControls(pointers);
    static const wchar_t* const names[5] = {L"hover", L"click", L"key", L"capture owner", L"focus"};
    for (int i = 0; i < 5; ++i) {
        if (pointers[i] != NULL && tree.count(pointers[i]) == 0)
            return std::wstring(L"the manager's ") + names[i] + L" is not in the tree";
    }
    // The focus is on a control the window shows: not hidden, nor inside the items of a closed drop-down.
    for (CControlUI* up = pointers[4]; betweenSteps && up != NULL; up = up->GetParentControl()) {
        if (!up->IsVisible())
            return TreeFault(pointers[4], L"has the focus inside a hidden control");
        if (up != pointers[4] && up->CastTo(L"Combo") != NULL && pointers[4]->GetOwnerManager() == manager)
            return TreeFault(pointers[4], L"has the focus inside a closed drop-down");
    }
    return L"";
}

} // namespace TestHelpers
