#include "controls/DateTimeUI.h"
#include "core/ManagerShared.h"
#include "core/WindowManager.h"

#include <commctrl.h>
#include <wchar.h>

namespace UiToolkit {

CDateTimeWnd::CDateTimeWnd() : m_pOwner(NULL), m_bInit(false) {}

void CDateTimeWnd::Init(CDateTimeUI* owner)
{
    m_pOwner = owner;
    owner->m_nDTUpdateFlag = CDateTimeUI::UPDATE_NONE;
    CWindowManagerUI* manager = owner->GetOwnerManager();
    // A control removed by its own focus handlers has no window to open the native box in.
    if (manager == NULL || ::IsWindow(manager->GetWindow()) == FALSE) {
        FinishWithoutWindow();
        return;
    }
    // Handlers reached from here (the parent hears of its new child, of the date and of the focus) may destroy
    // the window or its parent, or remove the owner, which detaches this object and closes its window. This
    // object and the manager stay until the end; the object is finished then if its window went.
    Hold self(this);
    ManagerBusy busy(manager->GetWindow());
    if (m_hWnd == NULL) {
        // The picker class exists only once the date classes are registered.
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_DATE_CLASSES};
        ::InitCommonControlsEx(&icc);
        if (CreateWndInRect(manager->GetWindow(), NULL, WS_CHILD, 0, owner->GetPos()) == NULL) {
            FinishWithoutWindow();
            return;
        }
        SendMsg(WM_SETFONT, reinterpret_cast<WPARAM>(manager->GetFont(owner->GetFont())), TRUE);
    }
    if (owner->GetText().IsEmpty())
        ::GetLocalTime(&owner->m_sysTime);
    SendMsg(DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&owner->m_sysTime));
    if (m_hWnd == NULL || m_pOwner == NULL)
        return;
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    if (m_hWnd == NULL || m_pOwner == NULL)
        return;
    ::SetFocus(m_hWnd);
    m_bInit = m_hWnd != NULL && m_pOwner != NULL;
}

namespace {

// Watches the focus while it sits in the picker's own drop-down calendar.
const UINT_PTR CALENDAR_WATCH_TIMER = 0x5D7E;
const UINT CALENDAR_WATCH_ELAPSE = 100;

} // namespace

bool CDateTimeWnd::IsOwnWindow(HWND hWnd) const
{
    if (hWnd == NULL)
        return false;
    if (hWnd == m_hWnd || ::IsChild(m_hWnd, hWnd))
        return true;
    // The drop-down calendar lives in a popup of its own (owned by our top-level window, not by the picker).
    HWND calendar = reinterpret_cast<HWND>(::SendMessageW(m_hWnd, DTM_GETMONTHCAL, 0, 0));
    if (calendar == NULL)
        return false;
    HWND popup = ::GetAncestor(calendar, GA_ROOT);
    if (popup == NULL || popup == ::GetAncestor(m_hWnd, GA_ROOT))
        return hWnd == calendar || ::IsChild(calendar, hWnd);
    return hWnd == popup || ::IsChild(popup, hWnd);
}

bool CDateTimeWnd::CalendarShown()
{
    HWND calendar = reinterpret_cast<HWND>(::SendMessageW(m_hWnd, DTM_GETMONTHCAL, 0, 0));
    return calendar != NULL && ::IsWindowVisible(calendar);
}

void CDateTimeWnd::CloseKeepingDate()
{
    if (m_pOwner != NULL && m_pOwner->m_nDTUpdateFlag == CDateTimeUI::UPDATE_NONE) {
        SendMsg(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&m_pOwner->m_sysTime));
        m_pOwner->m_nDTUpdateFlag = CDateTimeUI::UPDATE_SHOW;
        m_pOwner->UpdateText();
    }
    PostMsg(WM_CLOSE);
}

LRESULT CDateTimeWnd::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KILLFOCUS) {
        LRESULT result = ::DefWindowProcW(m_hWnd, message, wParam, lParam);
        // The focus going into the picker's own calendar is still the picker at work.
        // So is a moment with no focus at all while the calendar is up (its popup being activated).
        HWND next = reinterpret_cast<HWND>(wParam);
        if (IsOwnWindow(next) || (next == NULL && CalendarShown()))
            ::SetTimer(m_hWnd, CALENDAR_WATCH_TIMER, CALENDAR_WATCH_ELAPSE, NULL);
        else
            CloseKeepingDate();
        return result;
    }
    if (message == WM_TIMER && wParam == CALENDAR_WATCH_TIMER) {
        HWND focus = ::GetFocus();
        if (focus == NULL && CalendarShown())
            return 0;
        if (focus == m_hWnd || !IsOwnWindow(focus)) {
            ::KillTimer(m_hWnd, CALENDAR_WATCH_TIMER);
            if (focus != m_hWnd)
                CloseKeepingDate();
        }
        return 0;
    }
    if (message == WM_KEYUP && (wParam == VK_BACK || wParam == VK_DELETE || wParam == VK_ESCAPE)) {
        LRESULT result = ::DefWindowProcW(m_hWnd, message, wParam, lParam);
        if (m_pOwner != NULL) {
            m_pOwner->m_nDTUpdateFlag = wParam == VK_ESCAPE ? CDateTimeUI::UPDATE_CANCELLED : CDateTimeUI::UPDATE_CLEAR;
            m_pOwner->UpdateText();
        }
        PostMsg(WM_CLOSE);
        return result;
    }
    return CWindowWnd::ProcessMessage(message, wParam, lParam);
}

void CDateTimeWnd::OnWindowGone(HWND hWnd)
{
    CWindowWnd::OnWindowGone(hWnd);
    if (m_pOwner != NULL)
        m_pOwner->m_pWindow = NULL;
    delete this;
}

CDateTimeUI::CDateTimeUI() : m_nDTUpdateFlag(UPDATE_SHOW), m_pWindow(NULL)
{
    ::GetLocalTime(&m_sysTime);
    UpdateText();
    m_nDTUpdateFlag = UPDATE_NONE;
}

CDateTimeUI::~CDateTimeUI()
{
    CloseNativeWindow(m_pWindow);
}

const wchar_t* CDateTimeUI::TypeName() const
{
    return L"DateTimeUI";
}

void* CDateTimeUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"DateTime") == 0)
        return this;
    return CLabelUI::CastTo(name);
}

void CDateTimeUI::SetTime(const SYSTEMTIME& time)
{
    m_sysTime = time;
    m_nDTUpdateFlag = UPDATE_SHOW;
    UpdateText();
    m_nDTUpdateFlag = UPDATE_NONE;
}

void CDateTimeUI::UpdateText()
{
    if (m_nDTUpdateFlag == UPDATE_CLEAR) {
        SetText(L"");
    } else if (m_nDTUpdateFlag == UPDATE_SHOW) {
        CStringUI text;
        text.Format(L"%4d-%02d-%02d", m_sysTime.wYear, m_sysTime.wMonth, m_sysTime.wDay);
        SetText(text);
    }
}

void CDateTimeUI::OnEvent(InputEventUI& event)
{
    if (ForwardDisabledMouse(event) || HandleNativeHostEvent(event, m_pWindow != NULL))
        return;
    switch (event.type) {
    case UIEVENT_SETFOCUS:
        if (IsEnabled() && m_pWindow == NULL) {
            m_pWindow = new CDateTimeWnd();
            m_pWindow->Init(this);
            if (m_pWindow != NULL)
                m_pWindow->ShowWnd(true, true);
        }
        break;
    case UIEVENT_KILLFOCUS:
        if (IsEnabled())
            Invalidate();
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
    case UIEVENT_RBUTTONDOWN:
        if (!IsEnabled())
            break;
        if (m_pManager != NULL)
            m_pManager->ReleaseCapture();
        if (IsFocused() && m_pWindow == NULL)
            m_pWindow = new CDateTimeWnd();
        if (m_pWindow != NULL) {
            m_pWindow->Init(this);
            if (m_pWindow != NULL)
                m_pWindow->ShowWnd(true, true);
        }
        return;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_BUTTONUP:
    case UIEVENT_CONTEXTMENU:
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
        return;
    default:
        break;
    }
    CLabelUI::OnEvent(event);
}

} // namespace UiToolkit
