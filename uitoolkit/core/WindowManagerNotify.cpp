#include "core/ManagerShared.h"

#include "core/WindowWnd.h"
#include "base/UIHandlingScope.h"

#include <memory>
#include <vector>
#include <wchar.h>

namespace UiToolkit {

// The rule for every caller: after any notification, handler or modal loop, touch nothing not checked alive.
void CWindowManagerUI::RaiseNotification(CControlUI* sender, const wchar_t* type, WPARAM wParam, LPARAM lParam,
                                         bool async)
{
    NotifyMsgUI msg;
    msg.pSender = sender;
    msg.sType = type;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.dwTimestamp = 0;
    msg.ptMouse.x = msg.ptMouse.y = 0;
    DeliverNotification(msg, async);
}

void CWindowManagerUI::DeliverNotification(NotifyMsgUI& msg, bool async)
{
    msg.ptMouse = m_ptLastMousePos;
    msg.dwTimestamp = GetTickCount();
    if (m_bUsedVirtualWnd && msg.pSender != NULL)
        msg.sVirtualWnd = msg.pSender->GetVirtualWnd();
    if (async) {
        m_aAsyncNotify.Add(new NotifyMsgUI(msg));
        return;
    }
    ManagerBusy busy(m_hWnd);
    CControlWatchUI self(this, NULL);
    InvokeSenderDelegates(msg);
    if (!self.ManagerAlive())
        return;
    CWalkListUI::Walk notifiers(m_aNotifiers);
    while (INotifyUI* notifier = static_cast<INotifyUI*>(notifiers.Next()))
        notifier->Notify(msg);
}

void CWindowManagerUI::InvokeSenderDelegates(NotifyMsgUI& msg)
{
    if (msg.pSender == NULL || msg.pSender->OnNotifyList.IsEmpty())
        return;
    CLifeGuardUI sender(msg.pSender->OnNotifyList.LifeAnchor());
    msg.pSender->OnNotifyList.Invoke(&msg);
    // A delegate deleted the sender: the window still hears of it, without a pointer to freed memory.
    if (!sender.IsAlive())
        msg.pSender = NULL;
}

void CWindowManagerUI::DrainAsyncNotifications()
{
    // Taken from the front one at a time: a handler may queue more, forget a sender or delete this manager.
    CControlWatchUI self(this, NULL);
    CHandlingScopeUI handling;
    while (self.ManagerAlive() && m_aAsyncNotify.Count() > 0) {
        NotifyMsgUI* msg = static_cast<NotifyMsgUI*>(m_aAsyncNotify[0]);
        m_aAsyncNotify.Remove(0);
        InvokeSenderDelegates(*msg);
        if (self.ManagerAlive()) {
            CWalkListUI::Walk notifiers(m_aNotifiers);
            while (INotifyUI* notifier = static_cast<INotifyUI*>(notifiers.Next()))
                notifier->Notify(*msg);
        }
        delete msg;
    }
}

void CWindowManagerUI::ForgetControl(CControlUI* control)
{
    // A window whose skin never loaded has no root to forget.
    if (control == NULL)
        return;
    ForgetRegistrations(control);
    ForgetPendingRemoval(control);
}

void CWindowManagerUI::ForgetRegistrations(CControlUI* control)
{
    DropReferencesTo(control);
    CStringUI name = control->CControlUI::GetName();
    if (!name.IsEmpty() && m_mNameHash.Find(name.Text(), false) == control)
        m_mNameHash.Remove(name.Text());
    for (int i = 0; i < m_aAsyncNotify.Count(); ++i) {
        NotifyMsgUI* msg = static_cast<NotifyMsgUI*>(m_aAsyncNotify[i]);
        if (msg->pSender == control)
            msg->pSender = NULL;
    }
}

void CWindowManagerUI::LetGoOfControl(CControlUI* control)
{
    if (control != NULL && control == m_pFocus)
        DropFocus(NULL);
    DropReferencesTo(control);
    ForgetPendingRemoval(control);
}

void CWindowManagerUI::ForgetPendingRemoval(CControlUI* control)
{
    for (int i = m_aLostFocus.Find(control); i >= 0; i = m_aLostFocus.Find(control))
        m_aLostFocus.Remove(i);
    for (int i = m_aKeptRemovals.Find(control); i >= 0; i = m_aKeptRemovals.Find(control))
        m_aKeptRemovals.Remove(i);
    for (int i = m_aDelayedCleanup.Find(control); i >= 0; i = m_aDelayedCleanup.Find(control))
        m_aDelayedCleanup.Remove(i);
}

void CWindowManagerUI::DropReferencesTo(CControlUI* control)
{
    // A control that holds the mouse lets go of it as it goes.
    if (m_bMouseCapture && control != NULL && (control == m_pEventClick || control == m_pCaptureOwner))
        ReleaseCapture();
    if (control == m_pCaptureOwner)
        m_pCaptureOwner = NULL;
    if (control == m_pFocus)
        m_pFocus = NULL;
    if (control == m_pEventClick)
        m_pEventClick = NULL;
    if (control == m_pEventHover)
        m_pEventHover = NULL;
    if (control == m_pEventKey)
        m_pEventKey = NULL;
    KillAllTimersFor(control);
    for (const std::shared_ptr<CControlWatchUI::Cell>& cell : m_watches) {
        if (cell->control == control)
            cell->control = NULL;
    }
    // A forgotten control may be deleted next: painting must not reach it afterwards.
    for (int i = m_aPostPaintControls.Find(control); i >= 0; i = m_aPostPaintControls.Find(control))
        m_aPostPaintControls.Remove(i);
}

namespace {

CControlUI* CALLBACK CollectControl(CControlUI* control, LPVOID data)
{
    static_cast<CPtrArrayUI*>(data)->Add(control);
    return NULL;
}

} // namespace

void CWindowManagerUI::ForgetControlTree(CControlUI* control)
{
    if (control == NULL)
        return;
    // The focus goes first and properly: a rich edit stops its caret when it hears that it lost the focus.
    for (CControlUI* above = m_pFocus; above != NULL; above = above->GetParentControl()) {
        if (above == control) {
            DropFocus(NULL, m_iRemovalDepth > 0);
            break;
        }
    }
    // Collected after the kill-focus handler ran: it may have changed the tree.
    CPtrArrayUI controls;
    control->SearchTree(CollectControl, &controls, UIFIND_ALL);
    for (int i = 0; i < controls.Count(); ++i)
        ForgetRegistrations(static_cast<CControlUI*>(controls[i]));
}

void CWindowManagerUI::ReleaseRemovedControl(CControlUI* control)
{
    ManagerBusy busy(m_hWnd);
    CControlWatchUI self(this, NULL);
    ForgetControlTree(control);
    if (!self.ManagerAlive())
        return;
    if (m_iRemovalDepth == 0) {
        control->AttachManager(NULL, NULL, false);
        return;
    }
    control->AttachManager(this, NULL, false);
    m_aKeptRemovals.Add(control);
}

void CWindowManagerUI::EndRemoval()
{
    if (--m_iRemovalDepth > 0)
        return;
    ManagerBusy busy(m_hWnd);
    // Taken from the front one at a time: a handler may remove more, free a sender or delete this manager.
    CControlWatchUI self(this, NULL);
    while (m_aLostFocus.Count() > 0) {
        CControlUI* sender = static_cast<CControlUI*>(m_aLostFocus[0]);
        m_aLostFocus.Remove(0);
        RaiseNotification(sender, L"killfocus");
        if (!self.ManagerAlive())
            return;
    }
    DetachKeptRemovals();
}

void CWindowManagerUI::DetachKeptRemovals()
{
    while (m_aKeptRemovals.Count() > 0) {
        CControlUI* control = static_cast<CControlUI*>(m_aKeptRemovals[m_aKeptRemovals.Count() - 1]);
        m_aKeptRemovals.Remove(m_aKeptRemovals.Count() - 1);
        // Put back into a tree by a handler: it stays there.
        if (control->GetOwnerManager() == this && control->GetParentControl() == NULL && control != m_pRoot)
            control->AttachManager(NULL, NULL, false);
    }
}

bool CWindowManagerUI::UsesTimerId(UINT id) const
{
    CWalkListUI::Walk timers(m_aTimers);
    while (const TimerInfo* timer = static_cast<const TimerInfo*>(timers.Next())) {
        if (timer->window == m_hWnd && timer->id == id)
            return true;
    }
    return false;
}

bool CWindowManagerUI::SetTimerFor(CControlUI* control, UINT key, UINT elapse)
{
    // Only for a control of this manager: one that left it (a handler told of a removal, say) would never have
    // the timer taken away, and a timer message would reach it after it is freed.
    if (control == NULL || control->GetOwnerManager() != this)
        return false;
    CWalkListUI::Walk timers(m_aTimers);
    while (TimerInfo* timer = static_cast<TimerInfo*>(timers.Next())) {
        if (timer->control == control && timer->window == m_hWnd && timer->key == key) {
            if (!timer->killed)
                return false;
            if (::SetTimer(m_hWnd, timer->id, elapse, NULL) == 0)
                return false;
            timer->killed = false;
            return true;
        }
    }
    // Ids still held by an entry of this window (live, or killed and waiting to restart) are skipped.
    UINT id = m_uTimerID;
    bool found = false;
    for (int tries = 0; tries < 255; ++tries) {
        id = (id + 1) % 255;
        if (!UsesTimerId(id)) {
            found = true;
            break;
        }
    }
    m_uTimerID = id;
    if (!found)
        return false;
    if (::SetTimer(m_hWnd, id, elapse, NULL) == 0)
        return false;
    TimerInfo* timer = new TimerInfo;
    timer->control = control;
    timer->key = key;
    timer->window = m_hWnd;
    timer->id = id;
    timer->killed = false;
    m_aTimers.Add(timer);
    return true;
}

bool CWindowManagerUI::KillTimerFor(CControlUI* control, UINT key)
{
    CWalkListUI::Walk timers(m_aTimers);
    while (TimerInfo* timer = static_cast<TimerInfo*>(timers.Next())) {
        if (timer->control == control && timer->window == m_hWnd && timer->key == key && !timer->killed) {
            if (IsWindow(m_hWnd))
                ::KillTimer(m_hWnd, timer->id);
            timer->killed = true;
            return true;
        }
    }
    return false;
}

void CWindowManagerUI::KillAllTimersFor(CControlUI* control)
{
    CWalkListUI::Walk timers(m_aTimers);
    while (TimerInfo* timer = static_cast<TimerInfo*>(timers.Next())) {
        if (timer->control == control && timer->window == m_hWnd) {
            if (!timer->killed && IsWindow(m_hWnd))
                ::KillTimer(m_hWnd, timer->id);
            timer->killed = true;
            m_aTimers.Remove(timer); // freed by the list once no walk reads it
        }
    }
}

void CWindowManagerUI::RemoveAllTimers()
{
    {
        CWalkListUI::Walk timers(m_aTimers);
        while (TimerInfo* timer = static_cast<TimerInfo*>(timers.Next())) {
            if (timer->window == m_hWnd && !timer->killed && IsWindow(m_hWnd))
                ::KillTimer(m_hWnd, timer->id);
            timer->killed = true;
        }
    }
    m_aTimers.Empty();
}

namespace {

// A waiting control left its tree and manager when its free was put off; one that has a parent or is a
// window's root again was taken back by the application meanwhile, and belongs to that tree.
bool IsBackInATree(CControlUI* control)
{
    CWindowManagerUI* manager = control->GetOwnerManager();
    return control->GetParentControl() != NULL || (manager != NULL && manager->GetRoot() == control);
}

} // namespace

void CWindowManagerUI::QueueForDeletion(CControlUI* control)
{
    // Out of the tree from now on, though alive until the queue runs: no input, timer or name reaches it.
    ForgetControlTree(control);
    control->AttachManager(this, NULL, false);
    m_aDelayedCleanup.Add(control);
    ::PostMessageW(m_hWnd, WM_DELETE_QUEUED, 0, 0);
}

void CWindowManagerUI::DeleteQueuedControls()
{
    // Taken from the list itself one at a time: freeing one may free another that waits here (a queued control
    // put back under one queued after it), and a control that goes leaves the list (ForgetPendingRemoval).
    while (m_aDelayedCleanup.Count() > 0) {
        CControlUI* control = static_cast<CControlUI*>(m_aDelayedCleanup[0]);
        m_aDelayedCleanup.Remove(0);
        // Taken back into a tree while it waited: its new container owns it now.
        if (!IsBackInATree(control))
            FreeControl(control);
    }
}

namespace {

void DeleteControl(void* control)
{
    delete static_cast<CControlUI*>(control);
}

void DeleteDetachedControl(void* control)
{
    if (!IsBackInATree(static_cast<CControlUI*>(control)))
        DeleteControl(control);
}

} // namespace

// The rule: a control that leaves its tree leaves its manager at once (focus, capture, hover, click, timers,
// filters, names). Its memory is freed now when nothing is being handled on this thread; else when the outermost
// handling ends if that is a window message (or the loop's pre-translation) or a removal; else (a notification,
// event, filter, timer or listener walk the application reached from outside any message) at the thread's next
// message. So no frame below a handler reads freed memory. Waiting controls belong to no manager: managers may go
// first. Window objects whose window went are finished by the same rule (CWindowWnd::FinishWindow).
void CWindowManagerUI::FreeControl(CControlUI* control)
{
    if (control == NULL)
        return;
    if (CHandlingScopeUI::IsOpen()) {
        // What the destructors would do now: every control of the tree leaves its manager without a word.
        CWindowManagerUI* manager = control->GetOwnerManager();
        if (manager != NULL) {
            CPtrArrayUI controls;
            control->SearchTree(CollectControl, &controls, UIFIND_ALL);
            for (int i = 0; i < controls.Count(); ++i)
                manager->ForgetControl(static_cast<CControlUI*>(controls[i]));
        }
        control->AttachManager(NULL, NULL, false);
        CHandlingScopeUI::Free(control, DeleteDetachedControl);
        return;
    }
    CHandlingScopeUI::Free(control, DeleteControl);
}

void CWindowManagerUI::RunMessageLoop()
{
    MSG msg;
    while (::GetMessageW(&msg, NULL, 0, 0) > 0) {
        if (!TranslateThroughManagers(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

namespace {

bool RunAccelerators(CWalkListUI& translators, MSG* msg)
{
    CWalkListUI::Walk walk(translators);
    while (ITranslateAcceleratorUI* translator = static_cast<ITranslateAcceleratorUI*>(walk.Next())) {
        if (translator->TranslateAccelerator(msg) == 0)
            return true;
    }
    return false;
}

// Holds the window object of every manager for the whole walk: one destroyed from a filter or translator is
// finished (and may free its manager) only after the walk, so the walk never reads a freed manager.
class ManagerWalk
{
public:
    ManagerWalk()
    {
        CPtrArrayUI& managers = ManagerList();
        for (int i = 0; i < managers.Count(); ++i) {
            CWindowManagerUI* manager = static_cast<CWindowManagerUI*>(managers[i]);
            m_managers.push_back(manager);
            m_holds.emplace_back(new CWindowWnd::Hold(manager->GetWindow()));
        }
    }
    // Let go of in the order taken, innermost first.
    ~ManagerWalk()
    {
        while (!m_holds.empty())
            m_holds.pop_back();
    }
    size_t Count() const { return m_managers.size(); }
    // NULL for a manager deleted meanwhile (one no window object holds).
    CWindowManagerUI* At(size_t i) const { return ManagerList().Find(m_managers[i]) >= 0 ? m_managers[i] : NULL; }

private:
    CHandlingScopeUI m_handling{CHandlingScopeUI::MESSAGE};
    std::vector<CWindowManagerUI*> m_managers;
    std::vector<std::unique_ptr<CWindowWnd::Hold>> m_holds;
};

} // namespace

bool CWindowManagerUI::TranslateThroughManagers(MSG* msg)
{
    CHandlingScopeUI::AtLoopTop();
    ManagerWalk walk;
    if (GetWindowLongW(msg->hwnd, GWL_STYLE) & WS_CHILD) {
        for (size_t i = walk.Count(); i-- > 0;) {
            for (HWND level = ::GetParent(msg->hwnd); level != NULL; level = ::GetParent(level)) {
                CWindowManagerUI* manager = walk.At(i);
                if (manager == NULL)
                    break;
                if (manager->m_hWnd != msg->hwnd && manager->m_hWnd != level)
                    continue;
                if (RunAccelerators(manager->m_aTranslateAccelerator, msg))
                    return true;
                if (walk.At(i) != NULL)
                    manager->PreTranslate(msg->message, msg->wParam, msg->lParam);
            }
        }
        return false;
    }
    for (size_t i = 0; i < walk.Count(); ++i) {
        CWindowManagerUI* manager = walk.At(i);
        if (manager == NULL || manager->m_hWnd != msg->hwnd)
            continue;
        if (RunAccelerators(manager->m_aTranslateAccelerator, msg))
            return true;
        return walk.At(i) != NULL && manager->PreTranslate(msg->message, msg->wParam, msg->lParam);
    }
    return false;
}

namespace {

struct ShortcutSearch
{
    wchar_t key;
    bool armed;
};

CControlUI* CALLBACK FindShortcut(CControlUI* control, LPVOID data)
{
    ShortcutSearch* search = static_cast<ShortcutSearch*>(data);
    if (!control->IsVisible())
        return NULL;
    if (!search->armed && control->GetShortcut() != L'\0' &&
        static_cast<wchar_t>(towupper(control->GetShortcut())) == search->key)
        search->armed = true;
    if (!search->armed)
        return NULL;
    // A label's shortcut belongs to the control after it.
    if (wcsstr(control->TypeName(), L"LabelUI") != NULL)
        return NULL;
    return control;
}

} // namespace

bool CWindowManagerUI::PreTranslate(UINT message, WPARAM wParam, LPARAM lParam)
{
    ManagerBusy busy(m_hWnd);
    CControlWatchUI self(this, NULL);
    {
        CWalkListUI::Walk filters(m_aPreMessageFilters);
        while (IMessageFilterUI* filter = static_cast<IMessageFilterUI*>(filters.Next())) {
            bool handled = false;
            filter->FilterMessage(message, wParam, lParam, handled);
            if (handled || !self.ManagerAlive())
                return true;
        }
    }
    switch (message) {
    case WM_KEYDOWN:
        if (wParam != VK_TAB)
            return false;
        // A rich edit that wants Tab keys gets them (it answers "WantsTab" while it does).
        if (m_pFocus != NULL && m_pFocus->IsVisible() && m_pFocus->IsEnabled() &&
            wcsstr(m_pFocus->TypeName(), L"RichEditUI") != NULL && m_pFocus->CastTo(L"WantsTab") != NULL)
            return false;
        MoveFocusByTab(GetKeyState(VK_SHIFT) >= 0);
        return true;
    case WM_SYSKEYDOWN:
        if (m_pFocus != NULL)
            SendKeyEvent(m_pFocus, UIEVENT_SYSKEY, wParam, lParam);
        return false;
    case WM_SYSCHAR: {
        if (m_pRoot == NULL)
            return false;
        ShortcutSearch search = {static_cast<wchar_t>(towupper(static_cast<wchar_t>(wParam))), false};
        // Tree order, so that a label hands its shortcut to the control that follows it.
        CControlUI* control =
            m_pRoot->SearchTree(FindShortcut, &search, UIFIND_ME_FIRST | UIFIND_VISIBLE | UIFIND_ENABLED);
        if (control == NULL)
            return false;
        control->SetFocus();
        control->Trigger();
        return true;
    }
    default:
        return false;
    }
}

} // namespace UiToolkit
