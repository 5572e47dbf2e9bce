// Tree view: every node of every depth is an item of a list, in display order, indented by a dot line.
#pragma once
#include "controls/ListItemsUI.h"
#include "controls/ListUI.h"
#include "controls/OptionUI.h"
#include "core/WindowManager.h"

namespace UiToolkit {

class CTreeViewUI;

// One row of a tree: dot line, folder button, check box and the item button carrying the text.
class CTreeNodeUI : public CListContainerElementUI
{
public:
    explicit CTreeNodeUI(CTreeNodeUI* parent = NULL);
    // Leaves its tree, its parent's children and the list; a tree takes the node's listed descendants out
    // by its rules, and children that were never listed go with the node.
    ~CTreeNodeUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    bool AddItem(CControlUI* control) override;
    bool InsertItemAt(CControlUI* control, int index) override;
    // The row holds the node's own parts: it is never removed.
    bool RemoveItem(CControlUI* control) override;
    void RemoveAllItems() override;
    bool SetItemSelected(bool selected) override;

    // Refused for a node that already has a parent, is listed in a tree, or would become its own ancestor.
    bool AddChildNode(CTreeNodeUI* child);
    bool RemoveChildNode(CTreeNodeUI* child);
    void PrepareChildNode(CTreeNodeUI* child);
    CTreeNodeUI* LastDescendant();
    int IndexInTree() const;
    bool HasChildren() const { return !m_aChildNodes.IsEmpty(); }
    int ChildCount() const { return m_aChildNodes.Count(); }
    CTreeNodeUI* ChildAt(int index) const { return static_cast<CTreeNodeUI*>(m_aChildNodes.GetAt(index)); }
    // A copy: the caller may add and remove children while walking it.
    CPtrArrayUI ChildNodes() const { return m_aChildNodes; }
    int IndexOfChild(CTreeNodeUI* child) const { return m_aChildNodes.Find(child); }
    bool IsExpandedTag() const { return m_bExpandedTag; }
    void SetExpandedTag(bool expanded) { m_bExpandedTag = expanded; }
    CTreeNodeUI* ParentNode() const { return m_pParentNode; }
    void SetParentNode(CTreeNodeUI* parent) { m_pParentNode = parent; }
    CTreeViewUI* TreeView() const { return m_pTreeView; }
    void SetTreeView(CTreeViewUI* tree) { m_pTreeView = tree; }
    CStringUI ItemText() const { return m_pItemButton->GetText(); }
    void SetItemTextColor(DWORD color);
    void SetItemHotTextColor(DWORD color);
    void SetSelItemTextColor(DWORD color);
    void SetSelItemHotTextColor(DWORD color);

    CHorizontalLayoutUI* Row() const { return m_pRow; }
    CCheckBoxUI* FolderButton() const { return m_pFolderButton; }
    CLabelUI* DotLine() const { return m_pDottedLine; }
    CCheckBoxUI* CheckBox() const { return m_pCheckBox; }
    COptionUI* ItemButton() const { return m_pItemButton; }

private:
    friend class CTreeViewUI;
    // Takes a child out of the child list only; the tree does the rest.
    void ForgetChild(CTreeNodeUI* child);
    // Whether a child added now starts shown: not under a collapsed or hidden node.
    bool ShowsChildren() const;
    // Whether the node can take the child: not itself, not one of its ancestors, not someone else's.
    bool CanTakeChild(CTreeNodeUI* child) const;
    // Undoes PrepareChildNode for a child that could not be placed.
    void UnprepareChildNode(CTreeNodeUI* child);

    bool m_bExpandedTag = true;
    DWORD m_dwItemTextColor = 0;
    DWORD m_dwItemHotTextColor = 0;
    DWORD m_dwSelItemTextColor = 0;
    DWORD m_dwSelItemHotTextColor = 0;
    CTreeViewUI* m_pTreeView = NULL;
    CHorizontalLayoutUI* m_pRow = NULL; // owned child; holds the four parts below
    CCheckBoxUI* m_pFolderButton = NULL;
    CLabelUI* m_pDottedLine = NULL;
    CCheckBoxUI* m_pCheckBox = NULL;
    COptionUI* m_pItemButton = NULL;
    CTreeNodeUI* m_pParentNode = NULL;
    CPtrArrayUI m_aChildNodes; // direct children in order; not owned
};

// The control as a tree node when it is one (by its type name), else NULL.
CTreeNodeUI* TreeNodeOf(CControlUI* control);

class CTreeViewUI : public CListUI, public INotifyUI
{
public:
    CTreeViewUI();
    ~CTreeViewUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    // A node comes in as AddNode and InsertNodeAt take it, with its subtree; other controls as in a list.
    bool AddItem(CControlUI* control) override;
    bool InsertItemAt(CControlUI* control, int index) override;
    // Refused for a node: its children would stay behind.
    bool MoveToIndex(CControlUI* control, int index) override;
    bool RemoveItem(CControlUI* control) override;
    bool RemoveItemAt(int index) override;
    void RemoveAllItems() override;
    void Notify(NotifyMsgUI&) override {}

    // Refused for a node listed already (here or in another tree) and for a node whose parent node is not
    // listed here.
    virtual bool AddNode(CTreeNodeUI* node);
    virtual bool InsertNodeBefore(CTreeNodeUI* node, CTreeNodeUI* before);
    // -1 unless there is an item at the index; else the index behind the inserted subtree.
    virtual int InsertNodeAt(CTreeNodeUI* node, int index);
    // Removes the node with all its descendants, each exactly once; false with nothing changed for a node
    // not listed here. A selection inside the subtree passes on once, to the nearest selectable item before.
    virtual bool RemoveNode(CTreeNodeUI* node);
    virtual bool OnCheckBoxChanged(void* param);
    virtual bool OnFolderChanged(void* param);
    virtual bool OnItemDoubleClick(void* param);
    // False when a check box's handler deleted the node walked, or the tree, before the walk was done.
    virtual bool SetItemChecked(bool checked, CTreeNodeUI* node = NULL);
    virtual void SetItemExpanded(bool expand, CTreeNodeUI* node = NULL);
    virtual void SetFolderButtonsVisible(bool visible);
    virtual bool FolderButtonsVisible() const { return m_bVisibleFolderBtn; }
    virtual void SetCheckBoxesVisible(bool visible);
    virtual bool CheckBoxesVisible() const { return m_bVisibleCheckBtn; }
    virtual void SetItemMinWidth(int width);
    virtual int GetItemMinWidth() const { return m_uItemMinWidth; }
    virtual void SetItemTextColor(DWORD color);
    virtual void SetItemHotTextColor(DWORD color);
    virtual void SetSelItemTextColor(DWORD color);
    virtual void SetSelItemHotTextColor(DWORD color);

private:
    friend class CTreeNodeUI;
    // Hands the colour to every node of the tree through the node's setter.
    void SetNodeColors(void (CTreeNodeUI::*setter)(DWORD), DWORD color);
    void HookNode(CTreeNodeUI* node);
    // The node leaves the tree: no handler of this tree runs for it any more.
    void UnhookNode(CTreeNodeUI* node);
    // Whether the node may be listed here now.
    bool CanList(CTreeNodeUI* node) const;
    // Inserts the node and its subtree from the index on, appending included; answers the index behind it.
    int InsertSubtree(CTreeNodeUI* node, int index);
    // The node's parent, when collapsed or hidden, hides it too.
    void FollowParentVisibility(CTreeNodeUI* node);
    // RemoveNode; for a node that is being deleted already, the node itself is only taken out.
    bool RemoveNodeImpl(CTreeNodeUI* node, bool beingDeleted);
    // Takes the node and its descendants out of the list, deepest first. With cut links (the list frees
    // them) parents forget their children before any of them goes.
    void RemoveSubtree(CTreeNodeUI* node, bool cutLinks);
    // Every listed node leaves the tree; with cut links, parents and children forget each other too.
    void ReleaseAllNodes(bool cutLinks);
    bool HoldsSelection(CTreeNodeUI* node);

    int m_uItemMinWidth = 0;
    bool m_bVisibleFolderBtn = true;
    bool m_bVisibleCheckBtn = false;
    bool m_bSyncingChecks = false;
    // Guards around the check boxes' announcements learn here whether a handler deleted the tree.
    CLifeAnchorUI m_treeAnchor;
};

} // namespace UiToolkit
