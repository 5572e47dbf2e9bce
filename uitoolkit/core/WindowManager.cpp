#include "core/ManagerShared.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

ResourcesUI::ResourcesUI()
    : dwDisabledColor(0), dwFontColor(0), dwLinkColor(0), dwLinkHoverColor(0), dwSelectedColor(0), fonts(83),
      images(83), attributeLists(83), multiLanguageTexts(83)
{
    defaultFont.hFont = NULL;
    defaultFont.iSize = 0;
    defaultFont.bBold = defaultFont.bUnderline = defaultFont.bItalic = false;
    memset(&defaultFont.tm, 0, sizeof(defaultFont.tm));
}

ResourcesUI& SharedResources()
{
    static ResourcesUI* shared = new ResourcesUI();
    return *shared;
}

CPtrArrayUI& ManagerList()
{
    static CPtrArrayUI* managers = new CPtrArrayUI();
    return *managers;
}

HPEN& DirtyFramePen()
{
    static HPEN pen = NULL;
    return pen;
}

void CWindowManagerUI::SetupSharedResources()
{
    ResourcesUI& shared = SharedResources();
    if (shared.defaultFont.sFaceName.IsEmpty()) {
        shared.dwDisabledColor = 0xFFA7A6AA;
        shared.dwFontColor = 0xFF000000;
        shared.dwLinkColor = 0xFF0000FF;
        shared.dwLinkHoverColor = 0xFFD3215F;
        shared.dwSelectedColor = 0xFFBAE4FF;
        LOGFONTW lf = {};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
        lf.lfCharSet = DEFAULT_CHARSET;
        HFONT font = CreateFontIndirectW(&lf);
        shared.defaultFont.hFont = font;
        shared.defaultFont.sFaceName = lf.lfFaceName;
        shared.defaultFont.iSize = -lf.lfHeight;
        shared.defaultFont.bBold = lf.lfWeight >= FW_BOLD;
        shared.defaultFont.bUnderline = lf.lfUnderline != 0;
        shared.defaultFont.bItalic = lf.lfItalic != 0;
    }
    if (DirtyFramePen() == NULL) {
        InitCommonControls();
        LoadLibraryW(L"msimg32.dll");
        DirtyFramePen() = CreatePen(PS_SOLID, 1, RGB(220, 0, 0));
    }
}

CWindowManagerUI::CWindowManagerUI()
    : m_hWnd(NULL), m_nOpacity(255), m_hDcPaint(NULL), m_hDcOffscreen(NULL), m_hDcBackground(NULL),
      m_hbmpOffscreen(NULL), m_hbmpBackground(NULL), m_hwndTooltip(NULL), m_bShowUpdateRect(false), m_pRoot(NULL),
      m_pFocus(NULL), m_pEventHover(NULL), m_pEventClick(NULL), m_pEventKey(NULL), m_pCaptureOwner(NULL),
      m_uTimerID(0x1000), m_bFirstLayout(true), m_bUpdateNeeded(false), m_bFocusNeeded(false), m_bOffscreenPaint(true),
      m_bAlphaBackground(false), m_bMouseTracking(false), m_bMouseCapture(false), m_bUsedVirtualWnd(false),
      m_aTimers([](void* timer) { delete static_cast<TimerInfo*>(timer); }), m_mNameHash(83), m_mOptionGroup(83)
{
    SetupSharedResources();
    const ResourcesUI& shared = SharedResources();
    m_resources.dwDisabledColor = shared.dwDisabledColor;
    m_resources.dwFontColor = shared.dwFontColor;
    m_resources.dwLinkColor = shared.dwLinkColor;
    m_resources.dwLinkHoverColor = shared.dwLinkHoverColor;
    m_resources.dwSelectedColor = shared.dwSelectedColor;
    memset(&m_ToolTip, 0, sizeof(m_ToolTip));
    m_ptLastMousePos.x = m_ptLastMousePos.y = -1;
    m_szMinWindow.cx = m_szMinWindow.cy = 0;
    m_szMaxWindow.cx = m_szMaxWindow.cy = 0;
    m_szInitWindowSize.cx = m_szInitWindowSize.cy = 0;
    m_szRoundCorner.cx = m_szRoundCorner.cy = 0;
    SetRectEmpty(&m_rcSizeBox);
    SetRectEmpty(&m_rcCaption);
}

CWindowManagerUI::~CWindowManagerUI()
{
    // Whoever runs below a handler that deleted this manager learns so from its watch.
    for (const std::shared_ptr<CControlWatchUI::Cell>& cell : m_watches) {
        cell->manager = NULL;
        cell->control = NULL;
    }
    m_watches.clear();
    // Removed controls the application keeps must not lead here once this manager is gone.
    m_aLostFocus.Empty();
    DetachKeptRemovals();
    // Queued notifications go first: deleting controls walks the queue to clear their senders.
    for (int i = 0; i < m_aAsyncNotify.Count(); ++i)
        delete static_cast<NotifyMsgUI*>(m_aAsyncNotify[i]);
    m_aAsyncNotify.Empty();
    DeleteQueuedControls();
    m_mNameHash.Resize(0);
    CControlUI* root = m_pRoot;
    m_pRoot = NULL;
    // Before the tree goes: a container that keeps its children lets them go, and no handler may hear so.
    m_pFocus = m_pEventHover = m_pEventClick = m_pEventKey = m_pCaptureOwner = NULL;
    FreeControl(root);
    if (m_resources.defaultFont.hFont != NULL)
        DeleteObject(m_resources.defaultFont.hFont);
    m_resources.defaultFont.hFont = NULL;
    RemoveAllFonts();
    RemoveAllImages();
    RemoveAllDefaultAttributeLists();
    RemoveAllOptionGroups();
    RemoveAllTimers();
    if (m_hwndTooltip != NULL && IsWindow(m_hwndTooltip))
        DestroyWindow(m_hwndTooltip);
    m_hwndTooltip = NULL;
    ReleaseDrawingSurfaces();
    if (m_hDcPaint != NULL)
        ReleaseDC(m_hWnd, m_hDcPaint);
    m_hDcPaint = NULL;
    CPtrArrayUI& managers = ManagerList();
    managers.Remove(managers.Find(this));
}

void CWindowManagerUI::ReleaseDrawingSurfaces()
{
    if (m_hDcOffscreen != NULL)
        DeleteDC(m_hDcOffscreen);
    if (m_hDcBackground != NULL)
        DeleteDC(m_hDcBackground);
    if (m_hbmpOffscreen != NULL)
        DeleteObject(m_hbmpOffscreen);
    if (m_hbmpBackground != NULL)
        DeleteObject(m_hbmpBackground);
    m_hDcOffscreen = m_hDcBackground = NULL;
    m_hbmpOffscreen = m_hbmpBackground = NULL;
}

void CWindowManagerUI::AttachWindow(HWND hWnd)
{
    m_hWnd = hWnd;
    m_hDcPaint = GetDC(hWnd);
    ManagerList().Add(this);
}

bool CWindowManagerUI::AttachRoot(CControlUI* root)
{
    SetFocusControl(NULL);
    m_pEventKey = m_pEventHover = m_pEventClick = NULL;
    if (m_pRoot != NULL) {
        m_aPostPaintControls.Empty();
        QueueForDeletion(m_pRoot);
    }
    m_pRoot = root;
    m_bFirstLayout = true;
    m_bUpdateNeeded = true;
    m_bFocusNeeded = true;
    return AdoptControlTree(root, NULL);
}

namespace {

CControlUI* CALLBACK RegisterName(CControlUI* control, LPVOID data)
{
    CStringMapUI* names = static_cast<CStringMapUI*>(data);
    CStringUI name = control->GetName();
    if (!name.IsEmpty())
        names->Set(name.Text(), control);
    return NULL;
}

CControlUI* CALLBACK ControlAtPoint(CControlUI* control, LPVOID data)
{
    const POINT* pt = static_cast<const POINT*>(data);
    RECT rc = control->GetPos();
    return PtInRect(&rc, *pt) ? control : NULL;
}

} // namespace

bool CWindowManagerUI::AdoptControlTree(CControlUI* control, CControlUI* parent)
{
    if (control == NULL)
        return false;
    if (parent == NULL)
        parent = control->GetParentControl();
    control->AttachManager(this, parent, true);
    control->SearchTree(RegisterName, &m_mNameHash, UIFIND_ALL);
    return true;
}

CControlUI* CWindowManagerUI::FindControlByName(const wchar_t* name) const
{
    return static_cast<CControlUI*>(m_mNameHash.Find(name));
}

CControlUI* CWindowManagerUI::FindControlAt(POINT pt) const
{
    if (m_pRoot == NULL)
        return NULL;
    return m_pRoot->SearchTree(ControlAtPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_REVERSE);
}

void CWindowManagerUI::SetCapture(CControlUI* owner)
{
    ::SetCapture(m_hWnd);
    m_bMouseCapture = true;
    m_pCaptureOwner = owner;
}

void CWindowManagerUI::ReleaseCapture()
{
    ::ReleaseCapture();
    m_bMouseCapture = false;
    m_pCaptureOwner = NULL;
}

void CWindowManagerUI::Invalidate(const RECT& rc)
{
    // Without a window there is nothing to repaint (a NULL window would mean every window).
    if (m_hWnd != NULL)
        InvalidateRect(m_hWnd, &rc, FALSE);
}

namespace {

bool RemoveFirst(CWalkListUI& list, void* item)
{
    return list.Remove(item);
}

} // namespace

bool CWindowManagerUI::RegisterMessageFilter(IMessageFilterUI* filter)
{
    return m_aMessageFilters.Add(filter);
}
bool CWindowManagerUI::RemoveMessageFilter(IMessageFilterUI* filter)
{
    return RemoveFirst(m_aMessageFilters, filter);
}
bool CWindowManagerUI::RegisterPostPaint(CControlUI* control)
{
    // Listed once: one removal must end its overlay.
    if (control == NULL || m_aPostPaintControls.Find(control) >= 0)
        return false;
    return m_aPostPaintControls.Add(control);
}

bool CWindowManagerUI::RemovePostPaint(CControlUI* control)
{
    return m_aPostPaintControls.Remove(m_aPostPaintControls.Find(control));
}
bool CWindowManagerUI::RegisterNotifier(INotifyUI* notifier)
{
    return m_aNotifiers.Add(notifier);
}
bool CWindowManagerUI::RemoveNotifier(INotifyUI* notifier)
{
    return RemoveFirst(m_aNotifiers, notifier);
}
bool CWindowManagerUI::RegisterPreFilter(IMessageFilterUI* filter)
{
    return m_aPreMessageFilters.Add(filter);
}
bool CWindowManagerUI::RemovePreFilter(IMessageFilterUI* filter)
{
    return RemoveFirst(m_aPreMessageFilters, filter);
}

bool CWindowManagerUI::RegisterAcceleratorTranslator(ITranslateAcceleratorUI* translator)
{
    return m_aTranslateAccelerator.Add(translator);
}

bool CWindowManagerUI::RemoveAcceleratorTranslator(ITranslateAcceleratorUI* translator)
{
    return RemoveFirst(m_aTranslateAccelerator, translator);
}

WORD CWindowManagerUI::ModifierState()
{
    WORD state = 0;
    if (GetKeyState(VK_LBUTTON) < 0)
        state |= 0x01;
    if (GetKeyState(VK_RBUTTON) < 0)
        state |= 0x02;
    if (GetKeyState(VK_SHIFT) < 0)
        state |= 0x04;
    if (GetKeyState(VK_CONTROL) < 0)
        state |= 0x08;
    if (GetKeyState(VK_MENU) < 0)
        state |= 0x20;
    return state;
}

bool CWindowManagerUI::IsOwnControl(CControlUI* control) const
{
    return control != NULL && control->GetOwnerManager() == this;
}

void CWindowManagerUI::SendEvent(CControlUI* control, int type, WPARAM wParam, LPARAM lParam, WORD keyState,
                                 CControlUI* sender)
{
    InputEventUI event = {};
    event.type = type;
    event.pSender = sender;
    event.dwTimestamp = GetTickCount();
    event.ptMouse = m_ptLastMousePos;
    event.wKeyState = keyState;
    event.wParam = wParam;
    event.lParam = lParam;
    control->HandleEvent(event);
}

void CWindowManagerUI::SendKeyEvent(CControlUI* control, int type, WPARAM wParam, LPARAM lParam)
{
    InputEventUI event = {};
    event.type = type;
    event.pSender = control;
    event.chKey = static_cast<wchar_t>(wParam);
    event.wKeyState = ModifierState();
    event.ptMouse = m_ptLastMousePos;
    event.dwTimestamp = GetTickCount();
    event.wParam = wParam;
    event.lParam = lParam;
    control->HandleEvent(event);
}

} // namespace UiToolkit
