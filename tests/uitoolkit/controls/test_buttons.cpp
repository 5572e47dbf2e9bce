#include "controls/ButtonUI.h"
#include "TestCanvas.h"
#include "TestHelpers.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

int Clicks(const CTestWindow& window)
{
    return static_cast<int>(std::count(window.notifications.begin(), window.notifications.end(), L"click"));
}

// A window holding one button at 20,20 sized 100 x 40.
struct ButtonScene
{
    ButtonScene()
    {
        InitToolkitForTests();
        ParkCursor();
        hwnd = window.Create();
        CTestContainer* root = new CTestContainer(L"root");
        button = new CButtonUI();
        button->SetText(L"OK");
        root->Add(button, 20, 20, 100, 40);
        window.manager.AttachRoot(root);
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
    }
    ~ButtonScene()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    void Send(UINT message, WPARAM wParam, LPARAM lParam) { SendMessageW(hwnd, message, wParam, lParam); }

    CTestWindow window;
    HWND hwnd;
    CButtonUI* button;
};

std::vector<DWORD> Solid(DWORD color)
{
    return std::vector<DWORD>(16, color);
}

// Images of one colour each, in a resource folder of their own.
struct StateImages
{
    StateImages()
    {
        const std::pair<const wchar_t*, DWORD> images[] = {{L"normal.png", 0xFF808080}, {L"hot.png", 0xFFFF0000},
                                                           {L"pushed.png", 0xFF00FF00}, {L"disabled.png", 0xFF0000FF},
                                                           {L"fore.png", 0xFFFFFF00},   {L"hotfore.png", 0xFF00FFFF}};
        for (const auto& image : images)
            folder.Write(image.first, MakePng(4, 4, Solid(image.second)));
        CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    }
    TempFolder folder;
};

} // namespace

TEST(ButtonInput, ClickOnlyWhenReleasedInside)
{
    ButtonScene scene;
    scene.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(50, 40));
    EXPECT_EQ(UISTATE_CAPTURED | UISTATE_PUSHED, scene.button->GetState() & (UISTATE_CAPTURED | UISTATE_PUSHED));
    scene.Send(WM_MOUSEMOVE, MK_LBUTTON, At(200, 150));
    EXPECT_EQ(0u, scene.button->GetState() & UISTATE_PUSHED);
    scene.Send(WM_LBUTTONUP, 0, At(200, 150));
    EXPECT_EQ(0, Clicks(scene.window));
    EXPECT_EQ(0u, scene.button->GetState() & UISTATE_CAPTURED);

    scene.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(50, 40));
    scene.Send(WM_MOUSEMOVE, MK_LBUTTON, At(200, 150));
    scene.Send(WM_MOUSEMOVE, MK_LBUTTON, At(60, 45));
    EXPECT_NE(0u, scene.button->GetState() & UISTATE_PUSHED);
    scene.Send(WM_LBUTTONUP, 0, At(60, 45));
    EXPECT_EQ(1, Clicks(scene.window));

    // Space and Enter on the focused button click it too.
    scene.window.manager.SetFocusControl(scene.button);
    scene.Send(WM_KEYDOWN, VK_SPACE, 0);
    scene.Send(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(3, Clicks(scene.window));

    // A disabled button ignores presses and keys and has no state left.
    scene.button->SetEnabled(false);
    EXPECT_EQ(0u, scene.button->GetState());
    EXPECT_FALSE(scene.button->Trigger());
    scene.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(50, 40));
    EXPECT_EQ(0u, scene.button->GetState() & UISTATE_PUSHED);
    scene.Send(WM_LBUTTONUP, 0, At(50, 40));
    EXPECT_EQ(3, Clicks(scene.window));
    EXPECT_EQ(UIFLAG_TABSTOP, scene.button->BehaviourFlags());
}

TEST(ButtonPainting, StateImagesAndHotForeImage)
{
    StateImages images;
    CWindowManagerUI manager;
    CButtonUI button;
    button.AttachManager(&manager, NULL, false);
    RECT rc = {0, 0, 20, 20};
    button.SetPos(rc);
    button.ApplyAttribute(L"normalimage", L"normal.png");
    button.ApplyAttribute(L"hotimage", L"hot.png");
    button.ApplyAttribute(L"pushedimage", L"pushed.png");
    button.ApplyAttribute(L"foreimage", L"file='fore.png' dest='15,15,20,20'");
    TestCanvas canvas(20, 20, 0);
    auto paint = [&]() {
        canvas.Fill(0);
        button.Paint(canvas.Dc(), rc);
    };

    paint();
    EXPECT_EQ(0x808080u, canvas.At(5, 5));
    EXPECT_EQ(0xFFFF00u, canvas.At(17, 17));

    InputEventUI event = {};
    event.type = UIEVENT_MOUSEENTER;
    button.HandleEvent(event);
    paint();
    EXPECT_EQ(0xFF0000u, canvas.At(5, 5));
    EXPECT_EQ(0xFFFF00u, canvas.At(17, 17));

    // A hot fore image ends the painting: no fore image.
    button.ApplyAttribute(L"hotforeimage", L"file='hotfore.png' dest='0,0,5,5'");
    paint();
    EXPECT_EQ(0x00FFFFu, canvas.At(2, 2));
    EXPECT_EQ(0xFF0000u, canvas.At(10, 10));
    EXPECT_EQ(0xFF0000u, canvas.At(17, 17));

    // Without it, a hot back colour fills the repainted part and also ends the painting.
    button.SetHotForeImage(L"");
    button.ApplyAttribute(L"hotbkcolor", L"#FF102030");
    paint();
    EXPECT_EQ(0x102030u, canvas.At(17, 17));

    event.type = UIEVENT_BUTTONDOWN;
    event.ptMouse.x = event.ptMouse.y = 5;
    button.HandleEvent(event);
    paint();
    EXPECT_EQ(0x00FF00u, canvas.At(5, 5));

    // Disabled: the disabled image, or the normal one while there is none.
    button.SetEnabled(false);
    paint();
    EXPECT_EQ(0x808080u, canvas.At(5, 5));
    button.SetDisabledImage(L"disabled.png");
    paint();
    EXPECT_EQ(0x0000FFu, canvas.At(5, 5));
}

TEST(ProgressPainting, ValueRangeAndDirection)
{
    StateImages images;
    CWindowManagerUI manager;
    CProgressUI progress;
    progress.AttachManager(&manager, NULL, false);
    EXPECT_EQ(12, progress.GetFixedHeight());
    EXPECT_EQ(static_cast<UINT>(DT_SINGLELINE | DT_CENTER), progress.GetTextStyle());
    RECT rc = {0, 0, 200, 10};
    progress.SetPos(rc);
    progress.ApplyAttribute(L"foreimage", L"file='hot.png' dest='0,0,1,1'");
    progress.ApplyAttribute(L"value", L"50");
    TestCanvas canvas(200, 10, 0);
    progress.Paint(canvas.Dc(), rc);
    EXPECT_EQ(0xFF0000u, canvas.At(0, 5));
    EXPECT_EQ(0xFF0000u, canvas.At(99, 5));
    EXPECT_EQ(0u, canvas.At(100, 5));

    // An empty bar draws nothing at all.
    canvas.Fill(0);
    progress.SetValue(0);
    progress.Paint(canvas.Dc(), rc);
    EXPECT_EQ(0u, canvas.At(0, 5));
    EXPECT_EQ(0u, canvas.At(150, 5));

    progress.ApplyAttribute(L"min", L"10");
    progress.ApplyAttribute(L"max", L"10");
    progress.Paint(canvas.Dc(), rc);
    EXPECT_EQ(11, progress.GetMaxValue());
    EXPECT_EQ(10, progress.GetValue());
    progress.SetMinValue(0);
    progress.SetMaxValue(100);
    progress.SetValue(150);
    progress.Paint(canvas.Dc(), rc);
    EXPECT_EQ(100, progress.GetValue());
    EXPECT_EQ(0xFF0000u, canvas.At(199, 5));

    // Vertical bars fill from the bottom.
    RECT tall = {0, 0, 10, 200};
    CProgressUI vertical;
    vertical.AttachManager(&manager, NULL, false);
    vertical.SetPos(tall);
    vertical.ApplyAttribute(L"hor", L"false");
    vertical.ApplyAttribute(L"foreimage", L"pushed.png");
    vertical.SetValue(25);
    TestCanvas column(10, 200, 0);
    vertical.Paint(column.Dc(), tall);
    EXPECT_EQ(0u, column.At(5, 149));
    EXPECT_EQ(0x00FF00u, column.At(5, 150));
    EXPECT_EQ(0x00FF00u, column.At(5, 199));
    vertical.SetValue(100);
    vertical.Paint(column.Dc(), tall);
    EXPECT_EQ(0x00FF00u, column.At(5, 0));

    // Byte counts in the hundreds of millions: half of the range fills half of the bar.
    canvas.Fill(0);
    progress.SetMaxValue(100000000);
    progress.SetValue(50000000);
    progress.Paint(canvas.Dc(), rc);
    EXPECT_EQ(0xFF0000u, canvas.At(99, 5));
    EXPECT_EQ(0u, canvas.At(100, 5));
}

TEST(LabelPainting, OutsideStaysUntouchedAwayFromTheOrigin)
{
    ButtonScene scene;
    CLabelUI label;
    label.AttachManager(&scene.window.manager, NULL, false);
    RECT rc = {100, 50, 160, 80};
    label.SetPos(rc);
    label.ApplyAttribute(L"textcolor", L"#FFFFFFFF");
    label.ApplyAttribute(L"bkcolor", L"#FF203040");
    label.ApplyAttribute(L"bordercolor", L"#FF00FF00");
    label.ApplyAttribute(L"bordersize", L"2");
    label.ApplyAttribute(L"borderround", L"8,8");
    // Each text is far wider than the label.
    const wchar_t* text = L"WgWgWgWgWgWgWgWgWgWgWgWgWgWgWgWg";
    auto paintedOutside = [&](const wchar_t* what) {
        label.SetText(what);
        TestCanvas canvas(300, 150, 0);
        RECT all = {0, 0, 300, 150};
        label.Paint(canvas.Dc(), all);
        int inside = 0, outside = 0;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 300; ++x) {
                bool in = x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
                (in ? inside : outside) += canvas.At(x, y) != 0 ? 1 : 0;
            }
        EXPECT_GT(inside, 0) << "nothing painted";
        return outside;
    };

    EXPECT_EQ(0, paintedOutside(text)) << "plain";
    label.SetShowHtml(true);
    EXPECT_EQ(0, paintedOutside(L"<b>WgWgWgWgWgWgWgWgWgWgWgWgWgWgWgWg</b>")) << "tagged";
    label.SetShowHtml(false);
    label.ApplyAttribute(L"enabledeffect", L"true");
    label.ApplyAttribute(L"transtext", L"255");
    label.ApplyAttribute(L"transtext1", L"255");
    label.ApplyAttribute(L"enabledstroke", L"true");
    label.ApplyAttribute(L"transstroke", L"255");
    label.ApplyAttribute(L"strokecolor", L"#FFFF0000");
    EXPECT_EQ(0, paintedOutside(text)) << "effects";
}

TEST(LabelAttributes, StyleMeasureEffectsText)
{
    ButtonScene scene;
    CLabelUI* label = new CLabelUI();
    label->AttachManager(&scene.window.manager, NULL, false);
    std::unique_ptr<CLabelUI> owner(label);
    EXPECT_EQ(static_cast<UINT>(DT_VCENTER), label->GetTextStyle());
    label->ApplyAttribute(L"align", L"center");
    label->ApplyAttribute(L"valign", L"bottom");
    EXPECT_EQ(static_cast<UINT>(DT_CENTER | DT_BOTTOM | DT_SINGLELINE), label->GetTextStyle());
    label->ApplyAttribute(L"align", L"right");
    EXPECT_EQ(static_cast<UINT>(DT_RIGHT | DT_BOTTOM), label->GetTextStyle());
    label->ApplyAttribute(L"endellipsis", L"true");
    EXPECT_NE(0u, label->GetTextStyle() & DT_END_ELLIPSIS);
    label->ApplyAttribute(L"rhaa", L"7");
    EXPECT_EQ(0, label->GetTextRenderingHint());
    label->ApplyAttribute(L"rhaa", L"4");
    EXPECT_EQ(4, label->GetTextRenderingHint());
    label->ApplyAttribute(L"textcolor", L"#FF123456");
    EXPECT_EQ(0xFF123456u, label->GetTextColor());
    label->ApplyAttribute(L"bkcolor", L"#FF654321");
    EXPECT_EQ(0xFF654321u, label->GetBkColor());

    int fontHeight = scene.window.manager.GetFontInfo(-1)->tm.tmHeight;
    EXPECT_GT(fontHeight, 0);
    SIZE available = {500, 500};
    EXPECT_EQ(fontHeight + 4, label->MeasureSize(available).cy);
    CButtonUI button;
    button.AttachManager(&scene.window.manager, NULL, false);
    EXPECT_EQ(fontHeight + 8, button.MeasureSize(available).cy);
    EXPECT_EQ(static_cast<UINT>(DT_SINGLELINE | DT_VCENTER | DT_CENTER), button.GetTextStyle());
    label->SetFixedHeight(30);
    EXPECT_EQ(30, label->MeasureSize(available).cy);

    // Effects keep their own copy of the text.
    label->SetText(L"plain");
    label->ApplyAttribute(L"enabledeffect", L"true");
    EXPECT_STREQ(L"plain", label->GetText().Text());
    label->SetText(L"effect");
    EXPECT_STREQ(L"effect", label->GetText().Text());
    label->SetEnabledEffect(false);
    EXPECT_STREQ(L"plain", label->GetText().Text());

    label->ApplyAttribute(L"shadowoffset", L"3,45");
    EXPECT_FLOAT_EQ(-3.0f, label->GetShadowOffsetX());
    EXPECT_FLOAT_EQ(-3.0f, label->GetShadowOffsetY());
    label->ApplyAttribute(L"shadowoffset", L"3,-180");
    EXPECT_FLOAT_EQ(0.0f, label->GetShadowOffsetX());
    EXPECT_FLOAT_EQ(3.0f, label->GetShadowOffsetY());
    label->ApplyAttribute(L"shadowoffset", L"5,200");
    EXPECT_FLOAT_EQ(3.0f, label->GetShadowOffsetY());

    // Focus marks the label without repainting it.
    InputEventUI event = {};
    event.type = UIEVENT_SETFOCUS;
    label->HandleEvent(event);
    EXPECT_TRUE(label->IsFocused());
}

TEST(LabelPainting, PlainAndEffectTextStayInside)
{
    ButtonScene scene;
    CLabelUI label;
    label.AttachManager(&scene.window.manager, NULL, false);
    RECT rc = {10, 10, 110, 40};
    label.SetPos(rc);
    label.SetText(L"Wg");
    label.ApplyAttribute(L"textcolor", L"#FFFFFFFF");
    RECT all = {0, 0, 120, 50};
    auto changedOutside = [](const TestCanvas& canvas) {
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 120; ++x)
                if ((x < 10 || x >= 110 || y < 10 || y >= 40) && canvas.At(x, y) != 0)
                    return true;
        return false;
    };
    auto changedInside = [](const TestCanvas& canvas) {
        for (int y = 10; y < 40; ++y)
            for (int x = 10; x < 110; ++x)
                if (canvas.At(x, y) != 0)
                    return true;
        return false;
    };

    TestCanvas plain(120, 50, 0);
    label.Paint(plain.Dc(), all);
    EXPECT_TRUE(changedInside(plain));
    EXPECT_FALSE(changedOutside(plain));

    TestCanvas effect(120, 50, 0);
    label.ApplyAttribute(L"enabledeffect", L"true");
    label.ApplyAttribute(L"transtext", L"255");
    label.ApplyAttribute(L"transtext1", L"255");
    label.Paint(effect.Dc(), all);
    EXPECT_TRUE(changedInside(effect));
    EXPECT_FALSE(changedOutside(effect));

    // Under Wine GDI+ refuses the dialog face once the prefix links Wine's UI face to the CJK font (the
    // test prefix does): the effect text takes the family GDI selected and still draws, inside its rectangle.
    scene.window.manager.AddFont(7, L"MS Shell Dlg", 12, true, false, true);
    label.SetFont(7);
    TestCanvas bitmapFace(120, 50, 0);
    label.Paint(bitmapFace.Dc(), all);
    EXPECT_TRUE(changedInside(bitmapFace));
    EXPECT_FALSE(changedOutside(bitmapFace));
    label.SetFont(-1);

    // An empty text draws nothing in the plain path.
    TestCanvas empty(120, 50, 0);
    label.SetEnabledEffect(false);
    label.SetText(L"");
    label.Paint(empty.Dc(), all);
    EXPECT_FALSE(changedInside(empty));
}

TEST(LabelPainting, ShadowFollowsTheLabelAndEmptyRectDrawsNothing)
{
    ButtonScene scene;
    CLabelUI label;
    label.AttachManager(&scene.window.manager, NULL, false);
    RECT rc = {100, 50, 200, 80};
    label.SetPos(rc);
    // Only the shadow shows: the text itself is fully transparent.
    const wchar_t* attributes[][2] = {{L"enabledeffect", L"true"},
                                      {L"transtext", L"0"},
                                      {L"transtext1", L"0"},
                                      {L"enabledshadow", L"true"},
                                      {L"textshadowcolora", L"#FF00FF00"},
                                      {L"transshadow", L"255"},
                                      {L"transshadow1", L"255"},
                                      {L"shadowoffset", L"4,45"}};
    for (const auto& attribute : attributes)
        label.ApplyAttribute(attribute[0], attribute[1]);
    label.SetText(L"Wg");
    RECT all = {0, 0, 260, 200};
    // Counts changed pixels inside and outside a band.
    auto changed = [](const TestCanvas& canvas, const RECT& band, bool inside) {
        int count = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 260; ++x) {
                POINT pt = {x, y};
                if ((PtInRect(&band, pt) != FALSE) == inside && canvas.At(x, y) != 0)
                    ++count;
            }
        return count;
    };
    TestCanvas canvas(260, 200, 0);
    label.Paint(canvas.Dc(), all);
    RECT shadow = {96, 46, 196, 76};
    EXPECT_GT(changed(canvas, shadow, true), 0);
    EXPECT_EQ(0, changed(canvas, shadow, false));

    // A rectangle with no room left draws nothing, though GDI+ would read a zero width as unbounded.
    label.ApplyAttribute(L"textpadding", L"50,0,50,0");
    TestCanvas none(260, 200, 0);
    label.Paint(none.Dc(), all);
    EXPECT_EQ(0, changed(none, all, true));
}
