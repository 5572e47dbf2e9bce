// Inside FakeActiveX.dll: the call log shared by its files, and the browser face of the fake control.
#pragma once
#include <windows.h>
#include <exdisp.h>

#include <string>

void FakeLogCall(const std::wstring& entry);

// The fake control's IWebBrowser2, a part of the control object: Navigate2 and get_Document only.
class FakeBrowserPart final : public IWebBrowser2
{
public:
    explicit FakeBrowserPart(IUnknown* outer) : m_outer(outer) {}
    ~FakeBrowserPart();

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override { return m_outer->QueryInterface(riid, ppv); }
    STDMETHOD_(ULONG, AddRef)() override { return m_outer->AddRef(); }
    STDMETHOD_(ULONG, Release)() override { return m_outer->Release(); }
    STDMETHOD(GetTypeInfoCount)(UINT*) override { return E_NOTIMPL; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    STDMETHOD(GoBack)() override { return E_NOTIMPL; }
    STDMETHOD(GoForward)() override { return E_NOTIMPL; }
    STDMETHOD(GoHome)() override { return E_NOTIMPL; }
    STDMETHOD(GoSearch)() override { return E_NOTIMPL; }
    STDMETHOD(Navigate)(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHOD(Refresh)() override { return E_NOTIMPL; }
    STDMETHOD(Refresh2)(VARIANT*) override { return E_NOTIMPL; }
    STDMETHOD(Stop)() override { return E_NOTIMPL; }
    STDMETHOD(get_Application)(IDispatch**) override { return E_NOTIMPL; }
    STDMETHOD(get_Parent)(IDispatch**) override { return E_NOTIMPL; }
    STDMETHOD(get_Container)(IDispatch**) override { return E_NOTIMPL; }
    STDMETHOD(get_Document)(IDispatch** document) override;
    STDMETHOD(get_TopLevelContainer)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(get_Type)(BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(get_Left)(LONG*) override { return E_NOTIMPL; }
    STDMETHOD(put_Left)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(get_Top)(LONG*) override { return E_NOTIMPL; }
    STDMETHOD(put_Top)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(get_Width)(LONG*) override { return E_NOTIMPL; }
    STDMETHOD(put_Width)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(get_Height)(LONG*) override { return E_NOTIMPL; }
    STDMETHOD(put_Height)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(get_LocationName)(BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(get_LocationURL)(BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(get_Busy)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(Quit)() override { return E_NOTIMPL; }
    STDMETHOD(ClientToWindow)(int*, int*) override { return E_NOTIMPL; }
    STDMETHOD(PutProperty)(BSTR, VARIANT) override { return E_NOTIMPL; }
    STDMETHOD(GetProperty)(BSTR, VARIANT*) override { return E_NOTIMPL; }
    STDMETHOD(get_Name)(BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(get_HWND)(SHANDLE_PTR*) override { return E_NOTIMPL; }
    STDMETHOD(get_FullName)(BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(get_Path)(BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(get_Visible)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_Visible)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(get_StatusBar)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_StatusBar)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(get_StatusText)(BSTR*) override { return E_NOTIMPL; }
    STDMETHOD(put_StatusText)(BSTR) override { return E_NOTIMPL; }
    STDMETHOD(get_ToolBar)(int*) override { return E_NOTIMPL; }
    STDMETHOD(put_ToolBar)(int) override { return E_NOTIMPL; }
    STDMETHOD(get_MenuBar)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_MenuBar)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(get_FullScreen)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_FullScreen)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(Navigate2)(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override;
    STDMETHOD(QueryStatusWB)(OLECMDID, OLECMDF*) override { return E_NOTIMPL; }
    STDMETHOD(ExecWB)(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHOD(ShowBrowserBar)(VARIANT*, VARIANT*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHOD(get_ReadyState)(READYSTATE*) override { return E_NOTIMPL; }
    STDMETHOD(get_Offline)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_Offline)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(get_Silent)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_Silent)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(get_RegisterAsBrowser)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_RegisterAsBrowser)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(get_RegisterAsDropTarget)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_RegisterAsDropTarget)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(get_TheaterMode)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_TheaterMode)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(get_AddressBar)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_AddressBar)(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHOD(get_Resizable)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHOD(put_Resizable)(VARIANT_BOOL) override { return E_NOTIMPL; }

private:
    IUnknown* m_outer;           // the control object; this part lives and dies with it
    IUnknown* m_document = NULL; // made by the first navigation
};
