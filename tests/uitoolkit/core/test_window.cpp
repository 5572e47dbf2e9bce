#include "TestWindow.h"
#include "base/UIHandlingScope.h"

#include <gtest/gtest.h>

#include <memory>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

class CRecordingWindow : public CWindowWnd
{
public:
    const wchar_t* QueryClassName() const override { return L"UiToolkitRecordingWindow"; }
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (messages.empty())
            handleAtFirstMessage = m_hWnd;
        messages.push_back(message);
        return CWindowWnd::ProcessMessage(message, wParam, lParam);
    }
    void OnWindowGone(HWND hWnd) override
    {
        goneHandle = hWnd;
        handleWhenGone = m_hWnd;
        ++goneCount;
    }
    std::vector<UINT> messages;
    int goneCount = 0;
    HWND handleAtFirstMessage = NULL;
    HWND goneHandle = NULL;
    HWND handleWhenGone = (HWND)1;
};

class CEditSuperclass : public CWindowWnd
{
public:
    const wchar_t* QueryClassName() const override { return L"UiToolkitEditSuperclass"; }
    const wchar_t* QueryBaseClassName() const override { return L"Edit"; }
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SETTEXT)
            ++setTextCount;
        return CWindowWnd::ProcessMessage(message, wParam, lParam);
    }
    int setTextCount = 0;
};

class CMissingBase : public CWindowWnd
{
public:
    const wchar_t* QueryClassName() const override { return L"UiToolkitMissingBase"; }
    const wchar_t* QueryBaseClassName() const override { return L"NoSuchSystemClass"; }
};

} // namespace

TEST(WindowBase, OwnClassLinksObjectAndUnlinksAtTheEnd)
{
    InitToolkitForTests();
    CRecordingWindow first, second;
    HWND a = first.CreateWnd(NULL, L"a", WS_OVERLAPPEDWINDOW, 0, 0, 0, 100, 100);
    HWND b = second.CreateWnd(NULL, L"b", WS_OVERLAPPEDWINDOW, 0, 0, 0, 100, 100);
    ASSERT_TRUE(a != NULL);
    ASSERT_TRUE(b != NULL);
    EXPECT_EQ(a, first.WindowHandle());
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) never reach the object.
    ASSERT_FALSE(first.messages.empty());
    EXPECT_EQ(static_cast<UINT>(WM_NCCREATE), first.messages[0]);
    EXPECT_EQ(a, first.handleAtFirstMessage);

    EXPECT_TRUE(DestroyWindow(a));
    EXPECT_EQ(a, first.goneHandle);
    EXPECT_EQ(nullptr, first.handleWhenGone);
    EXPECT_EQ(nullptr, first.WindowHandle());
    EXPECT_EQ(0, GetWindowLongPtrW(a, GWLP_USERDATA));
    first.PostClose(3);
    first.ShowWnd(true);
    DestroyWindow(b);

    CMissingBase missing;
    EXPECT_EQ(nullptr, missing.CreateWnd(NULL, L"x", WS_POPUP, 0));
}

// An object whose window went may free itself when told so: until then it makes no other window, which would be
// left routing its messages to freed memory. Nor a second one beside the first.
TEST(WindowBase, NoNewWindowUntilTheLastOnesEndIsTold)
{
    InitToolkitForTests();
    for (bool superclass : {false, true}) {
        for (bool held : {true, false}) {
            SCOPED_TRACE(testing::Message() << (superclass ? "superclass" : "own class")
                                            << (held ? ", object held" : ", inside a handler"));
            CRecordingWindow own;
            CEditSuperclass edit;
            CWindowWnd& object = superclass ? static_cast<CWindowWnd&>(edit) : own;
            auto create = [&] { return object.CreateWnd(NULL, L"w", WS_POPUP, 0, 0, 0, 60, 20); };
            HWND first = create();
            ASSERT_TRUE(first != NULL);
            EXPECT_EQ(nullptr, create());
            EXPECT_TRUE(IsWindow(first));
            EXPECT_EQ(&object, CWindowWnd::FromHandle(first));
            {
                CHandlingScopeUI handling(CHandlingScopeUI::MESSAGE);
                std::unique_ptr<CWindowWnd::Hold> hold;
                if (held)
                    hold.reset(new CWindowWnd::Hold(&object));
                DestroyWindow(first);
                EXPECT_EQ(nullptr, create());
                hold.reset();
                // Its end waits for the handler's: still no window.
                EXPECT_EQ(nullptr, create());
            }
            if (!superclass) {
                EXPECT_EQ(1, own.goneCount);
            }
            HWND again = create();
            ASSERT_TRUE(again != NULL);
            EXPECT_EQ(&object, CWindowWnd::FromHandle(again));
            DestroyWindow(again);
            if (!superclass) {
                EXPECT_EQ(2, own.goneCount);
            }
        }
    }
}

TEST(WindowBase, SuperclassKeepsTheBaseClassWorking)
{
    InitToolkitForTests();
    CEditSuperclass edit;
    HWND hwnd = edit.CreateWnd(NULL, L"start", WS_POPUP | ES_AUTOHSCROLL, 0, 0, 0, 200, 30);
    ASSERT_TRUE(hwnd != NULL);
    WNDCLASSEXW base = {sizeof(base)};
    WNDCLASSEXW mine = {sizeof(mine)};
    ASSERT_TRUE(GetClassInfoExW(NULL, L"Edit", &base));
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(NULL), L"UiToolkitEditSuperclass", &mine));
    EXPECT_EQ(base.cbWndExtra, mine.cbWndExtra);
    EXPECT_EQ(base.style, mine.style);

    SetWindowTextW(hwnd, L"typed text");
    wchar_t text[64] = {0};
    GetWindowTextW(hwnd, text, 64);
    EXPECT_STREQ(L"typed text", text);
    EXPECT_GE(edit.setTextCount, 1);
    EXPECT_EQ(&edit, GetPropW(hwnd, L"WndX"));
    DestroyWindow(hwnd);
    EXPECT_EQ(nullptr, GetPropW(hwnd, L"WndX"));

    // A second window of the registered superclass.
    CEditSuperclass again;
    HWND other = again.CreateWnd(NULL, L"", WS_POPUP, 0, 0, 0, 50, 20);
    EXPECT_TRUE(other != NULL);
    DestroyWindow(other);
}

TEST(WindowBase, CenterOnOwnerAndWorkArea)
{
    InitToolkitForTests();
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);

    CRecordingWindow lone;
    ASSERT_TRUE(lone.CreateWnd(NULL, L"", WS_POPUP, 0, 0, 0, 200, 100) != NULL);
    lone.CenterOnOwner();
    RECT rc;
    GetWindowRect(lone, &rc);
    EXPECT_EQ((work.left + work.right) / 2 - 100, rc.left);
    EXPECT_EQ((work.top + work.bottom) / 2 - 50, rc.top);

    CRecordingWindow wide;
    ASSERT_TRUE(wide.CreateWnd(NULL, L"", WS_POPUP, 0, 0, 0, work.right - work.left + 300, 100) != NULL);
    wide.CenterOnOwner();
    GetWindowRect(wide, &rc);
    EXPECT_EQ(work.left, rc.left);

    CRecordingWindow owned;
    ASSERT_TRUE(owned.CreateWnd(lone, L"", WS_POPUP, 0, 0, 0, 100, 40) != NULL);
    SetWindowPos(lone, NULL, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    owned.CenterOnOwner();
    GetWindowRect(owned, &rc);
    EXPECT_EQ(300 + 100 - 50, rc.left);
    EXPECT_EQ(200 + 50 - 20, rc.top);
    DestroyWindow(owned);
    DestroyWindow(wide);
    DestroyWindow(lone);
}

namespace {

// Allocated on its own pages, which become inaccessible when it is deleted: a late access faults.
class CSelfDeletingWindow : public CTestWindow
{
public:
    static void* operator new(size_t size)
    {
        return VirtualAlloc(NULL, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    }
    static void operator delete(void* p)
    {
        MEMORY_BASIC_INFORMATION info;
        VirtualQuery(p, &info, sizeof(info));
        DWORD old;
        VirtualProtect(p, info.RegionSize, PAGE_NOACCESS, &old);
    }
};

VOID CALLBACK PostQuitFromTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    PostQuitMessage(5);
}

} // namespace

TEST(ModalLoop, CloseCodeAndOwnerState)
{
    InitToolkitForTests();
    CTestWindow owner;
    ASSERT_TRUE(owner.Create() != NULL);
    CTestWindow dialog;
    ASSERT_TRUE(dialog.Create(120, 80, owner) != NULL);
    bool ownerDisabledDuringLoop = false;
    dialog.onNotify = [](NotifyMsgUI&) {};
    SetTimer(dialog, 77, 20, NULL);
    struct Closer : IMessageFilterUI
    {
        CTestWindow* dialog;
        HWND owner;
        bool* disabled;
        LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&) override
        {
            if (message == WM_TIMER && wParam == 77) {
                KillTimer(*dialog, 77);
                *disabled = !IsWindowEnabled(owner);
                dialog->PostClose(7);
            }
            return 0;
        }
    } closer;
    closer.dialog = &dialog;
    closer.owner = owner;
    closer.disabled = &ownerDisabledDuringLoop;
    dialog.manager.RegisterMessageFilter(&closer);
    EXPECT_EQ(7u, dialog.RunModal());
    EXPECT_TRUE(ownerDisabledDuringLoop);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_TRUE(dialog.gone);
    DestroyWindow(owner);
}

TEST(ModalLoop, QuitIsPostedAgainForTheOuterLoop)
{
    InitToolkitForTests();
    CTestWindow dialog;
    ASSERT_TRUE(dialog.Create() != NULL);
    SetTimer(NULL, 0, 20, PostQuitFromTimer);
    EXPECT_EQ(0u, dialog.RunModal());
    EXPECT_TRUE(IsWindow(dialog));
    MSG msg;
    bool quitSeen = false;
    PumpUntil(
        [&] {
            while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    quitSeen = true;
                    EXPECT_EQ(5u, msg.wParam);
                }
            }
            return quitSeen;
        },
        2000);
    EXPECT_TRUE(quitSeen);
    DestroyWindow(dialog);
}

TEST(ModalLoop, WindowObjectThatDeletesItselfWhenGone)
{
    InitToolkitForTests();
    CSelfDeletingWindow* dialog = new CSelfDeletingWindow();
    dialog->deleteWhenGone = true;
    HWND hwnd = dialog->Create();
    ASSERT_TRUE(hwnd != NULL);
    dialog->PostClose(9);
    // The object is gone (and its pages locked) before the loop returns.
    UINT code = dialog->RunModal();
    EXPECT_EQ(9u, code);
    EXPECT_FALSE(IsWindow(hwnd));
}
