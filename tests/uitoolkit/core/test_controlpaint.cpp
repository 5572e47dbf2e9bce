#include "TestCanvas.h"
#include "TestHelpers.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

// A plain control in a windowless manager, painted into a DIB.
struct Stage
{
    Stage() : canvas(100, 100, 0x000000)
    {
        control.AttachManager(&manager, NULL, false);
        RECT rc = {10, 10, 90, 90};
        control.SetPos(rc);
    }
    void Paint(RECT area = {0, 0, 100, 100}) { control.Paint(canvas.Dc(), area); }

    CWindowManagerUI manager;
    CControlUI control;
    TestCanvas canvas;
};

} // namespace

TEST(ControlColors, AttributesAndBackgroundPainting)
{
    Stage stage;
    CControlUI& c = stage.control;
    c.ApplyAttribute(L"bkcolor", L" \t#FFFF0000");
    EXPECT_EQ(0xFFFF0000u, c.GetBkColor());
    c.ApplyAttribute(L"bordercolor", L" #FF00FF00");
    EXPECT_EQ(0u, c.GetBorderColor());
    c.ApplyAttribute(L"bordercolor", L"#FF00FF00");
    EXPECT_EQ(0xFF00FF00u, c.GetBorderColor());
    c.ApplyAttribute(L"focusbordercolor", L"FF0000FF");
    EXPECT_EQ(0xFF0000FFu, c.GetFocusBorderColor());
    c.SetBorderColor(0);
    c.SetFocusBorderColor(0);

    // An opaque colour covers only the repainted part.
    RECT left = {0, 0, 50, 100};
    stage.Paint(left);
    EXPECT_EQ(0xFF0000u, stage.canvas.At(49, 50));
    EXPECT_EQ(0u, stage.canvas.At(50, 50));
    EXPECT_EQ(0u, stage.canvas.At(5, 50));
    EXPECT_EQ(50, c.GetPaintRect().right);

    // A translucent one is laid over the whole control.
    stage.canvas.Fill(0);
    c.ApplyAttribute(L"bkcolor", L"#80FF0000");
    stage.Paint(left);
    EXPECT_TRUE(NearColor(0x800000, stage.canvas.At(70, 50))) << std::hex << stage.canvas.At(70, 50);

    // Two colours make a vertical gradient; three make two halves meeting at the middle colour.
    c.ApplyAttribute(L"bkcolor", L"#FFFF0000");
    c.ApplyAttribute(L"bkcolor2", L"#FF0000FF");
    stage.Paint();
    EXPECT_TRUE(NearColor(0xFF0000, stage.canvas.At(50, 10), 24));
    EXPECT_TRUE(NearColor(0x0000FF, stage.canvas.At(50, 89), 24));
    c.ApplyAttribute(L"bkcolor3", L"#FF00FF00");
    stage.Paint();
    EXPECT_TRUE(NearColor(0xFF0000, stage.canvas.At(50, 10), 40));
    EXPECT_TRUE(NearColor(0x0000FF, stage.canvas.At(50, 49), 40)) << std::hex << stage.canvas.At(50, 49);
    EXPECT_TRUE(NearColor(0x00FF00, stage.canvas.At(50, 89), 40));

    // Nothing is painted outside the control.
    stage.canvas.Fill(0);
    RECT away = {0, 0, 5, 5};
    stage.Paint(away);
    EXPECT_EQ(0u, stage.canvas.At(20, 20));
}

TEST(ControlBorders, SizesSidesFocusAndRoundCorners)
{
    Stage stage;
    CControlUI& c = stage.control;
    c.ApplyAttribute(L"bordercolor", L"#FFFFFFFF");
    c.ApplyAttribute(L"bordersize", L"2");
    stage.Paint();
    EXPECT_EQ(0xFFFFFFu, stage.canvas.At(11, 50));
    EXPECT_EQ(0u, stage.canvas.At(12, 50));
    EXPECT_EQ(0xFFFFFFu, stage.canvas.At(50, 88));

    // Per-side sizes draw only their own lines; the overall size stays.
    stage.canvas.Fill(0);
    c.ApplyAttribute(L"bordersize", L"1,0,1,0");
    EXPECT_EQ(2, c.GetBorderSize());
    stage.Paint();
    EXPECT_EQ(0xFFFFFFu, stage.canvas.At(10, 50));
    EXPECT_EQ(0xFFFFFFu, stage.canvas.At(90, 50));
    EXPECT_EQ(0u, stage.canvas.At(50, 10));
    EXPECT_EQ(0u, stage.canvas.At(50, 90));

    // A single size clears the per-side sizes again; a focused control takes the focus colour.
    stage.canvas.Fill(0);
    c.ApplyAttribute(L"bordersize", L"1");
    c.ApplyAttribute(L"focusbordercolor", L"#FF0000FF");
    InputEventUI focus = {};
    focus.type = UIEVENT_SETFOCUS;
    c.OnEvent(focus);
    stage.Paint();
    EXPECT_EQ(0x0000FFu, stage.canvas.At(50, 10));
    EXPECT_EQ(0u, stage.canvas.At(50, 11));

    // Round corners clip the background and round the frame.
    stage.canvas.Fill(0);
    c.ApplyAttribute(L"bkcolor", L"#FF00FF00");
    c.ApplyAttribute(L"borderround", L"20,20");
    stage.Paint();
    EXPECT_EQ(0u, stage.canvas.At(10, 10));
    EXPECT_EQ(0u, stage.canvas.At(11, 11));
    EXPECT_EQ(0x00FF00u, stage.canvas.At(50, 50));
    EXPECT_EQ(0x0000FFu, stage.canvas.At(50, 10));
    // The clip is gone after painting.
    RECT all = {0, 0, 100, 100};
    CRenderKitUI::DrawColor(stage.canvas.Dc(), all, 0xFFFF0000);
    EXPECT_EQ(0xFF0000u, stage.canvas.At(0, 0));
}

TEST(ControlImages, BackImageSizingAndAttributeLists)
{
    TempFolder folder;
    folder.Write(L"blue.png", MakePng(6, 4, std::vector<DWORD>(24, 0xFF0000FF)));
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());

    Stage stage;
    CControlUI& c = stage.control;
    c.ApplyAttribute(L"bkimage", L"file='blue.png' dest='10,10,30,30'");
    stage.Paint();
    EXPECT_EQ(0u, stage.canvas.At(19, 19));
    EXPECT_EQ(0x0000FFu, stage.canvas.At(20, 20));
    EXPECT_EQ(0x0000FFu, stage.canvas.At(39, 39));
    EXPECT_EQ(0u, stage.canvas.At(40, 40));
    EXPECT_STREQ(L"file='blue.png' dest='10,10,30,30'", c.GetBkImage());

    // A floating control without a size takes its image's size.
    CControlUI floating;
    floating.AttachManager(&stage.manager, NULL, false);
    floating.SetFloat(true);
    floating.SetBkImage(L"blue.png");
    EXPECT_EQ(6, floating.GetFixedWidth());
    EXPECT_EQ(4, floating.GetFixedHeight());
    CControlUI sized;
    sized.AttachManager(&stage.manager, NULL, false);
    sized.SetFloat(true);
    sized.SetFixedWidth(50);
    sized.SetBkImage(L"blue.png");
    EXPECT_EQ(0, sized.GetFixedHeight());

    CControlUI listed;
    listed.ApplyAttributeList(L"name=\"first\" bkcolor=\"#FF112233\" width=\"30\"");
    EXPECT_STREQ(L"first", listed.GetName().Text());
    EXPECT_EQ(0xFF112233u, listed.GetBkColor());
    EXPECT_EQ(30, listed.GetFixedWidth());
    // A value without quotes, or a second blank, ends the list quietly.
    listed.ApplyAttributeList(L"name=\"second\" width=40 height=\"9\"");
    EXPECT_STREQ(L"second", listed.GetName().Text());
    EXPECT_EQ(30, listed.GetFixedWidth());
    EXPECT_EQ(0, listed.GetFixedHeight());
    listed.ApplyAttributeList(L"text=\"a\"  height=\"9\"");
    EXPECT_EQ(0, listed.GetFixedHeight());
    listed.ApplyAttributeList(L"text=\"unterminated");
    EXPECT_STREQ(L"a", listed.GetText().Text());
}

TEST(ControlImages, PaintedThroughTheWindow)
{
    TempFolder folder;
    folder.Write(L"tile.png", MakePng(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    InitToolkitForTests();
    CTestWindow window;
    HWND hwnd = window.Create();
    CTestContainer* root = new CTestContainer(L"root", RGB(0, 0, 0));
    CControlUI* tiled = new CControlUI();
    tiled->ApplyAttribute(L"bkimage", L"file='tile.png' xtiled='true' ytiled='true'");
    tiled->ApplyAttribute(L"bordercolor", L"#FFFFFF00");
    tiled->ApplyAttribute(L"bordersize", L"1");
    root->Add(tiled, 20, 20, 40, 40);
    window.manager.AttachRoot(root);
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);

    TestCanvas canvas(300, 200);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(0xFFFF00u, canvas.At(20, 20));
    EXPECT_EQ(0xFFFFFFu, canvas.At(21, 21));
    EXPECT_EQ(0xFF0000u, canvas.At(22, 22));
    EXPECT_EQ(0x00FF00u, canvas.At(23, 22));
    EXPECT_EQ(0x0000FFu, canvas.At(22, 23));
    EXPECT_EQ(0u, canvas.At(10, 10));
    DestroyWindow(hwnd);
}
