#include "controls/DateTimeUI.h"
#include "TestHelpers.h"
#include "TestWindow.h"
#include "base/UIHandlingScope.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

struct DateScene
{
    DateScene()
    {
        InitToolkitForTests();
        hwnd = window.Create(300, 200);
        CTestContainer* root = new CTestContainer(L"root");
        date = new CDateTimeUI();
        root->Add(date, 20, 20, 200, 30);
        window.manager.AttachRoot(root);
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
    }
    ~DateScene()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    HWND Open()
    {
        window.manager.SetFocusControl(NULL);
        window.manager.SetFocusControl(date);
        return date->GetNativeWindow();
    }
    bool Closed()
    {
        return PumpUntil([&] { return date->GetNativeWindow() == NULL; });
    }
    void Pick(HWND native, WORD year, WORD month, WORD day)
    {
        SYSTEMTIME time = {};
        time.wYear = year;
        time.wMonth = month;
        time.wDay = day;
        SendMessageW(native, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
    }

    CTestWindow window;
    HWND hwnd;
    CDateTimeUI* date;
};

} // namespace

TEST(DateTimeNative, PickClearAndCancel)
{
    DateScene scene;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    CStringUI today;
    today.Format(L"%4d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    EXPECT_STREQ(today, scene.date->GetText());

    HWND native = scene.Open();
    ASSERT_NE(nullptr, native);
    wchar_t className[64] = {};
    GetClassNameW(native, className, 64);
    EXPECT_STREQ(L"DateTimeWnd", className);
    WNDCLASSEXW own = {sizeof(own)};
    WNDCLASSEXW base = {sizeof(base)};
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(NULL), L"DateTimeWnd", &own));
    ASSERT_TRUE(GetClassInfoExW(NULL, L"SysDateTimePick32", &base));
    EXPECT_EQ(base.cbWndExtra, own.cbWndExtra);
    EXPECT_EQ(base.style, own.style);

    // Leaving after a choice shows the chosen date.
    scene.Pick(native, 2024, 3, 5);
    SetFocus(scene.hwnd);
    ASSERT_TRUE(scene.Closed());
    EXPECT_STREQ(L"2024-03-05", scene.date->GetText());
    EXPECT_EQ(5, scene.date->GetTime().wDay);

    // Escape keeps the text whatever was picked.
    native = scene.Open();
    ASSERT_NE(nullptr, native);
    scene.Pick(native, 2020, 1, 1);
    SendMessageW(native, WM_KEYUP, VK_ESCAPE, 0);
    ASSERT_TRUE(scene.Closed());
    EXPECT_STREQ(L"2024-03-05", scene.date->GetText());

    // The focus inside the picker's own drop-down calendar keeps it open; leaving the calendar closes it.
    native = scene.Open();
    ASSERT_NE(nullptr, native);
    scene.Pick(native, 2022, 6, 7);
    // A click on the drop-down button at the right end opens the calendar.
    RECT client = {};
    GetClientRect(native, &client);
    LPARAM button = MAKELPARAM(client.right - 4, client.bottom / 2);
    SendMessageW(native, WM_LBUTTONDOWN, MK_LBUTTON, button);
    SendMessageW(native, WM_LBUTTONUP, 0, button);
    HWND calendar = reinterpret_cast<HWND>(SendMessageW(native, DTM_GETMONTHCAL, 0, 0));
    ASSERT_NE(nullptr, calendar);
    ASSERT_TRUE(IsWindowVisible(calendar));
    SetFocus(calendar);
    ASSERT_EQ(calendar, GetFocus());
    PumpUntil([] { return false; }, 400);
    EXPECT_EQ(native, scene.date->GetNativeWindow());
    SetFocus(scene.hwnd);
    ASSERT_TRUE(scene.Closed());
    EXPECT_STREQ(L"2022-06-07", scene.date->GetText());

    // Delete clears it.
    native = scene.Open();
    ASSERT_NE(nullptr, native);
    SendMessageW(native, WM_KEYUP, VK_DELETE, 0);
    ASSERT_TRUE(scene.Closed());
    EXPECT_STREQ(L"", scene.date->GetText());
}

// A handler closes the open picker and the date is clicked again before the handler returns: the picker's end
// is still to come, so no new box opens from it (one would be left behind when the picker frees itself).
TEST(DateTimeNative, ClickWhileTheClosedPickerHasNotEndedOpensNothing)
{
    DateScene scene;
    HWND native = scene.Open();
    ASSERT_NE(nullptr, native);
    RECT at = scene.date->GetPos();
    LPARAM middle = MAKELPARAM((at.left + at.right) / 2, (at.top + at.bottom) / 2);
    {
        CHandlingScopeUI handling(CHandlingScopeUI::MESSAGE);
        DestroyWindow(native);
        SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, middle);
        SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, middle);
        EXPECT_EQ(nullptr, scene.date->GetNativeWindow());
    }
    PumpPending();
    EXPECT_EQ(nullptr, scene.date->GetNativeWindow());
    // Once it has ended, a click opens a working one.
    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, middle);
    native = scene.date->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    scene.Pick(native, 2021, 2, 3);
    SetFocus(scene.hwnd);
    ASSERT_TRUE(scene.Closed());
    EXPECT_STREQ(L"2021-02-03", scene.date->GetText());
}
