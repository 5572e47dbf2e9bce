// Container base: child ownership, clipped painting, hit search and scrolling.
#pragma once
#include "core/ControlUI.h"
#include "base/UIPtrArray.h"
#include "base/UIHandlingScope.h"

#include <vector>

namespace UiToolkit {

class CScrollBarUI;

// The child-list operations every container offers to the skin builder.
class IContainerUI
{
public:
    virtual CControlUI* ItemAt(int index) const = 0;
    virtual int IndexOf(CControlUI* control) const = 0;
    virtual bool MoveToIndex(CControlUI* control, int index) = 0;
    virtual int ItemCount() const = 0;
    virtual bool AddItem(CControlUI* control) = 0;
    virtual bool InsertItemAt(CControlUI* control, int index) = 0;
    virtual bool RemoveItem(CControlUI* control) = 0;
    virtual bool RemoveItemAt(int index) = 0;
    virtual void RemoveAllItems() = 0;
};

// A control that owns, places, paints, searches and scrolls child controls.
class CContainerUI : public CControlUI, public IContainerUI
{
public:
    CContainerUI();
    ~CContainerUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise = true) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Shift(int dx, int dy, bool invalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetShownByParent(bool shown) override;
    void SetMouseEnabled(bool enabled = true) override;
    CControlUI* SearchTree(FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    void Paint(HDC hdc, const RECT& paintRect) override;

    CControlUI* ItemAt(int index) const override;
    int IndexOf(CControlUI* control) const override;
    bool MoveToIndex(CControlUI* control, int index) override;
    int ItemCount() const override;
    bool AddItem(CControlUI* control) override;
    bool InsertItemAt(CControlUI* control, int index) override;
    bool RemoveItem(CControlUI* control) override;
    bool RemoveItemAt(int index) override;
    void RemoveAllItems() override;

    virtual RECT GetInset() const;
    virtual void SetInset(RECT inset);
    virtual int GetChildPadding() const;
    virtual void SetChildPadding(int padding);
    virtual bool OwnsRemovedItems() const;
    virtual void SetOwnsRemovedItems(bool owns);
    virtual bool DefersItemDeletion() const;
    virtual void SetDefersItemDeletion(bool defers);
    virtual bool PassesMouseToChildren() const;
    virtual void SetPassesMouseToChildren(bool passes);
    virtual int NextSelectableItem(int start, bool forward);
    virtual SIZE GetScrollOffset() const;
    virtual SIZE GetScrollExtent() const;
    virtual void SetScrollOffset(SIZE offset);
    virtual void ScrollLineUp();
    virtual void ScrollLineDown();
    virtual void ScrollPageUp();
    virtual void ScrollPageDown();
    virtual void ScrollToTop();
    virtual void ScrollToBottom();
    virtual void ScrollLineLeft();
    virtual void ScrollLineRight();
    virtual void ScrollPageLeft();
    virtual void ScrollPageRight();
    virtual void ScrollToLeftEnd();
    virtual void ScrollToRightEnd();
    virtual void ShowScrollBars(bool vertical, bool horizontal);
    virtual CScrollBarUI* VerticalBar() const;
    virtual CScrollBarUI* HorizontalBar() const;
    void PlaceFloatingChild(CControlUI* child);
    virtual void PlaceScrollBars(RECT inner, int requiredWidth, int requiredHeight);

    // The container's own children, whatever item view a subclass gives through ItemAt and ItemCount.
    CControlUI* ChildAt(int index) const { return static_cast<CControlUI*>(m_items.GetAt(index)); }
    int ChildCount() const { return m_items.Count(); }

    // One layout pass over the children as they were when it began. Placing a child runs its size handlers,
    // which may remove, move or add children: a child that has left meanwhile reads NULL, added ones wait for
    // the next pass (the change asked for one), and nothing removed is freed before the pass ends.
    class CLayoutPassUI
    {
    public:
        explicit CLayoutPassUI(const CContainerUI& owner);
        int Count() const { return static_cast<int>(m_children.size()); }
        CControlUI* At(int index) const;

    private:
        CHandlingScopeUI m_handling;
        const CContainerUI& m_owner;
        std::vector<CControlUI*> m_children;
    };

    // Raises to the minimum, then lowers to the maximum: the maximum wins.
    static int ClampSize(int value, int minimum, int maximum);

protected:
    // The rectangle less the inset.
    RECT InsetRect() const;
    // The rectangle less the inset and the visible bars.
    RECT InnerRect() const;
    // Every shown child over the whole area from its top left, within its size limits; floating ones by
    // their anchors.
    void PlaceChildrenOver(const RECT& area);
    bool IsBarShown(const CScrollBarUI* bar) const;
    int VerticalScrollPos() const;
    int HorizontalScrollPos() const;
    int HorizontalScrollRange() const;
    // Scroll steps: a line is the default font's height + 8 (8 without a manager), a page the inner extent.
    int LineStep() const;
    int PageHeight() const;
    int PageWidth() const;
    void ScrollBy(int dx, int dy);
    // A removed child is freed (now or queued) or, when the application keeps it, detached from the manager.
    void LetGoOfChild(CControlUI* control);
    // Every child that is still a child when its turn comes hears whether this container shows.
    void ShowChildren();

    CPtrArrayUI m_items;
    RECT m_rcInset;
    int m_iChildPadding;
    bool m_bAutoDestroy;
    bool m_bDelayedDestroy;
    bool m_bMouseChildEnabled;
    bool m_bScrollProcess;
    CScrollBarUI* m_pVerticalScrollBar;
    CScrollBarUI* m_pHorizontalScrollBar;
};

} // namespace UiToolkit
