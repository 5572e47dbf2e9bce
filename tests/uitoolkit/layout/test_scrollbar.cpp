#include "layout/LayoutUI.h"
#include "layout/ScrollBarUI.h"
#include "TestCanvas.h"
#include "TestHelpers.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

RECT Rect(int l, int t, int r, int b)
{
    RECT rc = {l, t, r, b};
    return rc;
}

InputEventUI Event(int type, int x, int y, WPARAM wParam = 0)
{
    InputEventUI event = {};
    event.type = type;
    event.ptMouse.x = x;
    event.ptMouse.y = y;
    event.wParam = wParam;
    return event;
}

// The thread's own view of the left button, as its input messages would leave it; released when it ends.
struct LeftButton
{
    explicit LeftButton(bool down = true) { Set(down); }
    ~LeftButton() { Set(false); }
    void Set(bool down)
    {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_LBUTTON] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
};

} // namespace

TEST(ScrollBarGeometry, ThumbButtonsAndClamping)
{
    CScrollBarUI bar;
    bar.SetPos(Rect(0, 0, 16, 200));
    // Length 200, rail 168, range 100: thumb max(16, 200 * 168 / 300) = 112.
    RECT back = Rect(0, 0, 16, 16);
    RECT forward = Rect(0, 184, 16, 200);
    EXPECT_TRUE(EqualRect(&bar.GetButton1Rect(), &back));
    EXPECT_TRUE(EqualRect(&bar.GetButton2Rect(), &forward));
    EXPECT_EQ(16, bar.GetThumbRect().top);
    EXPECT_EQ(128, bar.GetThumbRect().bottom);
    bar.SetScrollPos(100);
    EXPECT_EQ(184, bar.GetThumbRect().bottom);
    bar.SetScrollPos(-5);
    EXPECT_EQ(0, bar.GetScrollPos());
    bar.SetScrollPos(500);
    EXPECT_EQ(100, bar.GetScrollPos());
    bar.SetScrollRange(40);
    EXPECT_EQ(40, bar.GetScrollPos());

    bar.SetScrollRange(0);
    EXPECT_EQ(16, bar.GetThumbRect().top);
    EXPECT_EQ(184, bar.GetThumbRect().bottom);

    // Too short for buttons and a thumb: two half-length buttons, no thumb.
    bar.SetPos(Rect(0, 0, 16, 30));
    EXPECT_EQ(15, bar.GetButton1Rect().bottom);
    EXPECT_EQ(15, bar.GetButton2Rect().top);
    EXPECT_TRUE(IsRectEmpty(&bar.GetThumbRect()));

    CScrollBarUI across;
    across.ApplyAttribute(L"hor", L"true");
    EXPECT_EQ(16, across.GetFixedHeight());
    EXPECT_EQ(0, across.GetFixedWidth());
    across.ApplyAttribute(L"showbutton1", L"false");
    across.SetPos(Rect(0, 0, 100, 16));
    EXPECT_EQ(0, across.GetButton1Rect().right - across.GetButton1Rect().left);
    EXPECT_EQ(0, across.GetThumbRect().left);
}

TEST(ScrollBarInput, StepsPagesRepeatAndThumbDrag)
{
    InitToolkitForTests();
    CTestWindow window;
    HWND hwnd = window.Create();
    CTestContainer* root = new CTestContainer(L"root");
    CScrollBarUI* bar = new CScrollBarUI();
    root->Add(bar, 0, 0, 16, 200);
    window.manager.AttachRoot(root);
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    auto scrolls = [&]() { return std::count(window.notifications.begin(), window.notifications.end(), L"scroll"); };

    // A held forward button steps at once and again from the sixth tick on.
    LeftButton button;
    InputEventUI down = Event(UIEVENT_BUTTONDOWN, 8, 190);
    bar->HandleEvent(down);
    EXPECT_EQ(8, bar->GetScrollPos());
    EXPECT_EQ(1, scrolls());
    PumpUntil([&] { return bar->GetScrollPos() >= 24; }, 3000);
    EXPECT_GE(bar->GetScrollPos(), 24);
    button.Set(false);
    InputEventUI up = Event(UIEVENT_BUTTONUP, 8, 190);
    bar->HandleEvent(up);
    int held = bar->GetScrollPos();
    PumpPending();
    EXPECT_EQ(held, bar->GetScrollPos());

    // A release the bar never hears of still ends the repeat at the next tick.
    bar->SetScrollPos(0);
    button.Set(true);
    bar->HandleEvent(down);
    button.Set(false);
    PumpUntil([] { return false; }, 600);
    EXPECT_EQ(8, bar->GetScrollPos());
    button.Set(true);

    // Below the thumb pages by the bar's height.
    bar->SetScrollPos(0);
    InputEventUI page = Event(UIEVENT_BUTTONDOWN, 8, 170);
    bar->HandleEvent(page);
    bar->HandleEvent(up);
    EXPECT_EQ(100, bar->GetScrollPos());

    // The thumb drag moves the position on the next tick only.
    bar->SetScrollPos(0);
    RECT thumb = bar->GetThumbRect();
    InputEventUI grab = Event(UIEVENT_BUTTONDOWN, 8, thumb.top + 5);
    bar->HandleEvent(grab);
    EXPECT_NE(0u, bar->GetThumbState() & 0x40);
    InputEventUI drag = Event(UIEVENT_MOUSEMOVE, 8, thumb.top + 5 + 28);
    bar->HandleEvent(drag);
    EXPECT_EQ(0, bar->GetScrollPos());
    InputEventUI tick = Event(UIEVENT_TIMER, 0, 0, 10);
    bar->HandleEvent(tick);
    EXPECT_EQ(28 * 100 / (200 - 32 - 112), bar->GetScrollPos());
    bar->HandleEvent(up);
    EXPECT_EQ(0u, bar->GetThumbState() & 0x40);

    // Without buttons the thumb travels the whole bar: 200 - 133 free for a range of 100.
    bar->ShowButton1(false);
    bar->ShowButton2(false);
    bar->SetScrollPos(0);
    thumb = bar->GetThumbRect();
    ASSERT_EQ(133, thumb.bottom - thumb.top);
    grab = Event(UIEVENT_BUTTONDOWN, 8, thumb.top + 5);
    bar->HandleEvent(grab);
    drag = Event(UIEVENT_MOUSEMOVE, 8, thumb.top + 5 + 30);
    bar->HandleEvent(drag);
    bar->HandleEvent(tick);
    EXPECT_EQ(30 * 100 / 67, bar->GetScrollPos());
    bar->HandleEvent(up);
    DestroyWindow(hwnd);
}

TEST(ScrollBarPainting, PartsAndOwnerSteps)
{
    TempFolder folder;
    folder.Write(L"thumb.png", MakePng(2, 2, std::vector<DWORD>(4, 0xFF00FF00)));
    folder.Write(L"hot.png", MakePng(2, 2, std::vector<DWORD>(4, 0xFFFF0000)));
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    CWindowManagerUI manager;
    CScrollBarUI bar;
    bar.AttachManager(&manager, NULL, false);
    bar.ApplyAttribute(L"button1color", L" #FF0000FF");
    bar.ApplyAttribute(L"thumbnormalimage", L"thumb.png");
    bar.ApplyAttribute(L"thumbhotimage", L"hot.png");
    bar.SetPos(Rect(0, 0, 16, 200));
    TestCanvas canvas(16, 200, 0);
    RECT all = {0, 0, 16, 200};
    bar.Paint(canvas.Dc(), all);
    EXPECT_EQ(0x0000FFu, canvas.At(8, 8));
    EXPECT_EQ(0x00FF00u, canvas.At(8, 60));
    EXPECT_EQ(0u, canvas.At(8, 150));
    InputEventUI over = Event(UIEVENT_MOUSEMOVE, 8, 60);
    bar.HandleEvent(over);
    bar.Paint(canvas.Dc(), all);
    EXPECT_EQ(0xFF0000u, canvas.At(8, 60));

    // A bar owned by a container scrolls it by the container's steps.
    CVerticalLayoutUI list;
    list.ApplyAttribute(L"vscrollbar", L"true");
    CControlUI* tall = new CControlUI();
    tall->SetFixedHeight(400);
    list.AddItem(tall);
    list.SetPos(Rect(0, 0, 100, 100));
    CScrollBarUI* owned = list.VerticalBar();
    ASSERT_TRUE(owned->IsVisible());
    InputEventUI forward = Event(UIEVENT_BUTTONDOWN, 92, 95);
    owned->HandleEvent(forward);
    EXPECT_EQ(8, list.GetScrollOffset().cy);
    EXPECT_EQ(-8, tall->GetY());
}

TEST(ContainerKeys, HomeAndEndScrollToTheEnds)
{
    InitToolkitForTests();
    CTestWindow window;
    HWND hwnd = window.Create();
    CVerticalLayoutUI* list = new CVerticalLayoutUI();
    list->ApplyAttribute(L"vscrollbar", L"true");
    CControlUI* tall = new CControlUI();
    tall->SetFixedHeight(500);
    list->AddItem(tall);
    window.manager.AttachRoot(list);
    list->SetPos(Rect(0, 0, 100, 100));
    ASSERT_EQ(400, list->GetScrollExtent().cy);
    window.manager.SetFocusControl(list);
    list->ScrollLineDown();
    SendMessageW(hwnd, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(400, list->GetScrollOffset().cy);
    SendMessageW(hwnd, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(0, list->GetScrollOffset().cy);
    EXPECT_EQ(0, tall->GetY());

    // With only a horizontal bar the same keys go sideways: End to the right end, Home back to the left.
    CHorizontalLayoutUI row;
    row.ApplyAttribute(L"hscrollbar", L"true");
    row.SetPos(Rect(0, 0, 100, 100));
    row.HorizontalBar()->SetScrollRange(300);
    InputEventUI key = Event(UIEVENT_KEYDOWN, 0, 0);
    key.chKey = VK_END;
    row.HandleEvent(key);
    EXPECT_EQ(300, row.GetScrollOffset().cx);
    key.chKey = VK_HOME;
    row.HandleEvent(key);
    EXPECT_EQ(0, row.GetScrollOffset().cx);
    DestroyWindow(hwnd);
}
