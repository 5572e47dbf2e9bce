#include "controls/ActiveXUI.h"
#include "controls/WebBrowserUI.h"
#include "layout/ContainerUI.h"
#include "skin/SkinBuilder.h"
#include "ActiveXTestKit.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace UiToolkit;
using namespace TestHelpers;
using namespace ActiveXTestKit;

namespace {

const RECT PLACE = {20, 30, 220, 130};

// A window holding a vertical layout that keeps the controls removed from it.
struct BoxWindow
{
    BoxWindow()
    {
        InitToolkitForTests();
        hwnd = window.Create(300, 200);
        CSkinBuilder builder;
        window.manager.AttachRoot(
            builder.Create(L"<Window><VerticalLayout name=\"box\"/></Window>", NULL, NULL, &window.manager));
        box = static_cast<CContainerUI*>(window.manager.FindControlByName(L"box")->CastTo(L"Container"));
    }
    ~BoxWindow()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    // Lays out and paints, then runs the creations the layout posted.
    void Repaint()
    {
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
        PumpPending();
    }
    // The window's filters and accelerator translators see a key; one left by a freed control faults under
    // the debug heap.
    void Poke()
    {
        MSG key = {hwnd, WM_KEYDOWN, 'A', 1, 0, {0, 0}};
        CWindowManagerUI::TranslateThroughManagers(&key);
        SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(30, 40));
        SendMessageW(hwnd, WM_KEYDOWN, 'A', 1);
    }

    CTestWindow window;
    HWND hwnd = NULL;
    CContainerUI* box = NULL;
};

} // namespace

TEST(ActiveXLifetime, ShowActiveXHandlerThatReleasesTheControlEndsTheCreation)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    fake.reset(0);
    {
        CActiveXUI* control = new CActiveXUI();
        HostScene scene(control, 300, 200, PLACE);
        scene.window.onNotify = [control](NotifyMsgUI& msg) {
            if (msg.sType == L"showactivex")
                control->ReleaseControl();
        };
        control->SetModuleName(fake.path.c_str());
        control->SetCLSID(CLSID_FakeWindowed);
        scene.LayOut();
        EXPECT_EQ(1, scene.Count(L"showactivex"));
        EXPECT_TRUE(control->IsCreated());
        void* object = NULL;
        EXPECT_EQ(E_PENDING, control->QueryControl(IID_IOleObject, &object));
        // Nothing after the notification reached the object, and it is gone already.
        std::vector<std::wstring> log = fake.Log();
        EXPECT_EQ(L"SetHostNames UIActiveX", log.at(log.size() - 5));
        EXPECT_EQ((std::vector<std::wstring>{L"SetSite null", L"Close", L"SetClientSite null", L"~FakeObject"}),
                  std::vector<std::wstring>(log.end() - 4, log.end()));
        EXPECT_EQ(0, fake.liveObjects());
        EXPECT_EQ(0, CountDescendants(scene.hwnd, L"ActiveXWnd"));
    }
    EXPECT_EQ(0, fake.liveObjects());
}

TEST(ActiveXLifetime, KeptFrameAndSiteAnswerFailureWithoutTheirWindow)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    fake.reset(0);
    fake.keepFrame(1);
    {
        CActiveXUI* control = new CActiveXUI();
        HostScene scene(control, 300, 200, PLACE);
        control->SetModuleName(fake.path.c_str());
        control->SetCLSID(CLSID_FakeWindowless);
        scene.LayOut();
        ASSERT_TRUE(fake.Logged(L"FrameKept"));
        EXPECT_EQ(S_OK, fake.askKeptFrame());
        // The window goes with its control; the frame the object kept outlives both.
    }
    EXPECT_EQ(0, fake.liveObjects());
    EXPECT_EQ(E_UNEXPECTED, fake.askKeptFrame());
    fake.keepFrame(0);

    // An object that is never shown has no window to be drawn into: showing it fails instead of drawing on
    // the screen.
    fake.reset(OLEMISC_INVISIBLEATRUNTIME);
    CActiveXUI* hidden = new CActiveXUI();
    HostScene scene(hidden, 300, 200, PLACE);
    hidden->SetModuleName(fake.path.c_str());
    hidden->SetCLSID(CLSID_FakeWindowless);
    scene.LayOut();
    ASSERT_EQ(1, fake.liveObjects());
    EXPECT_EQ(nullptr, hidden->GetHostWindow());
    fake.reset(0);
    EXPECT_EQ(E_FAIL, fake.showObject());
    EXPECT_FALSE(fake.Logged(L"Draw 20,30,220,130"));
}

TEST(ActiveXLifetime, FilterAndTranslatorFollowTheControlToAnotherWindow)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    fake.reset(0);
    BoxWindow staying;
    CActiveXUI* windowless = new CActiveXUI();
    CWebBrowserUI* browser = new CWebBrowserUI();
    {
        // A windowless object (a message filter) and a browser (an accelerator translator) made in a window
        // that closes while they live on in another one.
        BoxWindow closing;
        windowless->SetModuleName(fake.path.c_str());
        windowless->SetCLSID(CLSID_FakeWindowless);
        browser->SetModuleName(fake.path.c_str());
        browser->SetCLSID(CLSID_FakeBrowser);
        closing.box->AddItem(windowless);
        closing.box->AddItem(browser);
        closing.Repaint();
        ASSERT_EQ(2, fake.liveObjects());
        ASSERT_NE(nullptr, browser->GetWebBrowser2());
        closing.box->SetOwnsRemovedItems(false);
        closing.box->RemoveAllItems();
        staying.box->AddItem(windowless);
        staying.box->AddItem(browser);
        staying.Repaint();
    }
    // The windowless object hears the window it is in now; both leave nothing behind when deleted there.
    fake.reset(0);
    RECT at = windowless->GetPos();
    SendMessageW(staying.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(at.left + 5, at.top + 5));
    EXPECT_TRUE(fake.Logged(L"Message 512"));
    staying.Poke();
    staying.box->RemoveAllItems();
    PumpPending();
    EXPECT_EQ(0, fake.liveObjects());
    staying.Poke();
}

TEST(ActiveXLifetime, ShowActiveXHandlerRemovesTheControlOrASiblingOutsideTheLayout)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    for (bool itself : {true, false}) {
        for (bool defers : {true, false}) {
            SCOPED_TRACE(testing::Message() << (itself ? "the control" : "a sibling")
                                            << (defers ? ", deferred with a modal loop" : ", at once"));
            fake.reset(0);
            BoxWindow scene;
            scene.box->SetDefersItemDeletion(defers);
            CActiveXUI* control = new CActiveXUI();
            control->SetModuleName(fake.path.c_str());
            control->SetCLSID(CLSID_FakeWindowless);
            control->SetFixedHeight(60);
            CControlUI* sibling = new CControlUI();
            sibling->SetFixedHeight(20);
            CControlUI* last = new CControlUI();
            last->SetFixedHeight(20);
            scene.box->AddItem(control);
            scene.box->AddItem(sibling);
            scene.box->AddItem(last);
            bool removed = false;
            scene.window.onNotify = [&](NotifyMsgUI& msg) {
                if (removed || msg.sType != L"showactivex")
                    return;
                removed = true;
                ASSERT_TRUE(scene.box->RemoveItem(itself ? static_cast<CControlUI*>(control) : sibling));
                // A message box's loop runs the deletion queue inside the handler.
                if (defers)
                    PumpPending();
            };
            // The layout pass places every control before any handler runs.
            InvalidateRect(scene.hwnd, NULL, FALSE);
            UpdateWindow(scene.hwnd);
            EXPECT_EQ(80, last->GetPos().top);
            PumpPending();
            ASSERT_TRUE(removed);
            scene.Repaint();
            ASSERT_EQ(2, scene.box->ItemCount());
            EXPECT_EQ(scene.box->ItemAt(0)->GetPos().bottom, last->GetPos().top);
            EXPECT_EQ(itself ? 0 : 1, fake.liveObjects());
            scene.Poke();
        }
    }
}

TEST(ActiveXLifetime, FocusHandlerReleasesOrDeletesTheControlWhileItsObjectTakesTheFocus)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    enum Action
    {
        RELEASE,
        DELETE_AT_ONCE,
        DELETE_DEFERRED
    };
    // A windowless object asks its site for the focus of its own accord; a windowed one when its host window
    // takes the focus, from inside that window's message.
    for (bool windowed : {false, true}) {
        for (Action action : {RELEASE, DELETE_AT_ONCE, DELETE_DEFERRED}) {
            SCOPED_TRACE(std::string(windowed ? "windowed, " : "windowless, ") + (action == RELEASE ? "released"
                                                                                  : action == DELETE_AT_ONCE
                                                                                      ? "deleted at once"
                                                                                      : "deferred, modal loop"));
            fake.reset(0);
            fake.focusOnUIActivate(windowed);
            BoxWindow scene;
            scene.box->SetDefersItemDeletion(action == DELETE_DEFERRED);
            CActiveXUI* control = new CActiveXUI();
            control->SetModuleName(fake.path.c_str());
            control->SetCLSID(windowed ? CLSID_FakeWindowed : CLSID_FakeWindowless);
            scene.box->AddItem(control);
            scene.Repaint();
            ASSERT_EQ(1, fake.liveObjects());
            HWND host = control->GetHostWindow();
            bool handled = false;
            scene.window.onNotify = [&](NotifyMsgUI& msg) {
                if (handled || msg.sType != L"setfocus")
                    return;
                handled = true;
                if (action == RELEASE) {
                    control->ReleaseControl();
                    return;
                }
                ASSERT_TRUE(scene.box->RemoveItem(control));
                if (action == DELETE_DEFERRED)
                    PumpPending();
            };
            if (windowed) {
                ASSERT_TRUE(IsWindow(host) && host != scene.hwnd);
                SetFocus(host);
                // The handler ran under a focus change called from outside any message: what it removed goes
                // with the next message.
                PumpPending();
                EXPECT_FALSE(IsWindow(host));
            } else {
                // The object no longer has its site's focus: the call fails.
                EXPECT_EQ(E_UNEXPECTED, fake.takeFocus());
            }
            fake.focusOnUIActivate(0);
            EXPECT_TRUE(handled);
            PumpPending();
            EXPECT_EQ(0, fake.liveObjects());
            scene.Poke();
        }
    }
}
