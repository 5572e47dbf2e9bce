// The container side of an ActiveX host: client site, child window, in-place frame and object enumerator.
#pragma once
#include "controls/ActiveXUI.h"
#include "core/WindowWnd.h"

#include <ocidl.h>

#include <memory>

namespace UiToolkit {

class CActiveXWnd;

// The site handed to the hosted object. One reference count serves every interface part; the owner holds
// the first reference and drops it in CActiveXUI::ReleaseControl.
class CActiveXCtrl final : public IOleClientSite,
                           public IOleInPlaceSiteWindowless,
                           public IOleControlSite,
                           public IObjectWithSite,
                           public IOleContainer
{
    friend class CActiveXUI;
    friend class CActiveXWnd;

public:
    CActiveXCtrl();

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // IObjectWithSite
    STDMETHOD(SetSite)(IUnknown* site) override;
    STDMETHOD(GetSite)(REFIID riid, void** site) override;

    // IOleClientSite
    STDMETHOD(SaveObject)() override;
    STDMETHOD(GetMoniker)(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHOD(GetContainer)(IOleContainer** container) override;
    STDMETHOD(ShowObject)() override;
    STDMETHOD(OnShowWindow)(BOOL show) override;
    STDMETHOD(RequestNewObjectLayout)() override;

    // IOleInPlaceSiteWindowless
    STDMETHOD(CanWindowlessActivate)() override;
    STDMETHOD(GetCapture)() override;
    STDMETHOD(SetCapture)(BOOL capture) override;
    STDMETHOD(GetFocus)() override;
    STDMETHOD(SetFocus)(BOOL focus) override;
    STDMETHOD(GetDC)(LPCRECT rect, DWORD flags, HDC* phDC) override;
    STDMETHOD(ReleaseDC)(HDC hDC) override;
    STDMETHOD(InvalidateRect)(LPCRECT rect, BOOL erase) override;
    STDMETHOD(InvalidateRgn)(HRGN region, BOOL erase) override;
    STDMETHOD(ScrollRect)(INT dx, INT dy, LPCRECT scroll, LPCRECT clip) override;
    STDMETHOD(AdjustRect)(LPRECT rect) override;
    STDMETHOD(OnDefWindowMessage)(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // IOleInPlaceSiteEx
    STDMETHOD(OnInPlaceActivateEx)(BOOL* noRedraw, DWORD flags) override;
    STDMETHOD(OnInPlaceDeactivateEx)(BOOL noRedraw) override;
    STDMETHOD(RequestUIActivate)() override;

    // IOleInPlaceSite
    STDMETHOD(CanInPlaceActivate)() override;
    STDMETHOD(OnInPlaceActivate)() override;
    STDMETHOD(OnUIActivate)() override;
    STDMETHOD(GetWindowContext)
    (IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
     LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHOD(Scroll)(SIZE extent) override;
    STDMETHOD(OnUIDeactivate)(BOOL undoable) override;
    STDMETHOD(OnInPlaceDeactivate)() override;
    STDMETHOD(DiscardUndoState)() override;
    STDMETHOD(DeactivateAndUndo)() override;
    STDMETHOD(OnPosRectChange)(LPCRECT pos) override;

    // IOleWindow
    STDMETHOD(GetWindow)(HWND* phwnd) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL enter) override;

    // IOleControlSite
    STDMETHOD(OnControlInfoChanged)() override;
    STDMETHOD(LockInPlaceActive)(BOOL lock) override;
    STDMETHOD(GetExtendedControl)(IDispatch** disp) override;
    STDMETHOD(TransformCoords)(POINTL* himetric, POINTF* container, DWORD flags) override;
    STDMETHOD(TranslateAccelerator)(MSG* msg, DWORD modifiers) override;
    STDMETHOD(OnFocus)(BOOL focus) override;
    STDMETHOD(ShowPropertyFrame)() override;

    // IOleContainer
    STDMETHOD(EnumObjects)(DWORD flags, IEnumUnknown** enumerator) override;
    STDMETHOD(LockContainer)(BOOL lock) override;

    // IParseDisplayName
    STDMETHOD(ParseDisplayName)(IBindCtx* bindCtx, LPOLESTR name, ULONG* eaten, IMoniker** out) override;

    // Also what the frames handed out see: a frame that outlives its control finds none.
    void SetOwner(CActiveXUI* owner);

private:
    ~CActiveXCtrl();
    HRESULT CreateActiveXWnd();
    // Undoes the activation's OleLockRunning once; the object is about to be closed or released.
    void UnlockRunning();
    HWND ManagerWindow() const;

    LONG m_dwRef = 1;
    CActiveXUI* m_pOwner = NULL;
    // Closes the child window and forgets it; its object frees itself once its last message has returned.
    void LetGoOfWindow();
    CActiveXWnd* m_pWindow = NULL;
    IUnknown* m_pUnkSite = NULL;
    IViewObject* m_pViewObject = NULL;
    IOleInPlaceObject* m_pInPlaceObject = NULL; // IOleInPlaceObjectWindowless while windowless
    bool m_bFocused = false;
    bool m_bCaptured = false;
    bool m_bUIActivated = false;
    bool m_bInPlaceActive = false;
    bool m_bWindowless = true;
    IOleObject* m_pLockedObject = NULL; // the object OleLockRunning(TRUE) was called on
    HACCEL m_hAccel = NULL;             // the empty table handed out in the frame info; destroyed with the site
    // The owner as the frames see it: shared with them, cleared when the owner lets go. A frame holding the site
    // itself would keep the object alive through the site's view of it.
    std::shared_ptr<CActiveXUI*> m_frameOwner;
};

// The child window a windowed object lives in.
class CActiveXWnd : public CWindowWnd
{
public:
    // NULL when no window came; the object is then already finished.
    HWND Init(CActiveXCtrl* owner, HWND parent);
    // The site lets go: messages still under way no longer reach it.
    void Detach() { m_pOwner = NULL; }

    const wchar_t* QueryClassName() const override { return L"ActiveXWnd"; }
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone(HWND hWnd) override;

private:
    void DoVerb(LONG verb);

    CActiveXCtrl* m_pOwner = NULL;
};

// The in-place frame handed out by GetWindowContext; the caller owns it. A frame kept after its control let
// the object go answers E_UNEXPECTED.
class CActiveXFrameWnd final : public IOleInPlaceFrame
{
public:
    explicit CActiveXFrameWnd(std::shared_ptr<CActiveXUI*> owner) : m_owner(std::move(owner)) {}

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(GetWindow)(HWND* phwnd) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL enter) override;
    STDMETHOD(GetBorder)(LPRECT border) override;
    STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS widths) override;
    STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS widths) override;
    STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    STDMETHOD(InsertMenus)(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHOD(SetMenu)(HMENU menu, HOLEMENU olemenu, HWND activeObject) override;
    STDMETHOD(RemoveMenus)(HMENU menu) override;
    STDMETHOD(SetStatusText)(LPCOLESTR text) override;
    STDMETHOD(EnableModeless)(BOOL enable) override;
    STDMETHOD(TranslateAccelerator)(LPMSG msg, WORD id) override;

private:
    ~CActiveXFrameWnd();

    LONG m_dwRef = 1;
    std::shared_ptr<CActiveXUI*> m_owner; // the site's view of its owner; NULL once the owner let go
    IOleInPlaceActiveObject* m_pActiveObject = NULL;
};

// Enumerates the container's one object; holds a reference to it while it lives.
class CActiveXEnum final : public IEnumUnknown
{
public:
    explicit CActiveXEnum(IUnknown* object);

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(Next)(ULONG count, IUnknown** items, ULONG* fetched) override;
    STDMETHOD(Skip)(ULONG count) override;
    STDMETHOD(Reset)() override;
    STDMETHOD(Clone)(IEnumUnknown** out) override;

private:
    ~CActiveXEnum();

    LONG m_iPos = 0;
    LONG m_dwRef = 1;
    IUnknown* m_pUnk = NULL;
};

} // namespace UiToolkit
