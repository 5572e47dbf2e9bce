#include "controls/LabelUI.h"
#include "render/RenderKit.h"
#include "TestCanvas.h"
#include "TestHelpers.h"
#include "core/WindowManager.h"

#include <gtest/gtest.h>

#include <stdlib.h>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

struct HtmlStage
{
    HtmlStage() : canvas(300, 200, 0x000000) {}

    RECT Measure(const wchar_t* text, UINT style = DT_SINGLELINE, int width = 1000)
    {
        RECT rc = {0, 0, width, 1000};
        int none = 0;
        CRenderKitUI::DrawHtmlText(canvas.Dc(), &manager, rc, text, 0xFFFFFFFF, NULL, NULL, none, style | DT_CALCRECT);
        return rc;
    }
    int PlainWidth(const wchar_t* text)
    {
        HGDIOBJ old = SelectObject(canvas.Dc(), manager.GetFontInfo(-1)->hFont);
        SIZE size = {0, 0};
        GetTextExtentPoint32W(canvas.Dc(), text, static_cast<int>(wcslen(text)), &size);
        SelectObject(canvas.Dc(), old);
        return size.cx;
    }
    void Draw(const wchar_t* text, RECT rc, UINT style = DT_SINGLELINE, DWORD color = 0xFFFFFFFF)
    {
        int none = 0;
        CRenderKitUI::DrawHtmlText(canvas.Dc(), &manager, rc, text, color, NULL, NULL, none, style);
    }
    // True when every pixel of a non-empty rectangle has the colour.
    bool All(const RECT& rc, DWORD color)
    {
        if (rc.right <= rc.left || rc.bottom <= rc.top)
            return false;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                if (canvas.At(x, y) != color)
                    return false;
        return true;
    }
    // Counts lit pixels in a rectangle and whether all of them are of the one channel mask.
    int Lit(const RECT& rc, DWORD allowed = 0xFFFFFF, bool* onlyAllowed = NULL)
    {
        int lit = 0;
        bool only = true;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x) {
                DWORD c = canvas.At(x, y);
                if (c == 0)
                    continue;
                ++lit;
                if ((c & ~allowed) != 0)
                    only = false;
            }
        if (onlyAllowed != NULL)
            *onlyAllowed = only;
        return lit;
    }

    CWindowManagerUI manager;
    TestCanvas canvas;
};

} // namespace

TEST(HtmlTextMeasure, EscapesRawTextLinesAndCalcRect)
{
    HtmlStage stage;
    // Escapes print one bracket; an unmatched '<' is text.
    EXPECT_EQ(stage.PlainWidth(L"{"), stage.Measure(L"<{>").right);
    EXPECT_EQ(stage.PlainWidth(L"}>"), stage.Measure(L"<}>{>}").right);
    EXPECT_EQ(stage.PlainWidth(L"< b"), stage.Measure(L"< b").right);
    // Raw mode prints tags as they are.
    EXPECT_EQ(stage.PlainWidth(L"a<b>c</b>"), stage.Measure(L"<r>a<b>c</b></r>").right);
    EXPECT_EQ(stage.PlainWidth(L"ac"), stage.Measure(L"a<x 0>c").right);
    EXPECT_EQ(stage.PlainWidth(L"ac") + 7, stage.Measure(L"a<x 7>c").right);

    // The rectangle shrinks to the widest line and grows to the last one.
    RECT one = stage.Measure(L"abc", 0);
    RECT two = stage.Measure(L"ab\nabcdef", 0);
    EXPECT_EQ(stage.PlainWidth(L"abcdef"), two.right);
    EXPECT_EQ(2 * one.bottom, two.bottom);
    EXPECT_EQ(2 * one.bottom, stage.Measure(L"ab<n>ab", 0).bottom);
    EXPECT_EQ(one.bottom, stage.Measure(L"ab<n>ab", DT_SINGLELINE).bottom);
    // A paragraph ends its line at the close; both lines carry its spacing.
    EXPECT_EQ(2 * (one.bottom + 5), stage.Measure(L"<p 5>ab</p>", 0).bottom);
    EXPECT_EQ(stage.Measure(L"x<p>ab", 0).bottom, two.bottom);
    EXPECT_EQ(40, stage.Measure(L"<y 40>ab", 0).bottom);

    // Word breaking keeps whole words on a line.
    int word = stage.PlainWidth(L"aaaa ");
    RECT wrapped = stage.Measure(L"aaaa bbbb cccc", DT_WORDBREAK, word + 2);
    EXPECT_EQ(3 * one.bottom, wrapped.bottom);
    EXPECT_LE(wrapped.right, word + 2);

    // Nothing for a missing text or manager or an empty rectangle.
    RECT empty = {5, 5, 5, 50};
    int count = 3;
    CRenderKitUI::DrawHtmlText(stage.canvas.Dc(), &stage.manager, empty, L"ab", 0, NULL, NULL, count, DT_CALCRECT);
    EXPECT_EQ(5, empty.right);
    EXPECT_EQ(0, count);
    CRenderKitUI::DrawHtmlText(stage.canvas.Dc(), NULL, empty, L"ab", 0, NULL, NULL, count, DT_CALCRECT);
}

TEST(HtmlTextFonts, VariantsAndNamedFontsAreAddedOnce)
{
    HtmlStage stage;
    FontInfoUI* base = stage.manager.GetFontInfo(-1);
    ASSERT_NE(nullptr, base);
    CStringUI face = base->sFaceName;
    int size = base->iSize;
    EXPECT_EQ(nullptr, stage.manager.FindFont(face, size, true, false, false));

    stage.Measure(L"<b>one <b>two</b> three</b> four");
    HFONT bold = stage.manager.FindFont(face, size, true, false, false);
    ASSERT_NE(nullptr, bold);
    // A nested bold made no bold-underline or other variant.
    EXPECT_EQ(nullptr, stage.manager.FindFont(face, size, true, true, false));
    // The closing of the inner bold leaves the outer one in force.
    EXPECT_EQ(stage.Measure(L"<b>ab</b>").right, stage.Measure(L"<b><b>a</b>b</b>").right);

    stage.Measure(L"<f Arial 12 bold>x</f>");
    HFONT named = stage.manager.FindFont(L"Arial", 12, true, false, false);
    ASSERT_NE(nullptr, named);
    FontInfoUI* info = stage.manager.GetFontInfo(named);
    int id = -1;
    for (int i = 30000; i < 30100 && id < 0; ++i)
        if (stage.manager.GetFont(i) == named)
            id = i;
    EXPECT_GE(id, 30000);
    stage.Measure(L"<f Arial 12 bold>x</f>");
    EXPECT_EQ(named, stage.manager.FindFont(L"Arial", 12, true, false, false));
    EXPECT_EQ(stage.manager.GetFont(id + 1), stage.manager.GetFontInfo(-1)->hFont);
    EXPECT_TRUE(info->bBold);

    stage.Measure(L"<i>x</i><u>y</u>");
    EXPECT_NE(nullptr, stage.manager.FindFont(face, size, false, false, true));
    EXPECT_NE(nullptr, stage.manager.FindFont(face, size, false, true, false));
}

TEST(HtmlTextLinks, RectanglesTextsSplitsAndCapacity)
{
    HtmlStage stage;
    RECT links[4];
    CStringUI texts[4];
    RECT rc = {10, 10, 290, 190};
    int count = 4;
    CRenderKitUI::DrawHtmlText(stage.canvas.Dc(), &stage.manager, rc, L"go <a first>here</a> or <a second>there</a>",
                               0xFFFFFFFF, links, texts, count, DT_SINGLELINE);
    ASSERT_EQ(2, count);
    EXPECT_STREQ(L"first", texts[0]);
    EXPECT_STREQ(L"second", texts[1]);
    EXPECT_EQ(10 + stage.PlainWidth(L"go "), links[0].left);
    EXPECT_LT(links[0].left, links[0].right);
    EXPECT_LT(links[0].right, links[1].left);
    EXPECT_EQ(10, links[0].top);
    EXPECT_EQ(links[0].bottom, links[1].bottom);
    EXPECT_GT(links[0].bottom, links[0].top);

    // Only as many links as there is room for.
    count = 1;
    texts[1] = L"untouched";
    CRenderKitUI::DrawHtmlText(stage.canvas.Dc(), &stage.manager, rc, L"<a one>a</a> <a two>b</a> <a three>c</a>",
                               0xFFFFFFFF, links, texts, count, DT_SINGLELINE);
    EXPECT_EQ(1, count);
    EXPECT_STREQ(L"one", texts[0]);
    EXPECT_STREQ(L"untouched", texts[1]);

    // A link broken over two lines is two entries with one text.
    int word = stage.PlainWidth(L"aaaa ");
    RECT narrow = {0, 0, word + 2, 190};
    count = 4;
    CRenderKitUI::DrawHtmlText(stage.canvas.Dc(), &stage.manager, narrow, L"<a both>aaaa bbbb</a>", 0xFFFFFFFF, links,
                               texts, count, DT_WORDBREAK);
    ASSERT_EQ(2, count);
    EXPECT_STREQ(L"both", texts[0]);
    EXPECT_STREQ(L"both", texts[1]);
    EXPECT_EQ(0, links[1].left);
    EXPECT_EQ(links[0].bottom, links[1].top);
}

TEST(HtmlTextDrawing, ColoursSelectionImagesAndLabel)
{
    HtmlStage stage;
    RECT all = {0, 0, 300, 200};
    // Both colour tag forms give pure red text on black.
    for (const wchar_t* text : {L"{c #FFFF0000}MMMM{/c}", L"<c FFFF0000>MMMM</c>"}) {
        stage.canvas.Fill(0);
        stage.Draw(text, all, 0);
        bool onlyRed = false;
        EXPECT_GT(stage.Lit(all, 0xFF0000, &onlyRed), 0) << text;
        EXPECT_TRUE(onlyRed) << text;
    }

    // The selection paints an opaque band in the selected colour behind the text, clipped to the rectangle.
    // The text is drawn in the band's own colour: the band is one block whatever the font's glyphs, and
    // its extents follow the measured glyph width and line height. Lines wrap at whole glyphs.
    const DWORD blue = 0xFF0000FF;
    stage.manager.SetDefaultSelectedColor(blue);
    stage.canvas.Fill(0);
    RECT box = {20, 20, 60, 60};
    stage.Draw(L"<s>MMMMMMMMMMMMMMMMMMMMMMMM</s>", box, 0, blue);
    const int line = stage.manager.GetFontInfo(-1)->tm.tmHeight;
    const int glyph = stage.Measure(L"M").right;
    ASSERT_GT(line, 0);
    ASSERT_GT(glyph, 0);
    ASSERT_LE(glyph, 40);
    EXPECT_TRUE(stage.All({20, 20, 20 + 40 / glyph * glyph, 20 + line}, 0x0000FF));
    EXPECT_TRUE(stage.All({20, 20, 20 + glyph, 60}, 0x0000FF));
    EXPECT_EQ(0, stage.Lit({0, 0, 20, 200}) + stage.Lit({60, 0, 300, 200}));
    EXPECT_EQ(0, stage.Lit({0, 0, 300, 20}) + stage.Lit({0, 60, 300, 200}));

    // Centred on both axes, and flush right: the band is the measured width by one line.
    const int width = stage.Measure(L"<s>MMMM</s>").right;
    stage.canvas.Fill(0);
    stage.Draw(L"<s>MMMM</s>", all, DT_SINGLELINE | DT_CENTER | DT_VCENTER, blue);
    EXPECT_TRUE(stage.All({152 - width / 2, 102 - line / 2, 148 + width / 2, 98 + line / 2}, 0x0000FF));
    EXPECT_EQ(0, stage.Lit({0, 0, 148 - width / 2, 200}) + stage.Lit({152 + width / 2, 0, 300, 200}));
    EXPECT_EQ(0, stage.Lit({0, 0, 300, 98 - line / 2}) + stage.Lit({0, 102 + line / 2, 300, 200}));
    stage.canvas.Fill(0);
    stage.Draw(L"<s>MMMM</s>", all, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, blue);
    EXPECT_TRUE(stage.All({301 - width, 201 - line, 300, 200}, 0x0000FF));
    EXPECT_EQ(0, stage.Lit({0, 0, 299 - width, 200}) + stage.Lit({0, 0, 300, 199 - line}));

    // An inline image draws the chosen frame with its own width.
    TempFolder folder;
    std::vector<DWORD> pixels;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            pixels.push_back(x < 8 ? 0xFFFF0000 : 0xFF00FF00);
    folder.Write(L"frames.png", MakePng(16, 8, pixels));
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    stage.canvas.Fill(0);
    stage.Draw(L"<i frames.png 2 1>", all, 0);
    RECT band = {0, 0, 8, 200};
    bool green = false;
    EXPECT_GT(stage.Lit(band, 0x00FF00, &green), 0);
    EXPECT_TRUE(green);
    EXPECT_EQ(0u, stage.canvas.At(8, 100) | stage.canvas.At(8, 0));
    RECT measured = stage.Measure(L"<i frames.png 2 1><i file='frames.png'>", 0);
    EXPECT_EQ(24, measured.right);

    // A label showing tagged text draws through the same path: one line centred in its rectangle.
    CLabelUI label;
    label.AttachManager(&stage.manager, NULL, false);
    label.SetShowHtml(true);
    label.SetTextColor(blue);
    label.SetText(L"<s>MMMMMMMMMMMMMMMMMMMMMMMM</s>");
    RECT pos = {100, 100, 150, 150};
    label.SetPos(pos);
    stage.canvas.Fill(0);
    label.Paint(stage.canvas.Dc(), all);
    int top = 0, bottom = 0;
    for (int y = 100; y < 150; ++y)
        if (stage.canvas.At(101, y) == 0x0000FF) {
            top = top == 0 ? y : top;
            bottom = y + 1;
        }
    EXPECT_EQ(line, bottom - top);
    EXPECT_LE(std::abs((top + bottom) / 2 - 125), 1);
    EXPECT_TRUE(stage.All({100, top, 100 + glyph, bottom}, 0x0000FF));
    EXPECT_EQ(0, stage.Lit({0, 0, 100, 200}) + stage.Lit({150, 0, 300, 200}));
    EXPECT_EQ(0, stage.Lit({0, 0, 300, 100}) + stage.Lit({0, 150, 300, 200}));
}
