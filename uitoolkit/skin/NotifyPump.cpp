#include "skin/NotifyPump.h"

#include <wchar.h>

namespace UiToolkit {

namespace {

const NotifyMapEntryUI PUMP_ENTRIES[] = {{L"", L"", NOTIFY_SIG_END, NULL, NULL}};
const NotifyMapUI PUMP_MAP = {NULL, PUMP_ENTRIES};

} // namespace

CNotifyPump::CNotifyPump() : m_VirtualWndMap(83) {}
CNotifyPump::~CNotifyPump() {}

const NotifyMapUI* CNotifyPump::ClassMap()
{
    return &PUMP_MAP;
}
const NotifyMapUI* CNotifyPump::MessageMapOf() const
{
    return &PUMP_MAP;
}

bool CNotifyPump::AddVirtualWnd(const wchar_t* name, CNotifyPump* pump)
{
    if (name == NULL || pump == NULL || m_VirtualWndMap.Find(name) != NULL)
        return false;
    return m_VirtualWndMap.Insert(name, pump);
}

bool CNotifyPump::RemoveVirtualWnd(const wchar_t* name)
{
    return m_VirtualWndMap.Remove(name);
}

const NotifyMapEntryUI* CNotifyPump::FindMapEntry(const NotifyMapEntryUI* entries, const NotifyMsgUI& msg)
{
    // A sender removed while its notification waited counts as a control without a name.
    CStringUI sender = msg.pSender != NULL ? msg.pSender->GetName() : CStringUI();
    const NotifyMapEntryUI* anyControl = NULL;
    for (const NotifyMapEntryUI* entry = entries; entry->uSig != NOTIFY_SIG_END; ++entry) {
        if (!msg.sType.Equals(entry->sType))
            continue;
        if (entry->sControl == NULL || entry->sControl[0] == L'\0')
            anyControl = entry;
        else if (sender.Equals(entry->sControl))
            return entry;
    }
    return anyControl;
}

bool CNotifyPump::DispatchThroughMaps(NotifyMsgUI& msg)
{
    for (const NotifyMapUI* map = MessageMapOf(); map != NULL; map = map->pBaseMap != NULL ? map->pBaseMap() : NULL) {
        const NotifyMapEntryUI* entry = FindMapEntry(map->pEntries, msg);
        if (entry == NULL)
            continue;
        if (entry->uSig == NOTIFY_SIG_PARAMS && entry->pParamHandler != NULL) {
            (this->*entry->pParamHandler)(msg.wParam, msg.lParam);
            return true;
        }
        if (entry->uSig == NOTIFY_SIG_MSG && entry->pMsgHandler != NULL) {
            (this->*entry->pMsgHandler)(msg);
            return true;
        }
        return false;
    }
    return false;
}

void CNotifyPump::RouteNotification(NotifyMsgUI& msg)
{
    if (!msg.sVirtualWnd.IsEmpty()) {
        for (int i = 0; i < m_VirtualWndMap.Count(); ++i) {
            const wchar_t* key = m_VirtualWndMap.GetAt(i);
            if (key == NULL || _wcsicmp(key, msg.sVirtualWnd) != 0)
                continue;
            CNotifyPump* pump = static_cast<CNotifyPump*>(m_VirtualWndMap.Find(key, false));
            if (pump != NULL && pump->DispatchThroughMaps(msg))
                return;
        }
    }
    DispatchThroughMaps(msg);
}

} // namespace UiToolkit
