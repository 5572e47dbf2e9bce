#include "ListScene.h"
#include "controls/ComboUI.h"
#include "controls/ListHeaderItemUI.h"
#include "controls/ListItemsUI.h"
#include "controls/TreeViewUI.h"
#include "layout/ScrollBarUI.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

// Items 20 pixels high: nothing below depends on the font.
std::wstring Items(int count, const wchar_t* extra = L"")
{
    std::wstring items;
    for (int i = 0; i < count; ++i)
        items += L"<ListLabelElement name=\"i" + std::to_wstring(i) + L"\" height=\"20\" text=\"row\" " + extra + L"/>";
    return items;
}

IListItemUI* ItemOf(CListUI* list, int index)
{
    return static_cast<IListItemUI*>(list->ItemAt(index)->CastTo(L"ListItem"));
}

void ExpectIndicesInOrder(CListUI* list)
{
    for (int i = 0; i < list->ItemCount(); ++i)
        EXPECT_EQ(i, ItemOf(list, i)->ItemIndex()) << "item " << i;
}

} // namespace

TEST(ListIndex, InsertMoveRemoveAroundTheCurrentItem)
{
    ListScene scene(L"<Window><List name=\"list\"><ListHeader name=\"head\"/>" + Items(4) +
                    L"<ListContainerElement name=\"box\" height=\"20\"><Label name=\"inner\"/></ListContainerElement>"
                    L"</List></Window>");
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    // The markup's header replaced the empty built-in one; the list holds header and body only.
    EXPECT_EQ(scene.Find(L"head"), list->HeaderControl());
    EXPECT_EQ(2, list->ChildCount());
    EXPECT_EQ(5, list->ItemCount());
    // Its own header is no item: taking it again would list it twice.
    EXPECT_FALSE(list->AddItem(list->HeaderControl()));
    EXPECT_EQ(2, list->ChildCount());

    // A click on a child of a container element selects the element.
    RECT inner = scene.Find(L"inner")->GetPos();
    scene.Press(inner.left + 2, inner.top + 2);
    scene.Release(inner.left + 2, inner.top + 2);
    EXPECT_EQ(4, list->CurrentIndex());
    EXPECT_EQ(1, scene.Count(L"itemclick"));

    ASSERT_TRUE(list->SelectIndex(2));
    const HeardNotify* select = scene.Last(L"itemselect");
    ASSERT_NE(nullptr, select);
    EXPECT_EQ(2u, select->wParam);
    EXPECT_EQ(4, static_cast<int>(select->lParam));
    EXPECT_FALSE(ItemOf(list, 4)->IsItemSelected());
    scene.heard.clear();
    EXPECT_TRUE(list->SelectIndex(2));
    EXPECT_EQ(0, scene.Count(L"itemselect"));

    CListLabelElementUI* added = new CListLabelElementUI();
    ASSERT_TRUE(list->InsertItemAt(added, 1));
    EXPECT_EQ(3, list->CurrentIndex());
    ExpectIndicesInOrder(list);
    ASSERT_TRUE(list->MoveToIndex(list->ItemAt(3), 0));
    EXPECT_EQ(0, list->CurrentIndex());
    EXPECT_TRUE(ItemOf(list, 0)->IsItemSelected());
    ExpectIndicesInOrder(list);
    ASSERT_TRUE(list->MoveToIndex(added, 5));
    EXPECT_EQ(0, list->CurrentIndex());
    ExpectIndicesInOrder(list);

    // Removing the current item selects the nearest selectable one before it.
    ASSERT_TRUE(list->SelectIndex(3));
    list->ItemAt(2)->SetEnabled(false);
    scene.heard.clear();
    ASSERT_TRUE(list->RemoveItemAt(3));
    EXPECT_EQ(1, list->CurrentIndex());
    ASSERT_NE(nullptr, scene.Last(L"itemselect"));
    EXPECT_EQ(1u, scene.Last(L"itemselect")->wParam);
    ExpectIndicesInOrder(list);
    ASSERT_TRUE(list->RemoveItemAt(0));
    EXPECT_EQ(0, list->CurrentIndex());

    // -1, hidden and disabled items clear the selection and refuse, without a notification.
    scene.heard.clear();
    EXPECT_FALSE(list->SelectIndex(1));
    EXPECT_EQ(-1, list->CurrentIndex());
    list->ItemAt(2)->SetVisible(false);
    EXPECT_FALSE(list->SelectIndex(2));
    EXPECT_FALSE(list->SelectIndex(99));
    EXPECT_EQ(0, scene.Count(L"itemselect"));
    // Plain items do not expand.
    EXPECT_FALSE(list->ExpandIndex(0, true));
    EXPECT_EQ(-1, list->ExpandedIndex());
    ASSERT_TRUE(list->SelectIndex(0));
    EXPECT_FALSE(list->SelectIndex(-1));
    EXPECT_EQ(-1, list->CurrentIndex());
    EXPECT_FALSE(ItemOf(list, 0)->IsItemSelected());

    // Hiding the selected item clears the selection.
    ASSERT_TRUE(list->SelectIndex(3));
    list->ItemAt(3)->SetVisible(false);
    EXPECT_EQ(-1, list->CurrentIndex());
    EXPECT_FALSE(ItemOf(list, 3)->IsItemSelected());

    // The current item taken out of the body behind the list's back: the next selection still works.
    list->ItemAt(3)->SetVisible(true);
    ASSERT_TRUE(list->SelectIndex(3));
    list->BodyControl()->SetDefersItemDeletion(false);
    ASSERT_TRUE(list->BodyControl()->RemoveItemAt(3));
    EXPECT_TRUE(list->SelectIndex(0));
    EXPECT_EQ(0, list->CurrentIndex());
}

TEST(ListNavigation, KeysWheelAndScrollSelect)
{
    // Ten rows of 20 in a body 100 high; the first and last rows are disabled.
    ListScene scene(L"<Window><List name=\"list\" header=\"hidden\" vscrollbar=\"true\">"
                    L"<ListLabelElement height=\"20\" enabled=\"false\"/>" +
                        Items(8) + L"<ListLabelElement height=\"20\" enabled=\"false\"/></List></Window>",
                    200, 100);
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    ASSERT_NE(nullptr, list->VerticalBar());
    EXPECT_TRUE(list->VerticalBar()->IsVisible());
    EXPECT_EQ(100, list->GetScrollExtent().cy);

    // Home skips the disabled first row; Up at the first selectable row stays there.
    ASSERT_TRUE(list->SelectIndex(4, true));
    scene.Key(VK_HOME);
    EXPECT_EQ(1, list->CurrentIndex());
    scene.Key(VK_UP);
    EXPECT_EQ(1, list->CurrentIndex());
    scene.Key(VK_DOWN);
    EXPECT_EQ(2, list->CurrentIndex());

    // End and Down find nothing selectable after the last enabled row: the selection stays.
    ASSERT_TRUE(list->SelectIndex(8, true));
    scene.heard.clear();
    scene.Key(VK_END);
    EXPECT_EQ(8, list->CurrentIndex());
    scene.Key(VK_DOWN);
    EXPECT_EQ(8, list->CurrentIndex());
    EXPECT_EQ(0, scene.Count(L"itemselect"));
    // The selected row was scrolled into view: its bottom lies inside the body.
    scene.Refresh();
    EXPECT_LE(list->ItemAt(8)->GetPos().bottom, list->BodyControl()->GetPos().bottom);
    EXPECT_GE(list->ItemAt(8)->GetPos().top, list->BodyControl()->GetPos().top);

    // Page keys scroll; EnsureIndexVisible brings a row above the band back to the top.
    scene.Key(VK_PRIOR);
    EXPECT_EQ(0, list->GetScrollOffset().cy);
    scene.Key(VK_NEXT);
    EXPECT_EQ(100, list->GetScrollOffset().cy);
    list->EnsureIndexVisible(2);
    EXPECT_EQ(40, list->GetScrollOffset().cy);

    // Without scroll-select the wheel scrolls and keeps the selection.
    list->SetScrollOffset(SIZE{0, 0});
    scene.Wheel(50, 50, true);
    EXPECT_GT(list->GetScrollOffset().cy, 0);
    EXPECT_EQ(8, list->CurrentIndex());
    scene.Wheel(50, 50, false);
    EXPECT_EQ(0, list->GetScrollOffset().cy);

    // With it the wheel moves the selection and says so.
    list->SetScrollSelect(true);
    ASSERT_TRUE(list->SelectIndex(3));
    scene.heard.clear();
    scene.Wheel(50, 30, true);
    EXPECT_EQ(4, list->CurrentIndex());
    ASSERT_NE(nullptr, scene.Last(L"itemselect"));
    EXPECT_EQ(3, static_cast<int>(scene.Last(L"itemselect")->lParam));
    scene.Wheel(50, 30, false);
    scene.Wheel(50, 30, false);
    EXPECT_EQ(2, list->CurrentIndex());
}

TEST(ListColumns, BoundsFollowTheHeaderAndHorizontalScrolling)
{
    ListScene scene(
        L"<Window><VerticalLayout>"
        L"<List name=\"list\" inset=\"3,0,3,0\" hscrollbar=\"true\" vscrollbar=\"true\"><ListHeader height=\"20\">"
        L"<ListHeaderItem width=\"100\"/><ListHeaderItem width=\"100\"/><ListHeaderItem width=\"100\"/>"
        L"</ListHeader>" +
            Items(12) +
            L"</List>"
            L"<List name=\"hidden\" header=\"hidden\" inset=\"5,0,0,0\"><ListHeader>"
            L"<ListHeaderItem width=\"40\"/><ListHeaderItem width=\"30\"/></ListHeader></List>"
            L"</VerticalLayout></Window>",
        206, 200);
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    ListStyleUI* style = list->GetListInfo();
    EXPECT_EQ(3, style->nColumns);
    EXPECT_EQ(3, style->rcColumn[0].left);
    EXPECT_EQ(103, style->rcColumn[0].right);
    EXPECT_EQ(203, style->rcColumn[2].left);
    // The body needs the header's width: the rows are 300 wide and the bar scrolls the 100 that do not fit.
    ASSERT_NE(nullptr, list->HorizontalBar());
    EXPECT_TRUE(list->HorizontalBar()->IsVisible());
    ASSERT_NE(nullptr, list->VerticalBar());
    EXPECT_EQ(300 - (200 - list->VerticalBar()->GetFixedWidth()), list->GetScrollExtent().cx);
    EXPECT_EQ(300, list->ItemAt(0)->GetWidth());

    // Sideways scrolling moves header items, columns and rows together.
    CControlUI* third = list->HeaderControl()->ItemAt(2);
    list->ScrollBy(60, 0);
    EXPECT_EQ(143, style->rcColumn[2].left);
    EXPECT_EQ(143, third->GetPos().left);
    EXPECT_EQ(-57, list->ItemAt(0)->GetPos().left);
    // A new layout keeps the scrolled columns.
    list->NeedUpdate();
    scene.Refresh();
    EXPECT_EQ(143, style->rcColumn[2].left);
    EXPECT_EQ(143, third->GetPos().left);
    // Scrolling down leaves the header where it is.
    int headerTop = list->HeaderControl()->GetPos().top;
    int rowTop = list->ItemAt(0)->GetPos().top;
    list->ScrollBy(0, 40);
    EXPECT_EQ(rowTop - 40, list->ItemAt(0)->GetPos().top);
    EXPECT_EQ(headerTop, list->HeaderControl()->GetPos().top);
    EXPECT_EQ(143, style->rcColumn[2].left);

    // A hidden header still gives columns, from a strip of height 0 at the list's inset.
    CListUI* hidden = scene.List(L"hidden");
    ASSERT_NE(nullptr, hidden);
    EXPECT_FALSE(hidden->HeaderControl()->IsVisible());
    const ListStyleUI* hiddenStyle = hidden->GetListInfo();
    EXPECT_EQ(2, hiddenStyle->nColumns);
    EXPECT_EQ(5, hiddenStyle->rcColumn[0].left);
    EXPECT_EQ(45, hiddenStyle->rcColumn[1].left);
    EXPECT_EQ(75, hiddenStyle->rcColumn[1].right);
    EXPECT_EQ(hiddenStyle->rcColumn[1].top, hiddenStyle->rcColumn[1].bottom);
    EXPECT_FALSE(hidden->HeaderControl()->ItemAt(0)->IsVisible());

    // Only the first 32 of more header items become columns.
    for (int i = 0; i < 40; ++i) {
        CListHeaderItemUI* item = new CListHeaderItemUI();
        item->SetFixedWidth(20);
        ASSERT_TRUE(hidden->AddItem(item));
    }
    EXPECT_EQ(32, hiddenStyle->nColumns);
    hidden->NeedUpdate();
    scene.Refresh();
    EXPECT_EQ(32, hiddenStyle->nColumns);
    EXPECT_EQ(5 + 70 + 29 * 20, hiddenStyle->rcColumn[31].left);
    EXPECT_EQ(42, hidden->HeaderControl()->ItemCount());
    EXPECT_EQ(41, hidden->IndexOf(hidden->HeaderControl()->ItemAt(41)));
}

namespace {

// The list of the lifetime tests: three columns over five rows of 20, header 20 high.
std::wstring HeaderedList()
{
    return L"<Window><List name=\"list\"><ListHeader height=\"20\"><ListHeaderItem name=\"h0\" width=\"60\"/>"
           L"<ListHeaderItem name=\"h1\" width=\"60\"/><ListHeaderItem name=\"h2\" width=\"60\"/></ListHeader>" +
           Items(5) + L"</List></Window>";
}

POINT CentreOf(CControlUI* control)
{
    RECT rc = control->GetPos();
    POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    return pt;
}

} // namespace

TEST(ListLifetimes, HandlerRemovesTheItemItWasToldAbout)
{
    struct Case
    {
        const wchar_t* type;
        bool defers;
        bool modal;      // the handler runs a modal loop after the removal, as a message box does
        bool rightClick; // the right button raises "itemclick" too, and the context menu follows
    };
    const Case cases[] = {
        {L"itemclick", true, false, false},    {L"itemclick", false, false, false},
        {L"itemselect", true, false, false},   {L"itemselect", false, false, false},
        {L"itemactivate", true, false, false}, {L"itemactivate", false, false, false},
        {L"headerclick", true, false, false},  {L"headerclick", false, false, false},
        {L"itemclick", true, true, false},     {L"itemclick", true, true, true},
        {L"itemclick", false, false, true},    {L"itemselect", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.type).c_str() << (c.defers ? " deferred" : " at once")
                                        << (c.modal ? " modal" : "") << (c.rightClick ? " right" : ""));
        ListScene scene(HeaderedList());
        CListUI* list = scene.List();
        ASSERT_NE(nullptr, list);
        list->SetDefersItemDeletion(c.defers);
        CControlUI* target = c.type == std::wstring(L"headerclick") ? scene.Find(L"h1") : list->ItemAt(2);
        IListItemUI* item = static_cast<IListItemUI*>(target->CastTo(L"ListItem"));
        bool removed = false;
        scene.window.onNotify = [&](NotifyMsgUI& msg) {
            if (msg.sType != L"windowinit")
                scene.heard.push_back({msg.pSender, std::wstring(msg.sType.Text()), msg.wParam, msg.lParam});
            if (removed || msg.sType != c.type)
                return;
            removed = true;
            if (msg.sType == L"itemselect")
                ASSERT_TRUE(list->RemoveItemAt(static_cast<int>(msg.wParam)));
            else
                ASSERT_TRUE(list->RemoveItem(msg.pSender));
            if (c.modal)
                RunModalLoop();
        };
        POINT pt = CentreOf(target);
        if (c.rightClick) {
            scene.RightClick(pt.x, pt.y);
            scene.Move(pt.x + 1, pt.y);
            EXPECT_NE(scene.hwnd, GetCapture());
        } else if (c.type == std::wstring(L"itemactivate")) {
            SendMessageW(scene.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        } else {
            scene.Press(pt.x, pt.y);
        }
        scene.Release(pt.x, pt.y);
        ASSERT_TRUE(removed);
        // Deferred: the removed item is still there and has forgotten the list.
        if (c.defers && !c.modal && item != NULL) {
            EXPECT_EQ(nullptr, item->ItemOwner());
            EXPECT_EQ(-1, item->ItemIndex());
            EXPECT_FALSE(item->IsItemSelected());
        }
        if (c.type == std::wstring(L"headerclick")) {
            EXPECT_EQ(2, list->HeaderControl()->ItemCount());
            EXPECT_EQ(2, list->GetListInfo()->nColumns);
            EXPECT_EQ(5, list->ItemCount());
        } else {
            EXPECT_EQ(4, list->ItemCount());
            ExpectIndicesInOrder(list);
        }
        // A click's removed item selects no neighbour; a removed selection passes to the row before it.
        int expected = c.type == std::wstring(L"itemselect") ? 1 : -1;
        EXPECT_EQ(expected, list->CurrentIndex());
        EXPECT_EQ(c.type == std::wstring(L"itemselect") ? 2 : 0, scene.Count(L"itemselect"));
        for (int i = 0; i < list->ItemCount(); ++i)
            EXPECT_EQ(i == expected, ItemOf(list, i)->IsItemSelected()) << "item " << i;
        // The window goes on working: the queue runs, the list paints and takes clicks.
        PumpPending();
        scene.Refresh();
        pt = CentreOf(list->ItemAt(0));
        scene.Press(pt.x, pt.y);
        scene.Release(pt.x, pt.y);
        EXPECT_EQ(0, list->CurrentIndex());
    }
}

namespace {

// An item that expands, as an application's own item would.
class CExpandingItem : public CListLabelElementUI
{
public:
    bool IsItemExpanded() const override { return expanded; }
    bool SetItemExpansion(bool expand) override
    {
        expanded = expand;
        return true;
    }
    bool expanded = false;
};

} // namespace

TEST(ListLifetimes, ExpandedIndexStaysOnItsItem)
{
    ListScene scene(L"<Window><List name=\"list\"/></Window>");
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    CExpandingItem* items[5];
    for (CExpandingItem*& item : items) {
        item = new CExpandingItem();
        item->SetFixedHeight(20);
        ASSERT_TRUE(list->AddItem(item));
    }
    auto expandedCount = [&] {
        int n = 0;
        for (int i = 0; i < list->ItemCount(); ++i)
            n += static_cast<CExpandingItem*>(list->ItemAt(i))->expanded ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(list->ExpandIndex(3));
    ASSERT_TRUE(list->RemoveItemAt(0));
    EXPECT_EQ(2, list->ExpandedIndex());
    EXPECT_EQ(items[3], list->ItemAt(list->ExpandedIndex()));
    // With one expansion at a time, expanding another collapses the one that was.
    ASSERT_TRUE(list->ExpandIndex(0));
    EXPECT_FALSE(items[3]->expanded);
    EXPECT_EQ(1, expandedCount());
    ASSERT_TRUE(list->InsertItemAt(new CExpandingItem(), 0));
    EXPECT_EQ(1, list->ExpandedIndex());
    ASSERT_TRUE(list->MoveToIndex(items[1], 3));
    EXPECT_EQ(items[1], list->ItemAt(list->ExpandedIndex()));
    ASSERT_TRUE(list->MoveToIndex(list->ItemAt(0), 3));
    EXPECT_EQ(items[1], list->ItemAt(list->ExpandedIndex()));
    ASSERT_TRUE(list->RemoveItem(items[1]));
    EXPECT_EQ(-1, list->ExpandedIndex());
    ASSERT_TRUE(list->ExpandIndex(2));
    EXPECT_EQ(1, expandedCount());
}

TEST(ListLifetimes, MoveOutOfRangeIsRefusedWithNothingChanged)
{
    ListScene scene(L"<Window><VerticalLayout name=\"root\"><List name=\"list\">" + Items(5) +
                    L"</List><Label name=\"a\"/><Label name=\"b\"/></VerticalLayout></Window>");
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    ASSERT_TRUE(list->SelectIndex(1));
    CControlUI* moved = list->ItemAt(3);
    for (int index : {5, 6, -1}) {
        EXPECT_FALSE(list->MoveToIndex(moved, index)) << index;
        EXPECT_FALSE(list->BodyControl()->MoveToIndex(moved, index)) << index;
    }
    EXPECT_EQ(5, list->ItemCount());
    EXPECT_EQ(moved, list->ItemAt(3));
    EXPECT_EQ(list->BodyControl(), moved->GetParentControl());
    ExpectIndicesInOrder(list);
    EXPECT_EQ(1, list->CurrentIndex());
    EXPECT_TRUE(ItemOf(list, 1)->IsItemSelected());
    // The last place is still in range.
    ASSERT_TRUE(list->MoveToIndex(moved, 4));
    EXPECT_EQ(moved, list->ItemAt(4));
    ExpectIndicesInOrder(list);
    // The plain container refuses the same way.
    CContainerUI* root = static_cast<CContainerUI*>(scene.Find(L"root")->CastTo(L"Container"));
    EXPECT_FALSE(root->MoveToIndex(scene.Find(L"a"), 3));
    EXPECT_EQ(3, root->ItemCount());
    EXPECT_EQ(scene.Find(L"a"), root->ItemAt(1));
}

TEST(ListLifetimes, KeptRemovedItemForgetsTheListAndComesBackClean)
{
    ListScene scene(L"<Window><List name=\"list\">" + Items(4) + L"</List></Window>");
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    list->SetOwnsRemovedItems(false);
    EXPECT_FALSE(list->OwnsRemovedItems());
    ASSERT_TRUE(list->SelectIndex(2));
    CControlUI* kept = list->ItemAt(2);
    IListItemUI* item = ItemOf(list, 2);
    ASSERT_TRUE(list->RemoveItemAt(2));
    EXPECT_EQ(nullptr, item->ItemOwner());
    EXPECT_EQ(-1, item->ItemIndex());
    EXPECT_FALSE(item->IsItemSelected());
    EXPECT_EQ(1, list->CurrentIndex());

    // Added back, it is one item among others: one selection, and a click selects it.
    ASSERT_TRUE(list->InsertItemAt(kept, 0));
    EXPECT_FALSE(list->AddItem(kept));
    EXPECT_EQ(4, list->ItemCount());
    EXPECT_EQ(2, list->CurrentIndex());
    EXPECT_FALSE(item->IsItemSelected());
    ExpectIndicesInOrder(list);
    scene.Refresh();
    POINT pt = CentreOf(kept);
    scene.Press(pt.x, pt.y);
    scene.Release(pt.x, pt.y);
    EXPECT_EQ(0, list->CurrentIndex());
    int selected = 0;
    for (int i = 0; i < list->ItemCount(); ++i)
        selected += ItemOf(list, i)->IsItemSelected() ? 1 : 0;
    EXPECT_EQ(1, selected);
    // Kept through the list's own deletion too, then freed by the application.
    list->RemoveAllItems();
    EXPECT_EQ(nullptr, item->ItemOwner());
    delete kept;
}

TEST(ListIndex, InsertExactlyAtTheSelectedIndexMovesTheSelectionOn)
{
    ListScene scene(L"<Window><List name=\"list\">" + Items(4) + L"</List></Window>");
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    ASSERT_TRUE(list->SelectIndex(2));
    CControlUI* selected = list->ItemAt(2);
    ASSERT_TRUE(list->InsertItemAt(new CListLabelElementUI(), 2));
    EXPECT_EQ(3, list->CurrentIndex());
    EXPECT_EQ(selected, list->ItemAt(list->CurrentIndex()));
    EXPECT_FALSE(ItemOf(list, 2)->IsItemSelected());
}

TEST(ListNavigation, UpFromBelowTheFirstSelectableRowMovesUp)
{
    ListScene scene(L"<Window><List name=\"list\"><ListLabelElement height=\"20\" enabled=\"false\"/>" + Items(5) +
                    L"</List></Window>");
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    ASSERT_TRUE(list->SelectIndex(4, true));
    for (int expected : {3, 2, 1, 1}) {
        scene.Key(VK_UP);
        EXPECT_EQ(expected, list->CurrentIndex());
    }
}

TEST(ListLifetimes, KillFocusHandlerRebuildsOrDeletesWhatIsBeingClicked)
{
    enum Action
    {
        CLICK_ITEM,
        KEY_DOWN_IN_LIST,
        SELECT_IN_COMBO
    };
    struct Case
    {
        Action action;
        bool deleteOwner; // else the handler empties and refills it
        bool defers;      // deferred deletion, then a modal loop in the handler
    };
    const Case cases[] = {{CLICK_ITEM, false, true},       {CLICK_ITEM, false, false},
                          {CLICK_ITEM, true, true},        {CLICK_ITEM, true, false},
                          {KEY_DOWN_IN_LIST, false, true}, {KEY_DOWN_IN_LIST, true, false},
                          {SELECT_IN_COMBO, false, false}, {SELECT_IN_COMBO, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.action << (c.deleteOwner ? " delete" : " refill")
                                        << (c.defers ? " deferred, modal" : " at once"));
        ListScene scene(L"<Window><VerticalLayout name=\"root\"><Button name=\"other\" height=\"20\"/>"
                        L"<List name=\"list\" height=\"100\">" +
                        Items(4) + L"</List><Combo name=\"combo\" height=\"20\">" + Items(3) +
                        L"</Combo></VerticalLayout></Window>");
        CListUI* list = scene.List();
        ASSERT_NE(nullptr, list);
        CContainerUI* root = static_cast<CContainerUI*>(scene.Find(L"root")->CastTo(L"Container"));
        CContainerUI* owner =
            c.action == SELECT_IN_COMBO ? static_cast<CContainerUI*>(scene.Find(L"combo")->CastTo(L"Container")) : list;
        root->SetDefersItemDeletion(c.defers);
        owner->SetDefersItemDeletion(c.defers);
        POINT pt = CentreOf(list->ItemAt(2));
        if (c.action == KEY_DOWN_IN_LIST)
            list->SetFocus();
        else
            scene.Find(L"other")->SetFocus();
        bool handled = false;
        scene.window.onNotify = [&](NotifyMsgUI& msg) {
            if (msg.sType != L"windowinit")
                scene.heard.push_back({msg.pSender, std::wstring(msg.sType.Text()), msg.wParam, msg.lParam});
            if (handled || msg.sType != L"killfocus")
                return;
            handled = true;
            if (c.deleteOwner) {
                ASSERT_TRUE(root->RemoveItem(owner));
            } else {
                owner->RemoveAllItems();
                for (int i = 0; i < 2; ++i)
                    owner->AddItem(new CListLabelElementUI());
            }
            if (c.defers)
                RunModalLoop();
        };
        scene.heard.clear();
        if (c.action == CLICK_ITEM) {
            scene.Press(pt.x, pt.y);
            scene.Release(pt.x, pt.y);
        } else if (c.action == KEY_DOWN_IN_LIST) {
            scene.Key(VK_DOWN);
        } else {
            static_cast<IListOwnerUI*>(owner->CastTo(L"IListOwner"))->SelectIndex(1, true);
        }
        ASSERT_TRUE(handled);
        // The handler's choice stands: what it rebuilt holds no selection, and nothing was said of the old item.
        EXPECT_EQ(0, scene.Count(L"itemclick"));
        EXPECT_EQ(0, scene.Count(L"itemselect"));
        EXPECT_NE(scene.hwnd, GetCapture());
        if (!c.deleteOwner) {
            EXPECT_EQ(2, owner->ItemCount());
            EXPECT_EQ(-1, static_cast<IListOwnerUI*>(owner->CastTo(L"IListOwner"))->CurrentIndex());
        }
        PumpPending();
        scene.Refresh();
        scene.Move(pt.x, pt.y + 1);
    }
}

TEST(ListLifetimes, ItemArrivingSelectedIsAnnouncedOnceTheInsertIsDone)
{
    enum Owner
    {
        LIST,
        OPEN_COMBO,
        TREE
    };
    for (Owner kind : {LIST, OPEN_COMBO, TREE}) {
        for (bool defers : {false, true}) {
            SCOPED_TRACE(testing::Message() << kind << (defers ? " deferred, modal" : " at once"));
            ListScene scene(
                L"<Window><VerticalLayout name=\"root\"><List name=\"list\" height=\"60\">" + Items(2) +
                L"</List><Combo name=\"combo\" height=\"20\">" + Items(2) +
                L"</Combo><TreeView name=\"tree\" height=\"60\"><TreeNode text=\"n\"/><TreeNode text=\"m\"/></TreeView>"
                L"</VerticalLayout></Window>");
            const wchar_t* names[] = {L"list", L"combo", L"tree"};
            CContainerUI* owner = static_cast<CContainerUI*>(scene.Find(names[kind])->CastTo(L"Container"));
            ASSERT_NE(nullptr, owner);
            CContainerUI* root = static_cast<CContainerUI*>(scene.Find(L"root")->CastTo(L"Container"));
            root->SetDefersItemDeletion(defers);
            CComboUI* combo = static_cast<CComboUI*>(owner->CastTo(L"Combo"));
            if (combo != NULL)
                ASSERT_TRUE(combo->Trigger());
            CControlUI* arriving = kind == TREE ? static_cast<CControlUI*>(new CTreeNodeUI())
                                                : static_cast<CControlUI*>(new CListLabelElementUI());
            arriving->SetFixedHeight(20);
            static_cast<IListItemUI*>(arriving->CastTo(L"ListItem"))->SetItemSelected(true);
            bool heard = false;
            scene.window.onNotify = [&](NotifyMsgUI& msg) {
                if (heard || msg.sType != L"itemselect")
                    return;
                heard = true;
                // Everything of the insert is in place, the pop-up's and the tree's part included.
                EXPECT_EQ(2, static_cast<int>(msg.wParam));
                if (combo != NULL)
                    EXPECT_EQ(combo->GetDropDown()->GetLayout(), arriving->GetParentControl());
                if (kind == TREE)
                    EXPECT_EQ(owner, static_cast<CTreeNodeUI*>(arriving->CastTo(L"TreeNode"))->TreeView());
                ASSERT_TRUE(root->RemoveItem(owner));
                if (defers)
                    RunModalLoop();
            };
            if (kind == TREE)
                ASSERT_TRUE(static_cast<CTreeViewUI*>(owner->CastTo(L"TreeView"))
                                ->AddNode(static_cast<CTreeNodeUI*>(arriving->CastTo(L"TreeNode"))));
            else
                ASSERT_TRUE(owner->AddItem(arriving));
            EXPECT_TRUE(heard);
            EXPECT_EQ(nullptr, scene.Find(names[kind]));
            PumpPending();
            EXPECT_TRUE(IsWindow(scene.hwnd));
        }
    }
}

namespace {

// A list, a combo and a tree of four rows each (the tree's first node holds the second), under one layout.
const wchar_t* const OWNER_NAMES[] = {L"list", L"combo", L"tree"};

std::wstring ThreeOwners()
{
    return L"<Window><VerticalLayout name=\"root\"><List name=\"list\" height=\"90\">" + Items(4) +
           L"</List><Combo name=\"combo\" height=\"20\">" + Items(4) +
           L"</Combo><TreeView name=\"tree\" height=\"90\"><TreeNode text=\"a\"><TreeNode text=\"a1\"/></TreeNode>"
           L"<TreeNode text=\"b\"/><TreeNode text=\"c\"/></TreeView><RichEdit name=\"edit\" height=\"30\"/>"
           L"</VerticalLayout></Window>";
}

} // namespace

TEST(ListLifetimes, RemovedControlTheApplicationKeepsLeavesTheWindow)
{
    enum Kept
    {
        FOCUSED_ITEM,
        HOVERED_ITEM_OF_A_DELETED_LIST,
        FOCUSED_RICH_EDIT
    };
    for (Kept kind : {FOCUSED_ITEM, HOVERED_ITEM_OF_A_DELETED_LIST, FOCUSED_RICH_EDIT}) {
        for (bool defers : {false, true}) {
            SCOPED_TRACE(testing::Message() << kind << (defers ? " deferred, modal" : " at once"));
            std::vector<CControlUI*> kept;
            {
                ListScene scene(ThreeOwners(), 300, 300);
                CListUI* list = scene.List();
                ASSERT_NE(nullptr, list);
                CContainerUI* root = static_cast<CContainerUI*>(scene.Find(L"root")->CastTo(L"Container"));
                root->SetDefersItemDeletion(defers);
                list->SetDefersItemDeletion(defers);
                CControlUI* target = kind == FOCUSED_RICH_EDIT ? scene.Find(L"edit") : list->ItemAt(2);
                POINT pt = CentreOf(target);
                // The removal happens in the handler of the click or of the focus, as an application does it.
                scene.window.onNotify = [&](NotifyMsgUI& msg) {
                    scene.heard.push_back({msg.pSender, std::wstring(msg.sType.Text()), msg.wParam, msg.lParam});
                    if (!kept.empty() || msg.sType != (kind == FOCUSED_RICH_EDIT ? L"setfocus" : L"itemclick"))
                        return;
                    if (kind == HOVERED_ITEM_OF_A_DELETED_LIST) {
                        list->SetOwnsRemovedItems(false);
                        for (int i = 0; i < list->ItemCount(); ++i)
                            kept.push_back(list->ItemAt(i));
                        ASSERT_TRUE(root->RemoveItem(list));
                    } else {
                        CContainerUI* from = kind == FOCUSED_RICH_EDIT ? root : list;
                        from->SetOwnsRemovedItems(false);
                        kept.push_back(target);
                        ASSERT_TRUE(from->RemoveItem(target));
                    }
                    if (defers)
                        RunModalLoop();
                };
                scene.Move(pt.x, pt.y);
                if (kind == FOCUSED_RICH_EDIT) {
                    scene.window.manager.SetFocusControl(target);
                } else {
                    scene.Press(pt.x, pt.y);
                    scene.Release(pt.x, pt.y);
                }
                ASSERT_FALSE(kept.empty());
                EXPECT_EQ(nullptr, scene.window.manager.GetFocus());
                for (CControlUI* control : kept)
                    EXPECT_EQ(nullptr, control->GetOwnerManager());
                // Enter, typed keys and the next mouse move reach none of them.
                scene.heard.clear();
                scene.Key(VK_RETURN);
                SendMessageW(scene.hwnd, WM_CHAR, L'x', 1);
                scene.Move(pt.x + 1, pt.y);
                PumpPending();
                EXPECT_EQ(0, scene.Count(L"itemactivate"));
                if (kind == FOCUSED_RICH_EDIT)
                    EXPECT_STREQ(L"", kept[0]->GetText().Text());
            }
            // Window and manager are gone; the application frees what it kept.
            for (CControlUI* control : kept)
                delete control;
        }
    }
}

TEST(ListLifetimes, KillFocusOfARemovedItemComesOnceTheRemovalIsDone)
{
    enum Mode
    {
        AT_ONCE,
        DEFERRED_MODAL,
        KEPT
    };
    for (int owner = 0; owner < 3; ++owner) {
        for (Mode mode : {AT_ONCE, DEFERRED_MODAL, KEPT}) {
            SCOPED_TRACE(testing::Message() << std::wstring(OWNER_NAMES[owner]).c_str() << " " << mode);
            ListScene scene(ThreeOwners(), 300, 300);
            CContainerUI* items = static_cast<CContainerUI*>(scene.Find(OWNER_NAMES[owner])->CastTo(L"Container"));
            IListOwnerUI* listOwner = static_cast<IListOwnerUI*>(items->CastTo(L"IListOwner"));
            items->SetDefersItemDeletion(mode == DEFERRED_MODAL);
            items->SetOwnsRemovedItems(mode != KEPT);
            // The last row is selected; the second has the focus and goes (in the tree, with the first).
            ASSERT_TRUE(listOwner->SelectIndex(3));
            CControlUI* selected = items->ItemAt(3);
            CControlUI* focused = items->ItemAt(1);
            focused->SetFocus();
            ASSERT_EQ(focused, scene.window.manager.GetFocus());
            CControlUI* removed = owner == 2 ? items->ItemAt(0) : focused;
            int heard = 0;
            scene.window.onNotify = [&](NotifyMsgUI& msg) {
                if (msg.sType != L"killfocus")
                    return;
                ++heard;
                EXPECT_EQ(focused, msg.pSender);
                EXPECT_EQ(-1, items->IndexOf(focused));
                EXPECT_EQ(selected, items->ItemAt(listOwner->CurrentIndex()));
                if (mode == DEFERRED_MODAL)
                    RunModalLoop();
            };
            ASSERT_TRUE(items->RemoveItem(removed));
            // Freed at once, the item has nobody left to tell.
            EXPECT_EQ(mode == AT_ONCE ? 0 : 1, heard);
            EXPECT_EQ(selected, items->ItemAt(listOwner->CurrentIndex()));
            EXPECT_EQ(nullptr, scene.window.manager.GetFocus());
            PumpPending();
            if (mode == KEPT)
                delete removed;
        }
    }
}
