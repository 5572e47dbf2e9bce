#include "ListScene.h"
#include "controls/ListHeaderItemUI.h"
#include "controls/ListItemsUI.h"
#include "layout/ScrollBarUI.h"

#include <gtest/gtest.h>

#include <string>

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
