#include "ListScene.h"
#include "controls/ListHeaderItemUI.h"
#include "controls/ListItemsUI.h"
#include "TestCanvas.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace UiToolkit;
using namespace TestHelpers;

TEST(ListPainting, BackgroundPrecedenceImagesAndLineColour)
{
    TempFolder folder;
    folder.Write(L"sel.png", MakePng(4, 4, std::vector<DWORD>(16, 0xFF00FFFF)));
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    std::wstring rows;
    for (int i = 0; i < 6; ++i)
        rows += L"<ListLabelElement height=\"20\"/>";
    ListScene scene(L"<Window><List name=\"list\" header=\"hidden\" bkcolor=\"#FFFFFFFF\" itembkcolor=\"#FF102030\" "
                    L"itemaltbk=\"true\" itemhotbkcolor=\"#FF00FF00\" itemselectedbkcolor=\"#FF0000FF\" "
                    L"itemdisabledbkcolor=\"#FF808080\" itemlinecolor=\"#FFFF0000\">" +
                        rows + L"</List></Window>",
                    200, 200);
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    list->ItemAt(3)->SetEnabled(false);
    ASSERT_TRUE(list->SelectIndex(2));
    scene.Move(5, 105); // row 5 hot

    EXPECT_EQ(0x102030u, scene.PixelAt(5, 5));   // even row: the item colour
    EXPECT_EQ(0xFFFFFFu, scene.PixelAt(5, 25));  // odd row: none, the list shows through
    EXPECT_EQ(0x0000FFu, scene.PixelAt(5, 45));  // selected
    EXPECT_EQ(0x808080u, scene.PixelAt(5, 65));  // disabled
    EXPECT_EQ(0x00FF00u, scene.PixelAt(5, 105)); // hot wins over the alternate row
    EXPECT_EQ(0xFF0000u, scene.PixelAt(5, 19));  // the line on each row's last pixel row
    EXPECT_EQ(0xFF0000u, scene.PixelAt(150, 39));
    // Hovering the selected row keeps it selected-coloured; a disabled row stays disabled-coloured.
    scene.Move(5, 45);
    EXPECT_EQ(0x0000FFu, scene.PixelAt(5, 45));
    scene.Move(5, 65);
    EXPECT_EQ(0x808080u, scene.PixelAt(5, 65));

    // A state image that draws ends the background: no line under the selected row.
    list->ApplyAttribute(L"itemselectedimage", L"sel.png");
    EXPECT_EQ(0x00FFFFu, scene.PixelAt(5, 45));
    EXPECT_EQ(0x00FFFFu, scene.PixelAt(5, 59));
    EXPECT_EQ(0xFF0000u, scene.PixelAt(5, 79));
}

TEST(ListHeaderDrag, SeparatorDragFloorAndLeftEdgeSeparator)
{
    ListScene scene(
        L"<Window><List name=\"list\"><ListHeader height=\"20\">"
        L"<ListHeaderItem name=\"a\" width=\"100\"/><ListHeaderItem name=\"b\" width=\"100\" sepwidth=\"-4\"/>"
        L"</ListHeader><ListLabelElement height=\"20\"/></List></Window>",
        300, 100);
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    CControlUI* a = scene.Find(L"a");
    CControlUI* b = scene.Find(L"b");
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(UIFLAG_SETCURSOR, a->BehaviourFlags());

    // A press beside the separator is a click on the column.
    scene.Press(50, 10);
    scene.Release(50, 10);
    EXPECT_EQ(1, scene.Count(L"headerclick"));

    // Dragging the right-edge separator widens the column and the columns after it move.
    scene.Press(98, 10);
    scene.Move(128, 10, true);
    EXPECT_EQ(130, a->GetFixedWidth());
    // Narrower than the 16-pixel minimum: ignored, and the next step still measures from x = 128.
    scene.Move(10, 10, true);
    EXPECT_EQ(130, a->GetFixedWidth());
    scene.Move(138, 10, true);
    EXPECT_EQ(140, a->GetFixedWidth());
    scene.Release(138, 10);
    scene.Refresh();
    EXPECT_EQ(140, a->GetWidth());
    EXPECT_EQ(140, list->GetListInfo()->rcColumn[1].left);
    EXPECT_EQ(1, scene.Count(L"headerclick"));

    // A negative width puts the separator at the left edge: dragging it left widens the column.
    scene.Press(142, 10);
    scene.Move(122, 10, true);
    scene.Release(122, 10);
    scene.Refresh();
    EXPECT_EQ(120, b->GetFixedWidth());
    EXPECT_EQ(140, b->GetPos().left);
    EXPECT_EQ(260, list->GetListInfo()->rcColumn[1].right);
}

namespace {

// Three links in every cell.
class LinkSource : public ListTextSourceUI
{
public:
    const wchar_t* CellText(CControlUI*, int index, int column) override
    {
        asked.push_back(index * 10 + column);
        return L"<a p>x</a> <a q>y</a> <a r>z</a>";
    }
    std::vector<int> asked;
};

} // namespace

TEST(ListTextElement, ColumnsFromTheTextSourceAndAtMostEightLinks)
{
    ListScene scene(L"<Window><List name=\"list\" itemshowhtml=\"true\"><ListHeader height=\"20\">"
                    L"<ListHeaderItem width=\"90\"/><ListHeaderItem width=\"90\"/><ListHeaderItem width=\"90\"/>"
                    L"</ListHeader><ListLabelElement height=\"20\"/><ListTextElement name=\"t\" height=\"30\"/>"
                    L"</List></Window>",
                    300, 100);
    CListUI* list = scene.List();
    ASSERT_NE(nullptr, list);
    CListTextElementUI* text = static_cast<CListTextElementUI*>(scene.Find(L"t")->CastTo(L"ListTextElement"));
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(0, text->GetLinkCount());

    LinkSource source;
    list->SetTextSource(&source);
    scene.Refresh();
    EXPECT_EQ((std::vector<int>{10, 11, 12}), source.asked);
    // Nine links in three cells: the first eight are kept, in column order.
    ASSERT_EQ(8, text->GetLinkCount());
    const ListStyleUI* style = list->GetListInfo();
    EXPECT_GE(text->GetLinkRect(2).right, style->rcColumn[0].left);
    EXPECT_LE(text->GetLinkRect(2).right, style->rcColumn[0].right);
    EXPECT_GE(text->GetLinkRect(6).left, style->rcColumn[2].left);
    EXPECT_STREQ(L"p", text->GetLinkText(6).Text());
    EXPECT_STREQ(L"q", text->GetLinkText(7).Text());
    EXPECT_EQ(UIFLAG_WANTRETURN | UIFLAG_SETCURSOR, text->BehaviourFlags());

    // A release over a link raises "link" with its slot; the press selected the row.
    const RECT& link = text->GetLinkRect(7);
    int x = (link.left + link.right) / 2, y = (link.top + link.bottom) / 2;
    scene.Press(x, y);
    scene.Release(x, y);
    ASSERT_NE(nullptr, scene.Last(L"link"));
    EXPECT_EQ(7u, scene.Last(L"link")->wParam);
    EXPECT_EQ(1, list->CurrentIndex());

    // Without links the slots are cleared again.
    list->SetTextSource(NULL);
    scene.Refresh();
    EXPECT_EQ(0, text->GetLinkCount());
    EXPECT_TRUE(IsRectEmpty(&text->GetLinkRect(7)));
}
