// Web browser control: the platform's browser object hosted as an ActiveX control, with its document host.
#pragma once
#include "controls/ActiveXUI.h"
#include "controls/WebBrowserEventHandler.h"

#include <exdisp.h>
#include <mshtmhst.h>
#include <servprov.h>

namespace UiToolkit {

// Hosts CLSID_WebBrowser; sinks its events, acts as the UI handler of each loaded document, swallows
// script errors and hands key messages to the browser while the focus is inside it.
class CWebBrowserUI : public CActiveXUI,
                      public IDocHostUIHandler,
                      public IServiceProvider,
                      public IOleCommandTarget,
                      public IDispatch,
                      public ITranslateAcceleratorUI
{
public:
    CWebBrowserUI();
    ~CWebBrowserUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    // The translator registration follows the control to the manager it is attached to, as the filter does.
    void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise = true) override;
    void ReleaseControl() override;
    bool CreateControl() override;
    // Passes its arguments to the event handler's ForwardedMessage; 0 without a handler.
    virtual LRESULT ForwardToHandler(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR a, DWORD_PTR b,
                                     DWORD_PTR c, DWORD_PTR d);

    void Navigate(const wchar_t* url);
    // Advises (true) or unadvises (false) this control as the browser's DWebBrowserEvents2 sink.
    HRESULT RegisterEventHandler(bool advise);
    void SetHomePage(const wchar_t* url) { m_sHomePage = url; }
    const CStringUI& GetHomePage() const { return m_sHomePage; }
    void SetAutoNavigation(bool autoNavigate) { m_bAutoNavi = autoNavigate; }
    bool IsAutoNavigation() const { return m_bAutoNavi; }
    // Not owned; NULL removes it.
    void SetEventHandler(CWebBrowserEventHandler* handler) { m_pWebBrowserEventHandler = handler; }
    IWebBrowser2* GetWebBrowser2() const { return m_pWebBrowser2; }

    // IUnknown, shared by the COM parts
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // IDocHostUIHandler
    STDMETHOD(ShowContextMenu)(DWORD id, POINT* pt, IUnknown* target, IDispatch* reserved) override;
    STDMETHOD(GetHostInfo)(DOCHOSTUIINFO* info) override;
    STDMETHOD(ShowUI)
    (DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target, IOleInPlaceFrame* frame,
     IOleInPlaceUIWindow* doc) override;
    STDMETHOD(HideUI)() override;
    STDMETHOD(UpdateUI)() override;
    STDMETHOD(EnableModeless)(BOOL enable) override;
    STDMETHOD(OnDocWindowActivate)(BOOL activate) override;
    STDMETHOD(OnFrameWindowActivate)(BOOL activate) override;
    STDMETHOD(ResizeBorder)(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
    STDMETHOD(TranslateAccelerator)(LPMSG msg, const GUID* group, DWORD command) override;
    STDMETHOD(GetOptionKeyPath)(LPOLESTR* key, DWORD reserved) override;
    STDMETHOD(GetDropTarget)(IDropTarget* dropTarget, IDropTarget** out) override;
    STDMETHOD(GetExternal)(IDispatch** dispatch) override;
    STDMETHOD(TranslateUrl)(DWORD translate, OLECHAR* url, OLECHAR** out) override;
    STDMETHOD(FilterDataObject)(IDataObject* object, IDataObject** out) override;

    // IServiceProvider
    STDMETHOD(QueryService)(REFGUID service, REFIID riid, void** out) override;

    // IOleCommandTarget
    STDMETHOD(QueryStatus)(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT* text) override;
    STDMETHOD(Exec)(const GUID* group, DWORD command, DWORD options, VARIANT* in, VARIANT* out) override;

    // IDispatch: the event sink
    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHOD(Invoke)
    (DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
     UINT* argError) override;

    // ITranslateAcceleratorUI: 0 (S_OK) when the browser consumed the key.
    LRESULT TranslateAccelerator(MSG* msg) override;

protected:
    IWebBrowser2* m_pWebBrowser2 = NULL; // owned reference while created
    LONG m_dwRef = 0;
    DWORD m_dwCookie = 0;
    CStringUI m_sHomePage;
    bool m_bAutoNavi = false;
    CWebBrowserEventHandler* m_pWebBrowserEventHandler = NULL;

private:
    // Sets this control as the UI handler of the browser's current document, when there is one.
    void AttachToDocument();
    // The installed handler, or one answering the defaults.
    CWebBrowserEventHandler& UiHandler();
    CWindowManagerUI* m_pTranslatorManager = NULL; // the manager this control is registered with as translator
};

} // namespace UiToolkit
