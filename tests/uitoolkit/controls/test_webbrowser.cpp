#include "controls/WebBrowserUI.h"
#include "ActiveXTestKit.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <exdispid.h>
#include <mshtml.h>

#include <string>
#include <vector>

using namespace UiToolkit;
using namespace TestHelpers;
using namespace ActiveXTestKit;

namespace {

const RECT PLACE = {10, 20, 310, 220};

// Remembers the browser events it is handed.
class RecordingHandler : public CWebBrowserEventHandler
{
public:
    void BeforeNavigate2(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL*) override
    {
        events.push_back(L"BeforeNavigate2 " + Text(url));
    }
    void NavigateError(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT_BOOL*) override
    {
        events.push_back(L"NavigateError " + Text(url));
    }
    void NavigateComplete2(IDispatch*, VARIANT* url) override { events.push_back(L"NavigateComplete2 " + Text(url)); }
    void CommandStateChange(long command, VARIANT_BOOL enable) override
    {
        events.push_back(L"CommandStateChange " + std::to_wstring(command) + (enable ? L" on" : L" off"));
    }
    static std::wstring Text(VARIANT* value)
    {
        return value != NULL && value->vt == VT_BSTR && value->bstrVal != NULL ? value->bstrVal : L"?";
    }
    bool Saw(const std::wstring& prefix) const
    {
        for (const std::wstring& event : events) {
            if (event.compare(0, prefix.size(), prefix) == 0)
                return true;
        }
        return false;
    }
    std::vector<std::wstring> events;
};

struct BrowserScene
{
    BrowserScene() : browser(new CWebBrowserUI()), scene(browser, 400, 300, PLACE) {}
    void Create() { scene.LayOut(); }
    CWebBrowserUI* browser;
    HostScene scene;
};

// A variant holding a string, freed with the holder.
struct StringVariant
{
    explicit StringVariant(const wchar_t* text)
    {
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(text);
    }
    ~StringVariant() { VariantClear(&value); }
    VARIANT value;
};

// A dispatch object that hands out ids for names and answers every Invoke with one chosen result.
class FakeDispatch : public IDispatch
{
public:
    explicit FakeDispatch(REFIID also = IID_IDispatch) : m_also(also) {}
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        bool ours = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, m_also);
        *ppv = ours ? static_cast<IDispatch*>(this) : NULL;
        return ours ? S_OK : E_NOINTERFACE;
    }
    // Lives on the test's stack.
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetTypeInfoCount)(UINT*) override { return E_NOTIMPL; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override
    {
        asked.push_back(names[0]);
        *ids = static_cast<DISPID>(asked.size());
        return S_OK;
    }
    STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        ++invokes;
        return result;
    }
    std::vector<std::wstring> asked;
    int invokes = 0;
    HRESULT result = S_OK;

private:
    IID m_also;
};

// Slots that are never called, standing where the platform's interfaces have methods this test needs not.
#define FAKE_SLOT(n)                                                                                                   \
    virtual HRESULT STDMETHODCALLTYPE Unused##n()                                                                      \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }
#define FAKE_SLOTS_10(p)                                                                                               \
    FAKE_SLOT(p##0)                                                                                                    \
    FAKE_SLOT(p##1)                                                                                                    \
    FAKE_SLOT(p##2)                                                                                                    \
    FAKE_SLOT(p##3)                                                                                                    \
    FAKE_SLOT(p##4)                                                                                                    \
    FAKE_SLOT(p##5)                                                                                                    \
    FAKE_SLOT(p##6)                                                                                                    \
    FAKE_SLOT(p##7)                                                                                                    \
    FAKE_SLOT(p##8)                                                                                                    \
    FAKE_SLOT(p##9)

// IHTMLWindow2 as far as get_event: after IDispatch come two slots of IHTMLFramesCollection2 and 44 of its own.
class FakeHtmlWindow : public FakeDispatch
{
public:
    explicit FakeHtmlWindow(IDispatch* event) : m_event(event) {}
    FAKE_SLOTS_10(A);
    FAKE_SLOTS_10(B);
    FAKE_SLOTS_10(C);
    FAKE_SLOTS_10(D);
    FAKE_SLOT(E0);
    FAKE_SLOT(E1);
    FAKE_SLOT(E2);
    FAKE_SLOT(E3);
    FAKE_SLOT(E4);
    FAKE_SLOT(E5);
    virtual HRESULT STDMETHODCALLTYPE get_event(IDispatch** event)
    {
        *event = m_event;
        return S_OK;
    }

private:
    IDispatch* m_event;
};

// IHTMLDocument2 as far as get_parentWindow: after IDispatch come one slot of IHTMLDocument and 100 of its own.
class FakeHtmlDocument : public FakeDispatch
{
public:
    explicit FakeHtmlDocument(IDispatch* window) : FakeDispatch(IID_IHTMLDocument2), m_window(window) {}
    FAKE_SLOTS_10(A);
    FAKE_SLOTS_10(B);
    FAKE_SLOTS_10(C);
    FAKE_SLOTS_10(D);
    FAKE_SLOTS_10(E);
    FAKE_SLOTS_10(F);
    FAKE_SLOTS_10(G);
    FAKE_SLOTS_10(H);
    FAKE_SLOTS_10(I);
    FAKE_SLOTS_10(J);
    FAKE_SLOT(K0);
    virtual HRESULT STDMETHODCALLTYPE get_parentWindow(IDispatch** window)
    {
        *window = m_window;
        return S_OK;
    }

private:
    IDispatch* m_window;
};

} // namespace

TEST(WebBrowser, CreatesTheBrowserWindowedAtTheControlSizeAndAdvises)
{
    OleScope ole;
    BrowserScene web;
    web.Create();
    ASSERT_TRUE(web.browser->IsCreated());
    ASSERT_NE(nullptr, web.browser->GetWebBrowser2());
    EXPECT_EQ(1, web.scene.Count(L"showactivex"));

    HWND host = web.browser->GetHostWindow();
    ASSERT_NE(nullptr, host);
    wchar_t name[64] = {};
    GetClassNameW(host, name, 64);
    EXPECT_STREQ(L"ActiveXWnd", name);
    RECT placed = RectInParent(host);
    EXPECT_TRUE(EqualRect(&PLACE, &placed));
    // The browser's own window fills the host window.
    HWND inner = GetWindow(host, GW_CHILD);
    ASSERT_NE(nullptr, inner);
    RECT innerRect = RectInParent(inner);
    RECT full = {0, 0, 300, 200};
    EXPECT_TRUE(EqualRect(&full, &innerRect));

    RECT moved = {30, 40, 230, 190};
    web.browser->SetPos(moved);
    placed = RectInParent(host);
    EXPECT_TRUE(EqualRect(&moved, &placed));
    innerRect = RectInParent(inner);
    RECT movedFull = {0, 0, 200, 150};
    EXPECT_TRUE(EqualRect(&movedFull, &innerRect));

    // Keys typed inside the real browser reach it; with no page loaded it takes none.
    SetFocus(host);
    MSG key = {host, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(S_FALSE, web.browser->TranslateAccelerator(&key));

    // The browser's ProgID names the same class.
    CActiveXUI byName;
    EXPECT_TRUE(byName.SetCLSID(L"Shell.Explorer.2"));
    EXPECT_TRUE(IsEqualGUID(CLSID_WebBrowser, byName.GetCLSID()));

    // Creation advised the sink: one undo, then nothing left to undo; advising again works once.
    EXPECT_EQ(S_OK, web.browser->RegisterEventHandler(false));
    EXPECT_EQ(S_FALSE, web.browser->RegisterEventHandler(false));
    EXPECT_EQ(S_OK, web.browser->RegisterEventHandler(true));
    EXPECT_EQ(S_FALSE, web.browser->RegisterEventHandler(true));
}

TEST(WebBrowser, NavigationFailsWithoutHangingAndAutoNavigationNeedsAHomePage)
{
    OleScope ole;
    RecordingHandler handler;
    BrowserScene web;
    web.browser->SetEventHandler(&handler);
    web.browser->ApplyAttribute(L"autonavi", L"true");
    EXPECT_TRUE(web.browser->IsAutoNavigation());
    web.Create();
    ASSERT_NE(nullptr, web.browser->GetWebBrowser2());
    PumpPending();
    EXPECT_FALSE(handler.Saw(L"BeforeNavigate2"));

    // Nothing listens on this port: the browser must give up (no page engine here either) and return.
    DWORD start = GetTickCount();
    web.browser->Navigate(L"http://127.0.0.1:1/");
    EXPECT_LT(GetTickCount() - start, 5000u);
    PumpUntil([&] { return handler.Saw(L"NavigateError") || handler.Saw(L"NavigateComplete2"); }, 10000);
    EXPECT_TRUE(handler.Saw(L"BeforeNavigate2 http://127.0.0.1:1/"));
    EXPECT_TRUE(handler.Saw(L"NavigateError http://127.0.0.1:1/"));
    handler.events.clear();
    web.browser->Navigate(NULL);
    web.browser->Navigate(L"");
    PumpPending();
    EXPECT_TRUE(handler.events.empty());

    // With a home page, creation navigates there.
    RecordingHandler homeHandler;
    BrowserScene home;
    home.browser->SetEventHandler(&homeHandler);
    home.browser->ApplyAttribute(L"homepage", L"http://127.0.0.1:1/home");
    home.browser->ApplyAttribute(L"autonavi", L"true");
    home.Create();
    // The sink is advised before the home navigation starts: the handler hears all of it.
    EXPECT_TRUE(homeHandler.Saw(L"BeforeNavigate2 http://127.0.0.1:1/home"));
    PumpUntil([&] { return homeHandler.Saw(L"NavigateError"); }, 10000);
    EXPECT_TRUE(homeHandler.Saw(L"NavigateError http://127.0.0.1:1/home"));
}

TEST(WebBrowser, HandlerCommandTargetAndSinkAnswerDirectly)
{
    OleScope ole;
    RecordingHandler handler;
    BrowserScene web;
    web.Create();
    CWebBrowserUI* browser = web.browser;

    // The four COM parts are answered (IUnknown too: see OneIdentityAndTheScriptErrorReadersAnswer).
    IDocHostUIHandler* uiHandler = NULL;
    EXPECT_EQ(S_OK, browser->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&uiHandler)));
    EXPECT_EQ(static_cast<IDocHostUIHandler*>(browser), uiHandler);
    uiHandler->Release();
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, browser->QueryInterface(IID_IOleObject, &none));
    EXPECT_EQ(nullptr, none);

    // Command target: other groups, other commands, and the script error with nothing to read.
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(OLECMDERR_E_UNKNOWNGROUP, browser->Exec(NULL, OLECMDID_SHOWSCRIPTERROR, 0, NULL, &out));
    EXPECT_EQ(OLECMDERR_E_UNKNOWNGROUP, browser->Exec(&IID_IUnknown, OLECMDID_SHOWSCRIPTERROR, 0, NULL, &out));
    EXPECT_EQ(OLECMDERR_E_NOTSUPPORTED, browser->Exec(&CGID_DocHostCommandHandler, OLECMDID_PRINT, 0, NULL, &out));
    EXPECT_EQ(VT_EMPTY, out.vt);
    EXPECT_EQ(S_OK, browser->Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, NULL, &out));
    EXPECT_EQ(VT_BOOL, out.vt);
    EXPECT_EQ(VARIANT_TRUE, out.boolVal);
    // An input that is no document, and one that holds no object.
    VARIANT in;
    VariantInit(&in);
    in.vt = VT_UNKNOWN;
    in.punkVal = static_cast<IDispatch*>(browser);
    VariantInit(&out);
    EXPECT_EQ(S_OK, browser->Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, &in, &out));
    EXPECT_EQ(VARIANT_TRUE, out.boolVal);
    in.punkVal = NULL;
    EXPECT_EQ(S_OK, browser->Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, &in, NULL));
    EXPECT_EQ(OLECMDERR_E_NOTSUPPORTED, browser->QueryStatus(&CGID_DocHostCommandHandler, 0, NULL, NULL));

    // Out pointers are cleared whatever the answer.
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(S_FALSE, browser->GetExternal(&external));
    EXPECT_EQ(nullptr, external);
    IDropTarget* target = reinterpret_cast<IDropTarget*>(1);
    EXPECT_EQ(S_FALSE, browser->GetDropTarget(NULL, &target));
    EXPECT_EQ(nullptr, target);
    OLECHAR* url = reinterpret_cast<OLECHAR*>(1);
    EXPECT_EQ(E_NOTIMPL, browser->TranslateUrl(0, NULL, &url));
    EXPECT_EQ(nullptr, url);
    IDataObject* data = reinterpret_cast<IDataObject*>(1);
    EXPECT_EQ(E_NOTIMPL, browser->FilterDataObject(NULL, &data));
    EXPECT_EQ(nullptr, data);
    void* service = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, browser->QueryService(IID_IUnknown, IID_IUnknown, &service));
    EXPECT_EQ(nullptr, service);
    EXPECT_EQ(S_FALSE, browser->ShowContextMenu(0, NULL, NULL, NULL));
    EXPECT_EQ(E_NOTIMPL, browser->GetHostInfo(NULL));
    EXPECT_EQ(S_OK, browser->ShowUI(0, NULL, NULL, NULL, NULL));
    UINT count = 9;
    EXPECT_EQ(E_NOTIMPL, browser->GetTypeInfoCount(&count));
    EXPECT_EQ(0u, count);

    // The sink: a completed navigation without a document still reaches the handler.
    IDispatch* document = reinterpret_cast<IDispatch*>(1);
    browser->GetWebBrowser2()->get_Document(&document);
    ASSERT_EQ(nullptr, document);
    browser->SetEventHandler(&handler);
    StringVariant address(L"http://127.0.0.1:1/done");
    VARIANT args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_VARIANT | VT_BYREF;
    args[0].pvarVal = &address.value;
    VariantInit(&args[1]);
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = browser->GetWebBrowser2();
    DISPPARAMS params = {args, NULL, 2, 0};
    EXPECT_EQ(E_INVALIDARG,
              browser->Invoke(DISPID_NAVIGATECOMPLETE2, IID_IUnknown, 0, DISPATCH_METHOD, &params, NULL, NULL, NULL));
    EXPECT_EQ(S_OK, browser->Invoke(DISPID_NAVIGATECOMPLETE2, IID_NULL, 0, DISPATCH_METHOD, &params, NULL, NULL, NULL));
    ASSERT_EQ(1u, handler.events.size());
    EXPECT_EQ(L"NavigateComplete2 http://127.0.0.1:1/done", handler.events[0]);
    // Arguments are read only within the count given.
    DISPPARAMS empty = {NULL, NULL, 0, 0};
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              browser->Invoke(DISPID_NAVIGATECOMPLETE2, IID_NULL, 0, DISPATCH_METHOD, &empty, NULL, NULL, NULL));
    DISPPARAMS one = {&args[1], NULL, 1, 0};
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              browser->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &one, NULL, NULL, NULL));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              browser->Invoke(DISPID_NAVIGATEERROR, IID_NULL, 0, DISPATCH_METHOD, NULL, NULL, NULL, NULL));
    EXPECT_EQ(1u, handler.events.size());
    VARIANT state[2];
    VariantInit(&state[0]);
    state[0].vt = VT_BOOL;
    state[0].boolVal = VARIANT_TRUE;
    VariantInit(&state[1]);
    state[1].vt = VT_I4;
    state[1].lVal = CSC_NAVIGATEBACK;
    DISPPARAMS command = {state, NULL, 2, 0};
    EXPECT_EQ(S_OK,
              browser->Invoke(DISPID_COMMANDSTATECHANGE, IID_NULL, 0, DISPATCH_METHOD, &command, NULL, NULL, NULL));
    EXPECT_EQ(L"CommandStateChange 2 on", handler.events.back());
    EXPECT_EQ(S_OK, browser->Invoke(DISPID_STATUSTEXTCHANGE, IID_NULL, 0, DISPATCH_METHOD, &empty, NULL, NULL, NULL));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, browser->Invoke(9999, IID_NULL, 0, DISPATCH_METHOD, &empty, NULL, NULL, NULL));
    browser->SetEventHandler(NULL);
}

TEST(WebBrowser, KeysReachTheBrowserOnlyFromInsideItsHostWindow)
{
    OleScope ole;
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    fake.reset(0);
    // The fake browser object stands in where the real one cannot load a page.
    BrowserScene web;
    web.browser->SetModuleName(fake.path.c_str());
    web.browser->SetCLSID(CLSID_FakeBrowser);
    web.browser->ApplyAttribute(L"homepage", L"http://127.0.0.1:1/home");
    web.browser->ApplyAttribute(L"autonavi", L"true");
    web.Create();
    ASSERT_NE(nullptr, web.browser->GetWebBrowser2());
    EXPECT_TRUE(fake.Logged(L"Navigate2 http://127.0.0.1:1/home"));
    HWND inside = fake.childWindow();
    ASSERT_NE(nullptr, inside);
    ASSERT_EQ(web.browser->GetHostWindow(), GetParent(inside));

    const std::wstring passed = L"TranslateAccelerator " + std::to_wstring(WM_KEYDOWN);
    MSG key = {inside, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    SetFocus(web.scene.hwnd);
    fake.reset(0);
    EXPECT_EQ(S_FALSE, web.browser->TranslateAccelerator(&key));
    EXPECT_FALSE(fake.Logged(passed));
    // The message loop hands a child window's keys to the manager's translators.
    SetFocus(inside);
    ASSERT_EQ(inside, GetFocus());
    EXPECT_TRUE(CWindowManagerUI::TranslateThroughManagers(&key));
    EXPECT_TRUE(fake.Logged(passed));
    MSG move = {inside, WM_MOUSEMOVE, 0, 0, 0, {0, 0}};
    EXPECT_EQ(S_FALSE, web.browser->TranslateAccelerator(&move));

    // After a completed navigation the control is the document's UI handler.
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = web.browser->GetWebBrowser2();
    DISPPARAMS params = {args, NULL, 2, 0};
    fake.reset(0);
    EXPECT_EQ(S_OK,
              web.browser->Invoke(DISPID_NAVIGATECOMPLETE2, IID_NULL, 0, DISPATCH_METHOD, &params, NULL, NULL, NULL));
    EXPECT_TRUE(fake.Logged(L"SetUIHandler external 1 null"));

    // Released, the control offers nothing more to translate.
    web.browser->ReleaseControl();
    EXPECT_EQ(E_NOTIMPL, web.browser->TranslateAccelerator(&key));

    // Auto navigation without a home page goes nowhere.
    fake.reset(0);
    BrowserScene idle;
    idle.browser->SetModuleName(fake.path.c_str());
    idle.browser->SetCLSID(CLSID_FakeBrowser);
    idle.browser->ApplyAttribute(L"autonavi", L"true");
    idle.Create();
    ASSERT_NE(nullptr, idle.browser->GetWebBrowser2());
    EXPECT_TRUE(fake.Logged(L"GetMiscStatus"));
    for (const std::wstring& entry : fake.Log())
        EXPECT_NE(0u, entry.find(L"Navigate2"));
}

TEST(WebBrowser, RecreatingReleasesThePreviousObjectAndItsWindow)
{
    OleScope ole;
    {
        BrowserScene web;
        web.Create();
        ASSERT_NE(nullptr, web.browser->GetWebBrowser2());
        const int windows = CountDescendants(web.scene.hwnd, NULL);
        EXPECT_EQ(1, CountDescendants(web.scene.hwnd, L"ActiveXWnd"));
        ASSERT_TRUE(web.browser->CreateControl());
        ASSERT_TRUE(web.browser->CreateControl());
        EXPECT_EQ(1, CountDescendants(web.scene.hwnd, L"ActiveXWnd"));
        EXPECT_EQ(windows, CountDescendants(web.scene.hwnd, NULL));
        EXPECT_NE(nullptr, web.browser->GetWebBrowser2());
    }

    // The same through the fake control: one live object however often it is created.
    FakeModule fake;
    ASSERT_TRUE(fake.Loaded());
    fake.reset(0);
    BrowserScene web;
    web.browser->SetModuleName(fake.path.c_str());
    web.browser->SetCLSID(CLSID_FakeWindowed);
    web.Create();
    ASSERT_EQ(1, fake.liveObjects());
    // The fake is no browser: the host part works, the browser part stays empty.
    EXPECT_EQ(nullptr, web.browser->GetWebBrowser2());
    ASSERT_TRUE(web.browser->CreateControl());
    ASSERT_TRUE(web.browser->CreateControl());
    EXPECT_EQ(1, fake.liveObjects());
    EXPECT_EQ(1, CountDescendants(web.scene.hwnd, L"ActiveXWnd"));
    EXPECT_EQ(1, fake.runningLocks());
    web.browser->ReleaseControl();
    EXPECT_EQ(0, fake.liveObjects());
    EXPECT_EQ(0, fake.runningLocks());
}

TEST(WebBrowser, OneIdentityAndTheScriptErrorReadersAnswer)
{
    OleScope ole;
    CWebBrowserUI browser;
    // Every COM part answers IUnknown with the same pointer: callers compare and cache that identity.
    IUnknown* identities[4] = {};
    ASSERT_EQ(S_OK, static_cast<IDocHostUIHandler*>(&browser)->QueryInterface(
                        IID_IUnknown, reinterpret_cast<void**>(&identities[0])));
    ASSERT_EQ(S_OK, static_cast<IServiceProvider*>(&browser)->QueryInterface(IID_IUnknown,
                                                                             reinterpret_cast<void**>(&identities[1])));
    ASSERT_EQ(S_OK, static_cast<IOleCommandTarget*>(&browser)->QueryInterface(
                        IID_IUnknown, reinterpret_cast<void**>(&identities[2])));
    ASSERT_EQ(S_OK, static_cast<IDispatch*>(&browser)->QueryInterface(IID_IUnknown,
                                                                      reinterpret_cast<void**>(&identities[3])));
    for (IUnknown* identity : identities) {
        EXPECT_EQ(identities[0], identity);
        identity->Release();
    }

    // The script-error command reads the five fields of the document's event and answers the last read.
    FakeDispatch event;
    FakeHtmlWindow window(&event);
    FakeHtmlDocument document(&window);
    VARIANT in;
    VariantInit(&in);
    in.vt = VT_DISPATCH;
    in.pdispVal = &document;
    VARIANT out;
    VariantInit(&out);
    event.result = DISP_E_MEMBERNOTFOUND;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, browser.Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, &in, &out));
    EXPECT_EQ((std::vector<std::wstring>{L"errorLine", L"errorCharacter", L"errorCode", L"errorMessage", L"errorUrl"}),
              event.asked);
    EXPECT_EQ(5, event.invokes);
    EXPECT_EQ(VT_BOOL, out.vt);
    EXPECT_EQ(VARIANT_TRUE, out.boolVal);
    event.result = S_OK;
    EXPECT_EQ(S_OK, browser.Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, &in, &out));
    EXPECT_EQ(10, event.invokes);
}
