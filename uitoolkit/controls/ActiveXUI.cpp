#include "core/ToolkitLog.h"
#include "core/ControlBusy.h"
#include "controls/ActiveXUI.h"
#include "controls/ActiveXSite.h"
#include "core/ManagerShared.h"

#include <wchar.h>

namespace UiToolkit {

namespace {

// Everything an in-process, handler, local or remote server may offer.
const DWORD CREATE_CONTEXT = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

typedef HRESULT(STDAPICALLTYPE* GetClassObjectProc)(REFCLSID, REFIID, void**);

bool IsNullClsid(const CLSID& clsid)
{
    return IsEqualGUID(clsid, GUID_NULL) != FALSE;
}

// The manager's timer key of the posted creation.
const UINT CREATE_TIMER = 1;

SIZEL PixelsToHimetric(int cx, int cy)
{
    HDC screen = ::GetDC(NULL);
    SIZEL size = {MulDiv(2540, cx, ::GetDeviceCaps(screen, LOGPIXELSX)),
                  MulDiv(2540, cy, ::GetDeviceCaps(screen, LOGPIXELSY))};
    ::ReleaseDC(NULL, screen);
    return size;
}

} // namespace

CActiveXUI::CActiveXUI() = default;

CActiveXUI::~CActiveXUI()
{
    // The base class's version: a derived control has already run its own part in its destructor.
    CActiveXUI::ReleaseControl();
}

const wchar_t* CActiveXUI::TypeName() const
{
    return L"ActiveXUI";
}

void* CActiveXUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ActiveX") == 0)
        return static_cast<CActiveXUI*>(this);
    return CControlUI::CastTo(name);
}

bool CActiveXUI::SetCLSID(const CLSID& clsid)
{
    if (IsNullClsid(clsid))
        return false;
    m_bCreated = false;
    m_clsid = clsid;
    if (!m_bDelayCreated)
        CreateControl();
    return true;
}

bool CActiveXUI::SetCLSID(const wchar_t* text)
{
    CLSID clsid = CLSID();
    if (text == NULL)
        return false;
    wchar_t buffer[100] = {};
    wcsncpy(buffer, text, 99);
    // A failed conversion may leave anything in the output: only a success counts.
    HRESULT hr = buffer[0] == L'{' ? ::CLSIDFromString(buffer, &clsid) : ::CLSIDFromProgID(buffer, &clsid);
    if (FAILED(hr))
        clsid = CLSID();
    return SetCLSID(clsid);
}

void CActiveXUI::SetDelayCreate(bool delay)
{
    if (m_bDelayCreated == delay)
        return;
    if (!delay && !m_bCreated && !IsNullClsid(m_clsid))
        CreateControl();
    m_bDelayCreated = delay;
}

HRESULT CActiveXUI::QueryControl(REFIID iid, void** out)
{
    if (out == NULL)
        return E_POINTER;
    *out = NULL;
    if (m_pUnk == NULL)
        return E_PENDING;
    return m_pUnk->QueryInterface(iid, out);
}

void CActiveXUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"clsid") == 0)
        SetCLSID(value);
    else if (wcscmp(name, L"modulename") == 0)
        SetModuleName(value);
    else if (wcscmp(name, L"delaycreate") == 0)
        SetDelayCreate(wcscmp(value, L"true") == 0);
    else
        CControlUI::ApplyAttribute(name, value);
}

RECT CActiveXUI::HostRect() const
{
    RECT rc = m_rcItem;
    if (m_pControl != NULL && !m_pControl->m_bWindowless)
        OffsetRect(&rc, -rc.left, -rc.top);
    return rc;
}

void CActiveXUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    // Without a window no notification is raised: nothing can run inside the layout.
    if (m_bCreated)
        PlaceObject();
    else if (!PostCreation())
        CreateAndPlace();
}

bool CActiveXUI::CreateAndPlace()
{
    CLifeGuardUI guard(m_lifeAnchor);
    CreateControl();
    if (!guard.IsAlive())
        return false;
    PlaceObject();
    return true;
}

bool CActiveXUI::PostCreation()
{
    if (m_pManager == NULL || !::IsWindow(m_pManager->GetWindow()))
        return false;
    // Killed first, so that an armed timer counts as armed, not as a failure.
    m_pManager->KillTimerFor(this, CREATE_TIMER);
    if (m_pManager->SetTimerFor(this, CREATE_TIMER, USER_TIMER_MINIMUM))
        return true;
    LOG(WARNING) << "ActiveX control: no timer for its creation; it is created inside the layout";
    return false;
}

void CActiveXUI::OnEvent(InputEventUI& event)
{
    if (event.type != UIEVENT_TIMER || event.wParam != CREATE_TIMER) {
        CControlUI::OnEvent(event);
        return;
    }
    if (m_pManager != NULL)
        m_pManager->KillTimerFor(this, CREATE_TIMER);
    if (!m_bCreated && CreateAndPlace())
        Invalidate();
}

void CActiveXUI::PlaceObject()
{
    if (m_pUnk == NULL || m_pControl == NULL)
        return;
    SIZEL extent = PixelsToHimetric(m_rcItem.right - m_rcItem.left, m_rcItem.bottom - m_rcItem.top);
    m_pUnk->SetExtent(DVASPECT_CONTENT, &extent);
    if (m_pControl->m_pInPlaceObject != NULL) {
        RECT pos = HostRect();
        m_pControl->m_pInPlaceObject->SetObjectRects(&pos, &pos);
    }
    if (!m_pControl->m_bWindowless && m_hwndHost != NULL)
        ::MoveWindow(m_hwndHost, m_rcItem.left, m_rcItem.top, m_rcItem.right - m_rcItem.left,
                     m_rcItem.bottom - m_rcItem.top, TRUE);
}

void CActiveXUI::Shift(int dx, int dy, bool invalidate)
{
    CControlUI::Shift(dx, dy, invalidate);
    if (m_pControl != NULL && !m_pControl->m_bWindowless && m_hwndHost != NULL)
        ::MoveWindow(m_hwndHost, m_rcItem.left, m_rcItem.top, m_rcItem.right - m_rcItem.left,
                     m_rcItem.bottom - m_rcItem.top, TRUE);
}

void CActiveXUI::SetVisible(bool visible)
{
    CControlBusyUI busy(this);
    CControlUI::SetVisible(visible);
    if (m_hwndHost != NULL && m_pControl != NULL && !m_pControl->m_bWindowless)
        ::ShowWindow(m_hwndHost, IsVisible() ? SW_SHOW : SW_HIDE);
}

void CActiveXUI::SetShownByParent(bool shown)
{
    CControlBusyUI busy(this);
    CControlUI::SetShownByParent(shown);
    if (m_hwndHost != NULL && m_pControl != NULL && !m_pControl->m_bWindowless)
        ::ShowWindow(m_hwndHost, IsVisible() ? SW_SHOW : SW_HIDE);
}

void CActiveXUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise)
{
    CControlUI::AttachManager(manager, parent, initialise);
    // An active windowless object hears the window it is in now; one kept out of every window hears none.
    const bool windowless = m_pControl != NULL && m_pControl->m_bWindowless && m_pControl->m_pInPlaceObject != NULL;
    if (m_pFilterManager == m_pManager || (m_pFilterManager == NULL && !windowless))
        return;
    if (m_pFilterManager != NULL)
        m_pFilterManager->RemoveMessageFilter(this);
    m_pFilterManager = NULL;
    if (windowless)
        RegisterAsFilter();
}

void CActiveXUI::Paint(HDC hdc, const RECT& paintRect)
{
    CControlUI::Paint(hdc, paintRect);
    RECT meet;
    if (!IntersectRect(&meet, &paintRect, &m_rcItem))
        return;
    if (m_pControl == NULL || !m_pControl->m_bWindowless || m_pControl->m_pViewObject == NULL)
        return;
    RECTL bounds = {m_rcItem.left, m_rcItem.top, m_rcItem.right, m_rcItem.bottom};
    m_pControl->m_pViewObject->Draw(DVASPECT_CONTENT, -1, NULL, NULL, NULL, hdc, &bounds, &bounds, NULL, 0);
}

IOleObject* CActiveXUI::CreateFromModule()
{
    if (m_sModuleName.IsEmpty())
        return NULL;
    // The module stays loaded: the object's code lives in it for as long as the process may use it.
    HMODULE module = ::LoadLibraryW(m_sModuleName);
    if (module == NULL)
        return NULL;
    GetClassObjectProc getClassObject =
        reinterpret_cast<GetClassObjectProc>(reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
    if (getClassObject == NULL)
        return NULL;
    IClassFactory* factory = NULL;
    if (FAILED(getClassObject(m_clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))) || factory == NULL)
        return NULL;
    IOleObject* object = NULL;
    HRESULT hr = factory->CreateInstance(NULL, IID_IOleObject, reinterpret_cast<void**>(&object));
    factory->Release();
    return SUCCEEDED(hr) ? object : NULL;
}

bool CActiveXUI::CreateControl()
{
    // The object's start runs handlers (notifications, the parent hearing of the host window, focus): this
    // control and the window stay until the call is done; callers check their life guard afterwards.
    ManagerBusy busy(m_pManager != NULL ? m_pManager->GetWindow() : NULL);
    ReleaseControl();
    m_bCreated = true;

    IOleObject* object = CreateFromModule();
    if (object == NULL) {
        IOleControl* control = NULL;
        HRESULT hr =
            ::CoCreateInstance(m_clsid, NULL, CREATE_CONTEXT, IID_IOleControl, reinterpret_cast<void**>(&control));
        if (FAILED(hr) || control == NULL)
            return false;
        control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
        control->Release();
        if (object == NULL)
            return false;
    }
    m_pUnk = object;
    m_pControl = new CActiveXCtrl();
    m_pControl->SetOwner(this);

    DWORD status = 0;
    m_pUnk->GetMiscStatus(DVASPECT_CONTENT, &status);
    IOleClientSite* clientSite = NULL;
    m_pControl->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite));
    bool siteSet = false;
    HRESULT hr = S_OK;
    if ((status & OLEMISC_SETCLIENTSITEFIRST) != 0) {
        hr = m_pUnk->SetClientSite(clientSite);
        siteSet = true;
    }
    IPersistStreamInit* persist = NULL;
    m_pUnk->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
    if (persist != NULL) {
        hr = persist->InitNew();
        persist->Release();
    } else {
        hr = S_OK;
    }
    if (FAILED(hr)) {
        // A failed initialisation leaves nothing behind.
        if (clientSite != NULL)
            clientSite->Release();
        CActiveXUI::ReleaseControl();
        return false;
    }
    {
        if (!siteSet)
            m_pUnk->SetClientSite(clientSite);
        IViewObject* view = NULL;
        hr = m_pUnk->QueryInterface(IID_IViewObjectEx, reinterpret_cast<void**>(&view));
        if (FAILED(hr))
            hr = m_pUnk->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&view));
        if (FAILED(hr))
            hr = m_pUnk->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view));
        m_pControl->m_pViewObject = SUCCEEDED(hr) ? view : NULL;
        m_pUnk->SetHostNames(L"UIActiveX", NULL);
        // The notification's handler may release the object, create a new one or delete this control: the
        // client-site reference held here keeps the site (and its address) ours, so a different site means
        // ours is gone.
        CActiveXCtrl* site = m_pControl;
        CLifeGuardUI guard(m_lifeAnchor);
        if (m_pManager != NULL)
            m_pManager->RaiseNotification(this, L"showactivex", 0, 0, false);
        if (!guard.IsAlive() || m_pControl != site || m_pUnk == NULL) {
            if (clientSite != NULL)
                clientSite->Release();
            return false;
        }
        if ((status & OLEMISC_INVISIBLEATRUNTIME) == 0) {
            HWND parent = m_pManager != NULL ? m_pManager->GetWindow() : NULL;
            RECT place = m_rcItem;
            hr = m_pUnk->DoVerb(OLEIVERB_INPLACEACTIVATE, NULL, clientSite, 0, parent, &place);
        }
        // The verb's focus handlers may have released the object or deleted this control.
        if (!guard.IsAlive()) {
            if (clientSite != NULL)
                clientSite->Release();
            return false;
        }
        IObjectWithSite* withSite = NULL;
        if (m_pControl == site && m_pUnk != NULL &&
            SUCCEEDED(m_pUnk->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)))) {
            withSite->SetSite(static_cast<IOleInPlaceSiteWindowless*>(m_pControl));
            withSite->Release();
        }
    }
    bool ours = m_pControl != NULL && m_pUnk != NULL;
    if (clientSite != NULL)
        clientSite->Release();
    return SUCCEEDED(hr) && ours;
}

void CActiveXUI::ReleaseControl()
{
    m_hwndHost = NULL;
    if (m_pUnk != NULL) {
        IObjectWithSite* withSite = NULL;
        if (SUCCEEDED(m_pUnk->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)))) {
            withSite->SetSite(NULL);
            withSite->Release();
        }
        m_pUnk->Close(OLECLOSE_NOSAVE);
        if (m_pControl != NULL)
            m_pControl->UnlockRunning();
        m_pUnk->SetClientSite(NULL);
        IOleObject* object = m_pUnk;
        m_pUnk = NULL;
        object->Release();
    }
    if (m_pControl != NULL) {
        CActiveXCtrl* site = m_pControl;
        m_pControl = NULL;
        site->SetOwner(NULL);
        site->Release();
    }
    if (m_pFilterManager != NULL) {
        m_pFilterManager->RemoveMessageFilter(this);
        m_pFilterManager = NULL;
    }
}

void CActiveXUI::RegisterAsFilter()
{
    if (m_pManager == NULL || m_pFilterManager == m_pManager)
        return;
    if (m_pFilterManager != NULL)
        m_pFilterManager->RemoveMessageFilter(this);
    m_pManager->RegisterMessageFilter(this);
    m_pFilterManager = m_pManager;
}

LRESULT CActiveXUI::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    CActiveXCtrl* site = m_pControl;
    if (site == NULL || !site->m_bInPlaceActive || site->m_pInPlaceObject == NULL || !site->m_bWindowless)
        return 0;
    bool mouse = message >= WM_MOUSEFIRST && message <= 0x20D;
    if (mouse && !IsMouseEnabled())
        return 0;
    bool markHandled = true;
    if (mouse || message == WM_SETCURSOR) {
        if (!site->m_bCaptured) {
            // Only points the object claims as its own reach it.
            IViewObjectEx* viewEx = NULL;
            if (site->m_pViewObject == NULL ||
                FAILED(site->m_pViewObject->QueryInterface(IID_IViewObjectEx, reinterpret_cast<void**>(&viewEx))))
                return 0;
            DWORD hit = HITRESULT_OUTSIDE;
            POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (message == WM_SETCURSOR) {
                // Its lParam holds hit-test codes, not a point: ask at the cursor.
                ::GetCursorPos(&pt);
                ::ScreenToClient(m_pManager != NULL ? m_pManager->GetWindow() : NULL, &pt);
            }
            viewEx->QueryHitPoint(DVASPECT_CONTENT, &m_rcItem, pt, 0, &hit);
            viewEx->Release();
            if (hit != HITRESULT_HIT)
                return 0;
        }
        if (message == WM_SETCURSOR)
            markHandled = false;
    } else if (message == WM_HELP || message == WM_CONTEXTMENU) {
        markHandled = false;
    } else if (message >= WM_KEYFIRST && message <= 0x108) {
        if (!site->m_bFocused)
            return 0;
    } else {
        return 0;
    }
    LRESULT result = 0;
    IOleInPlaceObjectWindowless* windowless = static_cast<IOleInPlaceObjectWindowless*>(site->m_pInPlaceObject);
    HRESULT hr = windowless->OnWindowMessage(message, wParam, lParam, &result);
    if (hr == S_OK)
        handled = markHandled;
    return result;
}

} // namespace UiToolkit
