#include "core/WindowWnd.h"
#include "core/ResourceSettings.h"
#include "core/WindowManager.h"
#include "base/UIHandlingScope.h"

namespace UiToolkit {

namespace {

const wchar_t OBJECT_PROPERTY[] = L"WndX";

#if defined(__i386__)
// A fault that the platform swallows inside a window procedure (in its edit box or text services, say) unwinds
// the frames above its handler without running their destructors on x86, where they keep no exception record.
// This one, linked while a message is routed, hears that unwind and closes what the message opened and what
// deeper frames left open. (On x86-64 the unwind runs the destructors.)
class CUnwindWatch
{
public:
    explicit CUnwindWatch(const void* marker) : m_marker(marker)
    {
        // The head of the thread's exception records is the first word of its information block (fs:0).
        EXCEPTION_REGISTRATION_RECORD* head;
        __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
        m_record.Next = head;
        m_record.Handler = OnException;
        SetHead(&m_record);
    }
    ~CUnwindWatch() { SetHead(m_record.Next); }
    CUnwindWatch(const CUnwindWatch&) = delete;
    CUnwindWatch& operator=(const CUnwindWatch&) = delete;

private:
    static void SetHead(EXCEPTION_REGISTRATION_RECORD* head)
    {
        __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
    }
    static EXCEPTION_DISPOSITION NTAPI OnException(EXCEPTION_RECORD* exception, void* frame, CONTEXT*, void*)
    {
        if ((exception->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0)
            CHandlingScopeUI::Unwound(reinterpret_cast<CUnwindWatch*>(frame)->m_marker);
        return ExceptionContinueSearch;
    }

    EXCEPTION_REGISTRATION_RECORD m_record; // first: the system hands the handler its address
    const void* m_marker;
};
#endif

} // namespace

CWindowWnd::CWindowWnd() : m_hWnd(NULL), m_OldWndProc(::DefWindowProcW), m_bSubclassed(false) {}

// An object its owner frees (one on the stack, say) before its late finish came needs none.
CWindowWnd::~CWindowWnd()
{
    CHandlingScopeUI::Forget(this);
}

const wchar_t* CWindowWnd::QueryBaseClassName() const
{
    return NULL;
}
UINT CWindowWnd::QueryClassStyle() const
{
    return 0;
}

LRESULT CWindowWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::CallWindowProcW(m_OldWndProc, m_hWnd, message, wParam, lParam);
}

void CWindowWnd::OnWindowGone(HWND) {}

bool CWindowWnd::RegisterOwnClass()
{
    WNDCLASSW wc = {};
    wc.style = QueryClassStyle();
    wc.lpfnWndProc = OwnClassWindowProc;
    wc.hInstance = CResourceSettingsUI::GetModuleInstance();
    wc.hCursor = ::LoadCursorW(NULL, IDC_ARROW);
    wc.lpszClassName = QueryClassName();
    ATOM atom = ::RegisterClassW(&wc);
    return atom != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    HINSTANCE instance = CResourceSettingsUI::GetModuleInstance();
    if (!::GetClassInfoExW(NULL, QueryBaseClassName(), &wc) && !::GetClassInfoExW(instance, QueryBaseClassName(), &wc))
        return false;
    // The base class's style and extra bytes stay: its own procedure relies on them.
    m_OldWndProc = wc.lpfnWndProc;
    wc.lpfnWndProc = SuperclassWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = QueryClassName();
    ATOM atom = ::RegisterClassExW(&wc);
    return atom != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::CreateWnd(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                           HMENU menu)
{
    // One window at a time, and none while the last one's end is still to be told: the object may free itself
    // then, and a window made meanwhile would be left routing its messages to freed memory.
    if (m_hWnd != NULL || m_bGone || m_bFinishing)
        return NULL;
    bool registered = QueryBaseClassName() != NULL ? RegisterSuperclass() : RegisterOwnClass();
    if (!registered)
        return NULL;
    // Handlers reached during creation (the parent hears of its new child) may destroy the window again: the
    // object stays until this call is done with it, and is finished as it returns unless the caller holds it.
    char marker;
    EnterMessage(&marker);
    HWND created = ::CreateWindowExW(exStyle, QueryClassName(), title, style, x, y, cx, cy, parent, menu,
                                     CResourceSettingsUI::GetModuleInstance(), this);
    m_hWnd = m_bGone ? NULL : created;
    HWND result = m_hWnd;
    LeaveMessage(&marker);
    return result;
}

HWND CWindowWnd::CreateWndInRect(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, const RECT& rc,
                                 HMENU menu)
{
    return CreateWnd(parent, title, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, menu);
}

LRESULT CWindowWnd::SendMsg(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWindowWnd::PostMsg(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWindowWnd::PostClose(UINT code)
{
    if (::IsWindow(m_hWnd))
        ::PostMessageW(m_hWnd, WM_CLOSE, code, 0);
}

void CWindowWnd::ShowWnd(bool show, bool takeFocus)
{
    if (!::IsWindow(m_hWnd))
        return;
    ::ShowWindow(m_hWnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void CWindowWnd::CenterOnOwner()
{
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    RECT ownerRect = {0, 0, 0, 0};
    if (owner != NULL)
        ::GetWindowRect(owner, &ownerRect);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(owner != NULL ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const RECT& area = (owner == NULL || ::IsIconic(owner)) ? work : ownerRect;
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = (area.left + area.right) / 2 - width / 2;
    int y = (area.top + area.bottom) / 2 - height / 2;
    if (x < work.left)
        x = work.left;
    else if (x + width > work.right)
        x = work.right - width;
    if (y < work.top)
        y = work.top;
    else if (y + height > work.bottom)
        y = work.bottom - height;
    ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIconFromResource(UINT id)
{
    HINSTANCE instance = CResourceSettingsUI::GetModuleInstance();
    HICON big =
        static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                        ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    HICON small =
        static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                        ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

UINT CWindowWnd::RunModal()
{
    // Only locals from here on: the object may delete itself once its window is gone.
    HWND self = m_hWnd;
    HWND owner = ::GetWindow(self, GW_OWNER);
    ::ShowWindow(self, SW_SHOWNORMAL);
    if (owner != NULL)
        ::EnableWindow(owner, FALSE);
    UINT result = 0;
    MSG msg = {};
    bool quit = false;
    while (::IsWindow(self)) {
        BOOL got = ::GetMessageW(&msg, NULL, 0, 0);
        if (got == 0) {
            quit = true;
            break;
        }
        if (got < 0)
            break;
        if (msg.message == WM_CLOSE && msg.hwnd == self) {
            result = static_cast<UINT>(msg.wParam);
            if (owner != NULL) {
                ::EnableWindow(owner, TRUE);
                ::SetFocus(owner);
            }
        }
        if (!CWindowManagerUI::TranslateThroughManagers(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (owner != NULL) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    if (quit)
        ::PostQuitMessage(static_cast<int>(msg.wParam));
    return result;
}

void CWindowWnd::RestoreWindowProc()
{
    if (!::IsWindow(m_hWnd) || !m_bSubclassed)
        return;
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_OldWndProc));
    m_OldWndProc = ::DefWindowProcW;
    m_bSubclassed = false;
}

// The last message: the previous procedure answers it, then the object is unlinked. It is told (and may free
// itself) once the outermost message and hold of this object have ended, and then by the rule of frees (see
// CWindowManagerUI::FreeControl), so no frame still inside it reads freed memory.
LRESULT CWindowWnd::FinishWindow(UINT message, WPARAM wParam, LPARAM lParam, bool superclassed)
{
    HWND hWnd = m_hWnd;
    LRESULT result = ::CallWindowProcW(m_OldWndProc, hWnd, message, wParam, lParam);
    if (!superclassed)
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    if (m_bSubclassed)
        RestoreWindowProc();
    ::RemovePropW(hWnd, OBJECT_PROPERTY);
    m_hWnd = NULL;
    m_hGoneWnd = hWnd;
    m_bGone = true;
    return result;
}

void CWindowWnd::EnterMessage(const void* marker)
{
    ++m_iMessageDepth;
    CHandlingScopeUI::EnterHold(marker, this,
                                [](void* object) { static_cast<CWindowWnd*>(object)->LeaveMessageDepth(); });
}

void CWindowWnd::LeaveMessage(const void* marker)
{
    if (CHandlingScopeUI::LeaveHold(marker))
        LeaveMessageDepth();
}

void CWindowWnd::LeaveMessageDepth()
{
    if (--m_iMessageDepth > 0 || !m_bGone)
        return;
    // Toolkit frames of the call that destroyed the window may still be running: see CHandlingScopeUI::Finish.
    m_bGone = false;
    m_bFinishing = true;
    CHandlingScopeUI::Finish(this, [](void* object) {
        CWindowWnd* self = static_cast<CWindowWnd*>(object);
        self->m_bFinishing = false;
        HWND gone = self->m_hGoneWnd;
        self->m_hGoneWnd = NULL;
        self->OnWindowGone(gone);
    });
}

void CWindowWnd::FinishWithoutWindow()
{
    if (m_hWnd != NULL || m_bFinishing)
        return;
    m_bGone = true;
    if (m_iMessageDepth == 0) {
        ++m_iMessageDepth;
        LeaveMessageDepth();
    }
}

CWindowWnd* CWindowWnd::FromHandle(HWND hWnd)
{
    return hWnd != NULL ? static_cast<CWindowWnd*>(::GetPropW(hWnd, OBJECT_PROPERTY)) : NULL;
}

CWindowWnd::Hold::Hold(HWND hWnd) : m_pObject(FromHandle(hWnd))
{
    if (m_pObject != NULL)
        m_pObject->EnterMessage(this);
}

CWindowWnd::Hold::Hold(CWindowWnd* object) : m_pObject(object)
{
    if (m_pObject != NULL)
        m_pObject->EnterMessage(this);
}

CWindowWnd::Hold::~Hold()
{
    if (m_pObject != NULL)
        m_pObject->LeaveMessage(this);
}

LRESULT CWindowWnd::RouteMessage(CWindowWnd* self, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                 bool superclassed)
{
    if (self == NULL)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    // Controls removed meanwhile are freed when the outermost message of the thread ends.
    CHandlingScopeUI handling(CHandlingScopeUI::MESSAGE);
#if defined(__i386__)
    CUnwindWatch unwind(&handling);
#endif
    self->EnterMessage(&handling);
    LRESULT result = message == WM_NCDESTROY ? self->FinishWindow(message, wParam, lParam, superclassed)
                                             : self->ProcessMessage(message, wParam, lParam);
    self->LeaveMessage(&handling);
    return result;
}

LRESULT CALLBACK CWindowWnd::OwnClassWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindowWnd* self;
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = static_cast<CWindowWnd*>(create->lpCreateParams);
        if (self != NULL) {
            self->m_hWnd = hWnd;
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            ::SetPropW(hWnd, OBJECT_PROPERTY, self);
        }
    } else {
        self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    return RouteMessage(self, hWnd, message, wParam, lParam, false);
}

LRESULT CALLBACK CWindowWnd::SuperclassWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindowWnd* self;
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = static_cast<CWindowWnd*>(create->lpCreateParams);
        if (self != NULL) {
            ::SetPropW(hWnd, OBJECT_PROPERTY, self);
            self->m_hWnd = hWnd;
        }
    } else {
        self = static_cast<CWindowWnd*>(::GetPropW(hWnd, OBJECT_PROPERTY));
    }
    return RouteMessage(self, hWnd, message, wParam, lParam, true);
}

} // namespace UiToolkit
