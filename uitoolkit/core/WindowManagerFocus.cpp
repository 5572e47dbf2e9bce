#include "core/ManagerShared.h"

namespace UiToolkit {

namespace {

struct TabSearch
{
    CControlUI* focus;
    CControlUI* target;
    bool passed;
    CControlUI* first;
    CControlUI* last;
    CControlUI* before;
    CControlUI* after;
};

// Visits every control in tree order and notes the tab stops around the focus (or target).
CControlUI* CALLBACK CollectTabStops(CControlUI* control, LPVOID data)
{
    TabSearch* search = static_cast<TabSearch*>(data);
    if (control == search->focus || control == search->target) {
        search->passed = true;
        return NULL;
    }
    if (!(control->BehaviourFlags() & UIFLAG_TABSTOP))
        return NULL;
    if (search->first == NULL)
        search->first = control;
    search->last = control;
    if (!search->passed)
        search->before = control;
    else if (search->after == NULL)
        search->after = control;
    return NULL;
}

const UINT TAB_SEARCH_FLAGS = UIFIND_ME_FIRST | UIFIND_VISIBLE | UIFIND_ENABLED;

} // namespace

bool CWindowManagerUI::DropFocus(CControlUI* next, bool deferNotification)
{
    if (m_pFocus == NULL)
        return true;
    CControlUI* old = m_pFocus;
    CControlWatchUI watch(this, old);
    SendEvent(old, UIEVENT_KILLFOCUS, 0, 0, 0, next);
    if (!watch.ManagerAlive())
        return false;
    // The handler may have forgotten the control already.
    if (m_pFocus == old && watch.Control() != NULL) {
        // Inside a removal it always waits for the removal's end, whoever dropped the focus: the indices and
        // the tree the handler would see are not settled yet.
        if (deferNotification || m_iRemovalDepth > 0) {
            m_aLostFocus.Add(old);
        } else {
            RaiseNotification(old, L"killfocus");
            if (!watch.ManagerAlive())
                return false;
        }
    }
    m_pFocus = NULL;
    return true;
}

void CWindowManagerUI::SetFocusControl(CControlUI* control)
{
    // Held from the start: the window's own focus messages run filters that may destroy it.
    ManagerBusy busy(m_hWnd);
    if (::GetFocus() != m_hWnd && control != m_pFocus) {
        HWND hWnd = m_hWnd;
        ::SetFocus(hWnd);
        if (hWnd != NULL && !::IsWindow(hWnd))
            return;
    }
    if (control == m_pFocus)
        return;
    // A kill-focus handler may remove or delete the control that is to take the focus, or this manager.
    CControlWatchUI watch(this, control);
    if (!DropFocus(control) || watch.Control() == NULL)
        return;
    if (!IsOwnControl(control) || !control->IsVisible() || !control->IsEnabled())
        return;
    // Only a control of the window's tree: not one removed and kept, nor one queued for deletion.
    CControlUI* up = control;
    while (up != NULL && up != m_pRoot)
        up = up->GetParentControl();
    if (up == NULL)
        return;
    m_pFocus = control;
    SendEvent(control, UIEVENT_SETFOCUS);
    if (watch.ManagerAlive() && m_pFocus == control)
        RaiseNotification(control, L"setfocus");
}

void CWindowManagerUI::FocusOnNextPaint(CControlUI* control)
{
    ManagerBusy busy(m_hWnd);
    ::SetFocus(m_hWnd);
    if (!DropFocus(control) || m_pRoot == NULL)
        return;
    TabSearch search = {NULL, control, false, NULL, NULL, NULL, NULL};
    m_pRoot->SearchTree(CollectTabStops, &search, TAB_SEARCH_FLAGS);
    m_pFocus = search.before;
    m_bFocusNeeded = true;
    m_pRoot->NeedUpdate();
}

bool CWindowManagerUI::MoveFocusByTab(bool forward)
{
    ManagerBusy busy(m_hWnd);
    if (m_bUpdateNeeded && forward) {
        m_bFocusNeeded = true;
        InvalidateRect(m_hWnd, NULL, FALSE);
        return true;
    }
    if (m_pRoot == NULL)
        return true;
    TabSearch search = {m_pFocus, NULL, false, NULL, NULL, NULL, NULL};
    m_pRoot->SearchTree(CollectTabStops, &search, TAB_SEARCH_FLAGS);
    CControlUI* next;
    if (forward)
        next = search.after != NULL ? search.after : search.first;
    else
        next = (m_pFocus != NULL && search.before != NULL) ? search.before : search.last;
    if (next != NULL)
        SetFocusControl(next);
    m_bFocusNeeded = false;
    return true;
}

} // namespace UiToolkit
