// A fake OLE control, reachable only through this DLL's DllGetClassObject: it logs what its host calls.
#include "FakeActiveX.h"
#include "FakeBrowser.h"

#include <ole2.h>
#include <ocidl.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> g_log;
DWORD g_miscStatus = 0;
bool g_focusOnUIActivate = false;
extern "C" HRESULT FakeTakeFocus();
int g_liveObjects = 0;
int g_runningLocks = 0;
HWND g_childWindow = NULL;
bool g_keepFrame = false;
IOleInPlaceFrame* g_keptFrame = NULL;
IOleClientSite* g_lastClientSite = NULL; // of the newest object while it lives; not referenced

void Log(const std::wstring& entry)
{
    g_log.push_back(entry);
}

std::wstring RectText(const RECT& rc)
{
    return std::to_wstring(rc.left) + L"," + std::to_wstring(rc.top) + L"," + std::to_wstring(rc.right) + L"," +
           std::to_wstring(rc.bottom);
}

HWND CreateChild(HWND parent)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(L"FakeActiveX.dll");
    wc.lpszClassName = L"FakeActiveXChild";
    RegisterClassW(&wc);
    return CreateWindowExW(0, L"FakeActiveXChild", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, NULL, wc.hInstance,
                           NULL);
}

class FakeObject final : public IOleObject,
                         public IOleInPlaceObjectWindowless,
                         public IViewObjectEx,
                         public IPersistStreamInit,
                         public IObjectWithSite,
                         public IOleControl,
                         public IRunnableObject,
                         public IOleInPlaceActiveObject
{
public:
    FakeObject(bool windowless, bool browser)
        : m_windowless(windowless), m_browser(browser), m_browserPart(static_cast<IOleObject*>(this))
    {
        ++g_liveObjects;
    }

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        if (ppv == NULL)
            return E_POINTER;
        *ppv = NULL;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject))
            *ppv = static_cast<IOleObject*>(this);
        else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject))
            *ppv = static_cast<IOleInPlaceObject*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceObjectWindowless) && m_windowless)
            *ppv = static_cast<IOleInPlaceObjectWindowless*>(this);
        else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2) ||
                 IsEqualIID(riid, IID_IViewObjectEx))
            *ppv = static_cast<IViewObjectEx*>(this);
        else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit))
            *ppv = static_cast<IPersistStreamInit*>(this);
        else if (IsEqualIID(riid, IID_IObjectWithSite))
            *ppv = static_cast<IObjectWithSite*>(this);
        else if (IsEqualIID(riid, IID_IOleControl))
            *ppv = static_cast<IOleControl*>(this);
        else if (IsEqualIID(riid, IID_IRunnableObject))
            *ppv = static_cast<IRunnableObject*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject) && m_browser)
            *ppv = static_cast<IOleInPlaceActiveObject*>(this);
        else if (IsEqualIID(riid, IID_IWebBrowser2) && m_browser)
            *ppv = static_cast<IWebBrowser2*>(&m_browserPart);
        if (*ppv == NULL)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_ref; }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG count = --m_ref;
        if (count == 0)
            delete this;
        return count;
    }

    // IOleObject
    STDMETHOD(SetClientSite)(IOleClientSite* site) override
    {
        Log(site != NULL ? L"SetClientSite site" : L"SetClientSite null");
        if (site != NULL)
            site->AddRef();
        if (m_clientSite != NULL)
            m_clientSite->Release();
        m_clientSite = site;
        g_lastClientSite = site;
        return S_OK;
    }
    STDMETHOD(GetClientSite)(IOleClientSite** site) override
    {
        *site = m_clientSite;
        if (m_clientSite != NULL)
            m_clientSite->AddRef();
        return m_clientSite != NULL ? S_OK : E_FAIL;
    }
    STDMETHOD(SetHostNames)(LPCOLESTR app, LPCOLESTR) override
    {
        Log(std::wstring(L"SetHostNames ") + (app != NULL ? app : L""));
        return S_OK;
    }
    STDMETHOD(Close)(DWORD) override
    {
        Log(L"Close");
        InPlaceDeactivate();
        return S_OK;
    }
    STDMETHOD(SetMoniker)(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHOD(InitFromData)(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetClipboardData)(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHOD(DoVerb)(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) override
    {
        Log(L"DoVerb " + std::to_wstring(verb) + L" " + (parent != NULL ? L"parent " : L"noparent ") +
            (rect != NULL ? RectText(*rect) : L"norect"));
        if (verb == OLEIVERB_INPLACEACTIVATE)
            return Activate(site);
        if (verb == OLEIVERB_UIACTIVATE && m_inPlaceSite != NULL) {
            HRESULT hr = m_inPlaceSite->OnUIActivate();
            if (g_focusOnUIActivate)
                FakeTakeFocus();
            return hr;
        }
        return S_OK;
    }
    STDMETHOD(EnumVerbs)(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHOD(Update)() override { return S_OK; }
    STDMETHOD(IsUpToDate)() override { return S_OK; }
    STDMETHOD(GetUserClassID)(CLSID*) override { return E_NOTIMPL; }
    STDMETHOD(GetUserType)(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHOD(SetExtent)(DWORD, SIZEL* size) override
    {
        Log(L"SetExtent " + std::to_wstring(size->cx) + L"," + std::to_wstring(size->cy));
        return S_OK;
    }
    STDMETHOD(GetExtent)(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHOD(Advise)(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(Unadvise)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(EnumAdvise)(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHOD(GetMiscStatus)(DWORD, DWORD* status) override
    {
        Log(L"GetMiscStatus");
        *status = g_miscStatus;
        return S_OK;
    }
    STDMETHOD(SetColorScheme)(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
    STDMETHOD(GetWindow)(HWND* phwnd) override
    {
        *phwnd = m_window;
        return m_window != NULL ? S_OK : E_FAIL;
    }
    STDMETHOD(ContextSensitiveHelp)(BOOL) override { return S_OK; }
    STDMETHOD(InPlaceDeactivate)() override
    {
        if (m_inPlaceSite == NULL)
            return S_OK;
        Log(L"InPlaceDeactivate");
        if (m_window != NULL) {
            DestroyWindow(m_window);
            if (g_childWindow == m_window)
                g_childWindow = NULL;
            m_window = NULL;
        }
        IOleInPlaceSiteWindowless* site = m_inPlaceSite;
        m_inPlaceSite = NULL;
        site->OnInPlaceDeactivate();
        site->Release();
        return S_OK;
    }
    STDMETHOD(UIDeactivate)() override { return S_OK; }
    STDMETHOD(SetObjectRects)(LPCRECT pos, LPCRECT) override
    {
        Log(L"SetObjectRects " + RectText(*pos));
        if (m_window != NULL)
            MoveWindow(m_window, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return S_OK;
    }
    STDMETHOD(ReactivateAndUndo)() override { return E_NOTIMPL; }
    STDMETHOD(OnWindowMessage)(UINT msg, WPARAM, LPARAM, LRESULT* result) override
    {
        Log(L"Message " + std::to_wstring(msg));
        *result = FAKE_MESSAGE_RESULT;
        return S_OK;
    }
    STDMETHOD(GetDropTarget)(IDropTarget**) override { return E_NOTIMPL; }

    // IViewObject, IViewObject2, IViewObjectEx
    STDMETHOD(Draw)
    (DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdc, LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
     ULONG_PTR) override
    {
        RECT rc = {bounds->left, bounds->top, bounds->right, bounds->bottom};
        Log(L"Draw " + RectText(rc));
        HBRUSH brush = CreateSolidBrush(FAKE_DRAW_COLOR);
        FillRect(hdc, &rc, brush);
        DeleteObject(brush);
        return S_OK;
    }
    STDMETHOD(GetColorSet)(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
    STDMETHOD(Freeze)(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(Unfreeze)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(SetAdvise)(DWORD, DWORD, IAdviseSink*) override { return S_OK; }
    STDMETHOD(GetAdvise)(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }
    STDMETHOD(GetExtent)(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL) override { return E_NOTIMPL; }
    STDMETHOD(GetRect)(DWORD, LPRECTL) override { return E_NOTIMPL; }
    STDMETHOD(GetViewStatus)(DWORD*) override { return E_NOTIMPL; }
    // Only the left half of the bounds belongs to the object.
    STDMETHOD(QueryHitPoint)(DWORD, LPCRECT bounds, POINT pt, LONG, DWORD* result) override
    {
        RECT left = *bounds;
        left.right = (bounds->left + bounds->right) / 2;
        *result = PtInRect(&left, pt) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
        return S_OK;
    }
    STDMETHOD(QueryHitRect)(DWORD, LPCRECT, LPCRECT, LONG, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(GetNaturalExtent)(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) override
    {
        return E_NOTIMPL;
    }

    // IPersistStreamInit
    STDMETHOD(GetClassID)(CLSID*) override { return E_NOTIMPL; }
    STDMETHOD(IsDirty)() override { return S_FALSE; }
    STDMETHOD(Load)(LPSTREAM) override { return E_NOTIMPL; }
    STDMETHOD(Save)(LPSTREAM, BOOL) override { return E_NOTIMPL; }
    STDMETHOD(GetSizeMax)(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHOD(InitNew)() override
    {
        Log(L"InitNew");
        return S_OK;
    }

    // IObjectWithSite
    STDMETHOD(SetSite)(IUnknown* site) override
    {
        Log(site != NULL ? L"SetSite site" : L"SetSite null");
        if (site != NULL)
            site->AddRef();
        if (m_site != NULL)
            m_site->Release();
        m_site = site;
        return S_OK;
    }
    STDMETHOD(GetSite)(REFIID riid, void** out) override
    {
        *out = NULL;
        return m_site != NULL ? m_site->QueryInterface(riid, out) : E_FAIL;
    }

    // IOleControl
    STDMETHOD(GetControlInfo)(CONTROLINFO*) override { return E_NOTIMPL; }
    STDMETHOD(OnMnemonic)(MSG*) override { return E_NOTIMPL; }
    STDMETHOD(OnAmbientPropertyChange)(DISPID) override { return S_OK; }
    STDMETHOD(FreezeEvents)(BOOL) override { return S_OK; }

    // IRunnableObject
    STDMETHOD(GetRunningClass)(LPCLSID) override { return E_NOTIMPL; }
    STDMETHOD(Run)(LPBINDCTX) override { return S_OK; }
    STDMETHOD_(BOOL, IsRunning)() override { return TRUE; }
    STDMETHOD(LockRunning)(BOOL lock, BOOL) override
    {
        Log(lock ? L"LockRunning 1" : L"LockRunning 0");
        g_runningLocks += lock ? 1 : -1;
        return S_OK;
    }
    STDMETHOD(SetContainedObject)(BOOL) override { return S_OK; }

    // IOleInPlaceActiveObject: the browser kind takes every key it is offered.
    STDMETHOD(TranslateAccelerator)(LPMSG msg) override
    {
        Log(L"TranslateAccelerator " + std::to_wstring(msg->message));
        return S_OK;
    }
    STDMETHOD(OnFrameWindowActivate)(BOOL) override { return S_OK; }
    STDMETHOD(OnDocWindowActivate)(BOOL) override { return S_OK; }
    STDMETHOD(ResizeBorder)(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHOD(EnableModeless)(BOOL) override { return S_OK; }

private:
    ~FakeObject()
    {
        Log(L"~FakeObject");
        if (g_lastClientSite == m_clientSite)
            g_lastClientSite = NULL;
        if (m_clientSite != NULL)
            m_clientSite->Release();
        if (m_site != NULL)
            m_site->Release();
        --g_liveObjects;
    }

    HRESULT Activate(IOleClientSite* site)
    {
        if (site == NULL || m_inPlaceSite != NULL)
            return site == NULL ? E_INVALIDARG : S_OK;
        IOleInPlaceSiteWindowless* inPlace = NULL;
        HRESULT hr = site->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&inPlace));
        if (FAILED(hr))
            return hr;
        if (inPlace->CanInPlaceActivate() != S_OK) {
            inPlace->Release();
            return E_FAIL;
        }
        m_inPlaceSite = inPlace;
        BOOL noRedraw = FALSE;
        bool windowless = m_windowless && inPlace->CanWindowlessActivate() == S_OK;
        hr = inPlace->OnInPlaceActivateEx(&noRedraw, windowless ? ACTIVATE_WINDOWLESS : 0);
        if (FAILED(hr))
            return hr;
        if (!windowless) {
            HWND parent = NULL;
            inPlace->GetWindow(&parent);
            m_window = CreateChild(parent);
            g_childWindow = m_window;
        }
        IOleInPlaceFrame* frame = NULL;
        IOleInPlaceUIWindow* document = NULL;
        RECT pos = {}, clip = {};
        OLEINPLACEFRAMEINFO info = {};
        info.cb = sizeof(info);
        hr = inPlace->GetWindowContext(&frame, &document, &pos, &clip, &info);
        if (SUCCEEDED(hr)) {
            HWND frameWindow = NULL;
            frame->GetWindow(&frameWindow);
            Log(std::wstring(L"WindowContext") + (frameWindow == info.hwndFrame ? L" frame" : L" otherframe") +
                (info.haccel != NULL ? L" accel" : L" noaccel") + (document == NULL ? L" nodoc" : L" doc"));
            if (g_keepFrame) {
                // Kept past the object's own life, as some controls do; FakeAskKeptFrame calls it later.
                if (g_keptFrame != NULL)
                    g_keptFrame->Release();
                g_keptFrame = frame;
                Log(L"FrameKept");
            } else {
                Log(L"FrameReleased " + std::to_wstring(frame->Release()));
            }
        }
        Log(windowless ? L"ActiveWindowless" : L"ActiveWindowed");
        return S_OK;
    }

    ULONG m_ref = 1;
    bool m_windowless;
    bool m_browser;
    FakeBrowserPart m_browserPart;
    IOleClientSite* m_clientSite = NULL;
    IUnknown* m_site = NULL;
    IOleInPlaceSiteWindowless* m_inPlaceSite = NULL;
    HWND m_window = NULL;
};

class FakeFactory final : public IClassFactory
{
public:
    FakeFactory(bool windowless, bool browser) : m_windowless(windowless), m_browser(browser) {}
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        *ppv = NULL;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_ref; }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG count = --m_ref;
        if (count == 0)
            delete this;
        return count;
    }
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override
    {
        *ppv = NULL;
        if (outer != NULL)
            return CLASS_E_NOAGGREGATION;
        FakeObject* object = new FakeObject(m_windowless, m_browser);
        HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    STDMETHOD(LockServer)(BOOL) override { return S_OK; }

private:
    ULONG m_ref = 1;
    bool m_windowless;
    bool m_browser;
};

} // namespace

void FakeLogCall(const std::wstring& entry)
{
    Log(entry);
}

extern "C" {

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    *ppv = NULL;
    bool windowless = IsEqualCLSID(clsid, CLSID_FakeWindowless) != FALSE;
    bool browser = IsEqualCLSID(clsid, CLSID_FakeBrowser) != FALSE;
    if (!windowless && !browser && !IsEqualCLSID(clsid, CLSID_FakeWindowed))
        return CLASS_E_CLASSNOTAVAILABLE;
    FakeFactory* factory = new FakeFactory(windowless, browser);
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

void FakeReset(DWORD miscStatus)
{
    g_log.clear();
    g_miscStatus = miscStatus;
}

int FakeLogCount()
{
    return static_cast<int>(g_log.size());
}

const wchar_t* FakeLogEntry(int index)
{
    return index >= 0 && index < static_cast<int>(g_log.size()) ? g_log[index].c_str() : L"";
}

int FakeLiveObjects()
{
    return g_liveObjects;
}

int FakeRunningLocks()
{
    return g_runningLocks;
}

void FakeKeepFrame(int keep)
{
    g_keepFrame = keep != 0;
    if (!g_keepFrame && g_keptFrame != NULL) {
        g_keptFrame->Release();
        g_keptFrame = NULL;
    }
}

HRESULT FakeAskKeptFrame()
{
    HWND window = NULL;
    return g_keptFrame != NULL ? g_keptFrame->GetWindow(&window) : E_POINTER;
}

HRESULT FakeShowObject()
{
    return g_lastClientSite != NULL ? g_lastClientSite->ShowObject() : E_POINTER;
}

HRESULT FakeTakeFocus()
{
    // As an object calls its site: through the reference it holds, not one of its own for the call.
    IOleInPlaceSiteWindowless* site = NULL;
    if (g_lastClientSite == NULL ||
        FAILED(g_lastClientSite->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&site))))
        return E_POINTER;
    site->Release();
    return site->SetFocus(TRUE);
}

void FakeFocusOnUIActivate(int take)
{
    g_focusOnUIActivate = take != 0;
}

HWND FakeChildWindow()
{
    return g_childWindow;
}

} // extern "C"
