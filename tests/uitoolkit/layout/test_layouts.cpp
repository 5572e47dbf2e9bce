#include "layout/LayoutUI.h"
#include "layout/ScrollBarUI.h"
#include "TestCanvas.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

// A plain control that reports when it is deleted.
class Tracked : public CControlUI
{
public:
    explicit Tracked(bool* deleted = NULL, int cx = 0, int cy = 0) : m_deleted(deleted)
    {
        m_cxyFixed.cx = cx;
        m_cxyFixed.cy = cy;
    }
    ~Tracked() override
    {
        if (m_deleted != NULL)
            *m_deleted = true;
    }

private:
    bool* m_deleted;
};

CControlUI* CALLBACK Hit(CControlUI* control, LPVOID)
{
    return control;
}

RECT Rect(int l, int t, int r, int b)
{
    RECT rc = {l, t, r, b};
    return rc;
}

::testing::AssertionResult SameRect(const RECT& expected, const RECT& actual)
{
    if (EqualRect(&expected, &actual))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << expected.left << "," << expected.top << "," << expected.right
                                         << "," << expected.bottom << " got " << actual.left << "," << actual.top << ","
                                         << actual.right << "," << actual.bottom;
}

} // namespace

TEST(ContainerChildren, OwnershipOrderAndVisibility)
{
    bool first = false, second = false, third = false;
    {
        CContainerUI box;
        EXPECT_EQ(static_cast<IContainerUI*>(&box), box.CastTo(L"IContainer"));
        EXPECT_EQ(&box, box.CastTo(L"Container"));
        Tracked* a = new Tracked(&first);
        Tracked* b = new Tracked(&second);
        EXPECT_FALSE(box.AddItem(NULL));
        EXPECT_TRUE(box.AddItem(a));
        EXPECT_TRUE(box.AddItem(b));
        Tracked stray;
        EXPECT_FALSE(box.InsertItemAt(&stray, 5));
        EXPECT_EQ(a, box.ItemAt(0));
        EXPECT_EQ(nullptr, box.ItemAt(7));
        EXPECT_TRUE(box.MoveToIndex(b, 0));
        EXPECT_EQ(0, box.IndexOf(b));
        EXPECT_FALSE(box.RemoveItem(NULL));

        // Without a manager a removed child goes at once, deferral or not.
        EXPECT_TRUE(box.DefersItemDeletion());
        EXPECT_TRUE(box.RemoveItem(a));
        EXPECT_TRUE(first);
        EXPECT_FALSE(box.RemoveItem(a));

        // Children of a hidden container are hidden by it, and shown again with it.
        box.SetVisible(false);
        EXPECT_FALSE(b->IsVisible());
        Tracked* late = new Tracked(&third);
        box.AddItem(late);
        EXPECT_FALSE(late->IsVisible());
        box.SetVisible(true);
        EXPECT_TRUE(late->IsVisible());

        box.SetOwnsRemovedItems(false);
        box.RemoveAllItems();
        EXPECT_EQ(0, box.ItemCount());
        EXPECT_FALSE(second);
        box.SetOwnsRemovedItems(true);
        box.AddItem(b);
        box.AddItem(late);
    }
    EXPECT_TRUE(second);
    EXPECT_TRUE(third);
}

TEST(ContainerChildren, RemovedChildrenAreOutOfTheListBeforeTheyGo)
{
    // Each child looks at its siblings while it is deleted (it has left the box by then, parent and all).
    struct Curious : CControlUI
    {
        Curious(int* seen, CContainerUI* box) : m_seen(seen), m_box(box) {}
        ~Curious() override
        {
            EXPECT_EQ(nullptr, GetParentControl());
            for (int i = 0; i < m_box->ItemCount(); ++i)
                *m_seen += m_box->ItemAt(i)->GetName().Length() + 1;
        }
        int* m_seen;
        CContainerUI* m_box;
    };
    int seen = 0;
    CVerticalLayoutUI box;
    for (int i = 0; i < 3; ++i) {
        Curious* child = new Curious(&seen, &box);
        child->SetName(L"child");
        box.AddItem(child);
    }
    box.RemoveAllItems();
    EXPECT_EQ(0, seen);
    EXPECT_EQ(0, box.ItemCount());

    Curious* single = new Curious(&seen, &box);
    box.AddItem(new Curious(&seen, &box));
    box.AddItem(single);
    EXPECT_TRUE(box.RemoveItem(single));
    EXPECT_EQ(1, seen); // the one left, with its empty name
}

// A queued control that the application put back under one queued after it goes with that one, once.
TEST(ContainerChildren, QueuedControlPutBackUnderALaterQueuedOneGoesWithIt)
{
    int deleted = 0;
    struct Counted : CControlUI
    {
        explicit Counted(int* deleted) : m_deleted(deleted) {}
        ~Counted() override { ++*m_deleted; }
        int* m_deleted;
    };
    auto* manager = new CWindowManagerUI();
    auto* box = new CVerticalLayoutUI();
    auto* child = new Counted(&deleted);
    manager->QueueForDeletion(box);
    manager->QueueForDeletion(child);
    box->AddItem(child);
    delete manager; // runs the queue: the box first, which deletes the child it holds
    EXPECT_EQ(1, deleted);
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

TEST(LinearLayouts, SharesFixedSizesAndPaddings)
{
    CVerticalLayoutUI column;
    Tracked* a = new Tracked();
    Tracked* b = new Tracked(NULL, 0, 30);
    Tracked* c = new Tracked();
    column.AddItem(a);
    column.AddItem(b);
    column.AddItem(c);
    column.SetChildPadding(5);
    column.SetPos(Rect(0, 0, 50, 100));
    EXPECT_TRUE(SameRect(Rect(0, 0, 50, 30), a->GetPos()));
    EXPECT_TRUE(SameRect(Rect(0, 35, 50, 65), b->GetPos()));
    EXPECT_TRUE(SameRect(Rect(0, 70, 50, 90), c->GetPos()));

    b->SetFixedHeight(0);
    column.SetChildPadding(0);
    column.ApplyAttribute(L"inset", L"2,3,4,5");
    column.SetPos(Rect(0, 0, 56, 108));
    EXPECT_EQ(33, a->GetHeight());
    EXPECT_EQ(33, b->GetHeight());
    EXPECT_EQ(34, c->GetHeight());
    EXPECT_EQ(2, a->GetX());
    EXPECT_EQ(50, a->GetWidth());
    EXPECT_EQ(3 + 66, c->GetY());

    // Widths along a row, with paddings and limits; a fixed cross size is kept.
    CHorizontalLayoutUI row;
    Tracked* left = new Tracked(NULL, 40, 10);
    Tracked* rest = new Tracked();
    rest->SetPadding(Rect(5, 2, 5, 2));
    rest->SetMaxWidth(30);
    Tracked* floating = new Tracked(NULL, 10, 10);
    row.AddItem(left);
    row.AddItem(rest);
    row.AddItem(floating);
    floating->ApplyAttribute(L"float", L"true");
    floating->ApplyAttribute(L"pos", L"60,5,70,15");
    row.SetPos(Rect(100, 100, 300, 140));
    EXPECT_TRUE(SameRect(Rect(100, 100, 140, 110), left->GetPos()));
    EXPECT_TRUE(SameRect(Rect(145, 102, 180, 138), rest->GetPos()));
    EXPECT_TRUE(SameRect(Rect(160, 105, 170, 115), floating->GetPos()));

    // The last adjustable child keeps its end padding clear: share (100 - 10) / 2 = 45, and the last takes
    // 100 - 45 less its padding of 10 and the fixed total, which still holds that padding.
    CVerticalLayoutUI padded;
    Tracked* upper = new Tracked();
    Tracked* lower = new Tracked();
    lower->SetPadding(Rect(0, 0, 0, 10));
    padded.AddItem(upper);
    padded.AddItem(lower);
    padded.SetPos(Rect(0, 0, 50, 100));
    EXPECT_TRUE(SameRect(Rect(0, 0, 50, 45), upper->GetPos()));
    EXPECT_TRUE(SameRect(Rect(0, 45, 50, 90), lower->GetPos()));
}

TEST(LinearLayouts, SeparatorDragResizes)
{
    CWindowManagerUI manager;
    CVerticalLayoutUI layout;
    layout.AttachManager(&manager, NULL, false);
    layout.SetPos(Rect(0, 100, 100, 200));
    layout.ApplyAttribute(L"sepheight", L"-4");
    layout.ApplyAttribute(L"sepimm", L"true");
    EXPECT_TRUE(SameRect(Rect(0, 100, 100, 104), layout.GetSepRect(false)));
    EXPECT_EQ(static_cast<UINT>(UIFLAG_SETCURSOR), layout.BehaviourFlags());

    InputEventUI event = {};
    event.type = UIEVENT_BUTTONDOWN;
    event.ptMouse.x = 50;
    event.ptMouse.y = 102;
    layout.HandleEvent(event);
    // Upwards while the pointer is still below the band's reach: ignored.
    event.type = UIEVENT_MOUSEMOVE;
    event.ptMouse.y = 99;
    layout.HandleEvent(event);
    EXPECT_EQ(100, layout.GetPos().top);
    event.ptMouse.y = 90;
    layout.HandleEvent(event);
    EXPECT_EQ(91, layout.GetPos().top);
    EXPECT_EQ(109, layout.GetFixedHeight());

    layout.SetMaxHeight(120);
    event.ptMouse.y = 60;
    layout.HandleEvent(event);
    EXPECT_EQ(80, layout.GetPos().top);
    EXPECT_EQ(120, layout.GetFixedHeight());
    event.type = UIEVENT_BUTTONUP;
    layout.HandleEvent(event);
    event.type = UIEVENT_MOUSEMOVE;
    event.ptMouse.y = 10;
    layout.HandleEvent(event);
    EXPECT_EQ(80, layout.GetPos().top);
}

TEST(TileAndTabLayouts, CellsAndSelection)
{
    CTileLayoutUI tiles;
    tiles.ApplyAttribute(L"itemsize", L"100,40");
    Tracked* items[4];
    for (Tracked*& item : items) {
        item = new Tracked(NULL, 0, 20);
        tiles.AddItem(item);
    }
    tiles.SetPos(Rect(0, 0, 350, 200));
    EXPECT_EQ(3, tiles.GetColumns());
    EXPECT_TRUE(SameRect(Rect(0, 0, 116, 20), items[0]->GetPos()));
    EXPECT_TRUE(SameRect(Rect(116, 0, 232, 20), items[1]->GetPos()));
    EXPECT_TRUE(SameRect(Rect(0, 20, 116, 40), items[3]->GetPos()));
    // Child padding parts the cells of a row and the rows alike.
    tiles.SetChildPadding(10);
    tiles.SetPos(Rect(0, 0, 350, 200));
    EXPECT_TRUE(SameRect(Rect(121, 0, 227, 20), items[1]->GetPos()));
    EXPECT_TRUE(SameRect(Rect(0, 30, 111, 50), items[3]->GetPos()));

    InitToolkitForTests();
    CTestWindow window;
    HWND hwnd = window.Create();
    CTabLayoutUI* tabs = new CTabLayoutUI();
    window.manager.AttachRoot(tabs);
    Tracked* pages[3];
    for (Tracked*& page : pages) {
        page = new Tracked();
        tabs->AddItem(page);
    }
    EXPECT_EQ(0, tabs->GetCurSel());
    EXPECT_FALSE(pages[1]->IsVisible());
    tabs->SetPos(Rect(0, 0, 80, 60));
    EXPECT_TRUE(SameRect(Rect(0, 0, 80, 60), pages[0]->GetPos()));

    tabs->ApplyAttribute(L"selectedid", L"9");
    EXPECT_EQ(0, tabs->GetCurSel());
    EXPECT_TRUE(tabs->SelectItem(2));
    EXPECT_TRUE(pages[2]->IsVisible());
    EXPECT_FALSE(pages[0]->IsVisible());

    // A page inserted before the selected one moves the selection along and stays hidden.
    Tracked* inserted = new Tracked();
    EXPECT_TRUE(tabs->InsertItemAt(inserted, 1));
    EXPECT_EQ(3, tabs->GetCurSel());
    EXPECT_FALSE(inserted->IsVisible());
    EXPECT_TRUE(pages[2]->IsVisible());
    tabs->SetDefersItemDeletion(false);
    EXPECT_TRUE(tabs->RemoveItem(inserted));
    EXPECT_EQ(2, tabs->GetCurSel());
    ASSERT_FALSE(window.notifications.empty());
    EXPECT_EQ(L"tabselect", window.notifications.back());

    // Removing the selected page selects the first, not the neighbour.
    tabs->SetDefersItemDeletion(false);
    EXPECT_TRUE(tabs->RemoveItem(pages[2]));
    EXPECT_EQ(0, tabs->GetCurSel());
    EXPECT_TRUE(pages[0]->IsVisible());
    tabs->RemoveItem(pages[0]);
    EXPECT_EQ(0, tabs->GetCurSel());
    EXPECT_TRUE(pages[1]->IsVisible());
    DestroyWindow(hwnd);
}

TEST(ContainerScrolling, BarRangeStepsAndHitTest)
{
    CVerticalLayoutUI list;
    list.ApplyAttribute(L"vscrollbar", L"true");
    ASSERT_NE(nullptr, list.VerticalBar());
    list.ApplyAttribute(L"inset", L"0,10,0,0");
    Tracked* tall = new Tracked(NULL, 0, 91);
    list.AddItem(tall);
    list.SetPos(Rect(0, 0, 100, 100));
    EXPECT_TRUE(list.VerticalBar()->IsVisible());
    EXPECT_EQ(1, list.GetScrollExtent().cy);
    EXPECT_EQ(0, list.GetScrollOffset().cy);
    EXPECT_EQ(84, tall->GetWidth());
    EXPECT_TRUE(SameRect(Rect(84, 10, 100, 100), list.VerticalBar()->GetPos()));

    tall->SetFixedHeight(200);
    list.SetPos(Rect(0, 0, 100, 100));
    EXPECT_EQ(110, list.GetScrollExtent().cy);
    list.ScrollLineDown();
    EXPECT_EQ(8, list.GetScrollOffset().cy);
    EXPECT_EQ(2, tall->GetY());
    InputEventUI wheel = {};
    wheel.type = UIEVENT_SCROLLWHEEL;
    wheel.wParam = 1;
    list.HandleEvent(wheel);
    EXPECT_EQ(16, list.GetScrollOffset().cy);
    list.ScrollToBottom();
    EXPECT_EQ(110, list.GetScrollOffset().cy);
    list.ScrollPageUp();
    EXPECT_EQ(20, list.GetScrollOffset().cy);

    // The child lies under the inset at y 5, but is not hit there.
    POINT underInset = {20, 5};
    EXPECT_EQ(&list, list.SearchTree(Hit, &underInset, UIFIND_HITTEST | UIFIND_VISIBLE));
    POINT inside = {20, 50};
    EXPECT_EQ(tall, list.SearchTree(Hit, &inside, UIFIND_HITTEST | UIFIND_VISIBLE));

    // Content that fits hides the bar again.
    tall->SetFixedHeight(50);
    list.SetPos(Rect(0, 0, 100, 100));
    EXPECT_FALSE(list.VerticalBar()->IsVisible());
    EXPECT_EQ(100, tall->GetWidth());

    CWindowManagerUI manager;
    list.AttachManager(&manager, NULL, false);
    tall->SetFixedHeight(300);
    list.SetPos(Rect(0, 0, 100, 100));
    list.ScrollToTop();
    list.ScrollLineDown();
    EXPECT_EQ(manager.GetFontInfo(-1)->tm.tmHeight + 8, list.GetScrollOffset().cy);
    // The manager goes first (declared later): the list must not lead to it then.
    list.AttachManager(NULL, NULL, false);
}

TEST(ContainerPainting, ChildrenStayInsideTheInset)
{
    CWindowManagerUI manager;
    CVerticalLayoutUI* box = new CVerticalLayoutUI();
    box->ApplyAttribute(L"bkcolor", L"#FF0000FF");
    box->ApplyAttribute(L"inset", L"5,5,5,5");
    Tracked* child = new Tracked();
    child->ApplyAttribute(L"bkcolor", L"#FFFF0000");
    child->SetMinHeight(200);
    box->AddItem(child);
    box->AttachManager(&manager, NULL, false);
    std::unique_ptr<CVerticalLayoutUI> owner(box);
    box->SetPos(Rect(10, 10, 60, 60));

    TestCanvas canvas(80, 80, 0);
    RECT all = {0, 0, 80, 80};
    box->Paint(canvas.Dc(), all);
    EXPECT_EQ(0x0000FFu, canvas.At(12, 12));
    EXPECT_EQ(0xFF0000u, canvas.At(15, 15));
    EXPECT_EQ(0xFF0000u, canvas.At(54, 54));
    EXPECT_EQ(0x0000FFu, canvas.At(55, 56));
    EXPECT_EQ(0u, canvas.At(30, 65));
}
