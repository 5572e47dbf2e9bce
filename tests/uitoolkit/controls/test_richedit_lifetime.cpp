#include "controls/ComboUI.h"
#include "controls/RichEditUI.h"
#include "controls/TxtWinHost.h"
#include "skin/SkinBuilder.h"
#include "TestHelpers.h"
#include "TestLog.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

#include <string>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

// A window holding a skin built from inline markup; the first paint lays it out.
struct SkinScene
{
    explicit SkinScene(const wchar_t* markup, int width = 300, int height = 200)
    {
        InitToolkitForTests();
        hwnd = window.Create(width, height);
        CSkinBuilder builder;
        CControlUI* root = builder.Create(markup, NULL, NULL, &window.manager);
        if (root != NULL)
            window.manager.AttachRoot(root);
        Repaint();
    }
    ~SkinScene()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    void Repaint()
    {
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
    }
    template <typename T>
    T* Find(const wchar_t* name, const wchar_t* type) const
    {
        CControlUI* control = window.manager.FindControlByName(name);
        return control != NULL ? static_cast<T*>(control->CastTo(type)) : NULL;
    }
    // The manager offers every message to its filters first: one left behind by a freed control faults
    // under the debug heap.
    void Poke(HWND target = NULL)
    {
        HWND to = target != NULL ? target : hwnd;
        SendMessageW(to, WM_MOUSEMOVE, 0, MAKELPARAM(30, 30));
        SendMessageW(to, WM_KEYDOWN, 'A', 1);
        SendMessageW(to, WM_CHAR, L'a', 1);
        SendMessageW(to, WM_KEYUP, 'A', 0xC0000001);
    }

    CTestWindow window;
    HWND hwnd = NULL;
};

HWND CaretWindow()
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) ? info.hwndCaret : NULL;
}

} // namespace

TEST(RichEditLifetime, RefusedOrDiscardedBuildsLeaveNoFilterBehind)
{
    TempFolder folder;
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    folder.Write(L"loop.xml", Bytes("<Include><Include source=\"loop.xml\"/></Include>"));
    SkinScene scene(L"<Window><Control/></Window>");
    LogCapture log;

    // The tree node is attached while its children are built, so its rich edit gets its host and joins the
    // manager's filters before the include nesting refuses the whole build.
    CSkinBuilder refused;
    EXPECT_EQ(nullptr, refused.Create(L"<Window><TreeView><TreeNode text=\"node\"><RichEdit text=\"in the node\"/>"
                                      L"<Include source=\"loop.xml\"/></TreeNode></TreeView></Window>",
                                      NULL, NULL, &scene.window.manager));
    EXPECT_TRUE(log.HasError({"nested deeper than 16"}));
    scene.Poke();

    // Only the first top-level control is handed out; the builder deletes the second one.
    CSkinBuilder discarding;
    CControlUI* first = discarding.Create(L"<Window><Label name=\"first\"/><TreeView><TreeNode text=\"node\">"
                                          L"<RichEdit text=\"in the second\"/></TreeNode></TreeView></Window>",
                                          NULL, NULL, &scene.window.manager);
    ASSERT_NE(nullptr, first);
    EXPECT_STREQ(L"LabelUI", first->TypeName());
    delete first;
    scene.Poke();

    // A build that is kept registers the rich edit once it is adopted, and it takes typing.
    CSkinBuilder kept;
    CControlUI* root = kept.Create(L"<Window><TreeView><TreeNode text=\"node\"><RichEdit name=\"edit\"/></TreeNode>"
                                   L"</TreeView></Window>",
                                   NULL, NULL, &scene.window.manager);
    ASSERT_NE(nullptr, root);
    ASSERT_TRUE(scene.window.manager.AttachRoot(root));
    scene.Repaint();
    CRichEditUI* edit = scene.Find<CRichEditUI>(L"edit", L"RichEdit");
    ASSERT_NE(nullptr, edit);
    scene.window.manager.SetFocusControl(edit);
    SendMessageW(scene.hwnd, WM_CHAR, L'k', 1);
    EXPECT_STREQ(L"k", edit->GetText());
}

TEST(RichEditLifetime, DeletedInsideAnOpenDropDownLeavesNothingInTheWindow)
{
    SkinScene scene(L"<Window><VerticalLayout><Combo name=\"combo\" height=\"24\" dropboxsize=\"0,120\">"
                    L"<ListContainerElement name=\"row\" height=\"60\"><RichEdit name=\"edit\"/></ListContainerElement>"
                    L"</Combo><Control/></VerticalLayout></Window>");
    CComboUI* combo = scene.Find<CComboUI>(L"combo", L"Combo");
    CContainerUI* row = scene.Find<CContainerUI>(L"row", L"Container");
    CRichEditUI* edit = scene.Find<CRichEditUI>(L"edit", L"RichEdit");
    ASSERT_NE(nullptr, combo);
    ASSERT_NE(nullptr, row);
    ASSERT_NE(nullptr, edit);
    ASSERT_NE(nullptr, edit->GetTextHost());
    // A timer the text services run through the window's manager.
    ASSERT_TRUE(edit->GetTextHost()->TxSetTimer(77, 10));

    ASSERT_TRUE(combo->Trigger());
    ASSERT_NE(nullptr, combo->GetDropDown());
    HWND popup = combo->GetDropDown()->WindowHandle();
    UpdateWindow(popup);
    CWindowManagerUI* dropDown = combo->GetDropDown()->GetLayout()->GetOwnerManager();
    ASSERT_EQ(dropDown, edit->GetOwnerManager());
    // The window's manager let go of the timer and the focus; the drop-down's takes the typing.
    EXPECT_FALSE(scene.window.manager.KillTimerFor(edit, 77));
    EXPECT_NE(edit, scene.window.manager.GetFocus());
    dropDown->SetFocusControl(edit);
    SendMessageW(popup, WM_CHAR, L'd', 1);
    EXPECT_STREQ(L"d", edit->GetText());

    row->RemoveAllItems();
    PumpPending(); // the drop-down's deletion queue
    scene.Poke(popup);
    scene.Poke();
}

TEST(RichEditLifetime, RemovedWhileFocusedOrDraggingLetsGoAtOnce)
{
    SkinScene scene(
        L"<Window><VerticalLayout name=\"box\">"
        L"<RichEdit name=\"e0\" height=\"40\" text=\"abc\"/><RichEdit name=\"e1\" height=\"40\" text=\"abc\"/>"
        L"<RichEdit name=\"e2\" height=\"40\" text=\"abc\"/><RichEdit name=\"e3\" height=\"40\" text=\"abc\"/>"
        L"</VerticalLayout></Window>");
    CContainerUI* box = scene.Find<CContainerUI>(L"box", L"Container");
    ASSERT_NE(nullptr, box);
    CRichEditUI* edits[4] = {};
    for (int i = 0; i < 4; ++i) {
        edits[i] = scene.Find<CRichEditUI>((L"e" + std::to_wstring(i)).c_str(), L"RichEdit");
        ASSERT_NE(nullptr, edits[i]);
    }

    // Typing goes nowhere and the caret goes as soon as the focused edit is removed, whether it is deleted at
    // once or waits in the deletion queue.
    for (int i = 0; i < 2; ++i) {
        bool deferred = i == 0;
        CRichEditUI* edit = edits[i];
        box->SetDefersItemDeletion(deferred);
        scene.window.manager.SetFocusControl(edit);
        SendMessageW(scene.hwnd, WM_CHAR, L'x', 1);
        EXPECT_STREQ(L"xabc", edit->GetText());
        EXPECT_EQ(scene.hwnd, CaretWindow());

        ASSERT_TRUE(box->RemoveItem(edit));
        EXPECT_EQ(nullptr, scene.window.manager.GetFocus()) << "deferred " << deferred;
        EXPECT_EQ(nullptr, CaretWindow()) << "deferred " << deferred;
        SendMessageW(scene.hwnd, WM_CHAR, L'y', 1);
        if (deferred)
            EXPECT_STREQ(L"xabc", edit->GetText()); // alive until the queue runs, but deaf
        PumpPending();
        scene.Poke();
    }

    // A drag selecting text holds the mouse through the manager; the removal ends it there and then.
    scene.Repaint();
    for (int i = 2; i < 4; ++i) {
        bool deferred = i == 2;
        CRichEditUI* edit = edits[i];
        box->SetDefersItemDeletion(deferred);
        RECT rc = edit->GetPos();
        SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.left + 5, rc.top + 10));
        ASSERT_TRUE(edit->GetTextHost()->IsCaptured());
        ASSERT_TRUE(scene.window.manager.IsCaptured());
        ASSERT_EQ(scene.hwnd, GetCapture());

        ASSERT_TRUE(box->RemoveItem(edit));
        EXPECT_FALSE(scene.window.manager.IsCaptured()) << "deferred " << deferred;
        EXPECT_EQ(nullptr, GetCapture()) << "deferred " << deferred;
        EXPECT_EQ(nullptr, scene.window.manager.GetFocus());
        SendMessageW(scene.hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(rc.left + 60, rc.top + 10));
        SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(rc.left + 60, rc.top + 10));
        PumpPending();
        scene.Poke();
        scene.Repaint();
    }
}

// The text services read the resolution of the window's DC while they are made: a destroyed window's reads 0.
TEST(RichEditLifetime, MadeForAWindowThatIsGoneGetsNoTextServices)
{
    InitToolkitForTests();
    CTestWindow window;
    HWND hwnd = window.Create(300, 200);
    DestroyWindow(hwnd);
    CSkinBuilder builder;
    CControlUI* root = builder.Create(L"<Window><RichEdit name=\"r\" password=\"true\" text=\"secret\"/></Window>",
                                      NULL, NULL, &window.manager);
    ASSERT_NE(nullptr, root);
    window.manager.AttachRoot(root);
    CRichEditUI* edit = static_cast<CRichEditUI*>(window.manager.FindControlByName(L"r")->CastTo(L"RichEdit"));
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(nullptr, edit->GetTextHost());
    edit->SetText(L"more");
}
