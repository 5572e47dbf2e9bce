#include "controls/ActiveXSite.h"

namespace UiToolkit {

// CActiveXWnd

HWND CActiveXWnd::Init(CActiveXCtrl* owner, HWND parent)
{
    m_pOwner = owner;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    Hold self(this);
    HWND hwnd = CreateWnd(parent, L"UIActiveX", style, 0, 0, 0, 0, 0);
    if (hwnd == NULL)
        FinishWithoutWindow();
    return hwnd;
}

void CActiveXWnd::OnWindowGone(HWND hWnd)
{
    CWindowWnd::OnWindowGone(hWnd);
    if (m_pOwner != NULL && m_pOwner->m_pWindow == this) {
        m_pOwner->m_pWindow = NULL;
        if (m_pOwner->m_pOwner != NULL && m_pOwner->m_pOwner->m_hwndHost == hWnd)
            m_pOwner->m_pOwner->m_hwndHost = NULL;
    }
    delete this;
}

void CActiveXWnd::DoVerb(LONG verb)
{
    if (m_pOwner == NULL || m_pOwner->m_pOwner == NULL)
        return;
    CActiveXUI* control = m_pOwner->m_pOwner;
    IOleObject* object = NULL;
    if (FAILED(control->QueryControl(IID_IOleObject, reinterpret_cast<void**>(&object))) || object == NULL)
        return;
    IOleClientSite* site = NULL;
    m_pOwner->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&site));
    RECT rc = control->GetPos();
    object->DoVerb(verb, NULL, site, 0, m_hWnd, &rc);
    if (site != NULL)
        site->Release();
    object->Release();
}

LRESULT CActiveXWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pOwner == NULL)
        return CWindowWnd::ProcessMessage(message, wParam, lParam);
    switch (message) {
    case WM_SETFOCUS:
        m_pOwner->m_bFocused = true;
        if (!m_pOwner->m_bUIActivated)
            DoVerb(OLEIVERB_UIACTIVATE);
        break;
    case WM_KILLFOCUS:
        m_pOwner->m_bFocused = false;
        break;
    case WM_PAINT: {
        // The object paints its own window; this one only validates.
        PAINTSTRUCT ps;
        ::BeginPaint(m_hWnd, &ps);
        ::EndPaint(m_hWnd, &ps);
        return 1;
    }
    case WM_ERASEBKGND:
        if (m_pOwner->m_pViewObject != NULL)
            return 1;
        break;
    case WM_MOUSEACTIVATE: {
        DWORD status = 0;
        if (m_pOwner->m_pOwner != NULL && m_pOwner->m_pOwner->m_pUnk != NULL)
            m_pOwner->m_pOwner->m_pUnk->GetMiscStatus(DVASPECT_CONTENT, &status);
        if ((status & OLEMISC_NOUIACTIVATE) != 0)
            return 0;
        if (!m_pOwner->m_bInPlaceActive)
            DoVerb(OLEIVERB_INPLACEACTIVATE);
        break;
    }
    case WM_MOUSEWHEEL:
        return 0;
    default:
        break;
    }
    return CWindowWnd::ProcessMessage(message, wParam, lParam);
}

// CActiveXFrameWnd

CActiveXFrameWnd::~CActiveXFrameWnd()
{
    if (m_pActiveObject != NULL)
        m_pActiveObject->Release();
}

STDMETHODIMP CActiveXFrameWnd::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == NULL)
        return E_POINTER;
    *ppv = NULL;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
        IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
        *ppv = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CActiveXFrameWnd::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_dwRef));
}

STDMETHODIMP_(ULONG) CActiveXFrameWnd::Release()
{
    LONG count = InterlockedDecrement(&m_dwRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP CActiveXFrameWnd::GetWindow(HWND* phwnd)
{
    if (phwnd == NULL)
        return E_POINTER;
    *phwnd = NULL;
    CActiveXUI* owner = m_owner ? *m_owner : NULL;
    if (owner == NULL || owner->GetOwnerManager() == NULL)
        return E_UNEXPECTED;
    *phwnd = owner->GetOwnerManager()->GetWindow();
    return S_OK;
}

STDMETHODIMP CActiveXFrameWnd::ContextSensitiveHelp(BOOL)
{
    return S_OK;
}
STDMETHODIMP CActiveXFrameWnd::GetBorder(LPRECT)
{
    return S_OK;
}
STDMETHODIMP CActiveXFrameWnd::RequestBorderSpace(LPCBORDERWIDTHS)
{
    return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP CActiveXFrameWnd::SetBorderSpace(LPCBORDERWIDTHS)
{
    return S_OK;
}

STDMETHODIMP CActiveXFrameWnd::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR)
{
    if (object != NULL)
        object->AddRef();
    if (m_pActiveObject != NULL)
        m_pActiveObject->Release();
    m_pActiveObject = object;
    return S_OK;
}

STDMETHODIMP CActiveXFrameWnd::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS)
{
    return S_OK;
}
STDMETHODIMP CActiveXFrameWnd::SetMenu(HMENU, HOLEMENU, HWND)
{
    return S_OK;
}
STDMETHODIMP CActiveXFrameWnd::RemoveMenus(HMENU)
{
    return S_OK;
}
STDMETHODIMP CActiveXFrameWnd::SetStatusText(LPCOLESTR)
{
    return S_OK;
}
STDMETHODIMP CActiveXFrameWnd::EnableModeless(BOOL)
{
    return S_OK;
}
STDMETHODIMP CActiveXFrameWnd::TranslateAccelerator(LPMSG, WORD)
{
    return S_FALSE;
}

// CActiveXEnum

CActiveXEnum::CActiveXEnum(IUnknown* object) : m_pUnk(object)
{
    if (m_pUnk != NULL)
        m_pUnk->AddRef();
}

CActiveXEnum::~CActiveXEnum()
{
    if (m_pUnk != NULL)
        m_pUnk->Release();
}

STDMETHODIMP CActiveXEnum::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == NULL)
        return E_POINTER;
    *ppv = NULL;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumUnknown)) {
        *ppv = static_cast<IEnumUnknown*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CActiveXEnum::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_dwRef));
}

STDMETHODIMP_(ULONG) CActiveXEnum::Release()
{
    LONG count = InterlockedDecrement(&m_dwRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

// The sequence holds one element: the object (none without one).
STDMETHODIMP CActiveXEnum::Next(ULONG count, IUnknown** items, ULONG* fetched)
{
    if (fetched != NULL)
        *fetched = 0;
    if (count == 0)
        return S_OK;
    if (items == NULL)
        return E_POINTER;
    if (count > 1 && fetched == NULL)
        return E_INVALIDARG;
    items[0] = NULL;
    const LONG total = m_pUnk != NULL ? 1 : 0;
    ULONG got = 0;
    while (got < count && m_iPos < total) {
        items[got] = m_pUnk;
        m_pUnk->AddRef();
        ++got;
        ++m_iPos;
    }
    if (fetched != NULL)
        *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

STDMETHODIMP CActiveXEnum::Skip(ULONG count)
{
    const LONG total = m_pUnk != NULL ? 1 : 0;
    if (count > static_cast<ULONG>(total - m_iPos)) {
        m_iPos = total;
        return S_FALSE;
    }
    m_iPos += static_cast<LONG>(count);
    return S_OK;
}

STDMETHODIMP CActiveXEnum::Reset()
{
    m_iPos = 0;
    return S_OK;
}

STDMETHODIMP CActiveXEnum::Clone(IEnumUnknown** out)
{
    if (out != NULL)
        *out = NULL;
    return E_NOTIMPL;
}

} // namespace UiToolkit
