// Notification pump: routes notifications to handlers by control name.
#pragma once
#include "base/UIStringMap.h"
#include "core/WindowManager.h"

namespace UiToolkit {

class CNotifyPump;

typedef void (CNotifyPump::*NotifyMsgHandlerUI)(NotifyMsgUI& msg);
typedef void (CNotifyPump::*NotifyParamHandlerUI)(WPARAM wParam, LPARAM lParam);

enum
{
    NOTIFY_SIG_END = 0,
    NOTIFY_SIG_PARAMS = 1,
    NOTIFY_SIG_MSG = 2
};

struct NotifyMapEntryUI
{
    const wchar_t* sType;
    // Empty: any control.
    const wchar_t* sControl;
    UINT uSig;
    NotifyMsgHandlerUI pMsgHandler;
    NotifyParamHandlerUI pParamHandler;
};

struct NotifyMapUI
{
    const NotifyMapUI* (*pBaseMap)();
    const NotifyMapEntryUI* pEntries;
};

// Routes notifications to member handlers chosen by type and control name, class by class.
class CNotifyPump
{
public:
    CNotifyPump();
    virtual ~CNotifyPump();
    virtual const NotifyMapUI* MessageMapOf() const;
    static const NotifyMapUI* ClassMap();

    // Pumps that serve the notifications of one virtual window.
    bool AddVirtualWnd(const wchar_t* name, CNotifyPump* pump);
    bool RemoveVirtualWnd(const wchar_t* name);

    void RouteNotification(NotifyMsgUI& msg);
    bool DispatchThroughMaps(NotifyMsgUI& msg);
    static const NotifyMapEntryUI* FindMapEntry(const NotifyMapEntryUI* entries, const NotifyMsgUI& msg);

private:
    CStringMapUI m_VirtualWndMap;
};

} // namespace UiToolkit
