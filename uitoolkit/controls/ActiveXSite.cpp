#include "controls/ActiveXSite.h"
#include <new>

namespace UiToolkit {

namespace {

template <typename T>
void ReleaseInto(T*& pointer)
{
    if (pointer != NULL) {
        T* held = pointer;
        pointer = NULL;
        held->Release();
    }
}

} // namespace

CActiveXCtrl::CActiveXCtrl() = default;

CActiveXCtrl::~CActiveXCtrl()
{
    SetOwner(NULL);
    LetGoOfWindow();
    UnlockRunning();
    ReleaseInto(m_pUnkSite);
    ReleaseInto(m_pViewObject);
    ReleaseInto(m_pInPlaceObject);
    if (m_hAccel != NULL)
        ::DestroyAcceleratorTable(m_hAccel);
}

void CActiveXCtrl::SetOwner(CActiveXUI* owner)
{
    m_pOwner = owner;
    if (m_frameOwner)
        *m_frameOwner = owner;
}

HWND CActiveXCtrl::ManagerWindow() const
{
    if (m_pOwner == NULL || m_pOwner->GetOwnerManager() == NULL)
        return NULL;
    return m_pOwner->GetOwnerManager()->GetWindow();
}

void CActiveXCtrl::UnlockRunning()
{
    if (m_pLockedObject == NULL)
        return;
    IOleObject* object = m_pLockedObject;
    m_pLockedObject = NULL;
    ::OleLockRunning(object, FALSE, FALSE);
    object->Release();
}

STDMETHODIMP CActiveXCtrl::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == NULL)
        return E_POINTER;
    *ppv = NULL;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleInPlaceSiteWindowless) ||
        IsEqualIID(riid, IID_IOleInPlaceSiteEx) || IsEqualIID(riid, IID_IOleInPlaceSite) ||
        IsEqualIID(riid, IID_IOleWindow))
        *ppv = static_cast<IOleInPlaceSiteWindowless*>(this);
    else if (IsEqualIID(riid, IID_IOleClientSite))
        *ppv = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, IID_IOleControlSite))
        *ppv = static_cast<IOleControlSite*>(this);
    else if (IsEqualIID(riid, IID_IObjectWithSite))
        *ppv = static_cast<IObjectWithSite*>(this);
    else if (IsEqualIID(riid, IID_IOleContainer))
        *ppv = static_cast<IOleContainer*>(this);
    if (*ppv == NULL)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CActiveXCtrl::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_dwRef));
}

STDMETHODIMP_(ULONG) CActiveXCtrl::Release()
{
    LONG count = InterlockedDecrement(&m_dwRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

// IObjectWithSite

STDMETHODIMP CActiveXCtrl::SetSite(IUnknown* site)
{
    if (site != NULL)
        site->AddRef();
    ReleaseInto(m_pUnkSite);
    m_pUnkSite = site;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetSite(REFIID riid, void** site)
{
    if (site == NULL)
        return E_POINTER;
    *site = NULL;
    if (m_pUnkSite == NULL)
        return E_FAIL;
    return m_pUnkSite->QueryInterface(riid, site);
}

// IOleClientSite

STDMETHODIMP CActiveXCtrl::SaveObject()
{
    return E_NOTIMPL;
}

STDMETHODIMP CActiveXCtrl::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker != NULL)
        *moniker = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP CActiveXCtrl::GetContainer(IOleContainer** container)
{
    if (container == NULL)
        return E_POINTER;
    *container = NULL;
    HRESULT hr = E_NOTIMPL;
    if (m_pUnkSite != NULL)
        hr = m_pUnkSite->QueryInterface(IID_IOleContainer, reinterpret_cast<void**>(container));
    if (FAILED(hr))
        hr = QueryInterface(IID_IOleContainer, reinterpret_cast<void**>(container));
    return hr;
}

STDMETHODIMP CActiveXCtrl::ShowObject()
{
    if (m_pOwner == NULL)
        return E_UNEXPECTED;
    HWND host = m_pOwner->m_hwndHost;
    // GetDC of no window would be the whole screen's.
    if (host == NULL)
        return E_FAIL;
    HDC hdc = ::GetDC(host);
    if (hdc == NULL)
        return E_FAIL;
    if (m_pViewObject != NULL) {
        RECT rc = m_pOwner->HostRect();
        RECTL bounds = {rc.left, rc.top, rc.right, rc.bottom};
        m_pViewObject->Draw(DVASPECT_CONTENT, -1, NULL, NULL, NULL, hdc, &bounds, &bounds, NULL, 0);
    }
    ::ReleaseDC(host, hdc);
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::OnShowWindow(BOOL)
{
    return E_NOTIMPL;
}
STDMETHODIMP CActiveXCtrl::RequestNewObjectLayout()
{
    return E_NOTIMPL;
}

// IOleInPlaceSiteWindowless

STDMETHODIMP CActiveXCtrl::CanWindowlessActivate()
{
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetCapture()
{
    if (m_pOwner == NULL)
        return E_UNEXPECTED;
    return m_bCaptured ? S_OK : S_FALSE;
}

STDMETHODIMP CActiveXCtrl::SetCapture(BOOL capture)
{
    if (m_pOwner == NULL)
        return E_UNEXPECTED;
    m_bCaptured = capture == TRUE;
    if (m_bCaptured)
        ::SetCapture(m_pOwner->m_hwndHost);
    else
        ::ReleaseCapture();
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetFocus()
{
    if (m_pOwner == NULL)
        return E_UNEXPECTED;
    return m_bFocused ? S_OK : S_FALSE;
}

STDMETHODIMP CActiveXCtrl::SetFocus(BOOL focus)
{
    if (m_pOwner == NULL)
        return E_UNEXPECTED;
    // The focus notifications may release the control, and with it this site: held for the call.
    AddRef();
    if (focus == TRUE)
        m_pOwner->SetFocus();
    // Released, or taken out of its window (freed later, once the handling is over): the focus is not ours.
    bool ours = m_pOwner != NULL && m_pOwner->GetOwnerManager() != NULL;
    if (ours)
        m_bFocused = focus == TRUE;
    Release();
    return ours ? S_OK : E_UNEXPECTED;
}

STDMETHODIMP CActiveXCtrl::GetDC(LPCRECT, DWORD flags, HDC* phDC)
{
    if (phDC == NULL)
        return E_POINTER;
    *phDC = NULL;
    if (m_pOwner == NULL)
        return E_UNEXPECTED;
    HWND host = m_pOwner->m_hwndHost;
    if (host == NULL)
        return E_FAIL;
    // Windowless objects draw straight into the manager's window, windowed ones into their child window.
    HDC hdc = ::GetDC(host);
    if (hdc == NULL)
        return E_FAIL;
    if ((flags & OLEDC_PAINTBKGND) != 0) {
        RECT rc = m_pOwner->HostRect();
        ::FillRect(hdc, &rc, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    }
    *phDC = hdc;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ReleaseDC(HDC hDC)
{
    if (m_pOwner == NULL)
        return E_UNEXPECTED;
    ::ReleaseDC(m_pOwner->m_hwndHost, hDC);
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::InvalidateRect(LPCRECT rect, BOOL erase)
{
    if (m_pOwner == NULL || m_pOwner->m_hwndHost == NULL)
        return E_FAIL;
    return ::InvalidateRect(m_pOwner->m_hwndHost, rect, erase) ? S_OK : E_FAIL;
}

STDMETHODIMP CActiveXCtrl::InvalidateRgn(HRGN region, BOOL erase)
{
    if (m_pOwner == NULL || m_pOwner->m_hwndHost == NULL)
        return E_FAIL;
    return ::InvalidateRgn(m_pOwner->m_hwndHost, region, erase) ? S_OK : E_FAIL;
}

STDMETHODIMP CActiveXCtrl::ScrollRect(INT, INT, LPCRECT, LPCRECT)
{
    return S_OK;
}
STDMETHODIMP CActiveXCtrl::AdjustRect(LPRECT)
{
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::OnDefWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (result == NULL)
        return E_POINTER;
    if (m_pOwner == NULL)
        return E_UNEXPECTED;
    *result = ::DefWindowProcW(m_pOwner->m_hwndHost, msg, wParam, lParam);
    return S_OK;
}

// IOleInPlaceSiteEx

STDMETHODIMP CActiveXCtrl::OnInPlaceActivateEx(BOOL*, DWORD flags)
{
    if (m_pOwner == NULL || m_pOwner->m_pUnk == NULL)
        return E_UNEXPECTED;
    IOleObject* object = m_pOwner->m_pUnk;
    if (m_pLockedObject == NULL) {
        ::OleLockRunning(object, TRUE, FALSE);
        object->AddRef();
        m_pLockedObject = object;
    }
    ReleaseInto(m_pInPlaceObject);
    HRESULT hr = E_FAIL;
    if ((flags & ACTIVATE_WINDOWLESS) != 0) {
        m_bWindowless = true;
        hr = object->QueryInterface(IID_IOleInPlaceObjectWindowless, reinterpret_cast<void**>(&m_pInPlaceObject));
        if (SUCCEEDED(hr)) {
            m_pOwner->m_hwndHost = ManagerWindow();
            m_pOwner->RegisterAsFilter();
        }
    }
    if (FAILED(hr)) {
        m_bWindowless = false;
        hr = CreateActiveXWnd();
        if (FAILED(hr))
            return hr;
        hr = object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_pInPlaceObject));
    }
    if (m_pInPlaceObject != NULL) {
        RECT rc = m_pOwner->HostRect();
        m_pInPlaceObject->SetObjectRects(&rc, &rc);
    }
    m_bInPlaceActive = SUCCEEDED(hr);
    return hr;
}

STDMETHODIMP CActiveXCtrl::OnInPlaceDeactivateEx(BOOL)
{
    m_bInPlaceActive = false;
    ReleaseInto(m_pInPlaceObject);
    UnlockRunning();
    LetGoOfWindow();
    return S_OK;
}

// The window may be inside one of its own messages (the object answering its focus, say): it is never deleted
// here, but freed by itself once that message returns.
void CActiveXCtrl::LetGoOfWindow()
{
    CActiveXWnd* window = m_pWindow;
    if (window == NULL)
        return;
    m_pWindow = NULL;
    HWND hwnd = window->WindowHandle();
    if (m_pOwner != NULL && hwnd != NULL && m_pOwner->m_hwndHost == hwnd)
        m_pOwner->m_hwndHost = NULL;
    window->Detach();
    if (hwnd != NULL)
        ::DestroyWindow(hwnd);
}

STDMETHODIMP CActiveXCtrl::RequestUIActivate()
{
    return S_OK;
}

// IOleInPlaceSite

STDMETHODIMP CActiveXCtrl::CanInPlaceActivate()
{
    return S_OK;
}
STDMETHODIMP CActiveXCtrl::OnInPlaceActivate()
{
    return OnInPlaceActivateEx(NULL, 0);
}

STDMETHODIMP CActiveXCtrl::OnUIActivate()
{
    m_bUIActivated = true;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                            LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo)
{
    if (frame != NULL)
        *frame = NULL;
    if (doc != NULL)
        *doc = NULL;
    if (frame == NULL || doc == NULL || pos == NULL || clip == NULL || frameInfo == NULL)
        return E_POINTER;
    if (m_pWindow != NULL) {
        ::GetClientRect(m_pWindow->WindowHandle(), pos);
        ::GetClientRect(m_pWindow->WindowHandle(), clip);
    } else {
        *pos = m_pOwner != NULL ? m_pOwner->HostRect() : RECT();
        *clip = *pos;
    }
    if (!m_frameOwner)
        m_frameOwner = std::make_shared<CActiveXUI*>(m_pOwner);
    *frame = new CActiveXFrameWnd(m_frameOwner);
    if (m_hAccel == NULL) {
        ACCEL none = {};
        m_hAccel = ::CreateAcceleratorTableW(&none, 1);
    }
    frameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = ManagerWindow();
    frameInfo->haccel = m_hAccel;
    frameInfo->cAccelEntries = 1;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::Scroll(SIZE)
{
    return E_NOTIMPL;
}

STDMETHODIMP CActiveXCtrl::OnUIDeactivate(BOOL)
{
    m_bUIActivated = false;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::OnInPlaceDeactivate()
{
    return OnInPlaceDeactivateEx(TRUE);
}
STDMETHODIMP CActiveXCtrl::DiscardUndoState()
{
    return E_NOTIMPL;
}
STDMETHODIMP CActiveXCtrl::DeactivateAndUndo()
{
    return E_NOTIMPL;
}
STDMETHODIMP CActiveXCtrl::OnPosRectChange(LPCRECT)
{
    return E_NOTIMPL;
}

// IOleWindow

STDMETHODIMP CActiveXCtrl::GetWindow(HWND* phwnd)
{
    if (phwnd == NULL)
        return E_POINTER;
    *phwnd = NULL;
    if (m_pOwner == NULL)
        return E_UNEXPECTED;
    if (m_pOwner->m_hwndHost == NULL)
        CreateActiveXWnd();
    *phwnd = m_pOwner != NULL ? m_pOwner->m_hwndHost : NULL;
    return *phwnd != NULL ? S_OK : E_FAIL;
}

STDMETHODIMP CActiveXCtrl::ContextSensitiveHelp(BOOL)
{
    return S_OK;
}

// IOleControlSite

STDMETHODIMP CActiveXCtrl::OnControlInfoChanged()
{
    return S_OK;
}
STDMETHODIMP CActiveXCtrl::LockInPlaceActive(BOOL)
{
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::GetExtendedControl(IDispatch** disp)
{
    if (disp == NULL)
        return E_POINTER;
    *disp = NULL;
    if (m_pOwner == NULL || m_pOwner->m_pUnk == NULL)
        return E_UNEXPECTED;
    return m_pOwner->m_pUnk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(disp));
}

STDMETHODIMP CActiveXCtrl::TransformCoords(POINTL*, POINTF*, DWORD)
{
    return S_OK;
}
STDMETHODIMP CActiveXCtrl::TranslateAccelerator(MSG*, DWORD)
{
    return S_FALSE;
}

STDMETHODIMP CActiveXCtrl::OnFocus(BOOL focus)
{
    m_bFocused = focus == TRUE;
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ShowPropertyFrame()
{
    return E_NOTIMPL;
}

// IOleContainer

STDMETHODIMP CActiveXCtrl::EnumObjects(DWORD, IEnumUnknown** enumerator)
{
    if (enumerator == NULL)
        return E_POINTER;
    *enumerator = NULL;
    if (m_pOwner == NULL || m_pOwner->m_pUnk == NULL)
        return E_UNEXPECTED;
    *enumerator = new CActiveXEnum(m_pOwner->m_pUnk);
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::LockContainer(BOOL)
{
    return S_OK;
}

STDMETHODIMP CActiveXCtrl::ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker** out)
{
    if (out != NULL)
        *out = NULL;
    return E_NOTIMPL;
}

HRESULT CActiveXCtrl::CreateActiveXWnd()
{
    if (m_pWindow != NULL)
        return S_OK;
    CActiveXWnd* window = new (std::nothrow) CActiveXWnd();
    if (window == NULL)
        return E_OUTOFMEMORY;
    m_pWindow = window;
    // The parent hears of its new child: a handler may destroy the window, or remove the control, which lets
    // this site and its window go. Both stay until this call is done with them.
    AddRef();
    HWND hwnd = window->Init(this, ManagerWindow());
    HRESULT hr = S_OK;
    // A window that did not come, or went again: its object finishes by itself, maybe later.
    if (m_pWindow != window || hwnd == NULL) {
        if (m_pWindow == window) {
            m_pWindow = NULL;
            window->Detach();
        }
        hr = E_FAIL;
    } else if (m_pOwner != NULL) {
        m_pOwner->m_hwndHost = hwnd;
    }
    Release();
    return hr;
}

} // namespace UiToolkit
