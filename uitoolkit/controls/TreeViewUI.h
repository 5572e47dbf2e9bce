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

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    bool AddItem(CControlUI* control) override;
    bool InsertItemAt(CControlUI* control, int index) override;
    bool RemoveItem(CControlUI* control) override;
    bool SetItemSelected(bool selected) override;

    bool AddChildNode(CTreeNodeUI* child);
    bool RemoveChildNode(CTreeNodeUI* child);
    void PrepareChildNode(CTreeNodeUI* child);
    CTreeNodeUI* LastDescendant();
    int IndexInTree() const;
    bool HasChildren() const { return !m_aChildNodes.IsEmpty(); }
    int ChildCount() const { return m_aChildNodes.Count(); }
    CTreeNodeUI* ChildAt(int index) const { return static_cast<CTreeNodeUI*>(m_aChildNodes.GetAt(index)); }
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
    bool RemoveItem(CControlUI* control) override;
    bool RemoveItemAt(int index) override;
    void RemoveAllItems() override;
    void Notify(NotifyMsgUI&) override {}

    virtual bool AddNode(CTreeNodeUI* node);
    virtual bool InsertNodeBefore(CTreeNodeUI* node, CTreeNodeUI* before);
    // -1 unless there is an item at the index; else the index behind the inserted subtree.
    virtual int InsertNodeAt(CTreeNodeUI* node, int index);
    // Removes the node with all its descendants, each exactly once.
    virtual bool RemoveNode(CTreeNodeUI* node);
    virtual bool OnCheckBoxChanged(void* param);
    virtual bool OnFolderChanged(void* param);
    virtual bool OnItemDoubleClick(void* param);
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
    // Hands the colour to every node of the tree through the node's setter.
    void SetNodeColors(void (CTreeNodeUI::*setter)(DWORD), DWORD color);
    void HookNode(CTreeNodeUI* node);
    // Inserts the node and its subtree from the index on, appending included; answers the index behind it.
    int InsertSubtree(CTreeNodeUI* node, int index);
    // Each ancestor's check box shows whether all its children are checked.
    void UpdateAncestorChecks(CTreeNodeUI* node);

    int m_uItemMinWidth = 0;
    bool m_bVisibleFolderBtn = true;
    bool m_bVisibleCheckBtn = false;
    bool m_bSyncingChecks = false;
};

} // namespace UiToolkit
