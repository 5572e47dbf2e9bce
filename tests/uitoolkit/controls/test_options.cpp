#include "controls/OptionUI.h"
#include "controls/SliderUI.h"
#include "TestCanvas.h"
#include "TestHelpers.h"
#include "TestWindow.h"
#include "controls/TextUI.h"
#include "layout/ContainerUI.h"
#include "skin/SkinBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

struct Heard
{
    CControlUI* sender;
    std::wstring type;
    WPARAM wParam;
};

// A window with two grouped options, a check box without group and a text control.
struct OptionScene
{
    OptionScene()
    {
        InitToolkitForTests();
        ParkCursor();
        hwnd = window.Create(300, 200);
        window.onNotify = [this](NotifyMsgUI& msg) {
            if (msg.sType != L"windowinit")
                heard.push_back({msg.pSender, std::wstring(msg.sType.Text()), msg.wParam});
        };
        CTestContainer* root = new CTestContainer(L"root");
        first = new COptionUI();
        second = new COptionUI();
        check = new CCheckBoxUI();
        text = new CTextUI();
        first->ApplyAttribute(L"group", L"g");
        second->ApplyAttribute(L"group", L"g");
        root->Add(first, 10, 10, 60, 30);
        root->Add(second, 80, 10, 60, 30);
        root->Add(check, 150, 10, 60, 30);
        root->Add(text, 10, 60, 280, 60);
        slider = new CSliderUI();
        root->Add(slider, 10, 150, 200, 20);
        window.manager.AttachRoot(root);
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
        heard.clear();
    }
    ~OptionScene()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    void Click(int x, int y)
    {
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    int Count(const wchar_t* type, CControlUI* sender) const
    {
        int n = 0;
        for (const Heard& h : heard)
            n += h.type == type && h.sender == sender ? 1 : 0;
        return n;
    }

    CTestWindow window;
    HWND hwnd;
    COptionUI* first;
    COptionUI* second;
    CCheckBoxUI* check;
    CTextUI* text;
    CSliderUI* slider;
    std::vector<Heard> heard;
};

} // namespace

TEST(OptionInput, GroupsStayExclusiveAndCheckBoxesToggle)
{
    OptionScene scene;
    CPtrArrayUI* group = scene.window.manager.GetOptionGroup(L"g");
    ASSERT_NE(nullptr, group);
    EXPECT_EQ(2, group->Count());

    scene.Click(30, 20);
    EXPECT_TRUE(scene.first->IsSelected());
    EXPECT_NE(0u, scene.first->GetState() & UISTATE_SELECTED);
    EXPECT_EQ(1, scene.Count(L"selectchanged", scene.first));

    // Choosing the other deselects the first silently, then announces the new one.
    scene.heard.clear();
    scene.Click(100, 20);
    EXPECT_FALSE(scene.first->IsSelected());
    EXPECT_EQ(0u, scene.first->GetState() & UISTATE_SELECTED);
    EXPECT_TRUE(scene.second->IsSelected());
    EXPECT_EQ(0, scene.Count(L"selectchanged", scene.first));
    EXPECT_EQ(1, scene.Count(L"selectchanged", scene.second));

    // Clicking the chosen one again clicks but changes nothing.
    scene.heard.clear();
    scene.Click(100, 20);
    EXPECT_TRUE(scene.second->IsSelected());
    EXPECT_EQ(1, scene.Count(L"click", scene.second));
    EXPECT_EQ(0, scene.Count(L"selectchanged", scene.second));

    // A check box toggles on every click and says so each time.
    scene.heard.clear();
    scene.Click(170, 20);
    EXPECT_TRUE(scene.check->IsSelected());
    scene.Click(170, 20);
    EXPECT_FALSE(scene.check->IsSelected());
    EXPECT_EQ(2, scene.Count(L"selectchanged", scene.check));
    EXPECT_STREQ(L"CheckBoxUI", scene.check->TypeName());
    EXPECT_EQ(scene.check, scene.check->CastTo(L"Option"));

    // Leaving the group takes the option out of the window's list; disabling keeps only the selection bit.
    scene.second->SetGroup(NULL);
    EXPECT_EQ(1, group->Count());
    scene.second->SetEnabled(false);
    EXPECT_EQ(static_cast<UINT>(UISTATE_SELECTED), scene.second->GetState());
    scene.second->SetGroup(L"h");
    EXPECT_EQ(1, scene.window.manager.GetOptionGroup(L"h")->Count());
}

TEST(OptionGroups, AnOptionLeavesItsWindowsGroupWhenMovedOrDeleted)
{
    OptionScene scene;
    CWindowManagerUI& home = scene.window.manager;
    CControlUI* root = home.GetRoot();

    // Moved into another window, an option leaves the first window's group and joins the other's.
    CWindowManagerUI elsewhere;
    COptionUI* moved = new COptionUI();
    moved->ApplyAttribute(L"group", L"g");
    home.AdoptControlTree(moved, root);
    EXPECT_EQ(3, home.GetOptionGroup(L"g")->Count());
    elsewhere.AdoptControlTree(moved, NULL);
    EXPECT_EQ(2, home.GetOptionGroup(L"g")->Count());
    ASSERT_NE(nullptr, elsewhere.GetOptionGroup(L"g"));
    delete moved;
    EXPECT_EQ(nullptr, elsewhere.GetOptionGroup(L"g"));

    // A top-level option the builder drops (only the first has an owner) is in no group either.
    CSkinBuilder builder;
    std::unique_ptr<CControlUI> kept(
        builder.Create(L"<Window><Option name=\"kept\" group=\"b\"/><Option name=\"dropped\" group=\"b\"/></Window>",
                       NULL, NULL, &home));
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ(nullptr, home.GetOptionGroup(L"b"));
    home.AdoptControlTree(kept.get(), root);
    EXPECT_EQ(1, home.GetOptionGroup(L"b")->Count());

    // Selecting now touches only the living members.
    static_cast<COptionUI*>(kept.get())->SetSelected(true);
    scene.Click(30, 20);
    EXPECT_TRUE(scene.first->IsSelected());
    EXPECT_FALSE(scene.second->IsSelected());
    kept.reset();
    EXPECT_EQ(nullptr, home.GetOptionGroup(L"b"));
}

TEST(OptionPainting, SelectedColourAndImages)
{
    OptionScene scene;
    scene.first->ApplyAttribute(L"selectedbkcolor", L"#FF00FF00");
    scene.first->SetBkColor(0xFFFF0000);
    TestCanvas canvas(300, 200, 0);
    RECT all = {0, 0, 300, 200};
    scene.first->Paint(canvas.Dc(), all);
    EXPECT_EQ(0xFF0000u, canvas.At(12, 12));
    scene.first->SetSelected(true);
    scene.first->Paint(canvas.Dc(), all);
    EXPECT_EQ(0x00FF00u, canvas.At(12, 12));
    EXPECT_EQ(0x00FF00u, canvas.At(68, 38));
    EXPECT_EQ(0u, canvas.At(71, 12));
}

TEST(TextLinks, LinkRaisedOnReleaseWithItsIndex)
{
    OptionScene scene;
    scene.text->SetShowHtml(true);
    scene.text->SetText(L"<a one>first</a> and <a two>second</a>");
    InvalidateRect(scene.hwnd, NULL, FALSE);
    UpdateWindow(scene.hwnd);
    ASSERT_EQ(2, scene.text->GetLinkCount());
    EXPECT_STREQ(L"two", scene.text->GetLinkText(1));
    EXPECT_NE(0u, scene.text->BehaviourFlags() & UIFLAG_SETCURSOR);
    const RECT& second = scene.text->GetLinkRect(1);
    EXPECT_GE(second.left, 12);
    EXPECT_LE(second.right, 288);
    int x = (second.left + second.right) / 2;
    int y = (second.top + second.bottom) / 2;

    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    EXPECT_EQ(0, scene.Count(L"link", scene.text));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    ASSERT_EQ(1, scene.Count(L"link", scene.text));
    for (const Heard& h : scene.heard)
        if (h.type == L"link")
            EXPECT_EQ(1u, h.wParam);

    // Outside the links nothing is raised; plain text has no links at all.
    scene.Click(280, 110);
    EXPECT_EQ(1, scene.Count(L"link", scene.text));
    scene.text->SetShowHtml(false);
    InvalidateRect(scene.hwnd, NULL, FALSE);
    UpdateWindow(scene.hwnd);
    EXPECT_EQ(0, scene.text->GetLinkCount());
    scene.Click(x, y);
    EXPECT_EQ(1, scene.Count(L"link", scene.text));

    // The measured height grows when the width shrinks.
    CTextUI loose;
    loose.AttachManager(&scene.window.manager, NULL, false);
    loose.SetShowHtml(true);
    loose.SetText(L"<b>several words</b> that wrap when narrow");
    SIZE wide = loose.MeasureSize({280, 0});
    SIZE narrow = loose.MeasureSize({60, 0});
    EXPECT_GT(narrow.cy, wide.cy);
    EXPECT_LE(narrow.cx, 60);
    EXPECT_GT(wide.cx, 60);
}

TEST(SliderInput, DragWheelAndThumbPainting)
{
    OptionScene scene;
    CSliderUI* slider = scene.slider;
    slider->SetMinValue(0);
    slider->SetMaxValue(100);
    slider->SetValue(0);
    slider->ApplyAttribute(L"thumbsize", L"10,10");
    slider->ApplyAttribute(L"step", L"5");
    RECT thumb = slider->GetThumbRect();
    EXPECT_EQ(10, thumb.left);
    EXPECT_EQ(155, thumb.top);

    // Dragging the thumb follows the pointer; releasing at the left edge gives the minimum.
    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 160));
    SendMessageW(scene.hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(110, 160));
    EXPECT_EQ(50, slider->GetValue());
    EXPECT_EQ(0, scene.Count(L"valuechanged", slider));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(2, 160));
    EXPECT_EQ(0, slider->GetValue());
    EXPECT_EQ(1, scene.Count(L"valuechanged", slider));
    EXPECT_EQ(0u, slider->GetThumbState() & UISTATE_CAPTURED);

    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 160));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(250, 160));
    EXPECT_EQ(100, slider->GetValue());
    // A press beside the thumb does not capture it.
    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 160));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(15, 160));
    EXPECT_EQ(100, slider->GetValue());
    EXPECT_EQ(2, scene.Count(L"valuechanged", slider));

    // The wheel steps the value.
    POINT screen = {100, 160};
    ClientToScreen(scene.hwnd, &screen);
    SendMessageW(scene.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                 MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(95, slider->GetValue());
    EXPECT_EQ(3, scene.Count(L"valuechanged", slider));
    // It stops at the ends of the range and still notifies each step.
    auto wheel = [&](int delta) {
        SendMessageW(scene.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)),
                     MAKELPARAM(screen.x, screen.y));
    };
    wheel(WHEEL_DELTA);
    wheel(WHEEL_DELTA);
    EXPECT_EQ(100, slider->GetValue());
    EXPECT_EQ(5, scene.Count(L"valuechanged", slider));
    slider->SetValue(3);
    wheel(-WHEEL_DELTA);
    EXPECT_EQ(0, slider->GetValue());

    // An empty range or a bar as short as its thumb keeps the thumb at the start.
    slider->SetMaxValue(0);
    slider->SetValue(0);
    EXPECT_EQ(10, slider->GetThumbRect().left);
    slider->SetMaxValue(100);
    slider->ApplyAttribute(L"thumbsize", L"200,10");
    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 160));
    SendMessageW(scene.hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 160));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(100, 160));
    EXPECT_EQ(0, slider->GetValue());

    // The thumb image is drawn where the value puts it.
    TempFolder folder;
    folder.Write(L"thumb.png", MakePng(2, 2, std::vector<DWORD>(4, 0xFFFF0000)));
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    slider->ApplyAttribute(L"thumbsize", L"10,10");
    slider->ApplyAttribute(L"thumbimage", L"thumb.png");
    slider->SetValue(50);
    TestCanvas canvas(300, 200, 0);
    RECT all = {0, 0, 300, 200};
    slider->Paint(canvas.Dc(), all);
    EXPECT_EQ(0xFF0000u, canvas.At(105 + 5, 160));
    EXPECT_EQ(0u, canvas.At(12, 160));
    EXPECT_EQ(0u, canvas.At(205, 160));
}

TEST(OptionLifetimes, HandlerDeletesTheOptionItWasToldAbout)
{
    struct Case
    {
        const wchar_t* target;
        const wchar_t* type;
    };
    const Case cases[] = {{L"first", L"click"},
                          {L"first", L"selectchanged"},
                          {L"check", L"click"},
                          {L"check", L"selectchanged"},
                          {L"slider", L"valuechanged"}};
    for (const Case& c : cases) {
        for (bool defers : {true, false}) {
            SCOPED_TRACE(testing::Message() << std::wstring(c.target).c_str() << " " << std::wstring(c.type).c_str()
                                            << (defers ? ", deferred with a modal loop" : ", at once"));
            InitToolkitForTests();
            ParkCursor();
            CTestWindow window;
            HWND hwnd = window.Create(300, 200);
            CSkinBuilder builder;
            window.manager.AttachRoot(builder.Create(
                L"<Window><HorizontalLayout name=\"box\"><Option name=\"first\" group=\"g\" width=\"60\"/>"
                L"<Option name=\"second\" group=\"g\" width=\"60\"/><CheckBox name=\"check\" width=\"60\"/>"
                L"<Slider name=\"slider\" width=\"60\" thumbsize=\"10,10\"/></HorizontalLayout></Window>",
                NULL, NULL, &window.manager));
            CContainerUI* box =
                static_cast<CContainerUI*>(window.manager.FindControlByName(L"box")->CastTo(L"Container"));
            box->SetDefersItemDeletion(defers);
            InvalidateRect(hwnd, NULL, FALSE);
            UpdateWindow(hwnd);
            CControlUI* target = window.manager.FindControlByName(c.target);
            const int items = box->ItemCount();
            bool removed = false;
            window.onNotify = [&](NotifyMsgUI& msg) {
                if (removed || msg.pSender != target || msg.sType != c.type)
                    return;
                removed = true;
                ASSERT_TRUE(box->RemoveItem(target));
                // A message box's loop runs the deletion queue inside the handler.
                if (defers)
                    PumpPending();
            };
            // The slider announces its value as the button comes up on its thumb, then lets the thumb go.
            CSliderUI* slider = static_cast<CSliderUI*>(target->CastTo(L"Slider"));
            RECT rc = slider != NULL ? slider->GetThumbRect() : target->GetPos();
            LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
            SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
            ASSERT_TRUE(removed);
            EXPECT_EQ(items - 1, box->ItemCount());
            // The window goes on working: the queue runs, the group holds the living and takes clicks.
            PumpPending();
            InvalidateRect(hwnd, NULL, FALSE);
            UpdateWindow(hwnd);
            COptionUI* second = static_cast<COptionUI*>(window.manager.FindControlByName(L"second")->CastTo(L"Option"));
            rc = second->GetPos();
            at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
            SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
            EXPECT_TRUE(second->IsSelected());
            EXPECT_EQ(c.target == std::wstring(L"first") ? 1 : 2, window.manager.GetOptionGroup(L"g")->Count());
            DestroyWindow(hwnd);
        }
    }
}
