#include "controls/WebBrowserUI.h"

#include <wchar.h>

namespace UiToolkit {

CWebBrowserUI::CWebBrowserUI()
{
    SetCLSID(CLSID_WebBrowser);
}

CWebBrowserUI::~CWebBrowserUI()
{
    ReleaseControl();
}

const wchar_t* CWebBrowserUI::TypeName() const
{
    return L"WebBrowserUI";
}

void* CWebBrowserUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"WebBrowser") == 0)
        return static_cast<CWebBrowserUI*>(this);
    return CActiveXUI::CastTo(name);
}

void CWebBrowserUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"homepage") == 0)
        SetHomePage(value);
    else if (wcscmp(name, L"autonavi") == 0)
        SetAutoNavigation(wcscmp(value, L"true") == 0);
    else
        CActiveXUI::ApplyAttribute(name, value);
}

void CWebBrowserUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise)
{
    CActiveXUI::AttachManager(manager, parent, initialise);
    // A created browser translates the keys of the window it is in now; one kept out of every window, none.
    if (m_pTranslatorManager == m_pManager || (m_pTranslatorManager == NULL && !IsCreated()))
        return;
    if (m_pTranslatorManager != NULL)
        m_pTranslatorManager->RemoveAcceleratorTranslator(this);
    m_pTranslatorManager = NULL;
    if (m_pManager != NULL && m_pManager->RegisterAcceleratorTranslator(this))
        m_pTranslatorManager = m_pManager;
}

bool CWebBrowserUI::CreateControl()
{
    if (!CActiveXUI::CreateControl())
        return false;
    if (m_pManager != NULL && m_pTranslatorManager == NULL && m_pManager->RegisterAcceleratorTranslator(this))
        m_pTranslatorManager = m_pManager;
    QueryControl(IID_IWebBrowser2, reinterpret_cast<void**>(&m_pWebBrowser2));
    // The sink first: a navigation that fails at once reports while Navigate is still running,
    // and its outcome would otherwise reach the handler or not depending on timing.
    RegisterEventHandler(true);
    if (m_bAutoNavi && !m_sHomePage.IsEmpty())
        Navigate(m_sHomePage);
    return true;
}

void CWebBrowserUI::ReleaseControl()
{
    m_bCreated = false;
    if (m_pTranslatorManager != NULL) {
        m_pTranslatorManager->RemoveAcceleratorTranslator(this);
        m_pTranslatorManager = NULL;
    }
    RegisterEventHandler(false);
    if (m_pWebBrowser2 != NULL) {
        IWebBrowser2* browser = m_pWebBrowser2;
        m_pWebBrowser2 = NULL;
        browser->Release();
    }
    // The object and its window go with the host's release, so a new creation never leaves the old one behind.
    CActiveXUI::ReleaseControl();
}

LRESULT CWebBrowserUI::ForwardToHandler(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR a, DWORD_PTR b,
                                        DWORD_PTR c, DWORD_PTR d)
{
    if (m_pWebBrowserEventHandler == NULL)
        return 0;
    return m_pWebBrowserEventHandler->ForwardedMessage(hwnd, message, wParam, lParam, a, b, c, d);
}

void CWebBrowserUI::Navigate(const wchar_t* url)
{
    if (url == NULL || *url == L'\0' || m_pWebBrowser2 == NULL)
        return;
    VARIANT target;
    ::VariantInit(&target);
    target.vt = VT_BSTR;
    target.bstrVal = ::SysAllocString(url);
    if (target.bstrVal == NULL)
        return;
    // Empty variants stand for "no flags, target frame, post data or headers".
    VARIANT none;
    ::VariantInit(&none);
    // The navigation's event handler may release the control and with it this reference.
    IWebBrowser2* browser = m_pWebBrowser2;
    browser->AddRef();
    browser->Navigate2(&target, &none, &none, &none, &none);
    browser->Release();
    ::VariantClear(&target);
}

HRESULT CWebBrowserUI::RegisterEventHandler(bool advise)
{
    // Advise once, unadvise only what was advised: the cookie says which.
    if (advise == (m_dwCookie != 0))
        return S_FALSE;
    IWebBrowser2* browser = NULL;
    HRESULT hr = QueryControl(IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
    if (FAILED(hr) || browser == NULL)
        return FAILED(hr) ? hr : E_NOINTERFACE;
    IConnectionPointContainer* container = NULL;
    hr = browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    browser->Release();
    if (FAILED(hr))
        return hr;
    IConnectionPoint* point = NULL;
    hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
    container->Release();
    if (FAILED(hr))
        return hr;
    if (advise) {
        hr = point->Advise(static_cast<IDispatch*>(this), &m_dwCookie);
        if (FAILED(hr))
            m_dwCookie = 0;
    } else {
        hr = point->Unadvise(m_dwCookie);
        m_dwCookie = 0;
    }
    point->Release();
    return hr;
}

STDMETHODIMP CWebBrowserUI::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == NULL)
        return E_POINTER;
    *ppv = NULL;
    // IUnknown is answered too, always with the same part, so that callers can compare identities.
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDocHostUIHandler))
        *ppv = static_cast<IDocHostUIHandler*>(this);
    else if (IsEqualIID(riid, IID_IDispatch))
        *ppv = static_cast<IDispatch*>(this);
    else if (IsEqualIID(riid, IID_IServiceProvider))
        *ppv = static_cast<IServiceProvider*>(this);
    else if (IsEqualIID(riid, IID_IOleCommandTarget))
        *ppv = static_cast<IOleCommandTarget*>(this);
    if (*ppv == NULL)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

// The toolkit owns the control's lifetime: the count only answers callers.
STDMETHODIMP_(ULONG) CWebBrowserUI::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_dwRef));
}

STDMETHODIMP_(ULONG) CWebBrowserUI::Release()
{
    return static_cast<ULONG>(InterlockedDecrement(&m_dwRef));
}

LRESULT CWebBrowserUI::TranslateAccelerator(MSG* msg)
{
    if (msg == NULL || msg->message < WM_KEYFIRST || msg->message > 0x108)
        return S_FALSE;
    if (m_pWebBrowser2 == NULL)
        return E_NOTIMPL;
    // Only keys typed inside the browser's window are the browser's.
    bool inside = false;
    for (HWND window = ::GetFocus(); window != NULL && !inside; window = ::GetParent(window))
        inside = window == m_hwndHost;
    if (!inside)
        return S_FALSE;
    IOleInPlaceActiveObject* active = NULL;
    if (FAILED(m_pWebBrowser2->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active))) ||
        active == NULL)
        return S_FALSE;
    HRESULT hr = active->TranslateAccelerator(msg);
    active->Release();
    return hr;
}

} // namespace UiToolkit
