#include "TestWindow.h"

#include <gtest/gtest.h>

using namespace UiToolkit;
using namespace TestHelpers;

TEST(ControlAttributes, PlacementStateAndText)
{
    CTestContainer parent(L"parent");
    RECT area = {100, 50, 300, 250};
    parent.SetPos(area);
    CTestControl* child = new CTestControl(L"");
    parent.children.push_back(child);
    child->AttachManager(NULL, &parent, false);

    child->ApplyAttribute(L"pos", L"10,20,110,70");
    EXPECT_EQ(10, child->GetFloatOrigin().cx);
    EXPECT_EQ(20, child->GetFloatOrigin().cy);
    EXPECT_EQ(100, child->GetFixedWidth());
    EXPECT_EQ(50, child->GetFixedHeight());
    child->SetFixedWidth(-1);
    EXPECT_EQ(100, child->GetFixedWidth());

    child->ApplyAttribute(L"float", L"0.5,0,0.5,0");
    EXPECT_TRUE(child->IsFloat());
    double anchors[4];
    child->GetFloatAnchors(anchors);
    EXPECT_DOUBLE_EQ(0.5, anchors[0]);
    EXPECT_DOUBLE_EQ(0.5, anchors[2]);

    // A floating child's rectangle is given relative to its parent.
    RECT relative = {110, 10, 160, 40};
    child->SetPos(relative);
    RECT pos = child->GetPos();
    EXPECT_EQ(210, pos.left);
    EXPECT_EQ(60, pos.top);
    EXPECT_EQ(10, child->GetFloatOrigin().cx);
    EXPECT_EQ(160 - 10 - 100, child->GetFixedWidth());
    RECT inParent = child->GetPosInParent();
    EXPECT_EQ(110, inParent.left);

    child->ApplyAttribute(L"name", L"ok");
    child->ApplyAttribute(L"text", L"Caption");
    child->ApplyAttribute(L"tooltip", L"line one<n>line two");
    child->ApplyAttribute(L"shortcut", L"Kx");
    child->ApplyAttribute(L"enabled", L"True");
    child->ApplyAttribute(L"visible", L"false");
    child->ApplyAttribute(L"unknown", L"ignored");
    EXPECT_STREQ(L"ok", child->GetName().Text());
    EXPECT_STREQ(L"Caption", child->GetText().Text());
    EXPECT_STREQ(L"line one\r\nline two", child->GetToolTip().Text());
    EXPECT_EQ(L'K', child->GetShortcut());
    EXPECT_FALSE(child->IsEnabled());
    EXPECT_FALSE(child->IsVisible());
    EXPECT_FALSE(child->Trigger());

    child->SetMaxWidth(9999);
    EXPECT_EQ(9999, child->GetMaxWidth());
    RECT inverted = {50, 50, 10, 10};
    child->SetFloat(false);
    child->SetPos(inverted);
    EXPECT_EQ(child->GetPos().left, child->GetPos().right);
    EXPECT_EQ(child->GetPos().top, child->GetPos().bottom);
}

TEST(ControlEvents, DelegatesBeforeOnEventAndBubbling)
{
    CTestContainer parent(L"parent");
    CTestControl* child = new CTestControl(L"child");
    parent.children.push_back(child);
    child->AttachManager(NULL, &parent, false);

    struct Gate
    {
        bool pass;
        int calls;
        bool Check(void*)
        {
            ++calls;
            return pass;
        }
    } gate = {false, 0};
    child->OnEventList += MakeDelegate(&gate, &Gate::Check);
    InputEventUI event = {};
    event.type = UIEVENT_MOUSEMOVE;
    child->HandleEvent(event);
    EXPECT_EQ(1, gate.calls);
    EXPECT_TRUE(child->events.empty());
    gate.pass = true;
    child->HandleEvent(event);
    EXPECT_EQ(1u, child->events.size());

    // Set and kill focus mark the control; the base passes other events up to its parent.
    event.type = UIEVENT_SETFOCUS;
    child->CControlUI::OnEvent(event);
    EXPECT_TRUE(child->IsFocused());
    event.type = UIEVENT_KILLFOCUS;
    child->CControlUI::OnEvent(event);
    EXPECT_FALSE(child->IsFocused());
}
