#include "ListScene.h"
#include "controls/TreeViewUI.h"

#include <gtest/gtest.h>

#include <string>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

const wchar_t* TREE_SKIN = L"<Window><TreeView name=\"tree\" visiblecheckbtn=\"true\">"
                           L"<TreeNode name=\"a\" text=\"a\">"
                           L"  <TreeNode name=\"a1\" text=\"a1\"><TreeNode name=\"a1x\" text=\"a1x\"/></TreeNode>"
                           L"  <TreeNode name=\"a2\" text=\"a2\"/>"
                           L"</TreeNode>"
                           L"<TreeNode name=\"b\" text=\"b\"><Label name=\"tag\" width=\"10\"/></TreeNode>"
                           L"</TreeView></Window>";

std::wstring Order(CListUI* list)
{
    std::wstring names;
    for (int i = 0; i < list->ItemCount(); ++i)
        names += (i > 0 ? L" " : L"") + std::wstring(list->ItemAt(i)->GetName().Text());
    return names;
}

CTreeNodeUI* Node(ListScene& scene, const wchar_t* name)
{
    CControlUI* control = scene.Find(name);
    return control != NULL ? static_cast<CTreeNodeUI*>(control->CastTo(L"TreeNode")) : NULL;
}

CTreeNodeUI* NewNode(const wchar_t* name)
{
    CTreeNodeUI* node = new CTreeNodeUI();
    node->SetName(name);
    return node;
}

int g_deleted = 0;

bool CountDeletion(void*)
{
    ++g_deleted;
    return true;
}

} // namespace

TEST(TreeView, NestedSkinFlatOrderExpansionAndChecks)
{
    ListScene scene(TREE_SKIN);
    CTreeViewUI* tree = static_cast<CTreeViewUI*>(scene.Find(L"tree")->CastTo(L"TreeView"));
    ASSERT_NE(nullptr, tree);
    EXPECT_EQ(L"a a1 a1x a2 b", Order(tree));
    EXPECT_FALSE(tree->HeaderControl()->IsVisible());
    CTreeNodeUI* a = Node(scene, L"a");
    CTreeNodeUI* a1 = Node(scene, L"a1");
    CTreeNodeUI* a1x = Node(scene, L"a1x");
    CTreeNodeUI* a2 = Node(scene, L"a2");
    ASSERT_NE(nullptr, a1x);
    EXPECT_EQ(a1, a1x->ParentNode());
    EXPECT_EQ(2, a->ChildCount());
    EXPECT_FALSE(a->DotLine()->IsVisible());
    EXPECT_EQ(18, a1->DotLine()->GetFixedWidth());
    EXPECT_EQ(34, a1x->DotLine()->GetFixedWidth());
    EXPECT_STREQ(L"a1x", a1x->ItemText().Text());
    EXPECT_TRUE(a1->CheckBox()->IsVisible());
    // Other controls inside a node join its row.
    EXPECT_EQ(Node(scene, L"b")->Row(), scene.Find(L"tag")->GetParentControl());
    EXPECT_EQ(0, Node(scene, L"b")->ChildCount());

    // Collapsing a1, then a, hides the descendants; expanding a keeps a1 collapsed.
    a1->FolderButton()->SetSelected(true);
    EXPECT_FALSE(a1x->IsVisible());
    EXPECT_FALSE(a1->IsExpandedTag());
    a->FolderButton()->SetSelected(true);
    EXPECT_FALSE(a1->IsVisible());
    EXPECT_FALSE(a2->IsVisible());
    a->FolderButton()->SetSelected(false);
    EXPECT_TRUE(a1->IsVisible());
    EXPECT_TRUE(a2->IsVisible());
    EXPECT_FALSE(a1x->IsVisible());
    a1->FolderButton()->SetSelected(false);
    EXPECT_TRUE(a1x->IsVisible());

    // A double click toggles the folder.
    scene.Refresh();
    RECT row = a->GetPos();
    SendMessageW(scene.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(row.right - 5, row.top + 5));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(row.right - 5, row.top + 5));
    EXPECT_TRUE(a->FolderButton()->IsSelected());
    EXPECT_FALSE(a1->IsVisible());
    a->FolderButton()->SetSelected(false);

    // Checking a node checks its descendants only; its ancestors keep their own state.
    a->CheckBox()->SetSelected(true);
    EXPECT_TRUE(a1->CheckBox()->IsSelected());
    EXPECT_TRUE(a1x->CheckBox()->IsSelected());
    EXPECT_TRUE(a2->CheckBox()->IsSelected());
    a1x->CheckBox()->SetSelected(false);
    EXPECT_TRUE(a1->CheckBox()->IsSelected());
    EXPECT_TRUE(a->CheckBox()->IsSelected());
    a1->CheckBox()->SetSelected(false);
    EXPECT_FALSE(a1x->CheckBox()->IsSelected());
    EXPECT_TRUE(a->CheckBox()->IsSelected());
    EXPECT_TRUE(a2->CheckBox()->IsSelected());
}

TEST(TreeView, AddInsertAndRemoveNodes)
{
    ListScene scene(TREE_SKIN);
    CTreeViewUI* tree = static_cast<CTreeViewUI*>(scene.Find(L"tree")->CastTo(L"TreeView"));
    ASSERT_NE(nullptr, tree);
    CTreeNodeUI* a = Node(scene, L"a");
    CTreeNodeUI* b = Node(scene, L"b");
    ASSERT_NE(nullptr, b);

    // A child of the last row is appended, a second one after the first.
    ASSERT_TRUE(b->AddChildNode(NewNode(L"b1")));
    ASSERT_TRUE(b->AddChildNode(NewNode(L"b2")));
    // A child of a node with children comes after its last descendant.
    ASSERT_TRUE(a->AddChildNode(NewNode(L"a3")));
    EXPECT_EQ(L"a a1 a1x a2 a3 b b1 b2", Order(tree));
    // Inserting at a child's place puts the node before it; past the end, after the last descendant.
    ASSERT_TRUE(a->InsertItemAt(NewNode(L"a0"), 0));
    ASSERT_TRUE(a->InsertItemAt(NewNode(L"a9"), 99));
    EXPECT_EQ(L"a a0 a1 a1x a2 a3 a9 b b1 b2", Order(tree));
    ASSERT_EQ(5, a->ChildCount());
    EXPECT_EQ(L"a9", std::wstring(a->ChildAt(4)->GetName().Text()));
    CTreeNodeUI* extra = NewNode(L"extra");
    EXPECT_EQ(-1, tree->InsertNodeAt(extra, tree->ItemCount()));
    delete extra;

    // A nested node leaves its parent and the list with its subtree.
    ASSERT_TRUE(a->RemoveItem(Node(scene, L"a1")));
    EXPECT_EQ(L"a a0 a2 a3 a9 b b1 b2", Order(tree));
    EXPECT_EQ(4, a->ChildCount());
    // The generic removal takes the descendants too.
    ASSERT_TRUE(tree->RemoveItem(b));
    EXPECT_EQ(L"a a0 a2 a3 a9", Order(tree));
    ASSERT_TRUE(tree->RemoveItemAt(2));
    EXPECT_EQ(L"a a0 a3 a9", Order(tree));
    EXPECT_EQ(3, a->ChildCount());
}

TEST(TreeView, RemovingNestedNodesWithoutAManagerFreesEachOnce)
{
    CTreeViewUI tree;
    CTreeNodeUI* top = NewNode(L"top");
    CTreeNodeUI* mid = NewNode(L"mid");
    CTreeNodeUI* leaf = NewNode(L"leaf");
    CTreeNodeUI* other = NewNode(L"other");
    ASSERT_TRUE(top->AddChildNode(mid));
    ASSERT_TRUE(mid->AddChildNode(leaf));
    ASSERT_TRUE(tree.AddNode(top));
    ASSERT_TRUE(tree.AddNode(other));
    EXPECT_EQ(L"top mid leaf other", Order(&tree));
    g_deleted = 0;
    mid->OnDestroyList += MakeDelegate(&CountDeletion);
    leaf->OnDestroyList += MakeDelegate(&CountDeletion);
    // Freed at once: nothing may touch mid or leaf after the list lets them go.
    ASSERT_TRUE(top->RemoveItem(mid));
    EXPECT_EQ(2, g_deleted);
    EXPECT_EQ(0, top->ChildCount());
    EXPECT_EQ(L"top other", Order(&tree));
    other->OnDestroyList += MakeDelegate(&CountDeletion);
    ASSERT_TRUE(tree.RemoveItemAt(1));
    EXPECT_EQ(3, g_deleted);
    EXPECT_EQ(L"top", Order(&tree));
}

namespace {

CTreeViewUI* TreeOf(ListScene& scene)
{
    return static_cast<CTreeViewUI*>(scene.Find(L"tree")->CastTo(L"TreeView"));
}

} // namespace

TEST(TreeLifetimes, NodesDeletedAddedTwiceOrRemovedByAnotherTree)
{
    for (bool defers : {true, false}) {
        SCOPED_TRACE(defers ? "deferred" : "at once");
        ListScene scene(TREE_SKIN);
        CTreeViewUI* tree = TreeOf(scene);
        ASSERT_NE(nullptr, tree);
        tree->SetDefersItemDeletion(defers);
        CTreeNodeUI* a = Node(scene, L"a");
        CTreeNodeUI* b = Node(scene, L"b");
        // A listed node deleted by the application takes its subtree out of the tree.
        ASSERT_TRUE(tree->SelectIndex(2));
        delete Node(scene, L"a1");
        EXPECT_EQ(L"a a2 b", Order(tree));
        EXPECT_EQ(1, a->ChildCount());
        EXPECT_EQ(0, tree->CurrentIndex());
        a->CheckBox()->SetSelected(true);
        a->FolderButton()->SetSelected(true);
        a->FolderButton()->SetSelected(false);
        scene.Refresh();
        PumpPending();

        // Listed already: refused, here and under another node.
        EXPECT_FALSE(tree->AddNode(b));
        EXPECT_FALSE(a->AddChildNode(b));
        EXPECT_FALSE(b->AddChildNode(a));
        EXPECT_EQ(L"a a2 b", Order(tree));

        // A node of another tree: refused with both trees whole.
        CTreeViewUI other;
        CTreeNodeUI* top = NewNode(L"top");
        CTreeNodeUI* mid = NewNode(L"mid");
        CTreeNodeUI* leaf = NewNode(L"leaf");
        ASSERT_TRUE(top->AddChildNode(mid));
        ASSERT_TRUE(mid->AddChildNode(leaf));
        ASSERT_TRUE(other.AddNode(top));
        EXPECT_FALSE(tree->RemoveNode(mid));
        EXPECT_FALSE(tree->AddNode(mid));
        EXPECT_EQ(L"top mid leaf", Order(&other));
        EXPECT_EQ(1, mid->ChildCount());
        top->FolderButton()->SetSelected(true);
        other.SetItemExpanded(false, top);
        EXPECT_FALSE(leaf->IsVisible());
        EXPECT_EQ(L"a a2 b", Order(tree));

        // Added or inserted as list items, nodes come in as nodes, their children behind them; a node
        // never moves away from its children.
        CTreeNodeUI* c = NewNode(L"c");
        CTreeNodeUI* c1 = NewNode(L"c1");
        ASSERT_TRUE(c->AddChildNode(c1));
        ASSERT_TRUE(tree->AddItem(c));
        ASSERT_TRUE(tree->InsertItemAt(NewNode(L"d"), 0));
        EXPECT_FALSE(tree->MoveToIndex(a, 4));
        EXPECT_FALSE(tree->BodyControl()->MoveToIndex(c, 0));
        EXPECT_EQ(L"d a a2 b c c1", Order(tree));
        EXPECT_EQ(tree, c1->TreeView());
        c->FolderButton()->SetSelected(true);
        EXPECT_FALSE(c1->IsVisible());
        ASSERT_TRUE(tree->RemoveItem(c));
        EXPECT_EQ(L"d a a2 b", Order(tree));
    }

    // Children of a node that was never listed go with it, each once. A node made with its parent named
    // joins that parent once.
    CTreeNodeUI* top = NewNode(L"top");
    CTreeNodeUI* mid = new CTreeNodeUI(top);
    ASSERT_TRUE(top->AddChildNode(mid));
    EXPECT_FALSE(top->AddChildNode(mid));
    ASSERT_TRUE(mid->AddChildNode(NewNode(L"leaf")));
    g_deleted = 0;
    mid->OnDestroyList += MakeDelegate(&CountDeletion);
    mid->ChildAt(0)->OnDestroyList += MakeDelegate(&CountDeletion);
    delete top;
    EXPECT_EQ(2, g_deleted);
}

TEST(TreeLifetimes, RowPartsStayAndRemovalThroughTheBodyGoesThroughTheTree)
{
    ListScene scene(TREE_SKIN);
    CTreeViewUI* tree = TreeOf(scene);
    ASSERT_NE(nullptr, tree);
    tree->SetDefersItemDeletion(false);
    CTreeNodeUI* a = Node(scene, L"a");
    CTreeNodeUI* b = Node(scene, L"b");
    // The node's own parts stay, however removal reaches them; the skin's control in the row goes.
    EXPECT_FALSE(b->RemoveItemAt(0));
    EXPECT_FALSE(b->RemoveItem(b->Row()));
    b->RemoveAllItems();
    EXPECT_EQ(b->Row(), b->CContainerUI::ChildAt(0));
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(b->Row()->RemoveItemAt(0)) << i;
    EXPECT_TRUE(b->Row()->RemoveItemAt(4));
    b->Row()->RemoveAllItems();
    EXPECT_EQ(4, b->Row()->ItemCount());
    ASSERT_TRUE(b->AddChildNode(NewNode(L"b1")));
    b->SetItemTextColor(0xFF102030);
    b->SetSelItemTextColor(0xFF203040);
    EXPECT_TRUE(tree->SetItemChecked(true, b));
    tree->SetItemExpanded(false, b);
    EXPECT_FALSE(Node(scene, L"b1")->IsVisible());

    // A node taken out through the body leaves its parent's children and the list with its subtree.
    CListBodyUI* body = static_cast<CListBodyUI*>(tree->BodyControl());
    ASSERT_TRUE(body->RemoveItemAt(tree->IndexOf(Node(scene, L"a1"))));
    EXPECT_EQ(L"a a2 b b1", Order(tree));
    EXPECT_EQ(1, a->ChildCount());
    a->CheckBox()->SetSelected(true);
    tree->SetItemExpanded(false, a);
    tree->SetItemExpanded(true, a);
    scene.Refresh();
    EXPECT_STREQ(L"a2", a->ChildAt(0)->ItemText().Text());
}

TEST(TreeLifetimes, CollapsedParentsHideNewChildrenAndSubtreeRemovalSelectsOnce)
{
    ListScene scene(TREE_SKIN);
    CTreeViewUI* tree = TreeOf(scene);
    ASSERT_NE(nullptr, tree);
    CTreeNodeUI* a = Node(scene, L"a");
    CTreeNodeUI* a1 = Node(scene, L"a1");
    // Under a collapsed node, and under a node hidden by its collapsed parent, new children start hidden.
    a->FolderButton()->SetSelected(true);
    CTreeNodeUI* direct = NewNode(L"direct");
    CTreeNodeUI* deeper = NewNode(L"deeper");
    ASSERT_TRUE(a->AddChildNode(direct));
    ASSERT_TRUE(a1->InsertItemAt(deeper, 0));
    EXPECT_FALSE(direct->IsVisible());
    EXPECT_FALSE(deeper->IsVisible());
    EXPECT_TRUE(Node(scene, L"b")->IsVisible());
    a->FolderButton()->SetSelected(false);
    EXPECT_TRUE(direct->IsVisible());
    EXPECT_TRUE(deeper->IsVisible());
    EXPECT_EQ(L"a a1 deeper a1x a2 direct b", Order(tree));

    // The selection inside a removed subtree passes on once, to the row before the subtree.
    ASSERT_TRUE(tree->SelectIndex(tree->IndexOf(Node(scene, L"a1x"))));
    scene.heard.clear();
    ASSERT_TRUE(tree->RemoveNode(a1));
    EXPECT_EQ(1, scene.Count(L"itemselect"));
    EXPECT_EQ(0, tree->CurrentIndex());
    EXPECT_EQ(0u, scene.Last(L"itemselect")->wParam);
    EXPECT_TRUE(a->IsItemSelected());
    EXPECT_EQ(L"a a2 direct b", Order(tree));
}

namespace {

POINT PointIn(CControlUI* control, int dx = -1)
{
    RECT rc = control->GetPos();
    return {dx >= 0 ? rc.left + dx : (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

} // namespace

TEST(TreeLifetimes, HandlerDeletesTheNodeOfItsNotification)
{
    enum Input
    {
        CLICK_ROW,
        DOUBLE_CLICK_ROW,
        CLICK_FOLDER,
        CLICK_CHECK_BOX
    };
    struct Case
    {
        const char* what;
        Input input;
        const wchar_t* type;
        // The sender whose notification removes node a; NULL for the tree's own.
        CControlUI* (*sender)(ListScene&);
    };
    auto folderOfA = [](ListScene& scene) -> CControlUI* { return Node(scene, L"a")->FolderButton(); };
    auto childBoxOfA = [](ListScene& scene) -> CControlUI* { return Node(scene, L"a1")->CheckBox(); };
    auto none = [](ListScene&) -> CControlUI* { return NULL; };
    const Case cases[] = {
        {"row click, itemselect", CLICK_ROW, L"itemselect", none},
        {"double click, folder's selectchanged", DOUBLE_CLICK_ROW, L"selectchanged", folderOfA},
        {"folder click", CLICK_FOLDER, L"click", folderOfA},
        {"folder click, selectchanged", CLICK_FOLDER, L"selectchanged", folderOfA},
        {"check box click, a child's box announces", CLICK_CHECK_BOX, L"selectchanged", childBoxOfA},
    };
    for (const Case& c : cases) {
        for (bool defers : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.what << (defers ? ", deferred with a modal loop" : ", at once"));
            ListScene scene(TREE_SKIN);
            CTreeViewUI* tree = TreeOf(scene);
            ASSERT_NE(nullptr, tree);
            tree->SetDefersItemDeletion(defers);
            CTreeNodeUI* a = Node(scene, L"a");
            CControlUI* sender = c.sender(scene);
            bool removed = false;
            scene.window.onNotify = [&](NotifyMsgUI& msg) {
                // As an application's handler does: the sender it hears of is alive.
                if (msg.pSender != NULL)
                    (void)msg.pSender->GetName();
                if (removed || msg.sType != c.type || (sender != NULL && msg.pSender != sender))
                    return;
                removed = true;
                ASSERT_TRUE(tree->RemoveNode(a));
                // A message box's loop runs the deletion queue inside the handler.
                if (defers)
                    PumpPending();
            };
            POINT pt = c.input == CLICK_FOLDER      ? PointIn(a->FolderButton())
                       : c.input == CLICK_CHECK_BOX ? PointIn(a->CheckBox())
                                                    : PointIn(a, 60);
            if (c.input == DOUBLE_CLICK_ROW)
                SendMessageW(scene.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
            else
                scene.Press(pt.x, pt.y);
            scene.Release(pt.x, pt.y);
            ASSERT_TRUE(removed);
            EXPECT_EQ(L"b", Order(tree));
            // The window goes on working: it paints and takes clicks.
            PumpPending();
            scene.Refresh();
            pt = PointIn(Node(scene, L"b"), 60);
            scene.Press(pt.x, pt.y);
            scene.Release(pt.x, pt.y);
            EXPECT_EQ(0, tree->CurrentIndex());
        }
    }
}
