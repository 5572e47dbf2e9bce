#include "controls/TreeViewUI.h"
#include "controls/ListItemOrder.h"
#include "core/WindowManager.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CTreeViewUI::CTreeViewUI()
{
    if (HeaderControl() != NULL)
        HeaderControl()->SetVisible(false);
}

CTreeViewUI::~CTreeViewUI()
{
    // Before the list frees the nodes (or lets the application keep them): no node may reach this tree.
    ReleaseAllNodes(OwnsRemovedItems());
}

const wchar_t* CTreeViewUI::TypeName() const
{
    return L"TreeViewUI";
}

void* CTreeViewUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"TreeView") == 0)
        return static_cast<CTreeViewUI*>(this);
    return CListUI::CastTo(name);
}

void CTreeViewUI::HookNode(CTreeNodeUI* node)
{
    node->OnNotifyList += MakeDelegate(this, &CTreeViewUI::OnItemDoubleClick);
    node->FolderButton()->OnNotifyList += MakeDelegate(this, &CTreeViewUI::OnFolderChanged);
    node->CheckBox()->OnNotifyList += MakeDelegate(this, &CTreeViewUI::OnCheckBoxChanged);
    node->FolderButton()->SetVisible(m_bVisibleFolderBtn);
    node->CheckBox()->SetVisible(m_bVisibleCheckBtn);
    if (m_uItemMinWidth > 0)
        node->SetMinWidth(m_uItemMinWidth);
}

void CTreeViewUI::UnhookNode(CTreeNodeUI* node)
{
    node->OnNotifyList -= MakeDelegate(this, &CTreeViewUI::OnItemDoubleClick);
    node->FolderButton()->OnNotifyList -= MakeDelegate(this, &CTreeViewUI::OnFolderChanged);
    node->CheckBox()->OnNotifyList -= MakeDelegate(this, &CTreeViewUI::OnCheckBoxChanged);
}

bool CTreeViewUI::CanList(CTreeNodeUI* node) const
{
    if (TreeNodeOf(node) == NULL || m_pBody->IndexOf(node) >= 0)
        return false;
    if (node->TreeView() != NULL && node->TreeView() != this)
        return false;
    // A child comes in with its parent, behind it.
    return node->ParentNode() == NULL || m_pBody->IndexOf(node->ParentNode()) >= 0;
}

void CTreeViewUI::FollowParentVisibility(CTreeNodeUI* node)
{
    CTreeNodeUI* parent = node->ParentNode();
    if (parent != NULL && !parent->ShowsChildren())
        node->SetVisible(false);
}

bool CTreeViewUI::AddNode(CTreeNodeUI* node)
{
    if (!CanList(node))
        return false;
    // Before the list adopts it: a hidden item must not take the list's selection with it.
    FollowParentVisibility(node);
    bool selected = false;
    if (!InsertListed(node, ItemCount(), selected))
        return false;
    HookNode(node);
    node->SetTreeView(this);
    // Children follow their parent in the list; a child's "itemselect" handler may remove this subtree.
    const bool managed = m_pManager != NULL;
    CControlWatchUI watch(m_pManager, node);
    for (int i = 0; i < node->ChildCount() && (!managed || watch.Control() != NULL); ++i)
        AddNode(node->ChildAt(i));
    if (selected && (!managed || watch.Control() != NULL))
        HandOverSelection(this, node, m_pBody->IndexOf(node));
    return true;
}

int CTreeViewUI::InsertSubtree(CTreeNodeUI* node, int index)
{
    if (!CanList(node))
        return -1;
    FollowParentVisibility(node);
    bool selected = false;
    if (!InsertListed(node, index, selected))
        return -1;
    HookNode(node);
    node->SetTreeView(this);
    int next = index + 1;
    const bool managed = m_pManager != NULL;
    CControlWatchUI watch(m_pManager, node);
    for (int i = 0; i < node->ChildCount() && next >= 0; ++i) {
        next = InsertSubtree(node->ChildAt(i), next);
        if (managed && watch.Control() == NULL)
            return -1;
    }
    if (selected)
        HandOverSelection(this, node, index);
    return next;
}

int CTreeViewUI::InsertNodeAt(CTreeNodeUI* node, int index)
{
    if (TreeNodeOf(node) == NULL || index < 0 || index >= ItemCount())
        return -1;
    return InsertSubtree(node, index);
}

bool CTreeViewUI::InsertNodeBefore(CTreeNodeUI* node, CTreeNodeUI* before)
{
    if (node == NULL || before == NULL || ItemCount() == 0)
        return false;
    int index = m_pBody->IndexOf(before);
    return index >= 0 && InsertNodeAt(node, index) >= 0;
}

bool CTreeViewUI::HoldsSelection(CTreeNodeUI* node)
{
    for (CTreeNodeUI* item = TreeNodeOf(ItemAt(m_iCurSel)); item != NULL; item = item->ParentNode()) {
        if (item == node)
            return true;
    }
    return false;
}

bool CTreeViewUI::RemoveNode(CTreeNodeUI* node)
{
    return RemoveNodeImpl(node, false);
}

bool CTreeViewUI::RemoveNodeImpl(CTreeNodeUI* node, bool beingDeleted)
{
    // Found first: a node of another tree leaves both trees as they are.
    int first = TreeNodeOf(node) != NULL ? m_pBody->IndexOf(node) : -1;
    if (first < 0)
        return false;
    // The whole subtree goes, and the selection passes on, before a removed node hears that it lost the focus.
    CRemovalScopeUI removal(m_pManager);
    // The selection inside the subtree passes on once, after the whole subtree has gone.
    bool selectionGoes = HoldsSelection(node);
    if (selectionGoes)
        ClearListSelection(*m_pBody, m_iCurSel);
    if (node->ParentNode() != NULL) {
        node->ParentNode()->ForgetChild(node);
        node->SetParentNode(NULL);
    }
    bool owned = OwnsRemovedItems();
    // A node being deleted keeps no children; kept ones keep their own subtrees.
    bool cutChildren = owned || beingDeleted;
    for (int i = node->ChildCount() - 1; i >= 0; --i) {
        CTreeNodeUI* child = node->ChildAt(i);
        if (cutChildren) {
            node->ForgetChild(child);
            child->SetParentNode(NULL);
        }
        RemoveSubtree(child, owned);
    }
    UnhookNode(node);
    node->SetTreeView(NULL);
    DropItemAt(m_pBody->IndexOf(node), beingDeleted);
    if (selectionGoes)
        SelectIndex(m_pBody->NextSelectableItem(first - 1, false), false);
    return true;
}

void CTreeViewUI::RemoveSubtree(CTreeNodeUI* node, bool cutLinks)
{
    // Deepest first: with deletion at once no node outlives a parent that still lists it.
    for (int i = node->ChildCount() - 1; i >= 0; --i) {
        CTreeNodeUI* child = node->ChildAt(i);
        if (cutLinks) {
            node->ForgetChild(child);
            child->SetParentNode(NULL);
        }
        RemoveSubtree(child, cutLinks);
    }
    UnhookNode(node);
    node->SetTreeView(NULL);
    int index = m_pBody->IndexOf(node);
    if (index >= 0)
        DropItemAt(index, false);
}

void CTreeViewUI::ReleaseAllNodes(bool cutLinks)
{
    for (int i = 0; i < ItemCount(); ++i) {
        CTreeNodeUI* node = TreeNodeOf(ItemAt(i));
        if (node == NULL)
            continue;
        UnhookNode(node);
        node->SetTreeView(NULL);
        if (!cutLinks)
            continue;
        node->SetParentNode(NULL);
        while (node->HasChildren())
            node->ForgetChild(node->ChildAt(0));
    }
}

bool CTreeViewUI::AddItem(CControlUI* control)
{
    CTreeNodeUI* node = TreeNodeOf(control);
    if (node != NULL)
        return AddNode(node);
    return CListUI::AddItem(control);
}

bool CTreeViewUI::InsertItemAt(CControlUI* control, int index)
{
    CTreeNodeUI* node = TreeNodeOf(control);
    if (node == NULL)
        return CListUI::InsertItemAt(control, index);
    if (index == ItemCount())
        return AddNode(node);
    return InsertNodeAt(node, index) >= 0;
}

bool CTreeViewUI::MoveToIndex(CControlUI* control, int index)
{
    if (TreeNodeOf(control) != NULL)
        return false;
    return CListUI::MoveToIndex(control, index);
}

bool CTreeViewUI::RemoveItem(CControlUI* control)
{
    CTreeNodeUI* node = TreeNodeOf(control);
    if (node != NULL)
        return RemoveNode(node);
    return CListUI::RemoveItem(control);
}

bool CTreeViewUI::RemoveItemAt(int index)
{
    CTreeNodeUI* node = TreeNodeOf(ItemAt(index));
    if (node != NULL)
        return RemoveNode(node);
    return CListUI::RemoveItemAt(index);
}

void CTreeViewUI::RemoveAllItems()
{
    ReleaseAllNodes(OwnsRemovedItems());
    CListUI::RemoveAllItems();
}

bool CTreeViewUI::OnCheckBoxChanged(void* param)
{
    NotifyMsgUI* msg = static_cast<NotifyMsgUI*>(param);
    if (m_bSyncingChecks || msg == NULL || msg->sType != L"selectchanged" || msg->pSender == NULL)
        return true;
    CControlUI* row = msg->pSender->GetParentControl();
    CTreeNodeUI* node = row != NULL ? TreeNodeOf(row->GetParentControl()) : NULL;
    COptionUI* box = static_cast<COptionUI*>(msg->pSender->CastTo(L"Option"));
    if (node == NULL || box == NULL || node->TreeView() != this)
        return true;
    // The boxes set below announce themselves too; those echoes change nothing more.
    CLifeGuardUI tree(m_treeAnchor);
    m_bSyncingChecks = true;
    SetItemChecked(box->IsSelected(), node);
    if (tree.IsAlive())
        m_bSyncingChecks = false;
    return true;
}

bool CTreeViewUI::OnFolderChanged(void* param)
{
    NotifyMsgUI* msg = static_cast<NotifyMsgUI*>(param);
    if (msg == NULL || msg->sType != L"selectchanged" || msg->pSender == NULL)
        return true;
    CControlUI* row = msg->pSender->GetParentControl();
    CTreeNodeUI* node = row != NULL ? TreeNodeOf(row->GetParentControl()) : NULL;
    COptionUI* folder = static_cast<COptionUI*>(msg->pSender->CastTo(L"Option"));
    if (node == NULL || folder == NULL || node->TreeView() != this)
        return true;
    // A selected folder button means collapsed.
    node->SetExpandedTag(!folder->IsSelected());
    SetItemExpanded(!folder->IsSelected(), node);
    return true;
}

bool CTreeViewUI::OnItemDoubleClick(void* param)
{
    NotifyMsgUI* msg = static_cast<NotifyMsgUI*>(param);
    if (msg == NULL || msg->sType != L"itemdbclick")
        return false;
    CTreeNodeUI* node = TreeNodeOf(msg->pSender);
    if (node == NULL || node->TreeView() != this)
        return true;
    // The button's "selectchanged" expands or collapses the node (OnFolderChanged); its handlers may
    // delete the node, so nothing follows here.
    node->FolderButton()->SetSelected(!node->FolderButton()->IsSelected());
    return true;
}

bool CTreeViewUI::SetItemChecked(bool checked, CTreeNodeUI* node)
{
    CLifeGuardUI tree(m_treeAnchor);
    CLifeGuardUI parent(node != NULL ? node->m_lifeAnchor : m_treeAnchor);
    for (int i = 0; i < (node != NULL ? node->ChildCount() : ItemCount()); ++i) {
        CTreeNodeUI* item = node != NULL ? node->ChildAt(i) : TreeNodeOf(ItemAt(i));
        if (item == NULL)
            continue;
        // The box announces the change: a handler may take the item away, or delete it, the node walked
        // or the tree, before it is walked further.
        CLifeGuardUI child(item->m_lifeAnchor);
        item->CheckBox()->SetSelected(checked);
        if (!tree.IsAlive() || !parent.IsAlive())
            return false;
        bool stillThere =
            child.IsAlive() && (node != NULL ? node->IndexOfChild(item) >= 0 : m_pBody->IndexOf(item) >= 0);
        if (stillThere && item->HasChildren())
            SetItemChecked(checked, item);
        if (!tree.IsAlive() || !parent.IsAlive())
            return false;
    }
    return true;
}

void CTreeViewUI::SetItemExpanded(bool expand, CTreeNodeUI* node)
{
    int count = node != NULL ? node->ChildCount() : ItemCount();
    for (int i = 0; i < count; ++i) {
        CTreeNodeUI* item = node != NULL ? node->ChildAt(i) : TreeNodeOf(ItemAt(i));
        if (item == NULL)
            continue;
        item->SetVisible(expand);
        // A collapsed child keeps its descendants as they are.
        if (item->HasChildren() && !item->FolderButton()->IsSelected())
            SetItemExpanded(expand, item);
    }
}

void CTreeViewUI::SetFolderButtonsVisible(bool visible)
{
    m_bVisibleFolderBtn = visible;
    for (int i = 0; i < ItemCount(); ++i) {
        CTreeNodeUI* item = TreeNodeOf(ItemAt(i));
        if (item != NULL)
            item->FolderButton()->SetVisible(visible);
    }
}

void CTreeViewUI::SetCheckBoxesVisible(bool visible)
{
    m_bVisibleCheckBtn = visible;
    for (int i = 0; i < ItemCount(); ++i) {
        CTreeNodeUI* item = TreeNodeOf(ItemAt(i));
        if (item != NULL)
            item->CheckBox()->SetVisible(visible);
    }
}

void CTreeViewUI::SetItemMinWidth(int width)
{
    m_uItemMinWidth = width;
    for (int i = 0; i < ItemCount(); ++i)
        ItemAt(i)->SetMinWidth(width);
    Invalidate();
}

void CTreeViewUI::SetNodeColors(void (CTreeNodeUI::*setter)(DWORD), DWORD color)
{
    for (int i = 0; i < ItemCount(); ++i) {
        CTreeNodeUI* item = TreeNodeOf(ItemAt(i));
        if (item != NULL)
            (item->*setter)(color);
    }
}

void CTreeViewUI::SetItemTextColor(DWORD color)
{
    SetNodeColors(&CTreeNodeUI::SetItemTextColor, color);
}
void CTreeViewUI::SetItemHotTextColor(DWORD color)
{
    SetNodeColors(&CTreeNodeUI::SetItemHotTextColor, color);
}
void CTreeViewUI::SetSelItemTextColor(DWORD color)
{
    SetNodeColors(&CTreeNodeUI::SetSelItemTextColor, color);
}
void CTreeViewUI::SetSelItemHotTextColor(DWORD color)
{
    SetNodeColors(&CTreeNodeUI::SetSelItemHotTextColor, color);
}

void CTreeViewUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"visiblefolderbtn") == 0)
        SetFolderButtonsVisible(wcscmp(value, L"true") == 0);
    else if (wcscmp(name, L"visiblecheckbtn") == 0)
        SetCheckBoxesVisible(wcscmp(value, L"true") == 0);
    else if (wcscmp(name, L"itemminwidth") == 0)
        SetItemMinWidth(_wtoi(value));
    else if (wcscmp(name, L"itemtextcolor") == 0)
        SetItemTextColor(ParseHexColor(value));
    else if (wcscmp(name, L"itemhottextcolor") == 0)
        SetItemHotTextColor(ParseHexColor(value));
    else if (wcscmp(name, L"selitemtextcolor") == 0)
        SetSelItemTextColor(ParseHexColor(value));
    else if (wcscmp(name, L"selitemhottextcolor") == 0)
        SetSelItemHotTextColor(ParseHexColor(value));
    else
        CListUI::ApplyAttribute(name, value);
}

} // namespace UiToolkit
