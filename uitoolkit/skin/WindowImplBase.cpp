#include "core/ToolkitLog.h"
#include "skin/WindowImplBase.h"

#include <SystemText.h>
#include <string>
#include <wchar.h>

namespace UiToolkit {

namespace {

const NotifyMapEntryUI WINDOW_ENTRIES[] = {
    {L"click", L"", NOTIFY_SIG_MSG, static_cast<NotifyMsgHandlerUI>(&WindowImplBase::OnClickNotify), NULL},
    {L"", L"", NOTIFY_SIG_END, NULL, NULL}};
const NotifyMapUI WINDOW_MAP = {&CNotifyPump::ClassMap, WINDOW_ENTRIES};

// A resource name as the log shows it: "#102" for an integer id, the name in quotes otherwise.
std::string ResourceLabel(const wchar_t* name)
{
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string(reinterpret_cast<UINT_PTR>(name));
    return "\"" + LogText(name) + "\"";
}

} // namespace

WindowImplBase::WindowImplBase() {}
WindowImplBase::~WindowImplBase() {}

UINT WindowImplBase::QueryClassStyle() const
{
    return CS_DBLCLKS;
}
const NotifyMapUI* WindowImplBase::ClassMap()
{
    return &WINDOW_MAP;
}
const NotifyMapUI* WindowImplBase::MessageMapOf() const
{
    return &WINDOW_MAP;
}

void WindowImplBase::Notify(NotifyMsgUI& msg)
{
    RouteNotification(msg);
}

LRESULT WindowImplBase::FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&)
{
    // The key still reaches the window and its controls: handled stays as it was.
    if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE))
        return OnDefaultKey(wParam);
    return 0;
}

CControlUI* WindowImplBase::CreateCustomControl(const wchar_t*)
{
    return NULL;
}

void WindowImplBase::OnWindowGone(HWND hWnd)
{
    m_pm.RemovePreFilter(this);
    m_pm.RemoveNotifier(this);
    m_pm.ForgetControl(m_pm.GetRoot());
    CWindowWnd::OnWindowGone(hWnd);
}

void WindowImplBase::OnSkinReady() {}

void WindowImplBase::OnClickNotify(NotifyMsgUI& msg)
{
    CStringUI name = msg.pSender != NULL ? msg.pSender->GetName() : CStringUI();
    if (name == L"closebtn")
        PostClose(1);
    else if (name == L"minbtn")
        SendMsg(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (name == L"maxbtn")
        SendMsg(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (name == L"restorebtn")
        SendMsg(WM_SYSCOMMAND, SC_RESTORE, 0);
}

LRESULT WindowImplBase::OnDefaultKey(WPARAM key)
{
    if (key == VK_ESCAPE) {
        PostClose(1);
        return 1;
    }
    return 0;
}

int WindowImplBase::QuerySkinSourceKind() const
{
    return UILIB_FILE;
}
CStringUI WindowImplBase::QuerySkinZipName() const
{
    return CStringUI();
}
const wchar_t* WindowImplBase::QuerySkinResourceName() const
{
    return L"";
}

LONG WindowImplBase::QueryWindowStyle() const
{
    return ::GetWindowLongW(m_hWnd, GWL_STYLE) & ~WS_CAPTION;
}

#define NOT_HANDLED(name)                                                                                              \
    LRESULT WindowImplBase::name(UINT, WPARAM, LPARAM, bool& handled)                                                  \
    {                                                                                                                  \
        handled = false;                                                                                               \
        return 0;                                                                                                      \
    }

NOT_HANDLED(OnCloseMsg)
NOT_HANDLED(OnDestroyMsg)
NOT_HANDLED(OnMouseWheelMsg)
NOT_HANDLED(OnMouseHoverMsg)
NOT_HANDLED(OnCharMsg)
NOT_HANDLED(OnKeyDownMsg)
NOT_HANDLED(OnKillFocusMsg)
NOT_HANDLED(OnSetFocusMsg)
NOT_HANDLED(OnLButtonDownMsg)
NOT_HANDLED(OnLButtonUpMsg)
NOT_HANDLED(OnMouseMoveMsg)
NOT_HANDLED(OnOtherMsg)

#undef NOT_HANDLED

LRESULT WindowImplBase::OnNcActivateMsg(UINT, WPARAM wParam, LPARAM, bool& handled)
{
    if (::IsIconic(m_hWnd)) {
        handled = false;
        return 0;
    }
    return wParam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSizeMsg(UINT, WPARAM, LPARAM lParam, bool&)
{
    if (!::IsZoomed(m_hWnd))
        return 0;
    LPRECT proposed = reinterpret_cast<LPRECT>(lParam);
    MONITORINFO info = {sizeof(info)};
    ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &info);
    proposed->right = proposed->left + (info.rcWork.right - info.rcWork.left);
    proposed->bottom = proposed->top + (info.rcWork.bottom - info.rcWork.top);
    return WVR_REDRAW;
}

LRESULT WindowImplBase::OnNcPaintMsg(UINT, WPARAM, LPARAM, bool&)
{
    return 0;
}

LRESULT WindowImplBase::OnNcHitTestMsg(UINT, WPARAM, LPARAM lParam, bool&)
{
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ScreenToClient(m_hWnd, &pt);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (!::IsZoomed(m_hWnd)) {
        const RECT& box = m_pm.GetSizeBox();
        bool left = pt.x < rc.left + box.left;
        bool right = pt.x > rc.right - box.right;
        if (pt.y < rc.top + box.top)
            return left ? HTTOPLEFT : (right ? HTTOPRIGHT : HTTOP);
        if (pt.y > rc.bottom - box.bottom)
            return left ? HTBOTTOMLEFT : (right ? HTBOTTOMRIGHT : HTBOTTOM);
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
    }
    const RECT& caption = m_pm.GetCaptionRect();
    if (pt.x >= rc.left + caption.left && pt.x < rc.right - caption.right && pt.y >= caption.top &&
        pt.y < caption.bottom) {
        CControlUI* control = m_pm.FindControlAt(pt);
        if (control != NULL && _wcsicmp(control->TypeName(), L"ButtonUI") != 0 &&
            _wcsicmp(control->TypeName(), L"OptionUI") != 0 && _wcsicmp(control->TypeName(), L"TextUI") != 0)
            return HTCAPTION;
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfoMsg(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    MONITORINFO info = {sizeof(info)};
    ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &info);
    LPMINMAXINFO limits = reinterpret_cast<LPMINMAXINFO>(lParam);
    limits->ptMaxPosition.x = info.rcWork.left - info.rcMonitor.left;
    limits->ptMaxPosition.y = info.rcWork.top - info.rcMonitor.top;
    limits->ptMaxTrackSize.x = info.rcWork.right - info.rcWork.left;
    limits->ptMaxTrackSize.y = info.rcWork.bottom - info.rcWork.top;
    limits->ptMinTrackSize.x = m_pm.GetMinInfo().cx;
    limits->ptMinTrackSize.y = m_pm.GetMinInfo().cy;
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnSizeMsg(UINT, WPARAM, LPARAM, bool& handled)
{
    SIZE corner = m_pm.GetRoundCorner();
    if (!::IsIconic(m_hWnd) && (corner.cx != 0 || corner.cy != 0)) {
        RECT rc;
        ::GetWindowRect(m_hWnd, &rc);
        OffsetRect(&rc, -rc.left, -rc.top);
        HRGN region = ::CreateRoundRectRgn(rc.left, rc.top, rc.right + 1, rc.bottom + 1, corner.cx, corner.cy);
        // The window takes its own copy of the region.
        ::SetWindowRgn(m_hWnd, region, TRUE);
        ::DeleteObject(region);
    }
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnSysCommandMsg(UINT message, WPARAM wParam, LPARAM lParam, bool&)
{
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        SendMsg(WM_CLOSE);
        return 0;
    }
    bool wasZoomed = ::IsZoomed(m_hWnd) != FALSE;
    LRESULT result = CWindowWnd::ProcessMessage(message, wParam, lParam);
    if ((::IsZoomed(m_hWnd) != FALSE) != wasZoomed) {
        CControlUI* maxButton = m_pm.FindControlByName(L"maxbtn");
        CControlUI* restoreButton = m_pm.FindControlByName(L"restorebtn");
        if (maxButton != NULL && restoreButton != NULL) {
            maxButton->SetVisible(wasZoomed);
            restoreButton->SetVisible(!wasZoomed);
        }
    }
    return result;
}

bool WindowImplBase::PrepareSkinSource()
{
    int kind = QuerySkinSourceKind();
    if (kind == UILIB_ZIP) {
        CWindowManagerUI::SetResourceZipFile(QuerySkinZipName(), true);
    } else if (kind == UILIB_ZIPRESOURCE) {
        HINSTANCE instance = CWindowManagerUI::GetResourceInstance();
        const wchar_t* name = QuerySkinResourceName();
        HRSRC resource = ::FindResourceW(instance, name, L"ZIPRES");
        HGLOBAL global = resource != NULL ? ::LoadResource(instance, resource) : NULL;
        DWORD error = global == NULL ? ::GetLastError() : 0;
        DWORD size = resource != NULL ? ::SizeofResource(instance, resource) : 0;
        const void* bytes = global != NULL ? ::LockResource(global) : NULL;
        if (bytes == NULL || size == 0) {
            // The window still opens, blank: the log must say why.
            const char* problem = resource == NULL ? "not found" : bytes == NULL ? "cannot be loaded" : "is empty";
            LOG(ERROR) << "Skin resource " << ResourceLabel(name) << " of type \"ZIPRES\" " << problem << " (error "
                       << error << (error != 0 ? " " + SystemText(error) : std::string())
                       << "): the window has no skin";
            return false;
        }
        // The manager keeps one copy of these bytes for the rest of the run.
        CWindowManagerUI::SetResourceZipMemory(bytes, size);
    }
    return true;
}

LRESULT WindowImplBase::OnCreateMsg(UINT, WPARAM, LPARAM, bool&)
{
    LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    ::SetWindowPos(m_hWnd, NULL, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_FRAMECHANGED);

    m_pm.AttachWindow(m_hWnd);
    m_pm.RegisterPreFilter(this);
    CStringUI folder = CWindowManagerUI::GetResourceFolder();
    if (folder.IsEmpty())
        folder = CWindowManagerUI::GetModuleFolder() + QuerySkinFolder();
    CWindowManagerUI::SetResourceFolder(folder);
    if (!PrepareSkinSource())
        return 0;

    CSkinBuilder builder;
    CStringUI file = QuerySkinFile();
    CControlUI* root = QuerySkinSourceKind() == UILIB_RESOURCE
                           ? builder.Create(MAKEINTRESOURCEW(_wtoi(file)), L"xml", this, &m_pm)
                           : builder.Create(file, NULL, this, &m_pm);
    if (root == NULL) {
        ::MessageBoxW(NULL, L"加载资源文件失败", L"UiToolkit", MB_ICONERROR);
        ::ExitProcess(1);
    }
    m_pm.AttachRoot(root);
    m_pm.RegisterNotifier(this);
    m_pm.SetBackgroundCached(true);
    OnSkinReady();
    return 0;
}

LRESULT WindowImplBase::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    typedef LRESULT (WindowImplBase::*Slot)(UINT, WPARAM, LPARAM, bool&);
    Slot slot = NULL;
    switch (message) {
    case WM_CREATE:
        slot = &WindowImplBase::OnCreateMsg;
        break;
    case WM_DESTROY:
        slot = &WindowImplBase::OnDestroyMsg;
        break;
    case WM_SIZE:
        slot = &WindowImplBase::OnSizeMsg;
        break;
    case WM_SETFOCUS:
        slot = &WindowImplBase::OnSetFocusMsg;
        break;
    case WM_KILLFOCUS:
        slot = &WindowImplBase::OnKillFocusMsg;
        break;
    case WM_CLOSE:
        slot = &WindowImplBase::OnCloseMsg;
        break;
    case WM_GETMINMAXINFO:
        slot = &WindowImplBase::OnGetMinMaxInfoMsg;
        break;
    case WM_NCCALCSIZE:
        slot = &WindowImplBase::OnNcCalcSizeMsg;
        break;
    case WM_NCHITTEST:
        slot = &WindowImplBase::OnNcHitTestMsg;
        break;
    case WM_NCPAINT:
        slot = &WindowImplBase::OnNcPaintMsg;
        break;
    case WM_NCACTIVATE:
        slot = &WindowImplBase::OnNcActivateMsg;
        break;
    case WM_KEYDOWN:
        slot = &WindowImplBase::OnKeyDownMsg;
        break;
    case WM_CHAR:
        slot = &WindowImplBase::OnCharMsg;
        break;
    case WM_SYSCOMMAND:
        slot = &WindowImplBase::OnSysCommandMsg;
        break;
    case WM_MOUSEMOVE:
        slot = &WindowImplBase::OnMouseMoveMsg;
        break;
    case WM_LBUTTONDOWN:
        slot = &WindowImplBase::OnLButtonDownMsg;
        break;
    case WM_LBUTTONUP:
        slot = &WindowImplBase::OnLButtonUpMsg;
        break;
    case WM_MOUSEWHEEL:
        slot = &WindowImplBase::OnMouseWheelMsg;
        break;
    case WM_MOUSEHOVER:
        slot = &WindowImplBase::OnMouseHoverMsg;
        break;
    default:
        break;
    }
    bool handled = slot != NULL;
    LRESULT result = 0;
    if (slot != NULL) {
        result = (this->*slot)(message, wParam, lParam, handled);
        if (handled)
            return result;
    }
    handled = false;
    result = OnOtherMsg(message, wParam, lParam, handled);
    if (handled)
        return result;
    if (m_pm.HandleWindowMessage(message, wParam, lParam, result))
        return result;
    return CWindowWnd::ProcessMessage(message, wParam, lParam);
}

} // namespace UiToolkit
