#include "TestWindow.h"

#include <gtest/gtest.h>

using namespace UiToolkit;
using namespace TestHelpers;

TEST(ManagerHover, RealCursorEntersMovesAndLeaves)
{
    InitToolkitForTests();
    ParkCursor();
    CTestWindow window;
    HWND hwnd = window.Create(300, 200);
    ASSERT_TRUE(hwnd != NULL);
    CTestContainer* root = new CTestContainer(L"root");
    root->SetMouseEnabled(false);
    CTestControl* left = new CTestControl(L"left");
    CTestControl* right = new CTestControl(L"right");
    root->Add(left, 10, 10, 100, 100);
    root->Add(right, 150, 10, 100, 100);
    window.manager.AttachRoot(root);
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    PumpPending();

    RECT rc;
    GetWindowRect(hwnd, &rc);
    SetCursorPos(rc.left + 50, rc.top + 50);
    EXPECT_TRUE(
        PumpUntil([&] { return std::count(left->events.begin(), left->events.end(), UIEVENT_MOUSEENTER) > 0; }));
    // Resting on the control raises a hover after the tracking delay.
    EXPECT_TRUE(
        PumpUntil([&] { return std::count(left->events.begin(), left->events.end(), UIEVENT_MOUSEHOVER) > 0; }));

    SetCursorPos(rc.left + 200, rc.top + 50);
    EXPECT_TRUE(
        PumpUntil([&] { return std::count(right->events.begin(), right->events.end(), UIEVENT_MOUSEENTER) > 0; }));
    EXPECT_EQ(1, std::count(left->events.begin(), left->events.end(), UIEVENT_MOUSELEAVE));

    // Leaving the window ends the hover of the last control.
    ParkCursor();
    EXPECT_TRUE(
        PumpUntil([&] { return std::count(right->events.begin(), right->events.end(), UIEVENT_MOUSELEAVE) > 0; }));
    DestroyWindow(hwnd);
}
