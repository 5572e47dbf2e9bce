// The list control: a header of columns over a scrolling body of items, with selection and navigation.
#pragma once
#include "controls/ListInterfaces.h"
#include "controls/ListStyleSetters.h"
#include "layout/LayoutUI.h"

namespace UiToolkit {

class CListUI;

// The row of column header items above a list.
class CListHeaderUI : public CHorizontalLayoutUI
{
public:
    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    SIZE MeasureSize(SIZE available) override;
};

// Holds and scrolls the items of a list; its events go to the list.
class CListBodyUI : public CVerticalLayoutUI
{
public:
    explicit CListBodyUI(CListUI* owner);

    void SetPos(RECT rc, bool invalidate = true) override;
    void OnEvent(InputEventUI& event) override;
    void SetScrollOffset(SIZE offset) override;

    // Item operations on the body go through the list, so that indices, selection and trees stay whole.
    bool MoveToIndex(CControlUI* control, int index) override;
    bool AddItem(CControlUI* control) override;
    bool InsertItemAt(CControlUI* control, int index) override;
    bool RemoveItem(CControlUI* control) override;
    bool RemoveItemAt(int index) override;
    void RemoveAllItems() override;

    // Takes the entry out without deleting the control: for an item that is being deleted already.
    bool TakeOut(CControlUI* control);
    void DetachOwner() { m_pOwner = NULL; }

private:
    // Widest item, or the header's width when the header has columns.
    int NeededWidth(SIZE available);
    // Places the items top down; answers the height they take.
    int PlaceItems(const RECT& client, int availableWidth, int neededWidth);

    CListUI* m_pOwner = NULL;
};

class CListUI : public CVerticalLayoutUI, public IListUI, public CListStyleSettersUI<CListUI>
{
public:
    CListUI();
    ~CListUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void SetPos(RECT rc, bool invalidate = true) override;
    void Shift(int dx, int dy, bool invalidate = true) override;
    void OnEvent(InputEventUI& event) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;

    // Item view: the body's items; headers and header items are routed to their places.
    CControlUI* ItemAt(int index) const override;
    int IndexOf(CControlUI* control) const override;
    bool MoveToIndex(CControlUI* control, int index) override;
    int ItemCount() const override;
    bool AddItem(CControlUI* control) override;
    bool InsertItemAt(CControlUI* control, int index) override;
    bool RemoveItem(CControlUI* control) override;
    bool RemoveItemAt(int index) override;
    void RemoveAllItems() override;

    // Removed items are the body's and the header's: their deletion follows these flags.
    bool OwnsRemovedItems() const override;
    void SetOwnsRemovedItems(bool owns) override;
    bool DefersItemDeletion() const override;
    void SetDefersItemDeletion(bool defers) override;

    // Spacing and scrolling are the body's.
    int GetChildPadding() const override;
    void SetChildPadding(int padding) override;
    int NextSelectableItem(int start, bool forward) override;
    SIZE GetScrollOffset() const override;
    SIZE GetScrollExtent() const override;
    void SetScrollOffset(SIZE offset) override;
    void ScrollLineUp() override;
    void ScrollLineDown() override;
    void ScrollPageUp() override;
    void ScrollPageDown() override;
    void ScrollToTop() override;
    void ScrollToBottom() override;
    void ScrollLineLeft() override;
    void ScrollLineRight() override;
    void ScrollPageLeft() override;
    void ScrollPageRight() override;
    void ScrollToLeftEnd() override;
    void ScrollToRightEnd() override;
    void ShowScrollBars(bool vertical, bool horizontal) override;
    CScrollBarUI* VerticalBar() const override;
    CScrollBarUI* HorizontalBar() const override;

    ListStyleUI* GetListInfo() override { return &m_style; }
    int CurrentIndex() const override { return m_iCurSel; }
    bool SelectIndex(int index, bool takeFocus = false) override;
    void RouteItemEvent(InputEventUI& event) override { OnEvent(event); }
    CListHeaderUI* HeaderControl() const override { return m_pHeader; }
    CContainerUI* BodyControl() const override { return m_pBody; }
    ListTextSourceUI* TextSource() const override { return m_pTextSource; }
    void SetTextSource(ListTextSourceUI* source) override { m_pTextSource = source; }
    bool ExpandIndex(int index, bool expand = true) override;
    int ExpandedIndex() const override { return m_iExpandedItem; }

    void EnsureIndexVisible(int index);
    void ScrollBy(int dx, int dy);
    bool IsScrollSelect() const { return m_bScrollSelect; }
    void SetScrollSelect(bool scrollSelect) { m_bScrollSelect = scrollSelect; }
    void SetMultiExpanding(bool multiple) { m_style.bMultiExpandable = multiple; }
    void SetHeaderVisible(bool visible);
    void SetHeaderBkImage(const wchar_t* image);
    // What an item-style setter changed: a repaint or a new layout.
    void OnItemStyleChanged(ListStyleChangeUI change);
    // Copies the header items' rectangles into the column bounds, following the body's horizontal scroll.
    void RefreshColumnBounds();

protected:
    bool IsHeader(CControlUI* control) const;
    static bool IsHeaderItem(CControlUI* control);
    bool AddHeader(CControlUI* header);
    bool InsertBodyItem(CControlUI* control, int index);
    // The body's insert without the hand-over of an item that came in selected (see InsertListItem).
    bool InsertListed(CControlUI* control, int index, bool& arrivedSelected);
    // Takes the item at the index out of the body and moves indices and selection. A control that is being
    // deleted already is only taken out; others go by the body's deletion rules.
    bool DropItemAt(int index, bool beingDeleted);
    // Navigation keeps the selection when no item lies that way.
    void SelectByKey(int index);

    bool m_bScrollSelect = false;
    int m_iCurSel = -1;
    int m_iExpandedItem = -1;
    ListTextSourceUI* m_pTextSource = NULL;
    CListBodyUI* m_pBody = NULL;
    CListHeaderUI* m_pHeader = NULL;
    ListStyleUI m_style;

private:
    // Places a hidden header in a strip of height 0 so that its items still get column rectangles.
    void PlaceHeaderForColumns(const RECT& rc);
};

} // namespace UiToolkit
