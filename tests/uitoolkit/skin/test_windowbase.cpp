#include "controls/ButtonUI.h"
#include "layout/ContainerUI.h"
#include "TestHelpers.h"
#include "TestLog.h"
#include "TestWindow.h"
#include "skin/WindowImplBase.h"
#include "ZipBuilder.h"

#include <gtest/gtest.h>

#include <string>

using namespace UiToolkit;
using namespace TestHelpers;

namespace {

const char* SKIN = "<Window size=\"300,200\" caption=\"0,0,0,40\" sizebox=\"4,4,4,4\">"
                   "<VerticalLayout bkcolor=\"#FFFFFFFF\">"
                   "<HorizontalLayout height=\"40\">"
                   "<Label name=\"title\" text=\"Title\"/>"
                   "<Button name=\"closebtn\" width=\"30\"/>"
                   "<Button name=\"maxbtn\" width=\"30\"/>"
                   "<Button name=\"restorebtn\" width=\"30\" visible=\"false\"/>"
                   "</HorizontalLayout>"
                   "<Button name=\"ok\" height=\"30\"/>"
                   "<Button name=\"other\" height=\"30\"/>"
                   "</VerticalLayout></Window>";

class SkinWindow : public WindowImplBase
{
public:
    explicit SkinWindow(const std::wstring& file, int kind = UILIB_FILE, const wchar_t* source = L"")
        : m_file(file), m_kind(kind), m_source(source), ready(0), okClicks(0), otherClicks(0), lastValue(0)
    {}
    const wchar_t* QueryClassName() const override { return L"UiToolkitSkinTestWindow"; }
    CStringUI QuerySkinFolder() override { return CStringUI(); }
    CStringUI QuerySkinFile() override { return CStringUI(m_file.c_str()); }
    int QuerySkinSourceKind() const override { return m_kind; }
    CStringUI QuerySkinZipName() const override { return CStringUI(m_source); }
    const wchar_t* QuerySkinResourceName() const override { return m_source; }
    void OnSkinReady() override { ++ready; }
    void OnClickNotify(NotifyMsgUI& msg) override
    {
        ++anyClicks;
        if (msg.pSender != NULL && msg.pSender->GetName() == L"other")
            ++otherClicks;
        WindowImplBase::OnClickNotify(msg);
    }
    void OnOk(NotifyMsgUI&) { ++okClicks; }
    void OnValue(WPARAM wParam, LPARAM lParam) { lastValue = static_cast<int>(wParam + lParam); }

    const NotifyMapUI* MessageMapOf() const override { return &Map; }
    static const NotifyMapUI* ClassMapOfThis() { return &Map; }

    std::wstring m_file;
    int m_kind;
    const wchar_t* m_source;
    int anyClicks = 0;
    int ready;
    int okClicks;
    int otherClicks;
    int lastValue;

    static const NotifyMapEntryUI Entries[];
    static const NotifyMapUI Map;
};

const NotifyMapEntryUI SkinWindow::Entries[] = {
    {L"click", L"ok", NOTIFY_SIG_MSG, static_cast<NotifyMsgHandlerUI>(&SkinWindow::OnOk), NULL},
    {L"valuechanged", L"", NOTIFY_SIG_PARAMS, NULL, static_cast<NotifyParamHandlerUI>(&SkinWindow::OnValue)},
    {L"", L"", NOTIFY_SIG_END, NULL, NULL}};
const NotifyMapUI SkinWindow::Map = {&WindowImplBase::ClassMap, SkinWindow::Entries};

struct SkinScene
{
    SkinScene() : window(L"main.xml")
    {
        InitToolkitForTests();
        ParkCursor();
        folder.Write(L"main.xml", Bytes(SKIN));
        CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
        hwnd = window.CreateWnd(NULL, L"skin", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 0, 300, 200);
        PumpPending();
    }
    ~SkinScene()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    CButtonUI* Button(const wchar_t* name) { return static_cast<CButtonUI*>(window.Manager().FindControlByName(name)); }
    LRESULT HitTest(int x, int y)
    {
        POINT pt = {x, y};
        ClientToScreen(hwnd, &pt);
        return SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    }

    TempFolder folder;
    SkinWindow window;
    HWND hwnd;
};

} // namespace

TEST(SkinnedWindow, BuildsFrameAndRoutesClicks)
{
    SkinScene scene;
    ASSERT_TRUE(IsWindow(scene.hwnd));
    EXPECT_EQ(1, scene.window.ready);
    EXPECT_EQ(0, GetWindowLongW(scene.hwnd, GWL_STYLE) & WS_CAPTION);
    ASSERT_NE(nullptr, scene.window.Manager().GetRoot());

    // A named entry of the class map wins; the base map serves the rest through the virtual handler.
    scene.Button(L"ok")->Trigger();
    EXPECT_EQ(1, scene.window.okClicks);
    EXPECT_EQ(0, scene.window.otherClicks);
    scene.Button(L"other")->Trigger();
    EXPECT_EQ(1, scene.window.otherClicks);
    scene.window.Manager().RaiseNotification(scene.Button(L"other"), L"valuechanged", 7, 9);
    EXPECT_EQ(16, scene.window.lastValue);

    scene.Button(L"closebtn")->Trigger();
    EXPECT_EQ(1u, scene.window.RunModal());
    EXPECT_FALSE(IsWindow(scene.hwnd));
}

TEST(SkinnedWindow, DefaultKeysHitTestAndMaximise)
{
    SkinScene scene;
    // Enter closes nothing by itself but still reaches the focused button.
    scene.window.Manager().SetFocusControl(scene.Button(L"other"));
    PostMessageW(scene.hwnd, WM_KEYDOWN, VK_RETURN, 0);
    PumpPending();
    ASSERT_TRUE(IsWindow(scene.hwnd));
    EXPECT_EQ(1, scene.window.otherClicks);

    EXPECT_EQ(HTCAPTION, scene.HitTest(50, 20));
    // The close button sits at 240..270 of the caption band.
    EXPECT_EQ(HTCLIENT, scene.HitTest(250, 20));
    EXPECT_EQ(HTCLIENT, scene.HitTest(50, 100));
    EXPECT_EQ(HTTOPLEFT, scene.HitTest(1, 1));
    EXPECT_EQ(HTRIGHT, scene.HitTest(298, 100));
    EXPECT_EQ(HTBOTTOM, scene.HitTest(150, 198));

    CControlUI* maxButton = scene.Button(L"maxbtn");
    CControlUI* restoreButton = scene.Button(L"restorebtn");
    SendMessageW(scene.hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(scene.hwnd));
    EXPECT_FALSE(maxButton->IsVisible());
    EXPECT_TRUE(restoreButton->IsVisible());
    SendMessageW(scene.hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(maxButton->IsVisible());
    EXPECT_FALSE(restoreButton->IsVisible());

    PostMessageW(scene.hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(1u, scene.window.RunModal());
}

TEST(SkinnedWindow, NotificationOfARemovedSenderStillRoutes)
{
    SkinScene scene;
    CButtonUI* ok = scene.Button(L"ok");
    CContainerUI* body = static_cast<CContainerUI*>(ok->GetParentControl()->CastTo(L"Container"));
    ASSERT_NE(nullptr, body);
    scene.window.Manager().RaiseNotification(ok, L"click", 0, 0, true);
    body->SetDefersItemDeletion(false);
    ASSERT_TRUE(body->RemoveItem(ok));
    // The queued click arrives without a sender: not as "ok", but to the handler for any control.
    PumpPending();
    EXPECT_EQ(0, scene.window.okClicks);
    EXPECT_EQ(1, scene.window.anyClicks);
    EXPECT_TRUE(IsWindow(scene.hwnd));
}

namespace {

// A window whose skin comes from the given source kind.
struct SourcedWindow
{
    SourcedWindow(const wchar_t* file, int kind, const wchar_t* source) : window(file, kind, source)
    {
        InitToolkitForTests();
        // Hidden: the skin is built on WM_CREATE, and a hidden window goes away at once.
        hwnd = window.CreateWnd(NULL, L"skin", WS_POPUP, 0, 0, 0, 200, 100);
        PumpPending();
    }
    ~SourcedWindow()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
    // Children of the skin's "body" layout with that name.
    int Count(const wchar_t* name)
    {
        CControlUI* body = window.Manager().FindControlByName(L"body");
        CContainerUI* box = body != NULL ? static_cast<CContainerUI*>(body->CastTo(L"Container")) : NULL;
        int n = 0;
        for (int i = 0; box != NULL && i < box->ItemCount(); ++i)
            n += box->ItemAt(i)->GetName() == name ? 1 : 0;
        return n;
    }
    SkinWindow window;
    HWND hwnd;
};

} // namespace

TEST(SkinSources, ZipFileInTheResourceFolder)
{
    TempFolder folder;
    ZipBuilder zip;
    zip.Add("main.xml",
            "<Window><VerticalLayout name=\"body\"><Include source=\"part.xml\"/></VerticalLayout></Window>", true);
    zip.Add("part.xml", "<Include><Button name=\"fromzipfile\"/></Include>");
    folder.Write(L"skin.zip", zip.Build());
    CWindowManagerUI::SetResourceFolder(folder.Path().c_str());
    SourcedWindow sourced(L"main.xml", UILIB_ZIP, L"skin.zip");
    ASSERT_TRUE(IsWindow(sourced.hwnd));
    EXPECT_EQ(1, sourced.window.ready);
    EXPECT_EQ(1, sourced.Count(L"fromzipfile"));
}

TEST(SkinSources, XmlResourceWithIncludedResources)
{
    SourcedWindow sourced(L"201", UILIB_RESOURCE, L"");
    ASSERT_TRUE(IsWindow(sourced.hwnd));
    EXPECT_EQ(200, sourced.window.Manager().GetInitialSize().cx);
    // The include names another resource of the same type, built twice.
    EXPECT_EQ(2, sourced.Count(L"fromresource"));
}

TEST(SkinSources, ZipResourceAndAMissingOneIsLogged)
{
    // Without the resource the window opens blank, and the log names what is missing.
    LogCapture log;
    {
        SourcedWindow missing(L"main.xml", UILIB_ZIPRESOURCE, L"NOSUCHSKIN");
        ASSERT_TRUE(IsWindow(missing.hwnd));
        EXPECT_EQ(nullptr, missing.window.Manager().GetRoot());
        EXPECT_EQ(0, missing.window.ready);
    }
    EXPECT_TRUE(log.HasError({"\"NOSUCHSKIN\"", "ZIPRES", "not found"}));
    {
        SourcedWindow byNumber(L"main.xml", UILIB_ZIPRESOURCE, MAKEINTRESOURCEW(103));
        EXPECT_EQ(nullptr, byNumber.window.Manager().GetRoot());
    }
    EXPECT_TRUE(log.HasError({"#103", "ZIPRES"}));

    SourcedWindow sourced(L"main.xml", UILIB_ZIPRESOURCE, MAKEINTRESOURCEW(102));
    ASSERT_TRUE(IsWindow(sourced.hwnd));
    EXPECT_EQ(1, sourced.window.ready);
    EXPECT_EQ(1, sourced.Count(L"fromzipresource"));
}
