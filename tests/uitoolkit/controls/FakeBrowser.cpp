// The browser face of the fake control: logs navigations and hands out a document that takes a UI handler.
#include "FakeBrowser.h"

#include <mshtmhst.h>

namespace {

// A loaded page as far as a document host sees it: only its ICustomDoc answers.
class FakeDocument final : public IDispatch, public ICustomDoc
{
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        *ppv = NULL;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch))
            *ppv = static_cast<IDispatch*>(this);
        else if (IsEqualIID(riid, __uuidof(ICustomDoc)))
            *ppv = static_cast<ICustomDoc*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHOD(GetTypeInfoCount)(UINT*) override { return E_NOTIMPL; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_ref; }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG count = --m_ref;
        if (count == 0)
            delete this;
        return count;
    }
    STDMETHOD(SetUIHandler)(IDocHostUIHandler* handler) override
    {
        // Ask the handler something to prove it is one.
        IDispatch* external = reinterpret_cast<IDispatch*>(1);
        HRESULT hr = handler != NULL ? handler->GetExternal(&external) : E_POINTER;
        FakeLogCall(handler == NULL ? L"SetUIHandler null"
                                    : std::wstring(L"SetUIHandler external ") + std::to_wstring(hr) +
                                          (external == NULL ? L" null" : L" set"));
        return S_OK;
    }

private:
    ~FakeDocument() {}
    ULONG m_ref = 1;
};

} // namespace

FakeBrowserPart::~FakeBrowserPart()
{
    if (m_document != NULL)
        m_document->Release();
}

STDMETHODIMP FakeBrowserPart::Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
{
    FakeLogCall(std::wstring(L"Navigate2 ") + (url != NULL && url->vt == VT_BSTR ? url->bstrVal : L"?"));
    if (m_document == NULL)
        m_document = static_cast<IDispatch*>(new FakeDocument());
    return S_OK;
}

// Before the first navigation there is no document, as with the real browser.
STDMETHODIMP FakeBrowserPart::get_Document(IDispatch** document)
{
    *document = NULL;
    if (m_document == NULL)
        return S_FALSE;
    return m_document->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(document));
}
