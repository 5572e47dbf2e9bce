#include "controls/ActiveXUI.h"
#include "layout/LayoutUI.h"
#include "skin/SkinBuilder.h"
#include "ActiveXTestKit.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <ocidl.h>

#include <memory>

using namespace UiToolkit;
using namespace TestHelpers;
using namespace ActiveXTestKit;

namespace {

const RECT PLACE = {20, 30, 220, 130};

std::wstring ExtentEntry(int cx, int cy)
{
    HDC screen = GetDC(NULL);
    int x = MulDiv(2540, cx, GetDeviceCaps(screen, LOGPIXELSX));
    int y = MulDiv(2540, cy, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(NULL, screen);
    return L"SetExtent " + std::to_wstring(x) + L"," + std::to_wstring(y);
}

// The site the object was given, fetched through the object as any control would.
IOleClientSite* SiteOf(CActiveXUI* control)
{
    IOleObject* object = NULL;
    IOleClientSite* site = NULL;
    if (SUCCEEDED(control->QueryControl(IID_IOleObject, reinterpret_cast<void**>(&object)))) {
        object->GetClientSite(&site);
        object->Release();
    }
    return site;
}

} // namespace

TEST(ActiveXHost, CreatesFromModuleAtFirstLayoutInCallOrder)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    for (DWORD status : {DWORD(0), DWORD(OLEMISC_SETCLIENTSITEFIRST)}) {
        fake.reset(status);
        CActiveXUI* control = new CActiveXUI();
        HostScene scene(control, 300, 200, PLACE);
        control->ApplyAttribute(L"modulename", fake.path.c_str());
        // The class is in no registry: only the module's DllGetClassObject can make it.
        ASSERT_TRUE(control->SetCLSID(CLSID_FakeWindowless));
        EXPECT_EQ(0, fake.logCount());
        scene.LayOut();
        ASSERT_EQ(1, fake.liveObjects());
        EXPECT_EQ(scene.hwnd, control->GetHostWindow());
        EXPECT_EQ(1, scene.Count(L"showactivex"));

        std::vector<std::wstring> expected = {L"GetMiscStatus"};
        if (status != 0)
            expected.push_back(L"SetClientSite site");
        expected.push_back(L"InitNew");
        if (status == 0)
            expected.push_back(L"SetClientSite site");
        for (const wchar_t* entry : {L"SetHostNames UIActiveX", L"DoVerb -5 parent 20,30,220,130", L"LockRunning 1",
                                     L"SetObjectRects 20,30,220,130", L"WindowContext frame accel nodoc",
                                     L"FrameReleased 0", L"ActiveWindowless", L"SetSite site"})
            expected.push_back(entry);
        expected.push_back(ExtentEntry(200, 100));
        expected.push_back(L"SetObjectRects 20,30,220,130");
        std::vector<std::wstring> log = fake.Log();
        log.resize(std::min(log.size(), expected.size()));
        EXPECT_EQ(expected, log) << "status " << status;
    }
    EXPECT_EQ(0, fake.liveObjects());
    EXPECT_EQ(0, fake.runningLocks());
}

TEST(ActiveXHost, WindowlessObjectGetsOnlyItsHitPointsAndDraws)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    fake.reset(0);
    CActiveXUI* control = new CActiveXUI();
    HostScene scene(control, 300, 200, PLACE);
    control->SetModuleName(fake.path.c_str());
    control->SetCLSID(CLSID_FakeWindowless);
    scene.LayOut();
    ASSERT_EQ(1, fake.liveObjects());
    const std::wstring down = L"Message " + std::to_wstring(WM_LBUTTONDOWN);

    // The fake claims the left half of its rectangle only.
    fake.reset(0);
    EXPECT_EQ(FAKE_MESSAGE_RESULT, SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 80)));
    EXPECT_TRUE(fake.Logged(down));
    fake.reset(0);
    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(180, 80));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(180, 80));
    EXPECT_FALSE(fake.Logged(down));

    // WM_SETCURSOR carries no point: the cursor's place decides, and the message is not taken.
    POINT over = {60, 80};
    ClientToScreen(scene.hwnd, &over);
    SetCursorPos(over.x, over.y);
    fake.reset(0);
    SendMessageW(scene.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(scene.hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(fake.Logged(L"Message " + std::to_wstring(WM_SETCURSOR)));
    ParkCursor();

    // Keys only while the object has the focus.
    fake.reset(0);
    SendMessageW(scene.hwnd, WM_KEYDOWN, 'A', 0);
    EXPECT_FALSE(fake.Logged(L"Message " + std::to_wstring(WM_KEYDOWN)));
    IOleClientSite* site = SiteOf(control);
    ASSERT_NE(nullptr, site);
    IOleInPlaceSiteWindowless* windowless = NULL;
    ASSERT_EQ(S_OK, site->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&windowless)));
    EXPECT_EQ(S_FALSE, windowless->GetFocus());
    windowless->SetFocus(TRUE);
    EXPECT_EQ(S_OK, windowless->GetFocus());
    SendMessageW(scene.hwnd, WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(fake.Logged(L"Message " + std::to_wstring(WM_KEYDOWN)));

    // A mouse-disabled control lets nothing through.
    control->SetMouseEnabled(false);
    fake.reset(0);
    SendMessageW(scene.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 80));
    SendMessageW(scene.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(60, 80));
    EXPECT_FALSE(fake.Logged(down));

    // Windowless, the site hands out a real DC of the manager's window and always sets its output.
    HDC dc = reinterpret_cast<HDC>(1);
    EXPECT_EQ(S_OK, windowless->GetDC(NULL, OLEDC_PAINTBKGND, &dc));
    ASSERT_NE(nullptr, dc);
    EXPECT_EQ(S_OK, windowless->ReleaseDC(dc));
    EXPECT_EQ(E_POINTER, windowless->GetDC(NULL, 0, NULL));
    HWND window = NULL;
    EXPECT_EQ(S_OK, windowless->GetWindow(&window));
    EXPECT_EQ(scene.hwnd, window);
    windowless->Release();
    site->Release();

    // Painting asks the object to draw over the control's rectangle.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 300;
    info.bmiHeader.biHeight = -200;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    HDC memory = CreateCompatibleDC(NULL);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = {0, 0, 300, 200};
    control->Paint(memory, all);
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    const DWORD drawn =
        (GetRValue(FAKE_DRAW_COLOR) << 16) | (GetGValue(FAKE_DRAW_COLOR) << 8) | GetBValue(FAKE_DRAW_COLOR);
    EXPECT_EQ(drawn, pixels[80 * 300 + 120] & 0x00FFFFFF);
    EXPECT_NE(drawn, pixels[10 * 300 + 10] & 0x00FFFFFF);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

TEST(ActiveXHost, WindowedObjectLivesInAChildWindowAndReleasesToZero)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    fake.reset(0);
    CActiveXUI* control = new CActiveXUI();
    HostScene scene(control, 300, 200, PLACE);
    control->SetModuleName(fake.path.c_str());
    control->SetCLSID(CLSID_FakeWindowed);
    scene.LayOut();
    ASSERT_EQ(1, fake.liveObjects());

    HWND host = control->GetHostWindow();
    ASSERT_NE(nullptr, host);
    wchar_t text[64] = {};
    GetClassNameW(host, text, 64);
    EXPECT_STREQ(L"ActiveXWnd", text);
    GetWindowTextW(host, text, 64);
    EXPECT_STREQ(L"UIActiveX", text);
    EXPECT_EQ(scene.hwnd, GetParent(host));
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(style, static_cast<DWORD>(GetWindowLongW(host, GWL_STYLE)) & style);
    RECT placed = RectInParent(host);
    EXPECT_TRUE(EqualRect(&PLACE, &placed));
    // Windowed, the object's rectangles start at the child window's origin.
    EXPECT_TRUE(fake.Logged(L"SetObjectRects 0,0,200,100"));
    HWND own = fake.childWindow();
    ASSERT_NE(nullptr, own);
    EXPECT_EQ(host, GetParent(own));
    RECT inner = RectInParent(own);
    RECT expected = {0, 0, 200, 100};
    EXPECT_TRUE(EqualRect(&expected, &inner));

    RECT moved = {40, 50, 190, 110};
    control->SetPos(moved);
    placed = RectInParent(host);
    EXPECT_TRUE(EqualRect(&moved, &placed));
    inner = RectInParent(own);
    RECT movedInner = {0, 0, 150, 60};
    EXPECT_TRUE(EqualRect(&movedInner, &inner));
    control->SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(host));
    control->SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(host));

    // Keep the site past the release: it must answer without its owner and drop the object last.
    IOleClientSite* site = SiteOf(control);
    ASSERT_NE(nullptr, site);
    IOleInPlaceSiteWindowless* windowless = NULL;
    ASSERT_EQ(S_OK, site->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&windowless)));
    site->Release();
    EXPECT_EQ(1, fake.runningLocks());
    fake.reset(0);
    control->ReleaseControl();
    std::vector<std::wstring> release = {L"SetSite null", L"Close", L"InPlaceDeactivate", L"LockRunning 0",
                                         L"SetClientSite null"};
    EXPECT_EQ(release, fake.Log());
    EXPECT_EQ(0, fake.runningLocks());
    EXPECT_FALSE(IsWindow(host));
    EXPECT_EQ(nullptr, control->GetHostWindow());
    EXPECT_EQ(E_PENDING, control->QueryControl(IID_IOleObject, reinterpret_cast<void**>(&site)));
    EXPECT_EQ(nullptr, site);

    HDC dc = reinterpret_cast<HDC>(1);
    EXPECT_EQ(E_UNEXPECTED, windowless->GetDC(NULL, 0, &dc));
    EXPECT_EQ(nullptr, dc);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(E_UNEXPECTED, windowless->GetWindow(&window));
    EXPECT_EQ(nullptr, window);
    // The site still holds the object's view: both go when the last reference does.
    EXPECT_EQ(1, fake.liveObjects());
    EXPECT_EQ(0u, windowless->Release());
    EXPECT_EQ(0, fake.liveObjects());
    EXPECT_TRUE(fake.Logged(L"~FakeObject"));
}

TEST(ActiveXHost, EnumeratorHandsOutTheObjectOnceHonouringSkipAndReset)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    fake.reset(0);
    CActiveXUI* control = new CActiveXUI();
    HostScene scene(control, 300, 200, PLACE);
    control->SetModuleName(fake.path.c_str());
    control->SetCLSID(CLSID_FakeWindowless);
    scene.LayOut();
    IOleClientSite* site = SiteOf(control);
    ASSERT_NE(nullptr, site);
    IOleContainer* container = NULL;
    ASSERT_EQ(S_OK, site->GetContainer(&container));
    site->Release();
    IEnumUnknown* items = NULL;
    ASSERT_EQ(S_OK, container->EnumObjects(OLECONTF_EMBEDDINGS, &items));
    container->Release();
    IUnknown* object = NULL;
    control->QueryControl(IID_IUnknown, reinterpret_cast<void**>(&object));

    IUnknown* got = NULL;
    EXPECT_EQ(S_OK, items->Next(1, &got, NULL)); // no count asked for: none written
    EXPECT_EQ(object, got);
    got->Release();
    ULONG fetched = 7;
    got = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(S_FALSE, items->Next(1, &got, &fetched));
    EXPECT_EQ(0u, fetched);
    EXPECT_EQ(nullptr, got);

    EXPECT_EQ(S_OK, items->Reset());
    IUnknown* two[2] = {};
    EXPECT_EQ(S_FALSE, items->Next(2, two, &fetched));
    EXPECT_EQ(1u, fetched);
    EXPECT_EQ(object, two[0]);
    two[0]->Release();
    EXPECT_EQ(E_INVALIDARG, items->Next(2, two, NULL));

    EXPECT_EQ(S_OK, items->Reset());
    EXPECT_EQ(S_OK, items->Skip(1));
    EXPECT_EQ(S_FALSE, items->Next(1, &got, &fetched));
    EXPECT_EQ(0u, fetched);
    EXPECT_EQ(S_FALSE, items->Skip(1));
    IEnumUnknown* copy = reinterpret_cast<IEnumUnknown*>(1);
    EXPECT_EQ(E_NOTIMPL, items->Clone(&copy));
    EXPECT_EQ(nullptr, copy);

    // The enumerator keeps the object alive until it goes.
    object->Release();
    control->ReleaseControl();
    EXPECT_EQ(1, fake.liveObjects());
    EXPECT_EQ(0u, items->Release());
    EXPECT_EQ(0, fake.liveObjects());
}

TEST(ActiveXHost, SkinTagsMalformedClsidAndDelayCreate)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    fake.reset(0);
    InitToolkitForTests();
    CTestWindow window;
    HWND hwnd = window.Create(400, 300);
    std::wstring skin = L"<Window><HorizontalLayout>"
                        L"<ActiveX name=\"broken\" modulename=\"" +
                        fake.path +
                        L"\" clsid=\"{6C1F3A10-zz\" delaycreate=\"false\"/>"
                        L"<ActiveX name=\"prog\" modulename=\"" +
                        fake.path +
                        L"\" clsid=\"No.Such.Control\"/>"
                        L"<ActiveX name=\"now\" modulename=\"" +
                        fake.path +
                        L"\" clsid=\"{6C1F3A10-2B7E-4C1D-9E55-0A1B2C3D4E02}\" delaycreate=\"false\"/>"
                        L"<ActiveX name=\"later\" modulename=\"" +
                        fake.path +
                        L"\" clsid=\"{6C1F3A10-2B7E-4C1D-9E55-0A1B2C3D4E02}\"/>"
                        L"</HorizontalLayout></Window>";
    CSkinBuilder builder;
    CControlUI* root = builder.Create(skin.c_str(), NULL, NULL, &window.manager);
    ASSERT_NE(nullptr, root);
    // "delaycreate" false after the class id creates at once; by default it follows the first layout.
    EXPECT_EQ(1, fake.liveObjects());
    window.manager.AttachRoot(root);
    CActiveXUI* broken = static_cast<CActiveXUI*>(window.manager.FindControlByName(L"broken")->CastTo(L"ActiveX"));
    CActiveXUI* prog = static_cast<CActiveXUI*>(window.manager.FindControlByName(L"prog")->CastTo(L"ActiveX"));
    CActiveXUI* now = static_cast<CActiveXUI*>(window.manager.FindControlByName(L"now")->CastTo(L"ActiveX"));
    ASSERT_NE(nullptr, broken);
    ASSERT_NE(nullptr, prog);
    ASSERT_NE(nullptr, now);
    std::unique_ptr<CControlUI> web(CSkinBuilder::CreateControl(L"WebBrowser"));
    ASSERT_NE(nullptr, web);
    EXPECT_NE(nullptr, web->CastTo(L"WebBrowser"));
    EXPECT_NE(nullptr, web->CastTo(L"ActiveX"));
    EXPECT_STREQ(L"WebBrowserUI", web->TypeName());
    EXPECT_STREQ(L"ActiveXUI", broken->TypeName());
    EXPECT_TRUE(now->IsCreated());
    EXPECT_TRUE(IsEqualGUID(GUID_NULL, broken->GetCLSID()));
    EXPECT_TRUE(IsEqualGUID(GUID_NULL, prog->GetCLSID()));
    EXPECT_FALSE(broken->IsCreated());

    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
    PumpPending();
    EXPECT_EQ(2, fake.liveObjects());
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(E_PENDING, broken->QueryControl(IID_IUnknown, reinterpret_cast<void**>(&object)));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_PENDING, prog->QueryControl(IID_IUnknown, reinterpret_cast<void**>(&object)));
    EXPECT_EQ(E_POINTER, now->QueryControl(IID_IUnknown, NULL));
    EXPECT_FALSE(now->SetCLSID(GUID_NULL));
    EXPECT_EQ(2, CountDescendants(hwnd, L"ActiveXWnd"));

    // A module that does not exist falls back to the registry, which does not know the class either.
    CActiveXUI missing;
    missing.SetModuleName(L"C:\\no\\such\\module.dll");
    missing.SetCLSID(CLSID_FakeWindowed);
    EXPECT_FALSE(missing.CreateControl());
    EXPECT_TRUE(missing.IsCreated());
    EXPECT_EQ(2, fake.liveObjects());

    DestroyWindow(hwnd);
}
