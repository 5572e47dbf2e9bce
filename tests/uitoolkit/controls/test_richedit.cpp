#include "controls/RichEditUI.h"
#include "controls/TxtWinHost.h"
#include "layout/ScrollBarUI.h"
#include "skin/SkinBuilder.h"
#include "TestCanvas.h"
#include "TestHelpers.h"
#include "TestWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

// A test window that also keeps the WM_NOTIFY codes it receives.
class CNotifyWindow : public CTestWindow
{
public:
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_NOTIFY && lParam != 0)
            notifyCodes.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
        return CTestWindow::ProcessMessage(message, wParam, lParam);
    }
    std::vector<UINT> notifyCodes;
};

// One rich edit (and a plain tab stop beside it) in a real window; attributes go in before the host is made.
struct RichScene
{
    explicit RichScene(const std::function<void(CRichEditUI*)>& prepare = nullptr, RECT place = {20, 20, 260, 120},
                       int windowHeight = 300)
    {
        InitToolkitForTests();
        ResetKeys();
        hwnd = window.Create(400, windowHeight);
        CTestContainer* root = new CTestContainer(L"root");
        edit = new CRichEditUI();
        if (prepare)
            prepare(edit);
        root->Add(edit, place.left, place.top, place.right - place.left, place.bottom - place.top);
        other = new CTestControl(L"other", RGB(0, 0, 255), UIFLAG_TABSTOP | UIFLAG_SETCURSOR);
        root->Add(other, 300, 20, 60, 30);
        window.manager.AttachRoot(root);
        Repaint();
        window.notifications.clear();
    }
    ~RichScene()
    {
        ResetKeys();
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    static void ResetKeys()
    {
        BYTE keys[256] = {};
        SetKeyboardState(keys);
    }
    static void HoldCtrl(bool down)
    {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    void Repaint()
    {
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
        PumpPending();
    }
    int Count(const wchar_t* type) const
    {
        int n = 0;
        for (const std::wstring& t : window.notifications)
            n += t == type ? 1 : 0;
        return n;
    }
    void Key(WPARAM key)
    {
        SendMessageW(hwnd, WM_KEYDOWN, key, 1);
        SendMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
    }
    void Type(const std::wstring& text)
    {
        for (wchar_t ch : text)
            SendMessageW(hwnd, WM_CHAR, ch, 1);
    }
    POINT ScreenPoint(int x, int y) const
    {
        POINT pt = {x, y};
        ClientToScreen(hwnd, &pt);
        return pt;
    }
    CNotifyWindow window;
    HWND hwnd;
    CRichEditUI* edit;
    CTestControl* other;
};

} // namespace

TEST(RichEdit, ChineseTextSelectionUndoAndClipboard)
{
    RichScene scene;
    ASSERT_NE(nullptr, scene.edit->GetTextHost());
    const wchar_t* chinese = L"\x4F60\x597D\xFF0C\x4E16\x754C"; // 你好，世界
    scene.edit->SetText(chinese);
    EXPECT_STREQ(chinese, scene.edit->GetText());
    EXPECT_EQ(5, scene.edit->GetTextLength());

    scene.edit->SetSel(2, 5);
    EXPECT_STREQ(L"\xFF0C\x4E16\x754C", scene.edit->GetSelText());
    scene.edit->ReplaceSel(L"abc", true);
    EXPECT_STREQ(L"\x4F60\x597D"
                 L"abc",
                 scene.edit->GetText());
    EXPECT_TRUE(scene.edit->CanUndo());
    EXPECT_TRUE(scene.edit->Undo());
    EXPECT_STREQ(chinese, scene.edit->GetText());
    EXPECT_TRUE(scene.edit->Redo());
    EXPECT_STREQ(L"\x4F60\x597D"
                 L"abc",
                 scene.edit->GetText());

    // Cut and paste go through the clipboard and come back unchanged.
    scene.edit->SetSel(0, 2);
    scene.edit->Cut();
    EXPECT_STREQ(L"abc", scene.edit->GetText());
    scene.edit->SetSel(3, 3);
    scene.edit->Paste();
    EXPECT_STREQ(L"abc\x4F60\x597D", scene.edit->GetText());

    // Typing reaches the text services through the filter only while the control has the focus.
    scene.window.manager.SetFocusControl(scene.other);
    scene.Type(L"x");
    EXPECT_STREQ(L"abc\x4F60\x597D", scene.edit->GetText());
    scene.window.manager.SetFocusControl(scene.edit);
    scene.edit->SetSel(-1, -1);
    scene.Type(L"xy");
    EXPECT_STREQ(L"abc\x4F60\x597Dxy", scene.edit->GetText());

    // The text limit holds against typing.
    scene.edit->SetText(L"");
    scene.edit->SetLimitText(4);
    scene.Type(L"123456");
    EXPECT_STREQ(L"1234", scene.edit->GetText());
}

TEST(RichEdit, AttributesFromTheSkinReachTheTextServices)
{
    InitToolkitForTests();
    CNotifyWindow window;
    HWND hwnd = window.Create(400, 300);
    window.manager.AddFont(1, L"Arial", 20, true, true, true);
    window.manager.AddFont(2, L"Arial", 14, false, false, false);
    CSkinBuilder builder;
    CControlUI* root = builder.Create(
        L"<Window><VerticalLayout>"
        L"<RichEdit name=\"secret\" password=\"true\" multiline=\"false\" text=\"hidden\" height=\"40\" />"
        L"<RichEdit name=\"fixed\" readonly=\"true\" align=\"center right\" font=\"1\" textcolor=\" #FF102030\" "
        L"rich=\"false\" text=\"read me\" height=\"60\" />"
        L"</VerticalLayout></Window>",
        NULL, NULL, &window.manager);
    ASSERT_NE(nullptr, root);
    window.manager.AttachRoot(root);
    UpdateWindow(hwnd);

    CRichEditUI* secret = static_cast<CRichEditUI*>(window.manager.FindControlByName(L"secret")->CastTo(L"RichEdit"));
    CRichEditUI* fixed = static_cast<CRichEditUI*>(window.manager.FindControlByName(L"fixed")->CastTo(L"RichEdit"));
    ASSERT_NE(nullptr, secret);
    ASSERT_NE(nullptr, fixed);
    ASSERT_NE(nullptr, secret->GetTextHost());
    ASSERT_NE(nullptr, fixed->GetTextHost());

    // The password character is a full UTF-16 unit and every character is drawn with it: equal advances
    // for letters of unequal width. The text itself stays readable to the program.
    WCHAR password = 0;
    EXPECT_EQ(S_OK, secret->GetTextHost()->TxGetPasswordChar(&password));
    EXPECT_EQ(0x25CF, password);
    secret->SetText(L"iWiW");
    std::vector<int> advances;
    for (int i = 0; i <= 3; ++i) {
        POINTL at = {};
        secret->TxSendMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), i, NULL);
        advances.push_back(at.x);
    }
    EXPECT_GT(advances[1], advances[0]);
    EXPECT_EQ(advances[1] - advances[0], advances[2] - advances[1]);
    EXPECT_EQ(advances[2] - advances[1], advances[3] - advances[2]);
    EXPECT_STREQ(L"iWiW", secret->GetText());
    window.manager.SetFocusControl(secret);
    SendMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_STREQ(L"iWiW", secret->GetText()); // single line: Enter adds no line

    // Read-only text refuses typing.
    window.manager.SetFocusControl(fixed);
    SendMessageW(hwnd, WM_CHAR, L'z', 1);
    EXPECT_STREQ(L"read me", fixed->GetText());

    // "center right" ends right-aligned; the colour arrives with red and blue exchanged.
    PARAFORMAT2 para = {};
    ASSERT_TRUE(fixed->GetParaFormat(para));
    EXPECT_EQ(PFA_RIGHT, para.wAlignment);
    CHARFORMAT2W format = {};
    ASSERT_TRUE(fixed->GetDefaultCharFormat(format));
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), format.crTextColor);
    const DWORD effects = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE;
    EXPECT_EQ(effects, format.dwEffects & effects);

    // A plain font takes the bold, italic and underline effects of the host's format away again.
    const CHARFORMATW* hostFormat = NULL;
    ASSERT_EQ(S_OK, fixed->GetTextHost()->TxGetCharFormat(&hostFormat));
    LONG boldHeight = hostFormat->yHeight;
    fixed->SetFont(2);
    ASSERT_EQ(S_OK, fixed->GetTextHost()->TxGetCharFormat(&hostFormat));
    EXPECT_EQ(0u, hostFormat->dwEffects & effects);
    EXPECT_LT(hostFormat->yHeight, boldHeight);
    fixed->SetFont(1);
    ASSERT_EQ(S_OK, fixed->GetTextHost()->TxGetCharFormat(&hostFormat));
    EXPECT_EQ(effects, hostFormat->dwEffects & effects);
    fixed->SetTextColor(0xFF405060);
    ASSERT_EQ(S_OK, fixed->GetTextHost()->TxGetCharFormat(&hostFormat));
    EXPECT_EQ(RGB(0x40, 0x50, 0x60), hostFormat->crTextColor);
    DestroyWindow(hwnd);
}

TEST(RichEdit, ReturnAndTabFollowTheWantFlags)
{
    RichScene scene([](CRichEditUI* edit) {
        edit->ApplyAttribute(L"wantreturn", L"false");
        edit->SetText(L"ab");
    });
    scene.window.manager.SetFocusControl(scene.edit);
    scene.edit->SetSel(-1, -1);
    scene.Key(VK_RETURN);
    EXPECT_EQ(1, scene.Count(L"return"));
    EXPECT_STREQ(L"ab", scene.edit->GetText());

    // Want-return with want-ctrl-return cleared: Ctrl+Enter raises "return", Enter alone breaks the line.
    scene.edit->SetWantReturn(true);
    scene.edit->SetWantCtrlReturn(false);
    RichScene::HoldCtrl(true);
    scene.Key(VK_RETURN);
    RichScene::HoldCtrl(false);
    EXPECT_EQ(2, scene.Count(L"return"));
    EXPECT_EQ(1, scene.edit->GetLineCount());
    scene.Key(VK_RETURN);
    EXPECT_EQ(2, scene.Count(L"return"));
    EXPECT_EQ(2, scene.edit->GetLineCount());

    // Tab through the message loop: kept while wanted, else it moves the focus on.
    scene.edit->SetText(L"t");
    scene.edit->SetSel(-1, -1);
    PostMessageW(scene.hwnd, WM_KEYDOWN, VK_TAB, 1); // translated into the character on its way
    PumpPending();
    EXPECT_EQ(scene.edit, scene.window.manager.GetFocus());
    EXPECT_STREQ(L"t\t", scene.edit->GetText());
    scene.edit->SetWantTab(false);
    PostMessageW(scene.hwnd, WM_KEYDOWN, VK_TAB, 1);
    PumpPending();
    EXPECT_EQ(scene.other, scene.window.manager.GetFocus());
}

TEST(RichEdit, WheelScrollsAndForcedBarFollowsTheText)
{
    RichScene scene([](CRichEditUI* edit) { edit->ApplyAttribute(L"vscrollbar", L"true"); });
    CScrollBarUI* bar = scene.edit->VerticalBar();
    ASSERT_NE(nullptr, bar);
    std::wstring lines;
    for (int i = 0; i < 40; ++i)
        lines += L"line\r";
    scene.edit->SetText(lines.c_str());
    scene.Repaint();
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(0, bar->GetScrollPos());
    EXPECT_GT(bar->GetScrollRange(), 0);
    // The text area leaves room for the bar beside it.
    EXPECT_EQ(scene.edit->GetPos().right - bar->GetFixedWidth(), scene.edit->GetTextHost()->GetClientRect().right);

    // A plain wheel turn scrolls; Ctrl+wheel goes to the text services (zoom) and does not scroll.
    POINT over = scene.ScreenPoint(100, 60);
    SendMessageW(scene.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(over.x, over.y));
    int scrolled = bar->GetScrollPos();
    EXPECT_GT(scrolled, 0);
    WPARAM numerator = 0;
    LPARAM denominator = 0;
    scene.edit->TxSendMessage(EM_GETZOOM, reinterpret_cast<WPARAM>(&numerator), reinterpret_cast<LPARAM>(&denominator),
                              NULL);
    int zoomBefore = static_cast<int>(numerator);
    RichScene::HoldCtrl(true);
    SendMessageW(scene.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), MAKELPARAM(over.x, over.y));
    RichScene::HoldCtrl(false);
    EXPECT_EQ(scrolled, bar->GetScrollPos());
    scene.edit->TxSendMessage(EM_GETZOOM, reinterpret_cast<WPARAM>(&numerator), reinterpret_cast<LPARAM>(&denominator),
                              NULL);
    EXPECT_NE(zoomBefore, static_cast<int>(numerator));
    scene.edit->TxSendMessage(EM_SETZOOM, 0, 0, NULL);

    // The container's steps drive the text services' scrolling.
    scene.edit->ScrollToTop();
    EXPECT_EQ(0, bar->GetScrollPos());
    scene.edit->ScrollToBottom();
    EXPECT_EQ(bar->GetScrollRange(), bar->GetScrollPos());

    // Once the text fits again the bar goes and the text area takes the full width.
    scene.edit->SetText(L"short");
    scene.Repaint();
    scene.Repaint();
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(scene.edit->GetPos().right, scene.edit->GetTextHost()->GetClientRect().right);
}

TEST(RichEdit, LongLineWithoutWrapScrollsSideways)
{
    RichScene scene([](CRichEditUI* edit) { edit->ApplyAttribute(L"hscrollbar", L"true"); });
    CScrollBarUI* bar = scene.edit->HorizontalBar();
    ASSERT_NE(nullptr, bar);
    std::wstring line;
    for (int i = 0; i < 60; ++i)
        line += L"word ";
    scene.edit->SetText(line.c_str());
    scene.Repaint();
    EXPECT_EQ(1, scene.edit->GetLineCount()); // a horizontal bar turns word wrap off
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_GT(bar->GetScrollRange(), 0);
    EXPECT_EQ(scene.edit->GetPos().bottom - bar->GetFixedHeight(), scene.edit->GetTextHost()->GetClientRect().bottom);
    scene.edit->ScrollToRightEnd();
    EXPECT_EQ(bar->GetScrollRange(), bar->GetScrollPos());
    scene.edit->ScrollPageLeft();
    EXPECT_LT(bar->GetScrollPos(), bar->GetScrollRange());
    scene.edit->SetScrollOffset({0, 0});
    EXPECT_EQ(0, bar->GetScrollPos());
    // The text is drawn over the control's own background, which shows through around it.
    scene.edit->SetBkColor(0xFF00C000);
    TestCanvas canvas(400, 300);
    scene.edit->Paint(canvas.Dc(), scene.edit->GetPos());
    const RECT& text = scene.edit->GetTextHost()->GetClientRect();
    EXPECT_EQ(0x00C000u, canvas.At(text.left + 5, text.bottom - 3));
    bool inked = false;
    for (int x = text.left; x < text.left + 40; ++x)
        for (int y = text.top; y < text.top + 12; ++y)
            inked = inked || canvas.At(x, y) != 0x00C000u;
    EXPECT_TRUE(inked);
}

TEST(RichEdit, MouseCursorNotificationsAndRecordlessCodes)
{
    // Placed so that the hit-test code and mouse message of WM_SETCURSOR's lParam, read as a point (1, 512),
    // would fall inside the text area.
    RichScene scene(nullptr, {0, 400, 300, 590}, 600);
    HCURSOR beam = LoadCursorW(NULL, IDC_IBEAM);
    LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);

    // Over the other control the text services are not asked: the cursor is still as set when that control
    // decides (Wine's text services ignore WM_SETCURSOR, so they cannot tell the lParam apart themselves).
    HCURSOR cross = LoadCursorW(NULL, IDC_CROSS);
    HCURSOR seen = NULL;
    scene.other->onEvent = [&](CTestControl*, InputEventUI& event) {
        if (event.type == UIEVENT_SETCURSOR)
            seen = GetCursor();
    };
    POINT outside = scene.ScreenPoint(330, 35);
    SetCursorPos(outside.x, outside.y);
    SetCursor(cross);
    SendMessageW(scene.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(scene.hwnd), hit);
    EXPECT_EQ(cross, seen);
    POINT inside = scene.ScreenPoint(100, 450);
    SetCursorPos(inside.x, inside.y);
    SendMessageW(scene.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(scene.hwnd), hit);
    EXPECT_EQ(beam, GetCursor());
    ParkCursor();

    // A drag selects text: the text services hold the mouse through the host while the button is down.
    scene.window.manager.SetFocusControl(scene.other);
    scene.edit->SetText(L"abcdefghijklmnop");
    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 405));
    EXPECT_EQ(scene.edit, scene.window.manager.GetFocus());
    EXPECT_TRUE(scene.edit->GetTextHost()->IsCaptured());
    EXPECT_TRUE(scene.window.manager.IsCaptured());
    SendMessageW(scene.hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(295, 405));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(295, 405));
    EXPECT_FALSE(scene.edit->GetTextHost()->IsCaptured());
    EXPECT_FALSE(scene.window.manager.IsCaptured());
    CHARRANGE selected = scene.edit->GetSel();
    EXPECT_EQ(0, selected.cpMin);
    EXPECT_EQ(16, selected.cpMax);

    // Selection changes reach the window as WM_NOTIFY; a code without a record is dropped.
    scene.edit->SetEventMask(ENM_SELCHANGE);
    scene.edit->SetText(L"some text");
    scene.window.notifyCodes.clear();
    scene.edit->SetSel(1, 3);
    ASSERT_FALSE(scene.window.notifyCodes.empty());
    EXPECT_EQ(static_cast<UINT>(EN_SELCHANGE), scene.window.notifyCodes.back());
    scene.window.notifyCodes.clear();
    CTxtWinHost* host = scene.edit->GetTextHost();
    EXPECT_EQ(S_OK, host->TxNotify(EN_STOPNOUNDO, NULL));
    EXPECT_EQ(S_OK, host->TxNotify(EN_SELCHANGE, NULL));
    EXPECT_TRUE(scene.window.notifyCodes.empty());

    // A resize request makes the text area as large as the content asks, from its top-left corner.
    scene.edit->SetEventMask(ENM_REQUESTRESIZE);
    scene.edit->SetText(L"one\rtwo");
    scene.edit->TxSendMessage(EM_REQUESTRESIZE, 0, 0, NULL);
    const RECT& area = host->GetClientRect();
    EXPECT_EQ(0, area.left);
    EXPECT_EQ(400, area.top);
    EXPECT_GT(area.bottom - area.top, 0);
    EXPECT_LT(area.bottom - area.top, 190);
}

TEST(RichEdit, LongParagraphBuildsAndRefocusesWithoutLayingItOutAgain)
{
    // One paragraph of 6,000 characters: wrapped at no width before the first layout it took the text
    // services tens of seconds to build, and every focus change laid the whole paragraph out again.
    std::wstring text;
    for (int i = 0; text.size() < 6000; ++i)
        text += std::wstring(L"word", 1 + i % 4) + L' ';
    text.resize(6000);
    InitToolkitForTests();
    CNotifyWindow window;
    HWND hwnd = window.Create(400, 300);
    CSkinBuilder builder;
    std::wstring markup = L"<Window><VerticalLayout><RichEdit name=\"edit\" vscrollbar=\"true\" text=\"" + text +
                          L"\"/><Control name=\"other\"/></VerticalLayout></Window>";
    CControlUI* root = builder.Create(markup.c_str(), NULL, NULL, &window.manager);
    ASSERT_NE(nullptr, root);
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    auto elapsed = [&] {
        QueryPerformanceCounter(&stop);
        return 1000.0 * static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    };
    QueryPerformanceCounter(&start);
    ASSERT_TRUE(window.manager.AttachRoot(root));
    EXPECT_LT(elapsed(), 2000.0);
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    CRichEditUI* edit = static_cast<CRichEditUI*>(window.manager.FindControlByName(L"edit")->CastTo(L"RichEdit"));
    ASSERT_NE(nullptr, edit->GetTextHost());
    EXPECT_EQ(6000, edit->GetTextLength());
    // Wrapped at the laid-out width once there is one.
    int lines = edit->GetLineCount();
    EXPECT_GT(lines, 40);
    EXPECT_LT(lines, 600);

    QueryPerformanceCounter(&start);
    window.manager.SetFocusControl(window.manager.FindControlByName(L"other"));
    window.manager.SetFocusControl(edit);
    window.manager.SetFocusControl(NULL);
    EXPECT_LT(elapsed(), 400.0);
    EXPECT_EQ(lines, edit->GetLineCount());

    // Narrower than a character it is laid out unwrapped: wrapped, every character took a line of its own.
    const RECT& area = edit->GetTextHost()->GetClientRect();
    RECT narrow = {0, 0, 400 - (area.right - area.left) + 3, 300};
    window.manager.GetRoot()->SetPos(narrow, false);
    ASSERT_EQ(3, area.right - area.left);
    HDC dc = GetDC(hwnd);
    edit->Paint(dc, edit->GetPos()); // the text services lay out as they draw
    ReleaseDC(hwnd, dc);
    EXPECT_EQ(1, edit->GetLineCount());
    DestroyWindow(hwnd);
}
