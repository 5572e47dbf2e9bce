#include "controls/TreeViewUI.h"
#include "core/WindowManager.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CTreeViewUI::CTreeViewUI()
{
    if (HeaderControl() != NULL)
        HeaderControl()->SetVisible(false);
}

CTreeViewUI::~CTreeViewUI() = default;

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

bool CTreeViewUI::AddNode(CTreeNodeUI* node)
{
    if (TreeNodeOf(node) == NULL)
        return false;
    HookNode(node);
    CListUI::AddItem(node);
    // Children follow their parent in the list.
    for (int i = 0; i < node->ChildCount(); ++i)
        AddNode(node->ChildAt(i));
    node->SetTreeView(this);
    return true;
}

int CTreeViewUI::InsertSubtree(CTreeNodeUI* node, int index)
{
    HookNode(node);
    if (!CListUI::InsertItemAt(node, index))
        return -1;
    node->SetTreeView(this);
    int next = index + 1;
    for (int i = 0; i < node->ChildCount() && next >= 0; ++i)
        next = InsertSubtree(node->ChildAt(i), next);
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

bool CTreeViewUI::RemoveNode(CTreeNodeUI* node)
{
    if (TreeNodeOf(node) == NULL)
        return false;
    // Deepest first, so that each node leaves its parent's children and the list exactly once.
    while (node->HasChildren())
        RemoveNode(node->ChildAt(node->ChildCount() - 1));
    if (node->ParentNode() != NULL) {
        node->ParentNode()->ForgetChild(node);
        node->SetParentNode(NULL);
    }
    int index = m_pBody->IndexOf(node);
    // Last: with no window manager the list frees the node at once.
    return index >= 0 && CListUI::RemoveItemAt(index);
}

bool CTreeViewUI::RemoveItem(CControlUI* control)
{
    CTreeNodeUI* node = TreeNodeOf(control);
    if (node != NULL)
        return m_pBody->IndexOf(node) >= 0 && RemoveNode(node);
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
    if (node == NULL || box == NULL)
        return true;
    // The boxes set below announce themselves too; those echoes change nothing more.
    m_bSyncingChecks = true;
    SetItemChecked(box->IsSelected(), node);
    UpdateAncestorChecks(node);
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
    if (node == NULL || folder == NULL)
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
    if (node == NULL)
        return true;
    COptionUI* folder = node->FolderButton();
    folder->SetSelected(!folder->IsSelected());
    node->SetExpandedTag(!folder->IsSelected());
    SetItemExpanded(!folder->IsSelected(), node);
    return true;
}

bool CTreeViewUI::SetItemChecked(bool checked, CTreeNodeUI* node)
{
    int count = node != NULL ? node->ChildCount() : ItemCount();
    for (int i = 0; i < count; ++i) {
        CTreeNodeUI* item = node != NULL ? node->ChildAt(i) : TreeNodeOf(ItemAt(i));
        if (item == NULL)
            continue;
        item->CheckBox()->SetSelected(checked);
        if (item->HasChildren())
            SetItemChecked(checked, item);
    }
    return true;
}

void CTreeViewUI::UpdateAncestorChecks(CTreeNodeUI* node)
{
    for (CTreeNodeUI* parent = node->ParentNode(); parent != NULL; parent = parent->ParentNode()) {
        bool all = true;
        for (int i = 0; i < parent->ChildCount() && all; ++i)
            all = parent->ChildAt(i)->CheckBox()->IsSelected();
        parent->CheckBox()->SetSelected(all);
    }
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
