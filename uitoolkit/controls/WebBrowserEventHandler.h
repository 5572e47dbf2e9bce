// Callbacks a web browser control hands its browser events and document-host questions to.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <mshtmhst.h>

namespace UiToolkit {

// Every answer defaults to what the control answers without a handler.
class CWebBrowserEventHandler
{
public:
    virtual ~CWebBrowserEventHandler() {}

    virtual void BeforeNavigate2(IDispatch*, VARIANT* /*url*/, VARIANT* /*flags*/, VARIANT* /*targetFrame*/,
                                 VARIANT* /*postData*/, VARIANT* /*headers*/, VARIANT_BOOL* /*cancel*/)
    {}
    virtual void NavigateError(IDispatch*, VARIANT* /*url*/, VARIANT* /*targetFrame*/, VARIANT* /*statusCode*/,
                               VARIANT_BOOL* /*cancel*/)
    {}
    virtual void NavigateComplete2(IDispatch*, VARIANT* /*url*/) {}
    // Kept for callers that fill the slot; the control never calls it.
    virtual void ProgressChange(LONG /*progress*/, LONG /*progressMax*/) {}
    virtual void NewWindow3(IDispatch** /*newBrowser*/, VARIANT_BOOL* /*cancel*/, DWORD /*flags*/, BSTR /*contextUrl*/,
                            BSTR /*url*/)
    {}
    virtual void CommandStateChange(long /*command*/, VARIANT_BOOL /*enable*/) {}

    virtual HRESULT ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }
    virtual HRESULT GetHostInfo(DOCHOSTUIINFO*) { return E_NOTIMPL; }
    virtual HRESULT ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*, IOleInPlaceUIWindow*)
    {
        return S_OK;
    }
    virtual HRESULT HideUI() { return S_OK; }
    virtual HRESULT UpdateUI() { return S_OK; }
    virtual HRESULT EnableModeless(BOOL) { return E_NOTIMPL; }
    virtual HRESULT OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
    virtual HRESULT OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
    virtual HRESULT ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }
    virtual HRESULT TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }
    virtual HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD)
    {
        if (key != NULL)
            *key = NULL;
        return E_NOTIMPL;
    }
    virtual HRESULT GetDropTarget(IDropTarget*, IDropTarget** target)
    {
        if (target != NULL)
            *target = NULL;
        return S_FALSE;
    }
    virtual HRESULT GetExternal(IDispatch** dispatch)
    {
        if (dispatch != NULL)
            *dispatch = NULL;
        return S_FALSE;
    }
    virtual HRESULT TranslateUrl(DWORD, OLECHAR*, OLECHAR** out)
    {
        if (out != NULL)
            *out = NULL;
        return E_NOTIMPL;
    }
    virtual HRESULT FilterDataObject(IDataObject*, IDataObject** out)
    {
        if (out != NULL)
            *out = NULL;
        return E_NOTIMPL;
    }

    // The target of CWebBrowserUI::ForwardToHandler.
    virtual LRESULT ForwardedMessage(HWND, UINT, WPARAM, LPARAM, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR)
    {
        return 0;
    }
};

} // namespace UiToolkit
