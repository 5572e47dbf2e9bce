#include "ListScene.h"
#include "controls/ComboUI.h"
#include "controls/ListItemsUI.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <string>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

const wchar_t* COMBO_SKIN =
    L"<Window><VerticalLayout name=\"root\">"
    L"<Combo name=\"combo\" height=\"24\" dropboxsize=\"0,80\">"
    L"<ListLabelElement height=\"20\" text=\"zero\"/><ListLabelElement height=\"20\" text=\"one\"/>"
    L"<ListLabelElement height=\"20\" text=\"two\"/><ListLabelElement height=\"20\" text=\"three\"/>"
    L"<ListLabelElement height=\"20\" text=\"four\"/></Combo>"
    L"<Combo name=\"empty\" height=\"24\" dropboxsize=\"120,150\"/>"
    L"<Control/></VerticalLayout></Window>";

CComboUI* ComboOf(ListScene& scene, const wchar_t* name)
{
    CControlUI* control = scene.Find(name);
    return control != NULL ? static_cast<CComboUI*>(control->CastTo(L"Combo")) : NULL;
}

RECT DropDownRect(CComboUI* combo)
{
    RECT rc = {0, 0, 0, 0};
    GetWindowRect(combo->GetDropDown()->WindowHandle(), &rc);
    return rc;
}

bool WaitClosed(CComboUI* combo)
{
    // Under Wine without a window manager, destroying the active pop-up takes about two seconds.
    return PumpUntil([combo] { return combo->GetDropDown() == NULL; }, 8000);
}

// Every item is the combo's again and belongs to the combo's window.
void ExpectItemsBack(CComboUI* combo, CWindowManagerUI* manager)
{
    for (int i = 0; i < combo->ItemCount(); ++i) {
        EXPECT_EQ(combo, combo->ItemAt(i)->GetParentControl()) << "item " << i;
        EXPECT_EQ(manager, combo->ItemAt(i)->GetOwnerManager()) << "item " << i;
    }
}

} // namespace

TEST(ComboDropDown, GeometrySelectionEscapeAndItemsBack)
{
    ListScene scene(COMBO_SKIN);
    CComboUI* combo = ComboOf(scene, L"combo");
    ASSERT_NE(nullptr, combo);
    ASSERT_TRUE(combo->SelectIndex(1));
    EXPECT_STREQ(L"one", combo->GetText().Text());
    // Beyond the last item selects the last one.
    ASSERT_TRUE(combo->SelectIndex(99));
    EXPECT_EQ(4, combo->CurrentIndex());
    ASSERT_TRUE(combo->SelectIndex(1));

    // Below the combo, as wide as it, as high as the items allow up to the drop-box height.
    scene.heard.clear();
    scene.Press(20, 10);
    scene.Release(20, 10);
    ASSERT_NE(nullptr, combo->GetDropDown());
    EXPECT_EQ(1, scene.Count(L"dropdown"));
    POINT origin = {0, 0};
    ClientToScreen(scene.hwnd, &origin);
    RECT rc = DropDownRect(combo);
    EXPECT_EQ(origin.x, rc.left);
    EXPECT_EQ(origin.y + 24, rc.top);
    EXPECT_EQ(300, rc.right - rc.left);
    EXPECT_EQ(80, rc.bottom - rc.top);
    EXPECT_EQ(combo->GetDropDown()->GetLayout(), combo->ItemAt(0)->GetParentControl());

    // A key in the pop-up moves the selection, which closes it; the items come back.
    HWND popup = combo->GetDropDown()->WindowHandle();
    SendMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(2, combo->CurrentIndex());
    ASSERT_NE(nullptr, scene.Last(L"itemselect"));
    EXPECT_EQ(1, static_cast<int>(scene.Last(L"itemselect")->lParam));
    ASSERT_TRUE(WaitClosed(combo));
    EXPECT_FALSE(IsWindow(popup));
    ExpectItemsBack(combo, &scene.window.manager);
    EXPECT_EQ(0u, combo->GetState() & UISTATE_PUSHED);

    // Escape restores the selection the pop-up opened with, and says so.
    ASSERT_TRUE(combo->Trigger());
    popup = combo->GetDropDown()->WindowHandle();
    SendMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(3, combo->CurrentIndex());
    SendMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(2, combo->CurrentIndex());
    EXPECT_EQ(2u, scene.Last(L"itemselect")->wParam);
    EXPECT_EQ(3, static_cast<int>(scene.Last(L"itemselect")->lParam));
    ASSERT_TRUE(WaitClosed(combo));
    ExpectItemsBack(combo, &scene.window.manager);

    // A click on an item in the pop-up selects it and closes the pop-up.
    ASSERT_TRUE(combo->Trigger());
    popup = combo->GetDropDown()->WindowHandle();
    UpdateWindow(popup); // laid out by its first paint
    SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 11));
    SendMessageW(popup, WM_LBUTTONUP, 0, MAKELPARAM(10, 11));
    EXPECT_EQ(0, combo->CurrentIndex());
    ASSERT_TRUE(WaitClosed(combo));
    ExpectItemsBack(combo, &scene.window.manager);
    EXPECT_STREQ(L"zero", combo->GetText().Text());
}

TEST(ComboDropDown, OpensAboveNearTheBottomAndEmptyCombo)
{
    ListScene scene(COMBO_SKIN);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(scene.hwnd, NULL, 100, work.bottom - 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CComboUI* combo = ComboOf(scene, L"combo");
    ASSERT_NE(nullptr, combo);
    ASSERT_TRUE(combo->Trigger());
    RECT rc = DropDownRect(combo);
    EXPECT_EQ(work.bottom - 30, rc.bottom);
    EXPECT_EQ(work.bottom - 30 - 80, rc.top);
    SendMessageW(combo->GetDropDown()->WindowHandle(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitClosed(combo));

    // Without items: no text, a pop-up 4 pixels high of the drop-box width.
    SetWindowPos(scene.hwnd, NULL, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CComboUI* empty = ComboOf(scene, L"empty");
    ASSERT_NE(nullptr, empty);
    EXPECT_FALSE(empty->SelectIndex(0));
    EXPECT_TRUE(empty->GetText().IsEmpty());
    ASSERT_TRUE(empty->Trigger());
    rc = DropDownRect(empty);
    EXPECT_EQ(4, rc.bottom - rc.top);
    EXPECT_EQ(120, rc.right - rc.left);
    SendMessageW(empty->GetDropDown()->WindowHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitClosed(empty));
}

TEST(ComboDropDown, OwnerWindowGoneOrComboDeletedWhileOpen)
{
    {
        ListScene scene(COMBO_SKIN);
        CComboUI* combo = ComboOf(scene, L"combo");
        ASSERT_NE(nullptr, combo);
        ASSERT_TRUE(combo->Trigger());
        HWND popup = combo->GetDropDown()->WindowHandle();
        // The pop-up goes with its owner window and hands the items back on its way out.
        DestroyWindow(scene.hwnd);
        EXPECT_FALSE(IsWindow(popup));
        EXPECT_EQ(nullptr, combo->GetDropDown());
        ExpectItemsBack(combo, &scene.window.manager);
    }
    ListScene scene(COMBO_SKIN);
    CComboUI* combo = ComboOf(scene, L"combo");
    ASSERT_NE(nullptr, combo);
    ASSERT_TRUE(combo->Trigger());
    HWND popup = combo->GetDropDown()->WindowHandle();
    // Removing an item while open takes it out of the pop-up, which stays open with the others.
    UpdateWindow(popup);
    combo->SetDefersItemDeletion(false);
    ASSERT_TRUE(combo->RemoveItemAt(0));
    EXPECT_EQ(4, combo->GetDropDown()->GetLayout()->ItemCount());
    UpdateWindow(popup);
    SendMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitClosed(combo));
    EXPECT_EQ(4, combo->ItemCount());
    ExpectItemsBack(combo, &scene.window.manager);
    ASSERT_TRUE(combo->Trigger());
    popup = combo->GetDropDown()->WindowHandle();
    CContainerUI* root = static_cast<CContainerUI*>(scene.Find(L"root")->CastTo(L"Container"));
    root->SetDefersItemDeletion(false);
    // Deleting the combo closes its pop-up first.
    ASSERT_TRUE(root->RemoveItem(combo));
    EXPECT_FALSE(IsWindow(popup));
    PumpPending();
    EXPECT_TRUE(IsWindow(scene.hwnd));
}

TEST(ComboDropDown, TextElementDrawsNoTextInACombo)
{
    ListScene scene(L"<Window><VerticalLayout bkcolor=\"#FFFFFFFF\">"
                    L"<Combo name=\"label\" height=\"24\"><ListLabelElement height=\"20\" text=\"WWWW\"/></Combo>"
                    L"<Combo name=\"text\" height=\"24\"><ListTextElement height=\"20\" text=\"WWWW\"/></Combo>"
                    L"</VerticalLayout></Window>",
                    200, 48);
    CComboUI* label = ComboOf(scene, L"label");
    CComboUI* text = ComboOf(scene, L"text");
    ASSERT_NE(nullptr, text);
    ASSERT_TRUE(label->SelectIndex(0));
    ASSERT_TRUE(text->SelectIndex(0));
    EXPECT_EQ(nullptr, text->CastTo(L"IList"));
    scene.Refresh();
    TestCanvas canvas(200, 48, 0xFFFFFF);
    SendMessageW(scene.hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    // Inked pixels in each combo's band: the label element's text shows, the text element's does not.
    int inked[2] = {0, 0};
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 200; ++x)
            inked[y / 24] += canvas.At(x, y) != 0xFFFFFFu ? 1 : 0;
    EXPECT_GT(inked[0], 0);
    EXPECT_EQ(0, inked[1]);
}

TEST(ComboDropDown, ItemsInsertedOrMovedWhileOpenShowThereAndEscapeKeepsItsItem)
{
    ListScene scene(COMBO_SKIN);
    CComboUI* combo = ComboOf(scene, L"combo");
    ASSERT_NE(nullptr, combo);
    ASSERT_TRUE(combo->SelectIndex(2));
    ASSERT_TRUE(combo->Trigger());
    CComboWnd* dropDown = combo->GetDropDown();
    HWND popup = dropDown->WindowHandle();
    CListLabelElementUI* added = new CListLabelElementUI();
    added->SetText(L"new");
    added->SetFixedHeight(20);
    ASSERT_TRUE(combo->InsertItemAt(added, 0));
    // Shown in the open pop-up, in the combo's order.
    ASSERT_EQ(6, dropDown->GetLayout()->ItemCount());
    for (int i = 0; i < combo->ItemCount(); ++i)
        EXPECT_EQ(combo->ItemAt(i), dropDown->GetLayout()->ItemAt(i)) << "item " << i;
    EXPECT_EQ(dropDown->GetLayout(), added->GetParentControl());
    // A move while open shows there too; Escape goes back to the item the pop-up opened on.
    SendMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_TRUE(combo->MoveToIndex(combo->ItemAt(3), 5));
    EXPECT_EQ(combo->ItemAt(5), dropDown->GetLayout()->ItemAt(5));
    scene.heard.clear();
    SendMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_STREQ(L"two", combo->GetText().Text());
    EXPECT_EQ(5, combo->CurrentIndex());
    ASSERT_TRUE(WaitClosed(combo));
    ExpectItemsBack(combo, &scene.window.manager);
    EXPECT_EQ(6, combo->ItemCount());

    // Item-style setters reach the record the items paint with.
    combo->SetItemTextColor(0xFF112233);
    combo->SetItemAlign(DT_RIGHT);
    EXPECT_EQ(0xFF112233u, combo->GetListInfo()->dwTextColor);
    EXPECT_EQ(static_cast<UINT>(DT_RIGHT), combo->GetListInfo()->uTextStyle & (DT_CENTER | DT_RIGHT));
}

TEST(ComboLifetimes, ItemSelectHandlerOfAClickInTheDropDownPumpsOrDeletesTheCombo)
{
    enum Handler
    {
        MODAL_LOOP,
        DELETE_AT_ONCE,
        DELETE_DEFERRED_THEN_MODAL_LOOP
    };
    for (Handler handler : {MODAL_LOOP, DELETE_AT_ONCE, DELETE_DEFERRED_THEN_MODAL_LOOP}) {
        SCOPED_TRACE(handler);
        ListScene scene(COMBO_SKIN);
        CComboUI* combo = ComboOf(scene, L"combo");
        ASSERT_NE(nullptr, combo);
        CContainerUI* root = static_cast<CContainerUI*>(scene.Find(L"root")->CastTo(L"Container"));
        root->SetDefersItemDeletion(handler != DELETE_AT_ONCE);
        bool handled = false;
        scene.window.onNotify = [&](NotifyMsgUI& msg) {
            if (handled || msg.sType != L"itemselect")
                return;
            handled = true;
            if (handler != MODAL_LOOP)
                ASSERT_TRUE(root->RemoveItem(combo));
            // The loop delivers the pop-up's close, which frees the pop-up and its manager mid-click.
            if (handler != DELETE_AT_ONCE)
                RunModalLoop();
        };
        ASSERT_TRUE(combo->Trigger());
        HWND popup = combo->GetDropDown()->WindowHandle();
        UpdateWindow(popup);
        SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 31));
        if (IsWindow(popup))
            SendMessageW(popup, WM_LBUTTONUP, 0, MAKELPARAM(10, 31));
        ASSERT_TRUE(handled);
        if (handler == MODAL_LOOP) {
            EXPECT_EQ(1, combo->CurrentIndex());
            ASSERT_TRUE(WaitClosed(combo));
            ExpectItemsBack(combo, &scene.window.manager);
        } else {
            EXPECT_FALSE(IsWindow(popup));
            EXPECT_EQ(nullptr, scene.Find(L"combo"));
        }
        // The window goes on: the other combo still opens.
        PumpPending();
        CComboUI* empty = ComboOf(scene, L"empty");
        ASSERT_TRUE(empty->Trigger());
        SendMessageW(empty->GetDropDown()->WindowHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(WaitClosed(empty));
    }
}

TEST(ComboLifetimes, DropDownHandlerRefillsTheOpenPopUpAndItShowsTheNewItems)
{
    struct Case
    {
        const wchar_t* combo;
        bool defers; // deferred deletion, then a modal loop in the handler
    };
    for (const Case& c : {Case{L"combo", false}, Case{L"empty", false}, Case{L"combo", true}}) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.combo).c_str() << (c.defers ? " deferred" : " at once"));
        ListScene scene(COMBO_SKIN);
        CComboUI* combo = ComboOf(scene, c.combo);
        ASSERT_NE(nullptr, combo);
        combo->SetDefersItemDeletion(c.defers);
        scene.window.onNotify = [&](NotifyMsgUI& msg) {
            if (msg.sType != L"dropdown")
                return;
            combo->RemoveAllItems();
            for (const wchar_t* text : {L"a", L"b", L"c"}) {
                CListLabelElementUI* item = new CListLabelElementUI();
                item->SetText(text);
                item->SetFixedHeight(20);
                combo->AddItem(item);
            }
            if (c.defers)
                RunModalLoop();
        };
        RECT pos = combo->GetPos();
        scene.Press(pos.left + 20, pos.top + 10);
        scene.Release(pos.left + 20, pos.top + 10);
        CComboWnd* dropDown = combo->GetDropDown();
        ASSERT_NE(nullptr, dropDown);
        ASSERT_EQ(3, dropDown->GetLayout()->ItemCount());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(combo->ItemAt(i), dropDown->GetLayout()->ItemAt(i)) << "item " << i;
        // As high as the new items, and a click picks one of them.
        HWND popup = dropDown->WindowHandle();
        RECT rc = DropDownRect(combo);
        EXPECT_EQ(64, rc.bottom - rc.top);
        UpdateWindow(popup);
        SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 31));
        SendMessageW(popup, WM_LBUTTONUP, 0, MAKELPARAM(10, 31));
        ASSERT_TRUE(WaitClosed(combo));
        EXPECT_STREQ(L"b", combo->GetText().Text());
        ExpectItemsBack(combo, &scene.window.manager);
    }
}

// While the drop-down is open an item's parent is the pop-up's layout: the application that takes the item out
// there takes it out of the combo, and may keep it elsewhere, even when it was queued for deletion first.
TEST(ComboLifetimes, ItemTakenOutThroughItsParentInTheOpenDropDownLeavesTheCombo)
{
    for (bool queuedFirst : {false, true}) {
        SCOPED_TRACE(queuedFirst ? "queued for deletion, then taken back" : "kept by the application");
        ListScene scene(COMBO_SKIN);
        CComboUI* combo = ComboOf(scene, L"combo");
        ASSERT_NE(nullptr, combo);
        ASSERT_TRUE(combo->Trigger());
        ASSERT_NE(nullptr, combo->GetDropDown());
        CControlUI* item = combo->ItemAt(1);
        IContainerUI* borrowed = static_cast<IContainerUI*>(item->GetParentControl()->CastTo(L"IContainer"));
        ASSERT_NE(nullptr, borrowed);
        combo->SetOwnsRemovedItems(queuedFirst);
        combo->SetDefersItemDeletion(queuedFirst);
        ASSERT_TRUE(borrowed->RemoveItem(item));
        EXPECT_EQ(4, combo->ItemCount());
        EXPECT_EQ(-1, combo->IndexOf(item));
        auto* root = static_cast<IContainerUI*>(scene.Find(L"root")->CastTo(L"IContainer"));
        ASSERT_TRUE(root->AddItem(item));
        PumpPending();
        EXPECT_EQ(scene.Find(L"root"), item->GetParentControl());
        SendMessageW(combo->GetDropDown()->WindowHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(WaitClosed(combo));
        ExpectItemsBack(combo, &scene.window.manager);
        scene.Refresh();
    }
}

TEST(ComboDropDown, ControlsInsideTheItemsOfAClosedComboTakeNoFocus)
{
    ListScene scene(L"<Window><VerticalLayout><Combo name=\"combo\" height=\"24\">"
                    L"<ListContainerElement height=\"20\"><Button name=\"inner\" height=\"20\"/></ListContainerElement>"
                    L"</Combo><Button name=\"after\" height=\"24\"/></VerticalLayout></Window>");
    CControlUI* inner = scene.Find(L"inner");
    ASSERT_NE(nullptr, inner);
    // The first paint gives the focus to a control that shows; Space and Tab never reach the hidden button.
    EXPECT_NE(nullptr, scene.window.manager.GetFocus());
    for (int i = 0; i < 3; ++i) {
        CControlUI* focus = scene.window.manager.GetFocus();
        EXPECT_NE(inner, focus) << i;
        if (focus != scene.Find(L"combo"))
            scene.Key(VK_SPACE);
        scene.Key(VK_TAB);
    }
    for (const HeardNotify& h : scene.heard)
        EXPECT_NE(inner, h.sender) << std::string(h.type.begin(), h.type.end());
}
