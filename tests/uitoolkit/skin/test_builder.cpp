#include "controls/ButtonUI.h"
#include "skin/ChildLayoutUI.h"
#include "layout/LayoutUI.h"
#include "skin/SkinBuilder.h"
#include "TestHelpers.h"
#include "TestLog.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

class CountingCallback : public IDialogBuilderCallback
{
public:
    CControlUI* CreateCustomControl(const wchar_t* tag) override
    {
        asked.push_back(tag);
        return std::wstring(tag) == L"Gauge" ? new CLabelUI() : NULL;
    }
    std::vector<std::wstring> asked;
};

const wchar_t* SKIN = L"<Window size=\"320,240\" caption=\"0,0,0,30\" defaultfontcolor=\"#FF112233\">"
                      L"<Font id=\"3\" name=\"Arial\" size=\"14\" bold=\"TRUE\"/>"
                      L"<Default name=\"Button\" value=\"width=&quot;50&quot; height=&quot;20&quot;\"/>"
                      L"<MultiLanguage id=\"41\" value=\"forty-one\"/>"
                      L"<VerticalLayout name=\"root\" inset=\"1,2,3,4\">"
                      L"  <LABEL name=\"title\" text=\"Hello\"/>"
                      L"  <Button name=\"ok\" width=\"70\"/>"
                      L"  <Gauge name=\"custom\"/>"
                      L"  <Mystery name=\"skipped\"><Label name=\"inner\"/></Mystery>"
                      L"  <HorizontalLayout name=\"row\"><Progress name=\"bar\" value=\"30\"/></HorizontalLayout>"
                      L"</VerticalLayout>"
                      L"</Window>";

} // namespace

TEST(SkinBuilder, BuildsTreeResourcesAndDefaults)
{
    InitToolkitForTests();
    CTestWindow window;
    HWND hwnd = window.Create();
    CountingCallback callback;
    CSkinBuilder builder;
    CControlUI* root = builder.Create(SKIN, NULL, &callback, &window.manager);
    ASSERT_NE(nullptr, root);
    window.manager.AttachRoot(root);

    EXPECT_STREQ(L"VerticalLayoutUI", root->TypeName());
    EXPECT_EQ(320, window.manager.GetInitialSize().cx);
    EXPECT_EQ(30, window.manager.GetCaptionRect().bottom);
    EXPECT_EQ(0xFF112233u, window.manager.GetDefaultFontColor());
    EXPECT_NE(nullptr, window.manager.GetFontInfo(3));
    EXPECT_STREQ(L"Arial", window.manager.GetFontInfo(3)->sFaceName.Text());
    EXPECT_STREQ(L"forty-one", CWindowManagerUI::GetMultiLanguageText(41));

    CContainerUI* layout = static_cast<CContainerUI*>(root->CastTo(L"Container"));
    ASSERT_NE(nullptr, layout);
    EXPECT_EQ(4, layout->ItemCount());
    EXPECT_EQ(3, layout->GetInset().right);
    CControlUI* title = window.manager.FindControlByName(L"title");
    ASSERT_NE(nullptr, title);
    EXPECT_STREQ(L"LabelUI", title->TypeName());
    EXPECT_EQ(root, title->GetParentControl());
    // The control's own width wins over its tag's default list; the rest of the list holds.
    CControlUI* ok = window.manager.FindControlByName(L"ok");
    ASSERT_NE(nullptr, ok);
    EXPECT_EQ(70, ok->GetFixedWidth());
    EXPECT_EQ(20, ok->GetFixedHeight());
    EXPECT_NE(nullptr, window.manager.FindControlByName(L"custom"));
    EXPECT_EQ(nullptr, window.manager.FindControlByName(L"skipped"));
    EXPECT_EQ(nullptr, window.manager.FindControlByName(L"inner"));
    EXPECT_EQ(2u, callback.asked.size());
    CControlUI* bar = window.manager.FindControlByName(L"bar");
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(30, static_cast<CProgressUI*>(bar)->GetValue());
    DestroyWindow(hwnd);
}

TEST(SkinBuilder, WindowAttributesNeedAWindowAndNonContainersEndTheLevel)
{
    CWindowManagerUI manager;
    CSkinBuilder builder;
    std::unique_ptr<CControlUI> root(builder.Create(
        L"<Window size=\"320,240\"><Button name=\"b\"><Label name=\"l1\"/><Label name=\"l2\"/></Button></Window>", NULL,
        NULL, &manager));
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(0, manager.GetInitialSize().cx);
    EXPECT_STREQ(L"ButtonUI", root->TypeName());

    CSkinBuilder broken;
    EXPECT_EQ(nullptr, broken.Create(L"<Window><Label></Window>", NULL, NULL, &manager));
    CSkinBuilder missing;
    EXPECT_EQ(nullptr, missing.Create(L"no-such-skin.xml", NULL, NULL, &manager));
}

TEST(SkinBuilder, FontsTallerThanAnyScreenAreMadeAtTheLargestSize)
{
    LogCapture log;
    CWindowManagerUI manager;
    CSkinBuilder builder;
    std::unique_ptr<CControlUI> root(
        builder.Create(L"<Window><Font id=\"1\" name=\"Arial\" size=\"65535\" default=\"true\"/>"
                       L"<Font id=\"2\" name=\"Arial\" size=\"-2147483648\"/><Label/></Window>",
                       NULL, NULL, &manager));
    ASSERT_NE(nullptr, root);
    LOGFONTW lf = {};
    GetObjectW(manager.GetFont(1), sizeof(lf), &lf);
    EXPECT_EQ(-2048, lf.lfHeight);
    GetObjectW(manager.GetFont(2), sizeof(lf), &lf);
    EXPECT_EQ(2048, lf.lfHeight);
    EXPECT_EQ(2048, manager.GetFontInfo(-1)->iSize);
    // Asked for again at the size the skin gave, the font made is found.
    EXPECT_EQ(manager.GetFont(1), manager.FindFont(L"Arial", 65535, false, false, false));
    EXPECT_TRUE(log.HasError({"Arial", "65535", "2048"}));
}

TEST(SkinBuilder, IncludesAndChildLayoutsFromFiles)
{
    TempFolder folder;
    folder.Write(L"item.xml", Bytes("<Include><Label name=\"piece\" text=\"x\"/></Include>"));
    folder.Write(L"page.xml",
                 Bytes("<Window><VerticalLayout name=\"page\"><Button name=\"inside\"/></VerticalLayout></Window>"));
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());

    CWindowManagerUI manager;
    CSkinBuilder builder;
    std::unique_ptr<CControlUI> root(
        builder.Create(L"<Window><HorizontalLayout><Include source=\"item.xml\" count=\"3\"/>"
                       L"<ChildLayout name=\"child\" xmlfile=\"page.xml\"><Label name=\"ignored\"/></ChildLayout>"
                       L"</HorizontalLayout></Window>",
                       NULL, NULL, &manager));
    ASSERT_NE(nullptr, root);
    CContainerUI* row = static_cast<CContainerUI*>(root->CastTo(L"Container"));
    ASSERT_NE(nullptr, row);
    ASSERT_EQ(4, row->ItemCount());
    for (int i = 0; i < 3; ++i)
        EXPECT_STREQ(L"piece", row->ItemAt(i)->GetName().Text());

    CChildLayoutUI* child = static_cast<CChildLayoutUI*>(row->ItemAt(3)->CastTo(L"ChildLayout"));
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(nullptr, child->CastTo(L"IContainer"));
    EXPECT_EQ(0, child->ItemCount());
    // The file's tree arrives when the layout enters a window.
    manager.AttachRoot(root.release());
    ASSERT_EQ(1, child->ItemCount());
    EXPECT_NE(nullptr, manager.FindControlByName(L"inside"));
    EXPECT_EQ(nullptr, manager.FindControlByName(L"ignored"));
}

TEST(SkinBuilder, IncludeDepthIsCappedAndTheBuildFailsCleanly)
{
    TempFolder folder;
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    // A chain of sixteen nested includes builds; one more refuses the whole build, as does a file that
    // includes itself.
    for (int i = 0; i <= 16; ++i) {
        std::string next =
            i < 16 ? "<Include source=\"d" + std::to_string(i + 1) + ".xml\"/>" : "<Label name=\"deep\"/>";
        folder.Write(L"d" + std::to_wstring(i) + L".xml", Bytes("<Include>" + next + "</Include>"));
    }
    folder.Write(L"loop.xml", Bytes("<Include><Label/><Include source=\"loop.xml\" count=\"3\"/></Include>"));

    CWindowManagerUI manager;
    CSkinBuilder deepest;
    std::unique_ptr<CControlUI> built(deepest.Create(
        L"<Window><HorizontalLayout><Include source=\"d1.xml\"/></HorizontalLayout></Window>", NULL, NULL, &manager));
    ASSERT_NE(nullptr, built);
    manager.AttachRoot(built.release());
    EXPECT_NE(nullptr, manager.FindControlByName(L"deep"));

    LogCapture log;
    CSkinBuilder tooDeep;
    EXPECT_EQ(nullptr,
              tooDeep.Create(L"<Window><HorizontalLayout><Include source=\"d0.xml\"/></HorizontalLayout></Window>",
                             NULL, NULL, &manager));
    EXPECT_TRUE(log.HasError({"nested deeper than 16", "d16.xml"}));
    CSkinBuilder loop;
    EXPECT_EQ(nullptr, loop.Create(L"loop.xml", NULL, NULL, &manager));
    EXPECT_TRUE(log.HasError({"loop.xml"}));

    // Elements nest no deeper through includes than the parser lets one file nest them.
    auto nested = [](int levels, const std::string& core) {
        std::string markup;
        for (int i = 0; i < levels; ++i)
            markup += "<VerticalLayout>";
        markup += core;
        for (int i = 0; i < levels; ++i)
            markup += "</VerticalLayout>";
        return markup;
    };
    folder.Write(L"lower.xml", Bytes("<Include>" + nested(150, "<Label/>") + "</Include>"));
    folder.Write(L"upper.xml", Bytes("<Window>" + nested(150, "<Include source=\"lower.xml\"/>") + "</Window>"));
    CSkinBuilder tooNested;
    EXPECT_EQ(nullptr, tooNested.Create(L"upper.xml", NULL, NULL, &manager));
    EXPECT_TRUE(log.HasError({"nested deeper than 256"}));
}

TEST(SkinBuilder, ChildLayoutsHoldingThemselvesOrNestedTooDeepStayEmpty)
{
    TempFolder folder;
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    // Here inside a layout in a tree node's row: building alone starts none of it.
    folder.Write(L"self.xml", Bytes("<Window><TreeView><TreeNode><VerticalLayout><ChildLayout xmlfile=\"self.xml\"/>"
                                    "</VerticalLayout></TreeNode></TreeView></Window>"));
    // Each file nests 100 levels: the third stops at the element limit.
    for (int i = 0; i < 4; ++i) {
        std::string levels;
        for (int j = 0; j < 100; ++j)
            levels += "<VerticalLayout>";
        levels += i < 3 ? "<ChildLayout xmlfile=\"c" + std::to_string(i + 1) + ".xml\"/>" : "<Label name=\"end\"/>";
        for (int j = 0; j < 100; ++j)
            levels += "</VerticalLayout>";
        folder.Write(L"c" + std::to_wstring(i) + L".xml", Bytes("<Window>" + levels + "</Window>"));
    }
    LogCapture log;
    CWindowManagerUI itself;
    CSkinBuilder builder;
    CControlUI* root = builder.Create(L"self.xml", NULL, NULL, &itself);
    ASSERT_NE(nullptr, root);
    EXPECT_TRUE(log.Errors().empty());
    itself.AttachRoot(root);
    EXPECT_TRUE(log.HasError({"inside itself", "self.xml"}));

    CWindowManagerUI chain;
    CSkinBuilder first;
    root = first.Create(L"c0.xml", NULL, NULL, &chain);
    ASSERT_NE(nullptr, root);
    chain.AttachRoot(root);
    EXPECT_TRUE(log.HasError({"nested deeper than 256", "child layouts"}));
    EXPECT_EQ(nullptr, chain.FindControlByName(L"end"));
}

TEST(SkinBuilder, RefusedChildrenAreDeleted)
{
    // Every custom control the builder makes is counted in and out.
    struct Counted : CLabelUI
    {
        explicit Counted(int* alive) : m_alive(alive) { ++*m_alive; }
        ~Counted() override { --*m_alive; }
        int* m_alive;
    };
    struct Factory : IDialogBuilderCallback
    {
        CControlUI* CreateCustomControl(const wchar_t*) override
        {
            ++made;
            return new Counted(&alive);
        }
        int made = 0;
        int alive = 0;
    } factory;

    CWindowManagerUI manager;
    CSkinBuilder builder;
    // Under a button (no container) the first child is refused and ends the level; under the
    // refused one, its own child is refused the same way.
    std::unique_ptr<CControlUI> root(builder.Create(
        L"<Window><VerticalLayout><Gauge/><Button><Gauge><Gauge/></Gauge><Gauge/></Button><Gauge/></VerticalLayout>"
        L"<Gauge/></Window>",
        NULL, &factory, &manager));
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(5, factory.made);
    EXPECT_EQ(2, factory.alive);
    EXPECT_EQ(3, static_cast<CContainerUI*>(root->CastTo(L"Container"))->ItemCount());
    root.reset();
    EXPECT_EQ(0, factory.alive);
}
