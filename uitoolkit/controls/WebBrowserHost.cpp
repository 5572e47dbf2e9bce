// The web browser control as document host, service provider, command target and event sink.
#include "controls/WebBrowserUI.h"

#include <exdispid.h>
#include <mshtml.h>

namespace UiToolkit {

namespace {

// Answers what the control answers when nobody installed a handler.
CWebBrowserEventHandler& DefaultHandler()
{
    static CWebBrowserEventHandler handler;
    return handler;
}

template <typename T>
void ClearOut(T** out)
{
    if (out != NULL)
        *out = NULL;
}

// Event arguments arrive last to first; these read the n-th as declared, with the declared type only.
class EventArguments
{
public:
    explicit EventArguments(DISPPARAMS* params)
        : m_count(params != NULL && params->rgvarg != NULL ? params->cArgs : 0),
          m_args(params != NULL ? params->rgvarg : NULL)
    {}
    bool Has(UINT n) const { return m_count >= n; }
    VARIANT* At(UINT i) const { return &m_args[m_count - 1 - i]; }
    IDispatch* Dispatch(UINT i) const { return At(i)->vt == VT_DISPATCH ? At(i)->pdispVal : NULL; }
    IDispatch** DispatchOut(UINT i) const { return At(i)->vt == (VT_DISPATCH | VT_BYREF) ? At(i)->ppdispVal : NULL; }
    VARIANT* Variant(UINT i) const { return At(i)->vt == (VT_VARIANT | VT_BYREF) ? At(i)->pvarVal : At(i); }
    VARIANT_BOOL* BoolOut(UINT i) const { return At(i)->vt == (VT_BOOL | VT_BYREF) ? At(i)->pboolVal : NULL; }
    LONG Long(UINT i) const
    {
        VARIANT value;
        ::VariantInit(&value);
        LONG result = 0;
        if (SUCCEEDED(::VariantChangeType(&value, At(i), 0, VT_I4)))
            result = value.lVal;
        return result;
    }
    BSTR String(UINT i) const { return At(i)->vt == VT_BSTR ? At(i)->bstrVal : NULL; }

private:
    UINT m_count;
    VARIANTARG* m_args;
};

// Reads the script error's fields from the document's current event; the values only need to be fetched.
// The answer is that of the last Invoke, S_OK when the event could not be reached.
HRESULT ReadScriptError(VARIANT* in)
{
    if (in == NULL || (in->vt != VT_UNKNOWN && in->vt != VT_DISPATCH) || in->punkVal == NULL)
        return S_OK;
    IHTMLDocument2* document = NULL;
    if (FAILED(in->punkVal->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&document))) ||
        document == NULL)
        return S_OK;
    IHTMLWindow2* window = NULL;
    HRESULT hr = document->get_parentWindow(&window);
    document->Release();
    if (FAILED(hr) || window == NULL)
        return S_OK;
    IHTMLEventObj* event = NULL;
    hr = window->get_event(&event);
    window->Release();
    if (FAILED(hr) || event == NULL)
        return S_OK;
    HRESULT last = S_OK;
    const wchar_t* names[] = {L"errorLine", L"errorCharacter", L"errorCode", L"errorMessage", L"errorUrl"};
    for (const wchar_t* name : names) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR text = const_cast<LPOLESTR>(name);
        if (FAILED(event->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_SYSTEM_DEFAULT, &id)))
            continue;
        DISPPARAMS none = {NULL, NULL, 0, 0};
        VARIANT value;
        ::VariantInit(&value);
        last = event->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, NULL, NULL);
        ::VariantClear(&value);
    }
    event->Release();
    return last;
}

} // namespace

CWebBrowserEventHandler& CWebBrowserUI::UiHandler()
{
    return m_pWebBrowserEventHandler != NULL ? *m_pWebBrowserEventHandler : DefaultHandler();
}

// IDocHostUIHandler

STDMETHODIMP CWebBrowserUI::ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* reserved)
{
    return UiHandler().ShowContextMenu(id, pt, target, reserved);
}

STDMETHODIMP CWebBrowserUI::GetHostInfo(DOCHOSTUIINFO* info)
{
    return UiHandler().GetHostInfo(info);
}

STDMETHODIMP CWebBrowserUI::ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                                   IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc)
{
    return UiHandler().ShowUI(id, active, target, frame, doc);
}

STDMETHODIMP CWebBrowserUI::HideUI()
{
    return UiHandler().HideUI();
}
STDMETHODIMP CWebBrowserUI::UpdateUI()
{
    return UiHandler().UpdateUI();
}
STDMETHODIMP CWebBrowserUI::EnableModeless(BOOL enable)
{
    return UiHandler().EnableModeless(enable);
}

STDMETHODIMP CWebBrowserUI::OnDocWindowActivate(BOOL activate)
{
    return UiHandler().OnDocWindowActivate(activate);
}

STDMETHODIMP CWebBrowserUI::OnFrameWindowActivate(BOOL activate)
{
    return UiHandler().OnFrameWindowActivate(activate);
}

STDMETHODIMP CWebBrowserUI::ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow)
{
    return UiHandler().ResizeBorder(border, window, frameWindow);
}

STDMETHODIMP CWebBrowserUI::TranslateAccelerator(LPMSG msg, const GUID* group, DWORD command)
{
    return UiHandler().TranslateAccelerator(msg, group, command);
}

STDMETHODIMP CWebBrowserUI::GetOptionKeyPath(LPOLESTR* key, DWORD reserved)
{
    ClearOut(key);
    return UiHandler().GetOptionKeyPath(key, reserved);
}

STDMETHODIMP CWebBrowserUI::GetDropTarget(IDropTarget* dropTarget, IDropTarget** out)
{
    ClearOut(out);
    return UiHandler().GetDropTarget(dropTarget, out);
}

STDMETHODIMP CWebBrowserUI::GetExternal(IDispatch** dispatch)
{
    ClearOut(dispatch);
    return UiHandler().GetExternal(dispatch);
}

STDMETHODIMP CWebBrowserUI::TranslateUrl(DWORD translate, OLECHAR* url, OLECHAR** out)
{
    ClearOut(out);
    return UiHandler().TranslateUrl(translate, url, out);
}

STDMETHODIMP CWebBrowserUI::FilterDataObject(IDataObject* object, IDataObject** out)
{
    ClearOut(out);
    return UiHandler().FilterDataObject(object, out);
}

// IServiceProvider

STDMETHODIMP CWebBrowserUI::QueryService(REFGUID, REFIID, void** out)
{
    ClearOut(out);
    return E_NOINTERFACE;
}

// IOleCommandTarget

STDMETHODIMP CWebBrowserUI::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*)
{
    return OLECMDERR_E_NOTSUPPORTED;
}

STDMETHODIMP CWebBrowserUI::Exec(const GUID* group, DWORD command, DWORD, VARIANT* in, VARIANT* out)
{
    if (group == NULL || !IsEqualGUID(*group, CGID_DocHostCommandHandler))
        return OLECMDERR_E_UNKNOWNGROUP;
    if (command != OLECMDID_SHOWSCRIPTERROR)
        return OLECMDERR_E_NOTSUPPORTED;
    HRESULT hr = ReadScriptError(in);
    // TRUE: keep running the page's scripts and show no error dialog.
    if (out != NULL) {
        out->vt = VT_BOOL;
        out->boolVal = VARIANT_TRUE;
    }
    return hr;
}

// IDispatch

STDMETHODIMP CWebBrowserUI::GetTypeInfoCount(UINT* count)
{
    if (count != NULL)
        *count = 0;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserUI::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    ClearOut(info);
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowserUI::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

void CWebBrowserUI::AttachToDocument()
{
    if (m_pWebBrowser2 == NULL)
        return;
    IDispatch* document = NULL;
    if (FAILED(m_pWebBrowser2->get_Document(&document)) || document == NULL)
        return;
    ICustomDoc* custom = NULL;
    if (SUCCEEDED(document->QueryInterface(IID_ICustomDoc, reinterpret_cast<void**>(&custom))) && custom != NULL) {
        custom->SetUIHandler(static_cast<IDocHostUIHandler*>(this));
        custom->Release();
    }
    document->Release();
}

STDMETHODIMP CWebBrowserUI::Invoke(DISPID id, REFIID riid, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*)
{
    if (!IsEqualIID(riid, IID_NULL))
        return E_INVALIDARG;
    EventArguments args(params);
    CWebBrowserEventHandler* handler = m_pWebBrowserEventHandler;
    switch (id) {
    case DISPID_STATUSTEXTCHANGE:
        return S_OK;
    case DISPID_COMMANDSTATECHANGE:
        if (!args.Has(2))
            return DISP_E_BADPARAMCOUNT;
        if (handler != NULL)
            handler->CommandStateChange(args.Long(0), args.Long(1) != 0 ? VARIANT_TRUE : VARIANT_FALSE);
        return S_OK;
    case DISPID_BEFORENAVIGATE2:
        if (!args.Has(7))
            return DISP_E_BADPARAMCOUNT;
        if (handler != NULL)
            handler->BeforeNavigate2(args.Dispatch(0), args.Variant(1), args.Variant(2), args.Variant(3),
                                     args.Variant(4), args.Variant(5), args.BoolOut(6));
        return S_OK;
    case DISPID_NAVIGATECOMPLETE2:
        if (!args.Has(2))
            return DISP_E_BADPARAMCOUNT;
        AttachToDocument();
        if (handler != NULL)
            handler->NavigateComplete2(args.Dispatch(0), args.Variant(1));
        return S_OK;
    case DISPID_NAVIGATEERROR:
        if (!args.Has(5))
            return DISP_E_BADPARAMCOUNT;
        if (handler != NULL)
            handler->NavigateError(args.Dispatch(0), args.Variant(1), args.Variant(2), args.Variant(3),
                                   args.BoolOut(4));
        return S_OK;
    case DISPID_NEWWINDOW3:
        if (!args.Has(5))
            return DISP_E_BADPARAMCOUNT;
        if (handler != NULL)
            handler->NewWindow3(args.DispatchOut(0), args.BoolOut(1), static_cast<DWORD>(args.Long(2)), args.String(3),
                                args.String(4));
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace UiToolkit
