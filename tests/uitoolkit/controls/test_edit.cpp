#include "controls/EditUI.h"
#include "TestHelpers.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

struct EditScene
{
    // The first paint focuses the first tab stop, which opens the native window: prepare before it.
    explicit EditScene(const std::function<void(CEditUI*)>& prepare = nullptr)
    {
        InitToolkitForTests();
        hwnd = window.Create(300, 200);
        CTestContainer* root = new CTestContainer(L"root");
        edit = new CEditUI();
        edit->SetText(L"start");
        if (prepare)
            prepare(edit);
        root->Add(edit, 20, 20, 200, 40);
        window.manager.AttachRoot(root);
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
        window.notifications.clear();
    }
    ~EditScene()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    int Count(const wchar_t* type) const
    {
        int n = 0;
        for (const std::wstring& t : window.notifications)
            n += t == type ? 1 : 0;
        return n;
    }
    std::wstring NativeText() const
    {
        wchar_t text[256] = {};
        GetWindowTextW(edit->GetNativeWindow(), text, 256);
        return text;
    }

    CTestWindow window;
    HWND hwnd;
    CEditUI* edit;
};

} // namespace

TEST(EditNative, OpensOnFocusTypesAndClosesOnLeaving)
{
    EditScene scene;
    scene.window.manager.SetFocusControl(scene.edit);
    HWND native = scene.edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    wchar_t className[64] = {};
    GetClassNameW(native, className, 64);
    EXPECT_STREQ(L"EditWnd", className);
    WNDCLASSEXW own = {sizeof(own)};
    WNDCLASSEXW base = {sizeof(base)};
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(NULL), L"EditWnd", &own));
    ASSERT_TRUE(GetClassInfoExW(NULL, L"Edit", &base));
    EXPECT_EQ(base.cbWndExtra, own.cbWndExtra);
    EXPECT_EQ(base.style, own.style);
    EXPECT_EQ(L"start", scene.NativeText());
    EXPECT_EQ(native, GetFocus());
    // The native edit sits over the text area, a font-high band inside the padding.
    RECT placed = {};
    GetWindowRect(native, &placed);
    MapWindowPoints(NULL, scene.hwnd, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(24, placed.left);
    EXPECT_EQ(216, placed.right);
    EXPECT_GE(placed.top, 23);
    EXPECT_LE(placed.bottom, 57);

    // A click beside the native window selects all; typing reaches the control, one notification per change.
    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(22, 25));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(22, 25));
    SendMessageW(native, WM_CHAR, L'x', 0);
    SendMessageW(native, WM_CHAR, L'y', 0);
    EXPECT_STREQ(L"xy", scene.edit->GetText());
    EXPECT_EQ(2, scene.Count(L"textchanged"));
    // Enter is answered by the toolkit and never typed.
    SendMessageW(native, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(1, scene.Count(L"return"));
    EXPECT_EQ(L"xy", scene.NativeText());

    // Setting the text while open copies it to the native window.
    scene.edit->SetText(L"other");
    EXPECT_EQ(L"other", scene.NativeText());

    // Moving the control moves the native window.
    RECT moved = {30, 80, 230, 120};
    scene.edit->SetPos(moved);
    GetWindowRect(native, &placed);
    MapWindowPoints(NULL, scene.hwnd, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(34, placed.left);

    // Disabling the control stops the native window at once and closes it; the typed text stays.
    SendMessageW(native, WM_CHAR, L'z', 0);
    std::wstring typed = scene.NativeText();
    EXPECT_EQ(6u, typed.size());
    scene.edit->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(native));
    EXPECT_TRUE(PumpUntil([&] { return scene.edit->GetNativeWindow() == NULL; }));
    EXPECT_FALSE(IsWindow(native));
    EXPECT_EQ(typed, std::wstring(scene.edit->GetText()));
    scene.edit->SetEnabled(true);
    scene.edit->SetText(L"other");
    scene.window.manager.SetFocusControl(scene.edit);
    native = scene.edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);

    // Losing the focus closes the native window and frees it.
    SetFocus(scene.hwnd);
    EXPECT_TRUE(PumpUntil([&] { return scene.edit->GetNativeWindow() == NULL; }));
    EXPECT_FALSE(IsWindow(native));
    EXPECT_STREQ(L"other", scene.edit->GetText());
}

TEST(EditNative, PasswordReadOnlyNumbersAndBackground)
{
    EditScene scene([](CEditUI* edit) {
        edit->ApplyAttribute(L"password", L"true");
        edit->ApplyAttribute(L"numberonly", L"true");
        edit->ApplyAttribute(L"maxchar", L"4");
        edit->ApplyAttribute(L"readonly", L"true");
    });
    scene.window.manager.SetFocusControl(scene.edit);
    HWND native = scene.edit->GetNativeWindow();
    ASSERT_NE(nullptr, native);
    EXPECT_EQ(static_cast<LRESULT>(L'*'), SendMessageW(native, EM_GETPASSWORDCHAR, 0, 0));
    LONG style = GetWindowLongW(native, GWL_STYLE);
    EXPECT_NE(0, style & ES_NUMBER);
    EXPECT_NE(0, style & ES_READONLY);
    EXPECT_EQ(4, static_cast<int>(SendMessageW(native, EM_GETLIMITTEXT, 0, 0)));
    scene.edit->SetReadOnly(false);
    EXPECT_EQ(0, GetWindowLongW(native, GWL_STYLE) & ES_READONLY);

    // Opaque white counts as no colour of its own; any other gives a brush.
    HDC dc = GetDC(native);
    EXPECT_EQ(0, SendMessageW(native, 0x2133, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(native)));
    scene.edit->ApplyAttribute(L"nativebkcolor", L"#FF102030");
    LRESULT brush = SendMessageW(native, 0x2133, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(native));
    EXPECT_NE(0, brush);
    EXPECT_EQ(brush, SendMessageW(native, 0x2138, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(native)));
    ReleaseDC(native, dc);

    // Hiding the control closes the native window.
    scene.edit->SetVisible(false);
    EXPECT_TRUE(PumpUntil([&] { return scene.edit->GetNativeWindow() == NULL; }));
    EXPECT_EQ(static_cast<UINT>(UIFLAG_TABSTOP | UIFLAG_SETCURSOR), scene.edit->BehaviourFlags());
    scene.edit->SetEnabled(false);
    EXPECT_EQ(0u, scene.edit->BehaviourFlags());
}
