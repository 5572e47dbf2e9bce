// Records every call a window makes into application code and, on a replay, makes one of them bite back.
//
// Header only, so that any program built with the toolkit's test fixtures can use it. Usage: construct the
// injector before the window and keep it until the window is gone; Attach() it to the window's manager
// (notifier, message filter, pre-message filter, accelerator translator), HookTree() the controls (their
// event, notify, size and init delegates) after building and after each input step. A recording run lists
// each call as "kind what sender" ("kind message" for filters and translators); a replay names one call and its occurrence and does the mode's harm there.
#pragma once
#include "controls/TreeViewUI.h"
#include "core/WindowManager.h"
#include "layout/ContainerUI.h"
#include "DebugHeap.h"
#include "InjectionChecks.h"

#include <stdio.h>
#include <wchar.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace TestHelpers {

enum InjectMode
{
    INJECT_RECORD,                // only records
    INJECT_REMOVE_NOW,            // removes the sender, deleted at once
    INJECT_REMOVE_DEFERRED_MODAL, // removes the sender, queued for deletion, then runs a modal loop
    INJECT_REMOVE_PARENT,         // removes the container that holds the sender, deleted at once
    INJECT_DESTROY_WINDOW,        // destroys the window (its object deletes itself and its manager)
    INJECT_CLOSE_IN_MODAL,        // asks the window to close and runs a modal loop while it does
    INJECT_REMOVE_KEPT,           // removes the sender and keeps it; deletes it once the window is gone
    INJECT_REMOVE_FOCUS_TARGET    // at a "killfocus" call: removes the control about to take the focus, at once
};

// Calls whose handler hears that the focus is moving on: the kill-focus event, delegate and notification.
inline bool IsKillFocusCall(const std::wstring& call)
{
    return call.compare(0, 9, L"event 20 ") == 0 || call.compare(0, 19, L"delegate killfocus ") == 0 ||
           call.compare(0, 17, L"notify killfocus ") == 0;
}

inline const char* InjectModeName(InjectMode mode)
{
    static const char* const names[] = {"record",        "remove-now",         "remove-deferred-modal",
                                        "remove-parent", "destroy-window",     "close-in-modal",
                                        "remove-kept",   "remove-focus-target"};
    return names[mode];
}

// The window messages under way on this thread, outermost first, as "Class:MESSAGE" frames: sent messages through
// the thread's hooks, posted ones where the loops below take them. A call's path depends on them (a handler run
// inside the manager's own message, or inside a child window's message from outside any, frees differently).
class CMessageStack
{
public:
    static std::vector<std::wstring>& Frames()
    {
        static std::vector<std::wstring> frames;
        return frames;
    }
    static std::wstring Text()
    {
        std::wstring text;
        for (const std::wstring& frame : Frames())
            text += (text.empty() ? L"" : L"/") + frame;
        return text;
    }
    static std::wstring Frame(HWND hWnd, UINT message);
    // Pushes a posted message's frame for the scope.
    struct Posted
    {
        explicit Posted(const MSG& msg) { Frames().push_back(Frame(msg.hwnd, msg.message)); }
        ~Posted() { Frames().pop_back(); }
    };
    // Hooks this thread's sent messages while it lives, when asked to: each hooked message costs the system
    // two more calls, so replays, which need the calls' contexts only from their recording, go without.
    struct Watch
    {
        explicit Watch(bool hook) : sent(NULL), back(NULL)
        {
            Frames().clear();
            if (!hook)
                return;
            sent = SetWindowsHookExW(WH_CALLWNDPROC, OnSent, NULL, GetCurrentThreadId());
            back = SetWindowsHookExW(WH_CALLWNDPROCRET, OnReturned, NULL, GetCurrentThreadId());
        }
        ~Watch()
        {
            if (sent != NULL)
                UnhookWindowsHookEx(sent);
            if (back != NULL)
                UnhookWindowsHookEx(back);
        }
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;
        HHOOK sent;
        HHOOK back;
    };

private:
    static LRESULT CALLBACK OnSent(int code, WPARAM wParam, LPARAM lParam)
    {
        CUnguardedAllocations own;
        if (code == HC_ACTION) {
            const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
            Frames().push_back(Frame(sent->hwnd, sent->message));
        }
        return CallNextHookEx(NULL, code, wParam, lParam);
    }
    // Pops the newest frame of the message that returned.
    static LRESULT CALLBACK OnReturned(int code, WPARAM wParam, LPARAM lParam)
    {
        CUnguardedAllocations own;
        if (code == HC_ACTION) {
            const CWPRETSTRUCT* done = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
            std::wstring frame = Frame(done->hwnd, done->message);
            std::vector<std::wstring>& frames = Frames();
            for (size_t i = frames.size(); i > 0; --i) {
                if (frames[i - 1] == frame) {
                    frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(i - 1));
                    break;
                }
            }
        }
        return CallNextHookEx(NULL, code, wParam, lParam);
    }
};

// What a message box does inside a handler: it runs every message posted so far, queued deletions included.
inline void RunNestedMessageLoop()
{
    MSG msg;
    for (int handled = 0; handled < 500 && PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE); ++handled) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        CMessageStack::Posted frame(msg);
        if (!UiToolkit::CWindowManagerUI::TranslateThroughManagers(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

inline std::wstring MessageName(UINT message)
{
    static const struct
    {
        UINT id;
        const wchar_t* name;
    } known[] = {{WM_CREATE, L"WM_CREATE"},
                 {WM_DESTROY, L"WM_DESTROY"},
                 {WM_SIZE, L"WM_SIZE"},
                 {WM_SETFOCUS, L"WM_SETFOCUS"},
                 {WM_KILLFOCUS, L"WM_KILLFOCUS"},
                 {WM_PAINT, L"WM_PAINT"},
                 {WM_CLOSE, L"WM_CLOSE"},
                 {WM_ERASEBKGND, L"WM_ERASEBKGND"},
                 {WM_SHOWWINDOW, L"WM_SHOWWINDOW"},
                 {WM_SETCURSOR, L"WM_SETCURSOR"},
                 {WM_WINDOWPOSCHANGED, L"WM_WINDOWPOSCHANGED"},
                 {WM_NOTIFY, L"WM_NOTIFY"},
                 {WM_CONTEXTMENU, L"WM_CONTEXTMENU"},
                 {WM_KEYDOWN, L"WM_KEYDOWN"},
                 {WM_KEYUP, L"WM_KEYUP"},
                 {WM_CHAR, L"WM_CHAR"},
                 {WM_SYSKEYDOWN, L"WM_SYSKEYDOWN"},
                 {WM_SYSKEYUP, L"WM_SYSKEYUP"},
                 {WM_SYSCHAR, L"WM_SYSCHAR"},
                 {WM_COMMAND, L"WM_COMMAND"},
                 {WM_TIMER, L"WM_TIMER"},
                 {WM_CTLCOLOREDIT, L"WM_CTLCOLOREDIT"},
                 {WM_MOUSEMOVE, L"WM_MOUSEMOVE"},
                 {WM_LBUTTONDOWN, L"WM_LBUTTONDOWN"},
                 {WM_LBUTTONUP, L"WM_LBUTTONUP"},
                 {WM_LBUTTONDBLCLK, L"WM_LBUTTONDBLCLK"},
                 {WM_RBUTTONDOWN, L"WM_RBUTTONDOWN"},
                 {WM_RBUTTONUP, L"WM_RBUTTONUP"},
                 {WM_MOUSEWHEEL, L"WM_MOUSEWHEEL"},
                 {WM_MOUSEHOVER, L"WM_MOUSEHOVER"},
                 {WM_MOUSELEAVE, L"WM_MOUSELEAVE"},
                 {UiToolkit::WM_DELETE_QUEUED, L"WM_DELETE_QUEUED"}};
    for (const auto& entry : known) {
        if (entry.id == message)
            return entry.name;
    }
    wchar_t text[16];
    _snwprintf(text, 16, L"0x%04X", message);
    text[15] = L'\0';
    return text;
}

inline std::wstring CMessageStack::Frame(HWND hWnd, UINT message)
{
    wchar_t name[64] = L"";
    if (hWnd == NULL || GetClassNameW(hWnd, name, 64) == 0)
        wcscpy(name, hWnd == NULL ? L"thread" : L"gone");
    return std::wstring(name) + L":" + MessageName(message);
}

class CHandlerInjector : public UiToolkit::INotifyUI,
                         public UiToolkit::IMessageFilterUI,
                         public UiToolkit::ITranslateAcceleratorUI
{
public:
    CHandlerInjector() = default;
    // Bites back at the occurrence-th call (counted from 1) that Calls() lists as `call`.
    CHandlerInjector(InjectMode mode, const std::wstring& call, int occurrence)
        : m_mode(mode), m_target(call), m_targetOccurrence(occurrence)
    {}
    // A control the application kept may outlive its window, and is deleted after it.
    ~CHandlerInjector()
    {
        for (UiToolkit::CControlUI* kept : m_kept)
            delete kept;
    }
    CHandlerInjector(const CHandlerInjector&) = delete;
    CHandlerInjector& operator=(const CHandlerInjector&) = delete;

    // While paused it only records, and counts no occurrence: the steps that check the window after the script
    // are not the scene's own, and must not do the harm themselves.
    void Pause(bool paused) { m_paused = paused; }

    void Attach(UiToolkit::CWindowManagerUI* manager)
    {
        m_pManager = manager;
        m_hWnd = manager->GetWindow();
        manager->RegisterNotifier(this);
        manager->RegisterMessageFilter(this);
        manager->RegisterPreFilter(&m_preFilter);
        manager->RegisterAcceleratorTranslator(this);
    }

    // Every control of the tree gets the delegates once; a control that is deleted drops out.
    void HookTree(UiToolkit::CControlUI* root)
    {
        if (root != NULL && WindowAlive())
            root->SearchTree(HookOne, this, UiToolkit::UIFIND_ALL);
    }

    bool WindowAlive() const { return m_hWnd != NULL && IsWindow(m_hWnd); }
    HWND Window() const { return m_hWnd; }
    // Every call so far, in order, and in a recording the window messages under way at each.
    const std::vector<std::wstring>& Calls() const { return m_calls; }
    const std::vector<std::wstring>& Contexts() const { return m_contexts; }
    bool Injected() const { return m_injected; }
    bool Recording() const { return m_mode == INJECT_RECORD; }
    // What the injection did, for the failure message.
    const std::wstring& Outcome() const { return m_outcome; }
    // A hooked control by its label (its name, or its type and hook number when it has none); NULL once gone.
    UiToolkit::CControlUI* Find(const std::wstring& label) const
    {
        for (const auto& entry : m_hooks) {
            if (entry.second->label == label)
                return entry.first;
        }
        return NULL;
    }

    // Once the window is gone every hooked control must be freed, but for those the application kept: they
    // and their parts must have left the window (no manager, the kept one no parent). No input may have reached
    // a control after it left its window, nor a notification come while the tree was not whole or being laid out.
    // Empty when all holds.
    std::wstring Faults() const
    {
        if (!m_stray.empty())
            return m_stray;
        if (!m_unsettled.empty())
            return m_unsettled;
        for (const auto& entry : m_hooks) {
            // A kept tree node keeps its child nodes, which its tree listed apart from it.
            UiToolkit::CControlUI* top = entry.first;
            for (;;) {
                auto* node = static_cast<UiToolkit::CTreeNodeUI*>(top->CastTo(L"TreeNode"));
                UiToolkit::CControlUI* up = top->GetParentControl();
                if (up == NULL && node != NULL)
                    up = node->ParentNode();
                if (up == NULL)
                    break;
                top = up;
            }
            bool kept = false;
            for (UiToolkit::CControlUI* control : m_kept)
                kept = kept || control == top;
            if (!kept)
                return entry.second->label + L" outlived its window";
            if (entry.first->GetOwnerManager() != NULL)
                return entry.second->label + L" was kept but still has a manager";
        }
        return L"";
    }

    // The application's handlers.
    void Notify(UiToolkit::NotifyMsgUI& msg) override { Call(L"notify", msg.sType.Text(), msg.pSender); }
    LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool&) override
    {
        Call(L"filter", MessageName(message), AboutMessage(message, wParam, lParam));
        return 0;
    }
    LRESULT TranslateAccelerator(MSG* msg) override
    {
        Call(L"translator", MessageName(msg->message), AboutMessage(msg->message, msg->wParam, msg->lParam));
        return 1;
    }

private:
    struct Hook
    {
        CHandlerInjector* owner;
        UiToolkit::CControlUI* control;
        std::wstring label;
        bool OnEvent(void* param)
        {
            auto* event = static_cast<UiToolkit::InputEventUI*>(param);
            // The manager names the control that takes the focus in the kill-focus event.
            if (event->type == UiToolkit::UIEVENT_KILLFOCUS) {
                CUnguardedAllocations own;
                owner->m_focusTarget = event->pSender != NULL ? owner->Label(event->pSender) : L"";
            }
            wchar_t type[8];
            _snwprintf(type, 8, L"%d", event->type);
            type[7] = L'\0';
            if (event->type != UiToolkit::UIEVENT_KILLFOCUS && control->GetOwnerManager() == NULL &&
                owner->m_stray.empty())
                owner->m_stray = L"event " + std::wstring(type) + L" reached " + label + L" after it left its window";
            return owner->Call(L"event", type, control);
        }
        bool OnNotify(void* param)
        {
            return owner->Call(L"delegate", static_cast<UiToolkit::NotifyMsgUI*>(param)->sType.Text(), control);
        }
        bool OnSize(void*) { return owner->Call(L"size", L"", control); }
        bool OnInit(void*) { return owner->Call(L"init", L"", control); }
        bool OnDestroy(void*)
        {
            owner->m_hooks.erase(control);
            return true;
        }
    };
    struct PreFilter : public UiToolkit::IMessageFilterUI
    {
        explicit PreFilter(CHandlerInjector* injector) : owner(injector) {}
        CHandlerInjector* owner;
        LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool&) override
        {
            owner->Call(L"prefilter", MessageName(message), owner->AboutMessage(message, wParam, lParam));
            return 0;
        }
    };

    static UiToolkit::CControlUI* CALLBACK HookOne(UiToolkit::CControlUI* control, LPVOID data)
    {
        CHandlerInjector* self = static_cast<CHandlerInjector*>(data);
        if (self->m_hooks.count(control) != 0)
            return NULL;
        std::unique_ptr<Hook> hook;
        {
            CUnguardedAllocations own;
            hook.reset(new Hook{self, control, control->GetName().Text()});
            if (hook->label.empty())
                hook->label = std::wstring(control->TypeName()) + L"#" + std::to_wstring(++self->m_unnamed);
            self->m_hooks[control] = hook.get();
            self->m_allHooks.push_back(std::move(hook));
        }
        Hook* added = self->m_allHooks.back().get();
        using UiToolkit::MakeDelegate;
        control->OnEventList += MakeDelegate(added, &Hook::OnEvent);
        control->OnNotifyList += MakeDelegate(added, &Hook::OnNotify);
        control->OnSizeList += MakeDelegate(added, &Hook::OnSize);
        control->OnInitList += MakeDelegate(added, &Hook::OnInit);
        control->OnDestroyList += MakeDelegate(added, &Hook::OnDestroy);
        return NULL;
    }

    std::wstring Label(UiToolkit::CControlUI* control) const
    {
        if (control == NULL)
            return L"-";
        auto found = m_hooks.find(control);
        return found != m_hooks.end() ? found->second->label : std::wstring(control->TypeName());
    }

    // The control a window message is about: the one under the mouse, or the focus for keys.
    UiToolkit::CControlUI* AboutMessage(UINT message, WPARAM, LPARAM lParam) const
    {
        if (!WindowAlive())
            return NULL;
        if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && message != WM_MOUSEWHEEL) {
            POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            return m_pManager->FindControlAt(pt);
        }
        if (message >= WM_KEYFIRST && message <= WM_KEYLAST)
            return m_pManager->GetFocus();
        return NULL;
    }

    // Answers false when the handler deleted the sender, so that a delegate list stops.
    bool Call(const wchar_t* kind, const std::wstring& what, UiToolkit::CControlUI* sender)
    {
        // A filter's call is one per message whatever control it is about: the sender only decides what goes.
        bool filter =
            wcscmp(kind, L"filter") == 0 || wcscmp(kind, L"prefilter") == 0 || wcscmp(kind, L"translator") == 0;
        std::wstring call;
        {
            CUnguardedAllocations own;
            call = std::wstring(kind) + L" " + what + (filter ? L"" : L" " + Label(sender));
            m_calls.push_back(call);
            if (Recording())
                m_contexts.push_back(CMessageStack::Text());
        }
        // What a notification tells must be true when it comes: an item announced mid-insert or mid-removal sits
        // where its index does not say.
        bool notification = call.compare(0, 7, L"notify ") == 0 || call.compare(0, 9, L"delegate ") == 0;
        if (notification && m_unsettled.empty() && WindowAlive()) {
            std::wstring fault = CheckTreeWhole(m_pManager, false);
            if (!fault.empty())
                m_unsettled = L"at \"" + call + L"\": " + fault;
        }
        // Only size delegates (and filters of what the platform sends) run inside a layout pass: a handler there
        // would see the tree half placed. What the harm raises (a removal's notifications, a modal loop's
        // messages) is the application's doing; the call that did it was checked above.
        bool inLayout = notification || call.compare(0, 6, L"event ") == 0 || call.compare(0, 5, L"init ") == 0;
        if (inLayout && !m_harming && m_unsettled.empty() && WindowAlive() && m_pManager->IsLayingOut())
            m_unsettled = L"at \"" + call + L"\": came inside the layout pass";
        if (m_mode == INJECT_RECORD || m_paused || m_injected || call != m_target || ++m_seen != m_targetOccurrence)
            return true;
        m_injected = true;
        // A replay that dies here says where (the recording says inside which window messages).
        fprintf(stderr, "injecting %s at %ls #%d\n", InjectModeName(m_mode), call.c_str(), m_targetOccurrence);
        fflush(stderr);
        if (sender == NULL && WindowAlive())
            sender = m_pManager->GetFocus();
        m_harming = true;
        switch (m_mode) {
        case INJECT_REMOVE_NOW:
            m_outcome = Remove(sender, false);
            break;
        case INJECT_REMOVE_DEFERRED_MODAL:
            m_outcome = Remove(sender, true);
            RunNestedMessageLoop();
            break;
        case INJECT_REMOVE_KEPT:
            m_outcome = Remove(sender, false, true);
            break;
        case INJECT_REMOVE_PARENT:
            m_outcome = sender != NULL ? Remove(Holder(sender), false) : L"no sender";
            break;
        case INJECT_DESTROY_WINDOW:
            m_outcome = L"window destroyed";
            DestroyWindow(m_hWnd);
            break;
        case INJECT_CLOSE_IN_MODAL:
            m_outcome = L"window closed in a modal loop";
            PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
            RunNestedMessageLoop();
            break;
        case INJECT_REMOVE_FOCUS_TARGET:
            m_outcome = IsKillFocusCall(call) ? Remove(FocusTarget(sender), false) : L"not a kill-focus call";
            break;
        default:
            break;
        }
        m_harming = false;
        return true;
    }

    // The container the application sees holding the control: its parent, or, for an item lent to a
    // drop-down's window, the control of this window that lists it.
    UiToolkit::CControlUI* Holder(UiToolkit::CControlUI* control) const
    {
        UiToolkit::CControlUI* parent = control->GetParentControl();
        if (parent == NULL || parent->GetOwnerManager() == m_pManager || m_pManager->GetRoot() == NULL)
            return parent;
        struct Search
        {
            UiToolkit::CControlUI* item;
            static UiToolkit::CControlUI* CALLBACK Lists(UiToolkit::CControlUI* candidate, LPVOID data)
            {
                auto* box = static_cast<UiToolkit::IContainerUI*>(candidate->CastTo(L"IContainer"));
                return box != NULL && box->IndexOf(static_cast<Search*>(data)->item) >= 0 ? candidate : NULL;
            }
        } search = {control};
        return m_pManager->GetRoot()->SearchTree(Search::Lists, &search, UiToolkit::UIFIND_ALL);
    }

    // Where the focus goes: as the kill-focus event said, else the next tab stop after the control, as Tab would.
    UiToolkit::CControlUI* FocusTarget(UiToolkit::CControlUI* control) const
    {
        if (!m_focusTarget.empty())
            return Find(m_focusTarget);
        if (!WindowAlive() || m_pManager->GetRoot() == NULL)
            return NULL;
        struct Search
        {
            UiToolkit::CControlUI* from;
            bool passed;
            UiToolkit::CControlUI* first;
            UiToolkit::CControlUI* after;
            static UiToolkit::CControlUI* CALLBACK Visit(UiToolkit::CControlUI* candidate, LPVOID data)
            {
                Search* search = static_cast<Search*>(data);
                if (candidate == search->from)
                    search->passed = true;
                else if (candidate->BehaviourFlags() & UiToolkit::UIFLAG_TABSTOP) {
                    if (search->first == NULL)
                        search->first = candidate;
                    if (search->passed && search->after == NULL)
                        search->after = candidate;
                }
                return NULL;
            }
        } search = {control, false, NULL, NULL};
        m_pManager->GetRoot()->SearchTree(
            Search::Visit, &search, UiToolkit::UIFIND_ME_FIRST | UiToolkit::UIFIND_VISIBLE | UiToolkit::UIFIND_ENABLED);
        return search.after != NULL ? search.after : search.first;
    }

    // Through the holder; a part its holder will not let go of takes the nearest ancestor that goes.
    std::wstring Remove(UiToolkit::CControlUI* control, bool defer, bool keep = false)
    {
        if (!WindowAlive())
            return L"window gone";
        if (control == NULL)
            return L"nothing to remove";
        for (UiToolkit::CControlUI* part = control; part != NULL;) {
            UiToolkit::CControlUI* holder = Holder(part);
            if (holder == NULL)
                break;
            auto* box = static_cast<UiToolkit::IContainerUI*>(holder->CastTo(L"IContainer"));
            if (box != NULL) {
                auto* container = static_cast<UiToolkit::CContainerUI*>(holder->CastTo(L"Container"));
                if (container != NULL)
                    container->SetDefersItemDeletion(defer);
                // A list keeps its header in its own slot, apart from the items: both are told.
                bool owns = container == NULL || container->OwnsRemovedItems();
                bool ownsOwn = container == NULL || container->CContainerUI::OwnsRemovedItems();
                if (keep && container != NULL) {
                    container->SetOwnsRemovedItems(false);
                    container->CContainerUI::SetOwnsRemovedItems(false);
                }
                std::wstring label = Label(part);
                bool removed = box->RemoveItem(part);
                if (keep && container != NULL) {
                    container->CContainerUI::SetOwnsRemovedItems(ownsOwn);
                    container->SetOwnsRemovedItems(owns);
                }
                owns = owns && ownsOwn;
                if (removed && keep && owns && container != NULL)
                    m_kept.push_back(part);
                if (removed)
                    return L"removed " + label;
            }
            part = holder;
        }
        return L"nothing removable";
    }

    InjectMode m_mode = INJECT_RECORD;
    std::wstring m_target;
    int m_targetOccurrence = 0;
    int m_seen = 0;
    bool m_paused = false;
    bool m_injected = false;
    bool m_harming = false; // the harm is under way
    std::wstring m_outcome;
    std::wstring m_unsettled;   // the first notification that came while the tree was not whole
    std::wstring m_stray;       // the first input that reached a control outside any window
    std::wstring m_focusTarget; // label of the control the last kill-focus event named; empty for none
    UiToolkit::CWindowManagerUI* m_pManager = NULL;
    HWND m_hWnd = NULL;
    PreFilter m_preFilter{this};
    std::vector<std::wstring> m_calls;
    std::vector<std::wstring> m_contexts;
    std::vector<UiToolkit::CControlUI*> m_kept;
    std::map<UiToolkit::CControlUI*, Hook*> m_hooks; // live hooked controls
    std::vector<std::unique_ptr<Hook>> m_allHooks;   // kept until the end: a delegate may still be running
    int m_unnamed = 0;
};

} // namespace TestHelpers
