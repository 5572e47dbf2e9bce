#include "core/ManagerShared.h"
#include "base/UIHandlingScope.h"

#include <windowsx.h>

#include <string>

namespace UiToolkit {

namespace {

POINT PointOf(LPARAM lParam)
{
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return pt;
}

} // namespace

bool CWindowManagerUI::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (m_hWnd == NULL)
        return false;
    // Every handler reached from here may delete this manager (a combo's pop-up goes with its own): once it
    // is gone, the message counts as handled and nothing of the manager is touched.
    ManagerBusy busy(m_hWnd);
    CControlWatchUI self(this, NULL);
    DrainAsyncNotifications();
    if (!self.ManagerAlive())
        return true;

    {
        CWalkListUI::Walk filters(m_aMessageFilters);
        while (IMessageFilterUI* filter = static_cast<IMessageFilterUI*>(filters.Next())) {
            bool handled = false;
            LRESULT answer = filter->FilterMessage(message, wParam, lParam, handled);
            if (!self.ManagerAlive())
                return true;
            if (handled) {
                result = answer;
                return true;
            }
        }
    }
    // A filter destroyed the window: this manager lives until the message returns, with nothing left to handle.
    if (!::IsWindow(m_hWnd))
        return true;

    switch (message) {
    case WM_DELETE_QUEUED:
        DeleteQueuedControls();
        break;
    case WM_SIZE:
        if (m_pFocus != NULL)
            SendEvent(m_pFocus, UIEVENT_WINDOWSIZE);
        if (self.ManagerAlive() && m_pRoot != NULL)
            m_pRoot->NeedUpdate();
        return true;
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_CLOSE: {
        if (m_pEventHover != NULL)
            SendEvent(m_pEventHover, UIEVENT_MOUSELEAVE);
        if (self.ManagerAlive() && m_pEventClick != NULL)
            SendEvent(m_pEventClick, UIEVENT_BUTTONUP);
        if (self.ManagerAlive())
            SetFocusControl(NULL);
        if (!self.ManagerAlive())
            return true;
        HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
        if (owner != NULL)
            ::SetFocus(owner);
        break;
    }
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT)
            break;
        if (m_bMouseCapture)
            return true;
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(m_hWnd, &pt);
        CControlUI* control = FindControlAt(pt);
        if (IsOwnControl(control) && (control->BehaviourFlags() & UIFLAG_SETCURSOR)) {
            InputEventUI event = {};
            event.type = UIEVENT_SETCURSOR;
            event.wParam = wParam;
            event.lParam = lParam;
            event.ptMouse = pt;
            event.wKeyState = ModifierState();
            event.dwTimestamp = GetTickCount();
            control->HandleEvent(event);
            return true;
        }
        break;
    }
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (m_szMinWindow.cx > 0)
            info->ptMinTrackSize.x = m_szMinWindow.cx;
        if (m_szMinWindow.cy > 0)
            info->ptMinTrackSize.y = m_szMinWindow.cy;
        if (m_szMaxWindow.cx > 0)
            info->ptMaxTrackSize.x = m_szMaxWindow.cx;
        if (m_szMaxWindow.cy > 0)
            info->ptMaxTrackSize.y = m_szMaxWindow.cy;
        break;
    }
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header == NULL)
            break;
        result = ::SendMessageW(header->hwndFrom, 0x204E, wParam, lParam);
        return true;
    }
    case WM_COMMAND:
        if (lParam == 0)
            break;
        result = ::SendMessageW(reinterpret_cast<HWND>(lParam), 0x2111, wParam, lParam);
        return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (lParam == 0)
            break;
        result = ::SendMessageW(reinterpret_cast<HWND>(lParam), message + 0x2000, wParam, lParam);
        return true;
    case WM_CONTEXTMENU: {
        POINT pt = PointOf(lParam);
        ScreenToClient(m_hWnd, &pt);
        m_ptLastMousePos = pt;
        if (m_pEventClick == NULL)
            break;
        ReleaseCapture();
        CControlUI* captured = m_pEventClick;
        m_pEventClick = NULL;
        SendEvent(captured, UIEVENT_CONTEXTMENU, wParam, reinterpret_cast<LPARAM>(captured), static_cast<WORD>(wParam));
        break;
    }
    case WM_KEYDOWN:
        if (m_pFocus == NULL)
            break;
        m_pEventKey = m_pFocus;
        SendKeyEvent(m_pFocus, UIEVENT_KEYDOWN, wParam, lParam);
        break;
    case WM_KEYUP:
        if (m_pEventKey == NULL)
            break;
        {
            CControlUI* key = m_pEventKey;
            m_pEventKey = NULL;
            SendKeyEvent(key, UIEVENT_KEYUP, wParam, lParam);
        }
        break;
    case WM_CHAR:
        if (m_pFocus != NULL)
            SendKeyEvent(m_pFocus, UIEVENT_CHAR, wParam, lParam);
        break;
    case WM_TIMER: {
        CWalkListUI::Walk timers(m_aTimers);
        while (const TimerInfo* timer = static_cast<const TimerInfo*>(timers.Next())) {
            if (timer->window == m_hWnd && timer->id == LOWORD(wParam) && !timer->killed) {
                SendEvent(timer->control, UIEVENT_TIMER, timer->key, lParam);
                break;
            }
        }
        break;
    }
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        break;
    case WM_LBUTTONDOWN: {
        ::SetFocus(m_hWnd);
        m_ptLastMousePos = PointOf(lParam);
        CControlUI* control = FindControlAt(m_ptLastMousePos);
        if (!IsOwnControl(control))
            break;
        // Before the focus moves: a kill-focus handler that removes the control makes the manager forget it.
        CControlWatchUI clicked(this, control);
        m_pEventClick = control;
        control->SetFocus();
        if (clicked.Control() == NULL)
            break;
        SetCapture();
        SendEvent(control, UIEVENT_BUTTONDOWN, wParam, lParam, static_cast<WORD>(wParam));
        break;
    }
    case WM_LBUTTONUP: {
        m_ptLastMousePos = PointOf(lParam);
        // The captured control may be gone already; the window still lets go of the mouse.
        if (m_bMouseCapture)
            ReleaseCapture();
        if (m_pEventClick == NULL)
            break;
        CControlUI* captured = m_pEventClick;
        m_pEventClick = NULL;
        SendEvent(captured, UIEVENT_BUTTONUP, wParam, lParam, static_cast<WORD>(wParam));
        break;
    }
    case WM_LBUTTONDBLCLK: {
        ::SetFocus(m_hWnd);
        m_ptLastMousePos = PointOf(lParam);
        CControlUI* control = FindControlAt(m_ptLastMousePos);
        if (!IsOwnControl(control))
            break;
        // Before the event: a handler that deletes the control makes the manager forget it.
        m_pEventClick = control;
        SetCapture();
        SendEvent(control, UIEVENT_DBLCLICK, wParam, lParam, static_cast<WORD>(wParam));
        break;
    }
    case WM_RBUTTONDOWN: {
        ::SetFocus(m_hWnd);
        m_ptLastMousePos = PointOf(lParam);
        CControlUI* control = FindControlAt(m_ptLastMousePos);
        if (!IsOwnControl(control))
            break;
        // Recorded first, as for the left button: a handler that removes the control makes the manager forget it.
        CControlWatchUI clicked(this, control);
        m_pEventClick = control;
        control->SetFocus();
        if (clicked.Control() == NULL)
            break;
        SetCapture();
        SendEvent(control, UIEVENT_RBUTTONDOWN, wParam, lParam, static_cast<WORD>(wParam));
        break;
    }
    case WM_MOUSEWHEEL: {
        POINT pt = PointOf(lParam);
        ScreenToClient(m_hWnd, &pt);
        m_ptLastMousePos = pt;
        CControlUI* control = FindControlAt(pt);
        if (IsOwnControl(control)) {
            WPARAM down = static_cast<short>(HIWORD(wParam)) < 0 ? 1 : 0;
            SendEvent(control, UIEVENT_SCROLLWHEEL, down, lParam, ModifierState());
        }
        if (!self.ManagerAlive())
            return true;
        // Hover follows the content that scrolled under the pointer.
        ::SendMessageW(m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(m_ptLastMousePos.x, m_ptLastMousePos.y));
        break;
    }
    case WM_MOUSEHOVER:
        OnMouseHover(lParam);
        return true;
    case WM_MOUSELEAVE:
        if (m_hwndTooltip != NULL)
            ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
        if (m_bMouseTracking)
            ::SendMessageW(m_hWnd, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
        m_bMouseTracking = false;
        break;
    case WM_PRINTCLIENT:
        OnPrintClient(reinterpret_cast<HDC>(wParam), lParam);
        break;
    default:
        break;
    }
    if (!self.ManagerAlive())
        return true;
    DrainAsyncNotifications();
    return !self.ManagerAlive();
}

void CWindowManagerUI::OnMouseMove(LPARAM lParam)
{
    if (!m_bMouseTracking) {
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = m_hWnd;
        track.dwHoverTime = m_hwndTooltip == NULL
                                ? 400
                                : static_cast<DWORD>(::SendMessageW(m_hwndTooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        _TrackMouseEvent(&track);
        m_bMouseTracking = true;
    }
    m_ptLastMousePos = PointOf(lParam);
    CControlUI* control = FindControlAt(m_ptLastMousePos);
    if (control != NULL && control->GetOwnerManager() != this)
        return;
    // Leave and enter handlers may remove either control or delete this manager.
    CControlWatchUI watch(this, control);
    if (control != m_pEventHover && m_pEventHover != NULL) {
        CControlUI* old = m_pEventHover;
        m_pEventHover = NULL;
        SendEvent(old, UIEVENT_MOUSELEAVE);
        if (!watch.ManagerAlive())
            return;
        if (m_hwndTooltip != NULL)
            ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
    }
    control = watch.Control();
    if (control != m_pEventHover && control != NULL) {
        m_pEventHover = control;
        SendEvent(control, UIEVENT_MOUSEENTER);
        if (!watch.ManagerAlive())
            return;
        control = watch.Control();
    }
    if (m_pEventClick != NULL)
        SendEvent(m_pEventClick, UIEVENT_MOUSEMOVE);
    else if (control != NULL)
        SendEvent(control, UIEVENT_MOUSEMOVE);
}

CStringUI CWindowManagerUI::SubstituteMultiLanguage(const wchar_t* text)
{
    // One pass over the text: a replacement is never searched again. Plain runs are copied whole and the
    // result is built in a growing buffer, so a long text costs its length, not its square.
    const wchar_t* p = text != NULL ? text : L"";
    if (wcsstr(p, L"%{") == NULL)
        return CStringUI(p);
    std::wstring result;
    const wchar_t* run = p;
    while (*p != L'\0') {
        if (p[0] == L'%' && p[1] == L'{' && p[2] >= L'0' && p[2] <= L'9') {
            const wchar_t* digits = p + 2;
            const wchar_t* end = digits;
            while (*end >= L'0' && *end <= L'9')
                ++end;
            if (*end == L'}' && end - digits <= 9) {
                const wchar_t* replacement = GetMultiLanguageText(_wtoi(digits));
                if (replacement != NULL) {
                    result.append(run, p);
                    result.append(replacement);
                    p = end + 1;
                    run = p;
                    continue;
                }
            }
        }
        ++p;
    }
    result.append(run, p);
    return CStringUI(result.c_str(), static_cast<int>(result.size()));
}

void CWindowManagerUI::OnMouseHover(LPARAM lParam)
{
    m_bMouseTracking = false;
    POINT pt = PointOf(lParam);
    CControlUI* control = FindControlAt(pt);
    if (control == NULL)
        return;
    if (m_pEventHover != NULL) {
        CControlWatchUI watch(this, control);
        SendEvent(m_pEventHover, UIEVENT_MOUSEHOVER, 0, 0, 0, m_pEventHover);
        if (watch.Control() == NULL)
            return;
    }
    CStringUI tip = SubstituteMultiLanguage(control->GetToolTip());
    if (tip.IsEmpty())
        return;
    // The tooltip window keeps a pointer to this text until the next hover.
    m_sToolTipText = tip;
    memset(&m_ToolTip, 0, sizeof(m_ToolTip));
    m_ToolTip.cbSize = TTTOOLINFOW_V2_SIZE; // the record up to lParam: 44 bytes on x86, 64 on x86-64
    m_ToolTip.uFlags = TTF_IDISHWND;
    m_ToolTip.hwnd = m_hWnd;
    m_ToolTip.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    m_ToolTip.hinst = GetModuleInstance();
    m_ToolTip.lpszText = const_cast<wchar_t*>(m_sToolTipText.Text());
    m_ToolTip.rect = control->GetPos();
    if (m_hwndTooltip == NULL) {
        m_hwndTooltip =
            ::CreateWindowExW(0, TOOLTIPS_CLASSW, NULL, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, NULL, GetModuleInstance(), NULL);
        ::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
    }
    ::SendMessageW(m_hwndTooltip, TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
    ::SendMessageW(m_hwndTooltip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
    ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_ToolTip));
}

void CWindowManagerUI::OnPrintClient(HDC hdc, LPARAM lParam)
{
    if (m_pRoot == NULL)
        return;
    RECT client;
    GetClientRect(m_hWnd, &client);
    int saved = SaveDC(hdc);
    m_pRoot->Paint(hdc, client);
    if (lParam & PRF_CHILDREN) {
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != NULL; child = ::GetWindow(child, GW_HWNDNEXT)) {
            RECT pos;
            GetWindowRect(child, &pos);
            MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&pos), 2);
            SetWindowOrgEx(hdc, -pos.left, -pos.top, NULL);
            ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(hdc), lParam | PRF_NONCLIENT);
        }
    }
    RestoreDC(hdc, saved);
}

} // namespace UiToolkit
