#include "controls/TreeViewUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

namespace {

// A node's row: the node's four parts stay whatever removal reaches the row; the skin's and the
// application's own controls in it come and go as in any layout.
class CTreeNodeRowUI : public CHorizontalLayoutUI
{
public:
    void SetParts(CControlUI* a, CControlUI* b, CControlUI* c, CControlUI* d)
    {
        m_parts[0] = a;
        m_parts[1] = b;
        m_parts[2] = c;
        m_parts[3] = d;
    }
    bool RemoveItem(CControlUI* control) override
    {
        return !IsPart(control) && CHorizontalLayoutUI::RemoveItem(control);
    }
    void RemoveAllItems() override
    {
        for (int i = ChildCount() - 1; i >= 0; --i) {
            if (!IsPart(ChildAt(i)))
                CContainerUI::RemoveItem(ChildAt(i));
        }
    }

private:
    bool IsPart(CControlUI* control) const
    {
        for (CControlUI* part : m_parts) {
            if (control != NULL && control == part)
                return true;
        }
        return false;
    }

    CControlUI* m_parts[4] = {};
};

} // namespace

CTreeNodeUI::CTreeNodeUI(CTreeNodeUI* parent)
{
    SetFixedHeight(18);
    SetFixedWidth(250);
    CTreeNodeRowUI* row = new CTreeNodeRowUI();
    m_pRow = row;
    m_pFolderButton = new CCheckBoxUI();
    m_pDottedLine = new CLabelUI();
    m_pCheckBox = new CCheckBoxUI();
    m_pItemButton = new COptionUI();
    m_pFolderButton->SetFixedWidth(GetFixedHeight());
    m_pDottedLine->SetFixedWidth(2);
    m_pCheckBox->SetFixedWidth(GetFixedHeight());
    m_pItemButton->ApplyAttribute(L"align", L"left");
    // Clicks on the text reach the node.
    m_pItemButton->SetMouseEnabled(false);
    m_pDottedLine->SetVisible(false);
    m_pCheckBox->SetVisible(false);
    if (parent != NULL) {
        m_pDottedLine->SetVisible(parent->m_pDottedLine->IsVisible());
        m_pDottedLine->SetFixedWidth(parent->m_pDottedLine->GetFixedWidth() + 16);
        m_pParentNode = parent;
    }
    m_pRow->AddItem(m_pDottedLine);
    m_pRow->AddItem(m_pFolderButton);
    m_pRow->AddItem(m_pCheckBox);
    m_pRow->AddItem(m_pItemButton);
    row->SetParts(m_pDottedLine, m_pFolderButton, m_pCheckBox, m_pItemButton);
    CContainerUI::AddItem(m_pRow);
}

CTreeNodeUI::~CTreeNodeUI()
{
    if (m_pTreeView != NULL && m_pTreeView->RemoveNodeImpl(this, true))
        return;
    if (m_pParentNode != NULL)
        m_pParentNode->ForgetChild(this);
    while (HasChildren()) {
        CTreeNodeUI* child = ChildAt(ChildCount() - 1);
        ForgetChild(child);
        child->m_pParentNode = NULL;
        // Never listed: nobody else would free it.
        if (child->m_pTreeView == NULL)
            CWindowManagerUI::FreeControl(child);
    }
}

const wchar_t* CTreeNodeUI::TypeName() const
{
    return L"TreeNodeUI";
}

void* CTreeNodeUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"TreeNode") == 0)
        return static_cast<CTreeNodeUI*>(this);
    return CListContainerElementUI::CastTo(name);
}

CTreeNodeUI* TreeNodeOf(CControlUI* control)
{
    if (control == NULL || _wcsicmp(control->TypeName(), L"TreeNodeUI") != 0)
        return NULL;
    return static_cast<CTreeNodeUI*>(control->CastTo(L"TreeNode"));
}

bool CTreeNodeUI::AddItem(CControlUI* control)
{
    CTreeNodeUI* node = TreeNodeOf(control);
    if (node != NULL)
        return AddChildNode(node);
    return CContainerUI::AddItem(control);
}

bool CTreeNodeUI::CanTakeChild(CTreeNodeUI* child) const
{
    // A node constructed with this node as its parent names it already, without being one of its children.
    if (TreeNodeOf(child) == NULL || child->m_pTreeView != NULL || m_aChildNodes.Find(child) >= 0 ||
        (child->m_pParentNode != NULL && child->m_pParentNode != this))
        return false;
    for (const CTreeNodeUI* node = this; node != NULL; node = node->m_pParentNode) {
        if (node == child)
            return false;
    }
    return true;
}

bool CTreeNodeUI::AddChildNode(CTreeNodeUI* child)
{
    if (!CanTakeChild(child))
        return false;
    PrepareChildNode(child);
    if (m_pTreeView != NULL) {
        CTreeNodeUI* last = HasChildren() ? ChildAt(ChildCount() - 1)->LastDescendant() : this;
        int at = last->IndexInTree() + 1;
        // Behind the last descendant; at the end of the tree that means appending.
        bool placed =
            at >= m_pTreeView->ItemCount() ? m_pTreeView->AddNode(child) : m_pTreeView->InsertNodeAt(child, at) >= 0;
        if (!placed) {
            UnprepareChildNode(child);
            return false;
        }
    }
    return m_aChildNodes.Add(child);
}

bool CTreeNodeUI::InsertItemAt(CControlUI* control, int index)
{
    CTreeNodeUI* node = control != NULL ? static_cast<CTreeNodeUI*>(control->CastTo(L"TreeNode")) : NULL;
    if (node == NULL || !CanTakeChild(node))
        return false;
    CTreeNodeUI* before = NULL;
    CTreeNodeUI* existing = index >= 0 ? ChildAt(index) : NULL;
    if (existing != NULL) {
        m_aChildNodes.InsertAt(index, node);
        before = existing;
    } else {
        // Shown after the existing children and their descendants, not in front of them.
        CTreeNodeUI* last = HasChildren() ? ChildAt(ChildCount() - 1)->LastDescendant() : this;
        int behind = last->IndexInTree();
        if (!m_aChildNodes.Add(node))
            return false;
        if (m_pTreeView != NULL && behind >= 0) {
            CControlUI* next = m_pTreeView->ItemAt(behind + 1);
            before = next != NULL ? static_cast<CTreeNodeUI*>(next->CastTo(L"TreeNode")) : NULL;
        }
    }
    PrepareChildNode(node);
    if (m_pTreeView == NULL)
        return true;
    if (before != NULL ? m_pTreeView->InsertNodeBefore(node, before) : m_pTreeView->AddNode(node))
        return true;
    ForgetChild(node);
    UnprepareChildNode(node);
    return false;
}

bool CTreeNodeUI::RemoveItem(CControlUI* control)
{
    CTreeNodeUI* node = TreeNodeOf(control);
    if (node != NULL)
        return RemoveChildNode(node);
    if (control == m_pRow)
        return false;
    return CContainerUI::RemoveItem(control);
}

void CTreeNodeUI::RemoveAllItems()
{
    for (int i = CContainerUI::ChildCount() - 1; i >= 0; --i) {
        if (CContainerUI::ChildAt(i) != m_pRow)
            CContainerUI::RemoveItem(CContainerUI::ChildAt(i));
    }
}

bool CTreeNodeUI::RemoveChildNode(CTreeNodeUI* child)
{
    if (child == NULL || m_aChildNodes.Find(child) < 0)
        return false;
    // In a tree the tree takes the subtree out of the list, each node once, and frees it.
    if (m_pTreeView != NULL)
        return m_pTreeView->RemoveNode(child);
    ForgetChild(child);
    child->m_pParentNode = NULL;
    return true;
}

void CTreeNodeUI::ForgetChild(CTreeNodeUI* child)
{
    int index = m_aChildNodes.Find(child);
    if (index >= 0)
        m_aChildNodes.Remove(index);
}

void CTreeNodeUI::PrepareChildNode(CTreeNodeUI* child)
{
    child->m_pDottedLine->SetVisible(true);
    child->m_pDottedLine->SetFixedWidth(m_pDottedLine->GetFixedWidth() + 16);
    child->m_pParentNode = this;
    child->m_pItemButton->SetGroup(m_pItemButton->GetGroup());
    child->m_pTreeView = m_pTreeView;
}

void CTreeNodeUI::UnprepareChildNode(CTreeNodeUI* child)
{
    child->m_pParentNode = NULL;
    child->m_pTreeView = NULL;
}

bool CTreeNodeUI::ShowsChildren() const
{
    return m_bVisible && !m_pFolderButton->IsSelected();
}

CTreeNodeUI* CTreeNodeUI::LastDescendant()
{
    CTreeNodeUI* node = this;
    while (node->HasChildren())
        node = node->ChildAt(node->ChildCount() - 1);
    return node;
}

int CTreeNodeUI::IndexInTree() const
{
    return m_pTreeView != NULL ? m_pTreeView->IndexOf(const_cast<CTreeNodeUI*>(this)) : -1;
}

bool CTreeNodeUI::SetItemSelected(bool selected)
{
    CLifeGuardUI guard(m_lifeAnchor);
    bool result = CListContainerElementUI::SetItemSelected(selected);
    // The "itemselect" handler may have deleted the node with its item button.
    if (guard.IsAlive())
        m_pItemButton->SetTextColor(IsItemSelected() ? m_dwSelItemTextColor : m_dwItemTextColor);
    return result;
}

void CTreeNodeUI::SetItemTextColor(DWORD color)
{
    m_dwItemTextColor = color;
    m_pItemButton->SetTextColor(color);
}

void CTreeNodeUI::SetItemHotTextColor(DWORD color)
{
    m_dwItemHotTextColor = color;
    InvalidateItem();
}

void CTreeNodeUI::SetSelItemTextColor(DWORD color)
{
    m_dwSelItemTextColor = color;
    InvalidateItem();
}

void CTreeNodeUI::SetSelItemHotTextColor(DWORD color)
{
    m_dwSelItemHotTextColor = color;
    InvalidateItem();
}

void CTreeNodeUI::OnEvent(InputEventUI& event)
{
    if (!IsMouseEnabled() && event.type >= UIEVENT_MOUSEMOVE && event.type <= UIEVENT_SCROLLWHEEL) {
        if (m_pParent != NULL)
            m_pParent->OnEvent(event);
        else
            CListContainerElementUI::OnEvent(event);
        return;
    }
    IListOwnerUI* owner = m_pOwner;
    CLifeGuardUI guard(m_lifeAnchor);
    CListContainerElementUI::OnEvent(event);
    // A handler removed or deleted the node: nothing more happens to it.
    if (!guard.IsAlive() || m_pOwner != owner)
        return;
    switch (event.type) {
    case UIEVENT_DBLCLICK:
        if (IsEnabled()) {
            InvalidateItem();
            // Last: the handler may remove or delete the node.
            if (m_pManager != NULL)
                m_pManager->RaiseNotification(this, L"itemdbclick");
        }
        break;
    case UIEVENT_MOUSEENTER:
        if (!IsEnabled())
            m_pItemButton->SetTextColor(m_pItemButton->GetDisabledTextColor());
        else if (IsItemSelected() && m_dwSelItemHotTextColor != 0)
            m_pItemButton->SetTextColor(m_dwSelItemHotTextColor);
        else
            m_pItemButton->SetTextColor(m_dwItemHotTextColor);
        break;
    case UIEVENT_MOUSELEAVE:
        if (!IsEnabled())
            m_pItemButton->SetTextColor(m_pItemButton->GetDisabledTextColor());
        else if (!IsItemSelected())
            m_pItemButton->SetTextColor(m_dwItemTextColor);
        else if (m_dwSelItemTextColor != 0)
            m_pItemButton->SetTextColor(m_dwSelItemTextColor);
        break;
    default:
        break;
    }
}

void CTreeNodeUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"text") == 0)
        m_pItemButton->SetText(value);
    else if (wcscmp(name, L"horizattr") == 0)
        m_pRow->ApplyAttributeList(value);
    else if (wcscmp(name, L"dotlineattr") == 0)
        m_pDottedLine->ApplyAttributeList(value);
    else if (wcscmp(name, L"folderattr") == 0)
        m_pFolderButton->ApplyAttributeList(value);
    else if (wcscmp(name, L"checkboxattr") == 0)
        m_pCheckBox->ApplyAttributeList(value);
    else if (wcscmp(name, L"itemattr") == 0)
        m_pItemButton->ApplyAttributeList(value);
    else if (wcscmp(name, L"itemtextcolor") == 0)
        SetItemTextColor(ParseHexColor(value));
    else if (wcscmp(name, L"itemhottextcolor") == 0)
        SetItemHotTextColor(ParseHexColor(value));
    else if (wcscmp(name, L"selitemtextcolor") == 0)
        SetSelItemTextColor(ParseHexColor(value));
    else if (wcscmp(name, L"selitemhottextcolor") == 0)
        SetSelItemHotTextColor(ParseHexColor(value));
    else
        CListContainerElementUI::ApplyAttribute(name, value);
}

} // namespace UiToolkit
