// Skinned window base: caption-less frame loaded from a skin, with its notifications.
#pragma once
#include "skin/NotifyPump.h"
#include "skin/SkinBuilder.h"
#include "core/WindowWnd.h"

namespace UiToolkit {

enum SkinSourceKindUI
{
    UILIB_FILE = 1,
    UILIB_ZIP = 2,
    UILIB_RESOURCE = 3,
    UILIB_ZIPRESOURCE = 4
};

// A caption-less top-level window built from a skin, routing its notifications through message maps.
class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback
{
public:
    WindowImplBase();
    ~WindowImplBase() override;

    UINT QueryClassStyle() const override;
    LRESULT ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone(HWND hWnd) override;

    virtual void OnSkinReady();
    virtual void OnClickNotify(NotifyMsgUI& msg);
    virtual CStringUI QuerySkinFolder() = 0;
    virtual CStringUI QuerySkinFile() = 0;
    virtual LRESULT OnDefaultKey(WPARAM key);
    virtual int QuerySkinSourceKind() const;
    virtual CStringUI QuerySkinZipName() const;
    virtual const wchar_t* QuerySkinResourceName() const;
    virtual LRESULT OnCloseMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnDestroyMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcActivateMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcCalcSizeMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcPaintMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcHitTestMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnGetMinMaxInfoMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseWheelMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseHoverMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSizeMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnCharMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSysCommandMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnCreateMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnKeyDownMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnKillFocusMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSetFocusMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnLButtonDownMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnLButtonUpMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseMoveMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnOtherMsg(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LONG QueryWindowStyle() const;

    const NotifyMapUI* MessageMapOf() const override;
    static const NotifyMapUI* ClassMap();
    void Notify(NotifyMsgUI& msg) override;
    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    CControlUI* CreateCustomControl(const wchar_t* tag) override;

    CWindowManagerUI& Manager() { return m_pm; }

protected:
    CWindowManagerUI m_pm;

private:
    // Loads the skin source; false when a ZIP resource is missing (the window stays without a skin).
    bool PrepareSkinSource();
};

} // namespace UiToolkit
