#include "TestWindow.h"
#include "layout/LayoutUI.h"
#include "layout/ContainerUI.h"
#include "skin/SkinBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

// A window with a root container and the given children, laid out by a first paint.
struct Scene
{
    Scene()
    {
        InitToolkitForTests();
        window.reset(new CTestWindow());
        hwnd = window->Create();
        root = new CTestContainer(L"root", RGB(255, 255, 255));
    }
    ~Scene()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    CTestControl* Add(const wchar_t* name, int x, int y, int cx, int cy, COLORREF color = RGB(0, 0, 0),
                      UINT behaviour = 0)
    {
        CTestControl* control = new CTestControl(name, color, behaviour);
        root->Add(control, x, y, cx, cy);
        return control;
    }
    void Attach()
    {
        window->manager.AttachRoot(root);
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
    }
    CWindowManagerUI& Manager() { return window->manager; }

    std::unique_ptr<CTestWindow> window;
    HWND hwnd;
    CTestContainer* root;
};

int Count(const std::vector<int>& events, int type)
{
    return static_cast<int>(std::count(events.begin(), events.end(), type));
}

} // namespace

TEST(ManagerTimers, IdsReuseAndNeverCollide)
{
    Scene scene;
    CTestControl* a = scene.Add(L"a", 0, 0, 10, 10);
    CTestControl* b = scene.Add(L"b", 10, 0, 10, 10);
    scene.Attach();
    CWindowManagerUI& m = scene.Manager();

    // A WM_TIMER with a given id reaches the control and key that hold it.
    auto keyAt = [&](CTestControl* control, UINT id) -> int {
        size_t before = control->records.size();
        SendMessageW(scene.hwnd, WM_TIMER, id, 0);
        if (control->records.size() == before)
            return -1;
        return static_cast<int>(control->records.back().wParam);
    };

    ASSERT_TRUE(m.SetTimerFor(a, 1, 100000));
    EXPECT_EQ(1, keyAt(a, 17));
    EXPECT_FALSE(m.SetTimerFor(a, 1, 100000));
    EXPECT_TRUE(m.KillTimerFor(a, 1));
    EXPECT_FALSE(m.KillTimerFor(a, 1));
    EXPECT_EQ(-1, keyAt(a, 17));
    ASSERT_TRUE(m.SetTimerFor(a, 1, 100000));
    EXPECT_EQ(1, keyAt(a, 17));

    for (UINT key = 2; key <= 239; ++key)
        ASSERT_TRUE(m.SetTimerFor(b, key, 100000)) << key;
    EXPECT_EQ(239, keyAt(b, 0));
    EXPECT_EQ(238, keyAt(b, 254));
    for (UINT key = 240; key <= 255; ++key)
        ASSERT_TRUE(m.SetTimerFor(b, key, 100000)) << key;
    EXPECT_EQ(255, keyAt(b, 16));
    // Every id of the window is held: no second timer may share one.
    EXPECT_FALSE(m.SetTimerFor(b, 256, 100000));
    m.KillAllTimersFor(a);
    ASSERT_TRUE(m.SetTimerFor(b, 257, 100000));
    EXPECT_EQ(257, keyAt(b, 17));
    // Only for a control of this window: a removed one would keep its timer after it is freed.
    CTestControl outside(L"outside");
    EXPECT_FALSE(m.SetTimerFor(&outside, 1, 100000));
    EXPECT_FALSE(m.SetTimerFor(NULL, 1, 100000));

    // A real timer fires through the message loop as a "timer" notification.
    m.RemoveAllTimers();
    scene.window->notifications.clear();
    a->records.clear();
    ASSERT_TRUE(m.SetTimerFor(a, 42, 10));
    EXPECT_TRUE(PumpUntil([&] { return !a->records.empty() && a->records.back().type == UIEVENT_TIMER; }));
    EXPECT_EQ(42u, a->records.back().wParam);
    EXPECT_TRUE(PumpUntil([&] {
        return std::find(scene.window->notifications.begin(), scene.window->notifications.end(), L"timer") !=
               scene.window->notifications.end();
    }));
}

TEST(ManagerDeletion, ControlQueuesItselfInsideItsOwnHandler)
{
    Scene scene;
    CTestControl* victim = scene.Add(L"victim", 20, 20, 50, 50);
    bool destroyed = false;
    victim->destroyedFlag = &destroyed;
    scene.Attach();
    CWindowManagerUI& m = scene.Manager();
    victim->onEvent = [&](CTestControl* self, InputEventUI& event) {
        if (event.type != UIEVENT_BUTTONDOWN)
            return;
        auto& kids = scene.root->children;
        kids.erase(std::find(kids.begin(), kids.end(), self));
        m.QueueForDeletion(self);
        // Still alive until the posted message is handled.
        EXPECT_FALSE(destroyed);
    };
    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(PumpUntil([&] { return destroyed; }));
    EXPECT_EQ(nullptr, m.FindControlByName(L"victim"));
    // The capture reference went with the control: the button-up reaches nothing.
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
    EXPECT_FALSE(m.IsCaptured());
}

TEST(ManagerNotifications, OrderAndForgottenSenders)
{
    Scene scene;
    CTestControl* button = scene.Add(L"button", 0, 0, 40, 40);
    CTestControl* other = scene.Add(L"other", 50, 0, 40, 40);
    scene.Attach();
    CWindowManagerUI& m = scene.Manager();
    std::vector<std::wstring> order;

    struct Hook
    {
        std::vector<std::wstring>* order;
        bool OnNotify(void* param)
        {
            order->push_back(std::wstring(L"delegate:") + static_cast<NotifyMsgUI*>(param)->sType.Text());
            return true;
        }
    } hook = {&order};
    button->OnNotifyList += MakeDelegate(&hook, &Hook::OnNotify);

    scene.window->onNotify = [&](NotifyMsgUI& msg) {
        order.push_back(std::wstring(msg.sType.Text()) + (msg.pSender == NULL ? L":null" : L""));
        if (msg.sType == L"click") {
            m.RaiseNotification(button, L"later", 0, 0, true);
            m.RaiseNotification(button, L"now");
        }
    };
    order.clear();
    m.RaiseNotification(button, L"click");
    // The queued one waits for the end of the current message.
    std::vector<std::wstring> expected = {L"delegate:click", L"click", L"delegate:now", L"now"};
    EXPECT_EQ(expected, order);
    SendMessageW(scene.hwnd, WM_NULL, 0, 0);
    expected.push_back(L"delegate:later");
    expected.push_back(L"later");
    EXPECT_EQ(expected, order);

    // A queued notification whose sender is removed arrives with no sender.
    order.clear();
    m.RaiseNotification(other, L"orphan", 0, 0, true);
    auto& kids = scene.root->children;
    kids.erase(std::find(kids.begin(), kids.end(), other));
    delete other;
    SendMessageW(scene.hwnd, WM_NULL, 0, 0);
    expected = {L"orphan:null"};
    EXPECT_EQ(expected, order);
}

TEST(ManagerNotifications, DestructorEmptiesTheQueueBeforeDeletingControls)
{
    InitToolkitForTests();
    CTestWindow* window = new CTestWindow();
    HWND hwnd = window->Create();
    CTestContainer* root = new CTestContainer(L"root");
    CTestControl* child = new CTestControl(L"child");
    root->Add(child, 0, 0, 10, 10);
    window->manager.AttachRoot(root);
    for (int i = 0; i < 20; ++i)
        window->manager.RaiseNotification(child, L"queued", 0, 0, true);
    window->manager.QueueForDeletion(new CTestControl(L"pending"));
    DestroyWindow(hwnd);
    delete window;
    SUCCEED();
}

TEST(ManagerFocus, TabOrderWrapAndNotifications)
{
    Scene scene;
    CTestControl* first = scene.Add(L"first", 0, 0, 20, 20, 0, UIFLAG_TABSTOP);
    CTestControl* plain = scene.Add(L"plain", 20, 0, 20, 20, 0, 0);
    CTestControl* hidden = scene.Add(L"hidden", 40, 0, 20, 20, 0, UIFLAG_TABSTOP);
    CTestControl* second = scene.Add(L"second", 60, 0, 20, 20, 0, UIFLAG_TABSTOP);
    CTestControl* disabled = scene.Add(L"disabled", 80, 0, 20, 20, 0, UIFLAG_TABSTOP);
    CTestControl* third = scene.Add(L"third", 100, 0, 20, 20, 0, UIFLAG_TABSTOP);
    hidden->SetVisible(false);
    disabled->SetEnabled(false);
    scene.Attach();
    CWindowManagerUI& m = scene.Manager();
    (void)plain;

    // The first paint moved the focus onto the first tab stop.
    EXPECT_EQ(first, m.GetFocus());
    EXPECT_TRUE(first->IsFocused());
    scene.window->notifications.clear();

    m.MoveFocusByTab(true);
    EXPECT_EQ(second, m.GetFocus());
    EXPECT_FALSE(first->IsFocused());
    std::vector<std::wstring> expected = {L"killfocus", L"setfocus"};
    EXPECT_EQ(expected, scene.window->notifications);
    ASSERT_FALSE(first->records.empty());
    EXPECT_EQ(UIEVENT_KILLFOCUS, first->records.back().type);
    EXPECT_EQ(second, first->records.back().pSender);

    m.MoveFocusByTab(true);
    EXPECT_EQ(third, m.GetFocus());
    m.MoveFocusByTab(true);
    EXPECT_EQ(first, m.GetFocus());
    m.MoveFocusByTab(false);
    EXPECT_EQ(third, m.GetFocus());

    // Tab through the real message path: pre-translation moves the focus.
    MSG msg = {scene.hwnd, WM_KEYDOWN, VK_TAB, 0};
    EXPECT_TRUE(CWindowManagerUI::TranslateThroughManagers(&msg));
    EXPECT_EQ(first, m.GetFocus());

    // Keys go to the focus control; the key-up to the one that had the key-down.
    SendMessageW(scene.hwnd, WM_KEYDOWN, 'A', 0);
    m.SetFocusControl(second);
    SendMessageW(scene.hwnd, WM_KEYUP, 'A', 0);
    EXPECT_EQ(UIEVENT_KEYUP, first->records.back().type);
    SendMessageW(scene.hwnd, WM_CHAR, 'b', 0);
    EXPECT_EQ(UIEVENT_CHAR, second->records.back().type);
    EXPECT_EQ(L'b', second->records.back().chKey);

    // Hiding the focused control leaves no focus; a hidden or disabled control never takes it.
    second->SetVisible(false);
    EXPECT_EQ(nullptr, m.GetFocus());
    m.SetFocusControl(disabled);
    EXPECT_EQ(nullptr, m.GetFocus());

    // Focus on the next paint lands on the given control with full events.
    m.FocusOnNextPaint(third);
    InvalidateRect(scene.hwnd, NULL, FALSE);
    UpdateWindow(scene.hwnd);
    EXPECT_EQ(third, m.GetFocus());
    EXPECT_EQ(UIEVENT_SETFOCUS, third->records.back().type);
}

namespace {

class CTestLabel : public CTestControl
{
public:
    explicit CTestLabel(const wchar_t* name) : CTestControl(name) {}
    const wchar_t* TypeName() const override { return L"LabelUI"; }
};

} // namespace

TEST(ManagerInput, AltShortcutOfALabelActivatesTheNextControl)
{
    Scene scene;
    CTestControl* before = scene.Add(L"before", 0, 0, 20, 20, 0, UIFLAG_TABSTOP);
    CTestLabel* label = new CTestLabel(L"label");
    label->SetShortcut(L'n');
    scene.root->Add(label, 30, 0, 20, 20);
    CTestControl* field = scene.Add(L"field", 60, 0, 20, 20, 0, UIFLAG_TABSTOP);
    CTestControl* direct = scene.Add(L"direct", 90, 0, 20, 20, 0, UIFLAG_TABSTOP);
    direct->SetShortcut(L'D');
    scene.Attach();
    CWindowManagerUI& m = scene.Manager();
    EXPECT_EQ(before, m.GetFocus());

    MSG alt = {scene.hwnd, WM_SYSCHAR, 'N', 0};
    EXPECT_TRUE(CWindowManagerUI::TranslateThroughManagers(&alt));
    EXPECT_EQ(field, m.GetFocus());
    MSG lower = {scene.hwnd, WM_SYSCHAR, 'd', 0};
    EXPECT_TRUE(CWindowManagerUI::TranslateThroughManagers(&lower));
    EXPECT_EQ(direct, m.GetFocus());
    MSG unknown = {scene.hwnd, WM_SYSCHAR, 'q', 0};
    EXPECT_FALSE(CWindowManagerUI::TranslateThroughManagers(&unknown));
    EXPECT_EQ(direct, m.GetFocus());
}

TEST(ManagerInput, ButtonsCaptureAndEmptyArea)
{
    Scene scene;
    CTestControl* button = scene.Add(L"button", 10, 10, 40, 30, 0, UIFLAG_TABSTOP);
    CTestControl* other = scene.Add(L"other", 100, 10, 40, 30, 0, UIFLAG_TABSTOP);
    scene.root->SetMouseEnabled(false);
    scene.Attach();
    CWindowManagerUI& m = scene.Manager();
    m.SetFocusControl(other);
    size_t before = button->events.size() + other->events.size();

    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 150));
    EXPECT_EQ(other, m.GetFocus());
    EXPECT_FALSE(m.IsCaptured());
    EXPECT_EQ(before, button->events.size() + other->events.size());

    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(button, m.GetFocus());
    EXPECT_TRUE(m.IsCaptured());
    EXPECT_EQ(UIEVENT_BUTTONDOWN, button->events.back());
    EXPECT_EQ(20, button->records.back().ptMouse.x);
    // Moves while captured go to the captured control, wherever the pointer is.
    SendMessageW(scene.hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(110, 20));
    EXPECT_EQ(UIEVENT_MOUSEMOVE, button->events.back());
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(110, 20));
    EXPECT_EQ(UIEVENT_BUTTONUP, button->events.back());
    EXPECT_FALSE(m.IsCaptured());

    SendMessageW(scene.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(100 + 110, 100 + 20));
    EXPECT_EQ(1u, other->records[other->records.size() - 1].type == UIEVENT_SCROLLWHEEL
                      ? other->records.back().wParam
                      : other->records[other->records.size() - 2].wParam);
    EXPECT_GE(Count(other->events, UIEVENT_SCROLLWHEEL), 1);
    // The synthetic move after the wheel makes the control under the pointer the hover control.
    EXPECT_GE(Count(other->events, UIEVENT_MOUSEENTER), 1);

    EXPECT_EQ(button, m.FindControlByName(L"button"));
    POINT inside = {120, 20};
    EXPECT_EQ(other, m.FindControlAt(inside));
    POINT outside = {250, 150};
    EXPECT_EQ(nullptr, m.FindControlAt(outside));
}

TEST(ManagerPaint, FrameReadBackFromADib)
{
    Scene scene;
    scene.Add(L"red", 10, 10, 50, 40, RGB(255, 0, 0));
    scene.Add(L"blue", 100, 50, 60, 30, RGB(0, 0, 255));
    bool windowInit = false;
    int windowInits = 0;
    scene.window->onNotify = [&](NotifyMsgUI& msg) {
        if (msg.sType == L"windowinit") {
            windowInit = true;
            ++windowInits;
        }
    };
    scene.Attach();
    EXPECT_TRUE(windowInit);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 300;
    info.bmiHeader.biHeight = -200;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    ReleaseDC(NULL, screen);
    HGDIOBJ old = SelectObject(dc, dib);
    auto pixel = [&](int x, int y) { return static_cast<DWORD*>(bits)[y * 300 + x] & 0x00FFFFFF; };

    // The window's own painting, through its off-screen buffer, copied from the window.
    HDC windowDc = GetDC(scene.hwnd);
    BitBlt(dc, 0, 0, 300, 200, windowDc, 0, 0, SRCCOPY);
    ReleaseDC(scene.hwnd, windowDc);
    EXPECT_EQ(0xFF0000u, pixel(20, 20));
    EXPECT_EQ(0x0000FFu, pixel(120, 60));
    EXPECT_EQ(0xFFFFFFu, pixel(80, 20));
    EXPECT_EQ(0xFFFFFFu, pixel(299, 199));

    // Printing the client area paints the same tree into any DC.
    RECT all = {0, 0, 300, 200};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SendMessageW(scene.hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(0xFF0000u, pixel(59, 49));
    EXPECT_EQ(0xFFFFFFu, pixel(60, 50));
    EXPECT_EQ(0x0000FFu, pixel(159, 79));

    // A later paint lays out nothing new and raises no second "windowinit".
    InvalidateRect(scene.hwnd, NULL, FALSE);
    UpdateWindow(scene.hwnd);
    EXPECT_EQ(1, windowInits);

    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
}

TEST(ManagerPaint, SeparatorOverlayEndsWithItsLayout)
{
    InitToolkitForTests();
    ParkCursor();
    CTestWindow window;
    HWND hwnd = window.Create(200, 200);
    CVerticalLayoutUI* root = new CVerticalLayoutUI();
    CVerticalLayoutUI* pane = new CVerticalLayoutUI();
    pane->ApplyAttribute(L"sepheight", L"4");
    pane->SetFixedHeight(100);
    root->AddItem(pane);
    window.manager.AttachRoot(root);
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    ASSERT_EQ(96, pane->GetSepRect(false).top);

    // Pressed twice on its band and released once: the layout is not listed twice for the overlay.
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 98));
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 98));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(50, 98));
    // Pressed again, then removed and deleted while dragging: painting no longer reaches it.
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 98));
    root->RemoveItem(pane);
    PumpPending();
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(50, 98));

    // A layout the manager forgets leaves the list too, though it lives on.
    CVerticalLayoutUI* other = new CVerticalLayoutUI();
    other->ApplyAttribute(L"sepheight", L"4");
    other->SetFixedHeight(100);
    root->AddItem(other);
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    ASSERT_EQ(96, other->GetSepRect(false).top);
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 98));
    window.manager.ForgetControl(other);
    root->SetOwnsRemovedItems(false);
    root->RemoveItem(other);
    other->AttachManager(NULL, NULL, false);
    delete other;
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    DestroyWindow(hwnd);
}

TEST(ManagerWithoutRoot, SurvivesInputPaintAndPrinting)
{
    InitToolkitForTests();
    CTestWindow window;
    HWND hwnd = window.Create();
    ASSERT_TRUE(hwnd != NULL);
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    SendMessageW(hwnd, WM_MOUSEHOVER, 0, MAKELPARAM(10, 10));
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(110, 110));
    SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    SendMessageW(hwnd, WM_SIZE, 0, MAKELPARAM(300, 200));
    SendMessageW(hwnd, WM_TIMER, 17, 0);
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(110, 110));
    SendMessageW(hwnd, WM_KEYDOWN, VK_TAB, 0);
    MSG msg = {hwnd, WM_KEYDOWN, VK_TAB, 0};
    EXPECT_TRUE(CWindowManagerUI::TranslateThroughManagers(&msg));
    MSG alt = {hwnd, WM_SYSCHAR, 'x', 0};
    EXPECT_FALSE(CWindowManagerUI::TranslateThroughManagers(&alt));
    EXPECT_TRUE(window.manager.MoveFocusByTab(false));
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_CHILDREN);
    DeleteDC(dc);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(window.gone);
}

namespace {

BOOL CALLBACK FindTooltip(HWND hwnd, LPARAM param)
{
    wchar_t cls[64];
    GetClassNameW(hwnd, cls, 64);
    if (lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0) {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

TEST(ManagerTooltips, ReferencesReplacedInOnePass)
{
    Scene scene;
    CTestControl* tipped = scene.Add(L"tipped", 10, 10, 80, 40);
    CWindowManagerUI::AddMultiLanguageText(7, L"seven %{7}");
    CWindowManagerUI::AddMultiLanguageText(12, L"twelve");
    tipped->SetToolTip(L"%{7} and %{99} and %{12}<n>%{7}%{");
    scene.Attach();

    SendMessageW(scene.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    SendMessageW(scene.hwnd, WM_MOUSEHOVER, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(UIEVENT_MOUSEHOVER, tipped->events.back());

    HWND tip = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindTooltip, reinterpret_cast<LPARAM>(&tip));
    ASSERT_TRUE(tip != NULL);
    EXPECT_EQ(scene.hwnd, GetWindow(tip, GW_OWNER));
    wchar_t text[256] = {0};
    TOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = scene.hwnd;
    info.uId = reinterpret_cast<UINT_PTR>(scene.hwnd);
    info.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(L"seven %{7} and %{99} and twelve\r\nseven %{7}%{", text);
    EXPECT_EQ(300, static_cast<int>(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0)));
}

TEST(ManagerResources, FontsColoursAndTexts)
{
    Scene scene;
    scene.Attach();
    CWindowManagerUI& m = scene.Manager();
    const wchar_t* longFace = L"A face name that is far longer than thirty-two units";
    HFONT font = m.AddFont(3, longFace, 14, true, false, true);
    ASSERT_TRUE(font != NULL);
    LOGFONTW lf = {};
    GetObjectW(font, sizeof(lf), &lf);
    EXPECT_EQ(31u, wcslen(lf.lfFaceName));
    EXPECT_EQ(0, wcsncmp(lf.lfFaceName, longFace, 31));
    EXPECT_EQ(-14, lf.lfHeight);
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_EQ(font, m.GetFont(3));
    EXPECT_EQ(font, m.FindFont(longFace, 14, true, false, true));
    EXPECT_GT(m.GetFontInfo(3)->tm.tmHeight, 0);

    HFONT replaced = m.AddFont(3, L"Tahoma", 12, false, false, false);
    EXPECT_EQ(replaced, m.GetFont(3));
    EXPECT_EQ(nullptr, m.FindFont(longFace, 14, true, false, true));
    HFONT fallback = m.GetFont(99);
    EXPECT_EQ(fallback, m.GetFont(-1));
    EXPECT_TRUE(fallback != NULL);

    EXPECT_EQ(0xFF000000u, m.GetDefaultFontColor());
    CWindowManagerUI second;
    second.SetDefaultFontColor(0xFF123456);
    m.SetDefaultFontColor(0xFF00FF00, true);
    EXPECT_EQ(0xFF00FF00u, m.GetDefaultFontColor());
    EXPECT_EQ(0xFF123456u, second.GetDefaultFontColor());

    m.AddDefaultAttributeList(L"Button", L"height=\"30\"");
    m.AddDefaultAttributeList(L"Button", L"height=\"40\"");
    EXPECT_STREQ(L"height=\"40\"", m.GetDefaultAttributeList(L"Button"));
    EXPECT_EQ(nullptr, m.GetDefaultAttributeList(L"Label"));

    CTestControl one(L"one"), two(L"two");
    EXPECT_TRUE(m.AddOptionGroup(L"g", &one));
    EXPECT_FALSE(m.AddOptionGroup(L"g", &one));
    EXPECT_TRUE(m.AddOptionGroup(L"g", &two));
    EXPECT_EQ(2, m.GetOptionGroup(L"g")->Count());
    m.RemoveOptionGroup(L"g", &one);
    m.RemoveOptionGroup(L"g", &two);
    EXPECT_EQ(nullptr, m.GetOptionGroup(L"g"));

    CWindowManagerUI::SetResourceFolder(L"C:\\skins");
    EXPECT_STREQ(L"C:\\skins\\", CWindowManagerUI::GetResourceFolder().Text());
    CWindowManagerUI::SetResourceFolder(L"C:/skins/");
    EXPECT_STREQ(L"C:/skins/", CWindowManagerUI::GetResourceFolder().Text());
}

namespace {

struct FnFilter : IMessageFilterUI
{
    std::function<void(UINT, bool&)> fn;
    LRESULT FilterMessage(UINT message, WPARAM, LPARAM, bool& handled) override
    {
        fn(message, handled);
        return 0;
    }
};

struct FnTranslator : ITranslateAcceleratorUI
{
    std::function<void(MSG*)> fn;
    LRESULT TranslateAccelerator(MSG* msg) override
    {
        fn(msg);
        return 1;
    }
};

struct FnNotifier : INotifyUI
{
    std::function<void(NotifyMsgUI&)> fn;
    void Notify(NotifyMsgUI& msg) override { fn(msg); }
};

const UINT WM_PROBE = WM_APP + 40;

// A heap window that frees itself (and its manager) once its window is finished, with two buttons in a box.
struct ListenerScene
{
    ListenerScene()
    {
        InitToolkitForTests();
        ParkCursor();
        window = new CTestWindow();
        window->deleteWhenGone = true;
        hwnd = window->Create(300, 200);
    }
    ~ListenerScene()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    void Build()
    {
        CSkinBuilder builder;
        window->manager.AttachRoot(
            builder.Create(L"<Window><HorizontalLayout name=\"box\"><Button name=\"a\" width=\"60\"/>"
                           L"<Button name=\"b\" width=\"60\"/></HorizontalLayout></Window>",
                           NULL, NULL, &window->manager));
        box = static_cast<CContainerUI*>(window->manager.FindControlByName(L"box")->CastTo(L"Container"));
        box->SetDefersItemDeletion(false);
        a = window->manager.FindControlByName(L"a");
    }
    void Paint()
    {
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
    }
    void PostAndPump(UINT message, WPARAM wParam)
    {
        PostMessageW(hwnd, message, wParam, 0);
        PumpPending();
    }

    CTestWindow* window;
    HWND hwnd;
    CContainerUI* box = NULL;
    CControlUI* a = NULL;
    FnFilter filters[2], preFilters[2];
    FnTranslator translators[2];
    FnNotifier notifiers[2];
    std::wstring heard; // what the second listener of each kind heard
};

} // namespace

// A listener that takes itself off its list leaves the next one its turn; one that destroys the window, or a
// handler that removes the control it runs for, leaves nothing that reads freed memory.
TEST(ManagerLifetimes, ListenersAndHandlersRemoveThemselvesOrDestroyTheWindow)
{
    enum Act
    {
        REMOVE_ITSELF,
        DESTROY_WINDOW
    };
    enum Kind
    {
        FILTER,
        PRE_FILTER,
        TRANSLATOR,
        NOTIFIER,
        WINDOW_INIT,
        TAB_KILLFOCUS,
        SIZE_DELEGATE,
        HIDE_KILLFOCUS
    };
    struct Row
    {
        const char* name;
        Kind kind;
        Act act;
    };
    const Row rows[] = {
        {"message filter takes itself off", FILTER, REMOVE_ITSELF},
        {"message filter destroys the window", FILTER, DESTROY_WINDOW},
        {"pre-message filter takes itself off", PRE_FILTER, REMOVE_ITSELF},
        {"pre-message filter destroys the window", PRE_FILTER, DESTROY_WINDOW},
        {"translator takes itself off", TRANSLATOR, REMOVE_ITSELF},
        {"translator destroys the window", TRANSLATOR, DESTROY_WINDOW},
        {"notifier takes itself off", NOTIFIER, REMOVE_ITSELF},
        {"notifier destroys the window", NOTIFIER, DESTROY_WINDOW},
        {"windowinit handler destroys the window", WINDOW_INIT, DESTROY_WINDOW},
        {"killfocus handler reached by Tab destroys the window", TAB_KILLFOCUS, DESTROY_WINDOW},
        {"size delegate removes its own control at once", SIZE_DELEGATE, REMOVE_ITSELF},
        // The application's own calls, from outside any message: the toolkit's frames of the call go on.
        {"size delegate destroys the window while the application places the box", SIZE_DELEGATE, DESTROY_WINDOW},
        {"killfocus handler destroys the window while the application hides the box", HIDE_KILLFOCUS, DESTROY_WINDOW},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ListenerScene scene;
        ListenerScene* s = &scene;
        CWindowManagerUI* manager = &scene.window->manager;
        auto act = [s, manager, act = row.act](const std::function<void()>& takeOff) {
            if (act == DESTROY_WINDOW)
                DestroyWindow(s->hwnd);
            else
                takeOff();
        };
        for (int i = 0; i < 2; ++i) {
            scene.filters[i].fn = [s, i, manager, act](UINT message, bool&) {
                if (message != WM_PROBE)
                    return;
                if (i == 1)
                    s->heard += L'f';
                else
                    act([&] { manager->RemoveMessageFilter(&s->filters[0]); });
            };
            scene.preFilters[i].fn = [s, i, manager, act](UINT message, bool&) {
                if (message != WM_KEYDOWN)
                    return;
                if (i == 1)
                    s->heard += L'p';
                else
                    act([&] { manager->RemovePreFilter(&s->preFilters[0]); });
            };
            scene.translators[i].fn = [s, i, manager, act](MSG* msg) {
                if (msg->message != WM_KEYDOWN)
                    return;
                if (i == 1)
                    s->heard += L't';
                else
                    act([&] { manager->RemoveAcceleratorTranslator(&s->translators[0]); });
            };
            scene.notifiers[i].fn = [s, i, manager, act](NotifyMsgUI& msg) {
                if (msg.sType != L"click")
                    return;
                if (i == 1)
                    s->heard += L'n';
                else
                    act([&] { manager->RemoveNotifier(&s->notifiers[0]); });
            };
        }
        switch (row.kind) {
        case FILTER:
            manager->RegisterMessageFilter(&scene.filters[0]);
            manager->RegisterMessageFilter(&scene.filters[1]);
            break;
        case PRE_FILTER:
            manager->RegisterPreFilter(&scene.preFilters[0]);
            manager->RegisterPreFilter(&scene.preFilters[1]);
            break;
        case TRANSLATOR:
            manager->RegisterAcceleratorTranslator(&scene.translators[0]);
            manager->RegisterAcceleratorTranslator(&scene.translators[1]);
            break;
        case NOTIFIER:
            manager->RegisterNotifier(&scene.notifiers[0]);
            manager->RegisterNotifier(&scene.notifiers[1]);
            break;
        case WINDOW_INIT:
            scene.window->onNotify = [s](NotifyMsgUI& msg) {
                if (msg.sType == L"windowinit")
                    DestroyWindow(s->hwnd);
            };
            break;
        default:
            break;
        }
        scene.Build();
        scene.Paint();
        const bool destroys = row.act == DESTROY_WINDOW;
        if (row.kind != WINDOW_INIT) {
            ASSERT_TRUE(IsWindow(scene.hwnd));
        }
        switch (row.kind) {
        case FILTER:
            SendMessageW(scene.hwnd, WM_PROBE, 0, 0);
            SendMessageW(scene.hwnd, WM_PROBE, 0, 0);
            EXPECT_EQ(destroys ? scene.heard : L"ff", scene.heard);
            break;
        case PRE_FILTER:
        case TRANSLATOR:
            scene.PostAndPump(WM_KEYDOWN, 'K');
            if (!destroys)
                scene.PostAndPump(WM_KEYDOWN, 'K');
            EXPECT_EQ(destroys ? scene.heard : row.kind == PRE_FILTER ? L"pp" : L"tt", scene.heard);
            break;
        case NOTIFIER: {
            RECT rc = scene.a->GetPos();
            LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
            for (int i = 0; i < (destroys ? 1 : 2); ++i) {
                SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
                SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, at);
            }
            EXPECT_EQ(destroys ? scene.heard : L"nn", scene.heard);
            break;
        }
        case TAB_KILLFOCUS:
            scene.a->SetFocus();
            scene.window->onNotify = [s](NotifyMsgUI& msg) {
                if (msg.sType == L"killfocus")
                    DestroyWindow(s->hwnd);
            };
            scene.PostAndPump(WM_KEYDOWN, VK_TAB);
            break;
        case HIDE_KILLFOCUS:
            scene.a->SetFocus();
            scene.window->onNotify = [s](NotifyMsgUI& msg) {
                if (msg.sType == L"killfocus")
                    DestroyWindow(s->hwnd);
            };
            scene.box->SetVisible(false);
            EXPECT_FALSE(IsWindow(scene.hwnd));
            break;
        case SIZE_DELEGATE: {
            struct Remover
            {
                ListenerScene* scene;
                bool destroys;
                bool OnSize(void*)
                {
                    if (destroys)
                        DestroyWindow(scene->hwnd);
                    else
                        scene->box->RemoveItem(scene->a);
                    return true;
                }
            } remover = {s, destroys};
            scene.a->OnSizeList += MakeDelegate(&remover, &Remover::OnSize);
            if (destroys) {
                RECT rc = scene.box->GetPos();
                rc.right -= 10;
                scene.box->SetPos(rc);
                EXPECT_FALSE(IsWindow(scene.hwnd));
                break;
            }
            SetWindowPos(scene.hwnd, NULL, 0, 0, 280, 190, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            scene.Paint();
            EXPECT_EQ(NULL, manager->FindControlByName(L"a"));
            EXPECT_EQ(1, scene.box->ItemCount());
            break;
        }
        default:
            break;
        }
        PumpPending();
        // Gone cleanly, or still working: it paints and takes a click.
        EXPECT_EQ(!destroys, IsWindow(scene.hwnd) != FALSE);
        if (IsWindow(scene.hwnd)) {
            scene.Paint();
            CControlUI* b = manager->FindControlByName(L"b");
            RECT rc = b->GetPos();
            LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
            SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, at);
            EXPECT_TRUE(b->IsFocused() || manager->GetFocus() == b);
        }
    }
}
