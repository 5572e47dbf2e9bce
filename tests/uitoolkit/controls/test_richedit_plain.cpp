#include "controls/RichEditUI.h"
#include "controls/TxtWinHost.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

// Set with EXTRA_DLLOVERRIDES=msftedit=d by this test's ctest entry only.
const wchar_t* RUN_MARK = L"RICHEDIT_WITHOUT_TEXT_SERVICES";

} // namespace

TEST(RichEditWithoutTextServices, HostFailsCleanlyAndTheControlStaysPlain)
{
    if (GetEnvironmentVariableW(RUN_MARK, NULL, 0) == 0)
        GTEST_SKIP() << "runs from its own ctest entry, with the text services disabled";
    // The override holds: the library cannot be loaded in this process.
    ASSERT_EQ(nullptr, LoadLibraryW(L"msftedit.dll"));
    InitToolkitForTests();

    // A failed host leaves the caller's value untouched and is gone without calling through null.
    CRichEditUI loose;
    CTxtWinHost* host = reinterpret_cast<CTxtWinHost*>(0x1);
    EXPECT_FALSE(CTxtWinHost::CreateTextHost(&loose, NULL, &host));
    EXPECT_EQ(reinterpret_cast<CTxtWinHost*>(0x1), host);

    CTestWindow window;
    HWND hwnd = window.Create(300, 200);
    CTestContainer* root = new CTestContainer(L"root");
    CRichEditUI* edit = new CRichEditUI();
    edit->ApplyAttribute(L"vscrollbar", L"true");
    edit->ApplyAttribute(L"wantreturn", L"false");
    edit->SetText(L"plain");
    root->Add(edit, 10, 10, 200, 100);
    window.manager.AttachRoot(root);
    UpdateWindow(hwnd);
    EXPECT_EQ(nullptr, edit->GetTextHost());

    // Text reads and writes touch the stored text; messages answer 1; input and painting go on.
    EXPECT_STREQ(L"plain", edit->GetText());
    edit->SetText(L"\x4E2D\x6587");
    EXPECT_STREQ(L"\x4E2D\x6587", edit->GetText());
    LRESULT result = 7;
    EXPECT_EQ(S_FALSE, edit->TxSendMessage(WM_CHAR, L'x', 0, &result));
    window.manager.SetFocusControl(edit);
    EXPECT_EQ(edit, window.manager.GetFocus());
    SendMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 1);
    SendMessageW(hwnd, WM_CHAR, L'x', 1);
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    edit->ScrollLineDown();
    edit->SetSel(0, -1);
    edit->ReplaceSel(L"ignored", true);
    EXPECT_FALSE(edit->Undo());
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    EXPECT_STREQ(L"\x4E2D\x6587", edit->GetText());
    EXPECT_EQ(0, edit->GetTextLength());
    DestroyWindow(hwnd);
}
