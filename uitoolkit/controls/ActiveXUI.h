// ActiveX host control: creates an OLE control in-process and activates it in place inside a skinned window.
#pragma once
#include "base/UILifeGuard.h"
#include "core/ControlUI.h"
#include "core/WindowManager.h"

#include <ole2.h>

namespace UiToolkit {

class CActiveXCtrl;

// Hosts one OLE control named by CLSID or ProgID, loaded from "modulename" or through the class registry.
// Windowless objects draw into the manager's DC and get messages through FilterMessage; windowed ones live in
// an "ActiveXWnd" child window.
class CActiveXUI : public CControlUI, public IMessageFilterUI
{
    friend class CActiveXCtrl;
    friend class CActiveXWnd;

public:
    CActiveXUI();
    ~CActiveXUI() override;

    const wchar_t* TypeName() const override;
    void* CastTo(const wchar_t* name) override;
    // Places the object; a control not created yet is created on a timer after the layout pass, since the
    // "showactivex" handler may remove this control or its siblings from the layout that is running.
    void SetPos(RECT rc, bool invalidate = true) override;
    void OnEvent(InputEventUI& event) override;
    void Shift(int dx, int dy, bool invalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetShownByParent(bool shown) override;
    void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise = true) override;
    void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
    void Paint(HDC hdc, const RECT& paintRect) override;

    virtual void ReleaseControl();
    // False also when a handler it ran ("showactivex", or one the object's activation raised) released or
    // deleted the control.
    virtual bool CreateControl();

    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    // False for the all-zero CLSID; otherwise the next layout (or now, without delay) creates the object.
    bool SetCLSID(const CLSID& clsid);
    // "{...}" through CLSIDFromString, anything else as a ProgID; at most 99 characters are read.
    bool SetCLSID(const wchar_t* text);
    CLSID GetCLSID() const { return m_clsid; }
    void SetModuleName(const wchar_t* name) { m_sModuleName = name; }
    const CStringUI& GetModuleName() const { return m_sModuleName; }
    void SetDelayCreate(bool delay);
    bool IsDelayCreate() const { return m_bDelayCreated; }
    bool IsCreated() const { return m_bCreated; }
    HRESULT QueryControl(REFIID iid, void** out);
    // The window the object paints into: the manager's window when windowless, else the "ActiveXWnd".
    HWND GetHostWindow() const { return m_hwndHost; }

protected:
    CLSID m_clsid = CLSID();
    CStringUI m_sModuleName;
    bool m_bCreated = false;
    bool m_bDelayCreated = true;
    IOleObject* m_pUnk = NULL;       // owned reference
    CActiveXCtrl* m_pControl = NULL; // the site; owned reference
    HWND m_hwndHost = NULL;
    // Guards around creation learn here whether a handler deleted the control.
    CLifeAnchorUI m_lifeAnchor;

private:
    // Registers with the manager the control is attached to; the registration follows it to another manager
    // and goes when it is attached to none.
    void RegisterAsFilter();
    IOleObject* CreateFromModule();
    RECT HostRect() const;
    // The object's extent, rectangles and window follow the control's rectangle.
    void PlaceObject();
    // Arms the creation timer; false when the window can take no timer.
    bool PostCreation();
    // False when a handler the creation ran deleted the control.
    bool CreateAndPlace();

    CWindowManagerUI* m_pFilterManager = NULL; // the manager holding this control as a message filter
};

} // namespace UiToolkit
