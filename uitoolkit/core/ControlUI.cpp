#include "core/ControlUI.h"
#include "core/ControlBusy.h"
#include "core/WindowManager.h"
#include "base/UIHandlingScope.h"

#include <stdlib.h>

namespace UiToolkit {

CControlUI::CControlUI()
    : m_pManager(NULL), m_pParent(NULL), m_bUpdateNeeded(true), m_bMenuUsed(false), m_bVisible(true),
      m_bShownByParent(true), m_bEnabled(true), m_bMouseEnabled(true), m_bKeyboardEnabled(true), m_bFocused(false),
      m_bFloat(false), m_bInSizeEvent(false), m_chShortcut(L'\0'), m_pTag(0), m_dwBackColor(0), m_dwBackColor2(0),
      m_dwBackColor3(0), m_dwBorderColor(0), m_dwFocusBorderColor(0), m_bColorHSL(false), m_nBorderSize(0),
      m_nBorderStyle(0), m_nTooltipWidth(300)
{
    SetRectEmpty(&m_rcItem);
    SetRectEmpty(&m_rcPadding);
    SetRectEmpty(&m_rcPaint);
    SetRectEmpty(&m_rcBorderSize);
    m_cxyBorderRound.cx = m_cxyBorderRound.cy = 0;
    m_cXY.cx = m_cXY.cy = 0;
    m_cxyFixed.cx = m_cxyFixed.cy = 0;
    m_cxyMin.cx = m_cxyMin.cy = 0;
    m_cxyMax.cx = m_cxyMax.cy = 9999;
    for (double& anchor : m_anchors)
        anchor = 0.0;
}

CControlUI::~CControlUI()
{
    // Freed by its owner while a deferred free of it still waits: that one must not run.
    CHandlingScopeUI::Forget(this);
    if (!OnDestroyList.IsEmpty())
        OnDestroyList.Invoke(this);
    if (m_pManager != NULL)
        m_pManager->ForgetControl(this);
}

CStringUI CControlUI::GetName() const
{
    return m_sName;
}
void CControlUI::SetName(const wchar_t* name)
{
    m_sName = name;
}
const wchar_t* CControlUI::TypeName() const
{
    return L"ControlUI";
}

void* CControlUI::CastTo(const wchar_t* name)
{
    return name != NULL && wcscmp(name, L"Control") == 0 ? this : NULL;
}

UINT CControlUI::BehaviourFlags() const
{
    return 0;
}
bool CControlUI::Trigger()
{
    return IsVisible() && IsEnabled();
}
CWindowManagerUI* CControlUI::GetOwnerManager() const
{
    return m_pManager;
}

void CControlUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise)
{
    // Focus, mouse, timers and overlays live in the manager the control is attached to: one it leaves keeps
    // none of them, so none can reach it after it is deleted under another manager.
    if (m_pManager != NULL && m_pManager != manager)
        m_pManager->LetGoOfControl(this);
    m_pManager = manager;
    m_pParent = parent;
    if (initialise && parent != NULL)
        Initialise();
}

CControlUI* CControlUI::GetParentControl() const
{
    return m_pParent;
}
CStringUI CControlUI::GetText() const
{
    return m_sText;
}

void CControlUI::SetText(const wchar_t* text)
{
    if (m_sText.Equals(text))
        return;
    m_sText = text;
    Invalidate();
}

const RECT& CControlUI::GetPos() const
{
    return m_rcItem;
}

RECT CControlUI::GetPosInParent() const
{
    RECT rc = {0, 0, 0, 0};
    if (m_pParent != NULL) {
        rc = m_rcItem;
        const RECT& parent = m_pParent->GetPos();
        OffsetRect(&rc, -parent.left, -parent.top);
    }
    return rc;
}

CControlBusyUI::CControlBusyUI(CControlUI* control)
    : m_hold(control != NULL && control->GetOwnerManager() != NULL ? control->GetOwnerManager()->GetWindow() : NULL)
{}

void CControlUI::InvalidateClipped(RECT area)
{
    // A handler reached before (a size delegate, say) may have taken the control out of its window.
    if (m_pManager == NULL)
        return;
    for (CControlUI* parent = m_pParent; parent != NULL; parent = parent->GetParentControl()) {
        if (!parent->IsVisible())
            return;
        RECT parentPos = parent->GetPos();
        if (!IntersectRect(&area, &area, &parentPos))
            return;
    }
    m_pManager->Invalidate(area);
}

void CControlUI::SetPos(RECT rc, bool invalidate)
{
    if (rc.right < rc.left)
        rc.right = rc.left;
    if (rc.bottom < rc.top)
        rc.bottom = rc.top;
    RECT repaint = IsRectEmpty(&m_rcItem) ? rc : m_rcItem;

    if (m_bFloat && m_pParent != NULL) {
        // The given rectangle is parent-relative; the origin and size are kept so a relayout reproduces it.
        const RECT& parent = m_pParent->GetPos();
        int width = parent.right - parent.left;
        int height = parent.bottom - parent.top;
        m_rcItem = rc;
        OffsetRect(&m_rcItem, parent.left, parent.top);
        m_cXY.cx = rc.left - static_cast<int>(m_anchors[0] * width);
        m_cXY.cy = rc.top - static_cast<int>(m_anchors[1] * height);
        m_cxyFixed.cx = rc.right - m_cXY.cx - static_cast<int>(m_anchors[2] * width);
        m_cxyFixed.cy = rc.bottom - m_cXY.cy - static_cast<int>(m_anchors[3] * height);
    } else if (!m_bFloat) {
        m_rcItem = rc;
    }
    if (m_pManager == NULL)
        return;
    if (!m_bInSizeEvent && !OnSizeList.IsEmpty()) {
        CControlBusyUI busy(this);
        m_bInSizeEvent = true;
        OnSizeList.Invoke(this);
        m_bInSizeEvent = false;
    }
    m_bUpdateNeeded = false;
    if (invalidate && IsVisible()) {
        UnionRect(&repaint, &repaint, &m_rcItem);
        InvalidateClipped(repaint);
    }
}

void CControlUI::Shift(int dx, int dy, bool invalidate)
{
    RECT old = m_rcItem;
    OffsetRect(&m_rcItem, dx, dy);
    if (invalidate && m_pManager != NULL && IsVisible()) {
        RECT area;
        UnionRect(&area, &old, &m_rcItem);
        InvalidateClipped(area);
    }
}

int CControlUI::GetWidth() const
{
    return m_rcItem.right - m_rcItem.left;
}
int CControlUI::GetHeight() const
{
    return m_rcItem.bottom - m_rcItem.top;
}
int CControlUI::GetX() const
{
    return m_rcItem.left;
}
int CControlUI::GetY() const
{
    return m_rcItem.top;
}
RECT CControlUI::GetPadding() const
{
    return m_rcPadding;
}

void CControlUI::SetPadding(RECT padding)
{
    m_rcPadding = padding;
    NeedParentUpdate();
}

SIZE CControlUI::GetFloatOrigin() const
{
    return m_cXY;
}

void CControlUI::SetFloatOrigin(SIZE origin)
{
    m_cXY = origin;
    if (m_bFloat)
        NeedUpdate();
    else
        NeedParentUpdate();
}

int CControlUI::GetFixedWidth() const
{
    return m_cxyFixed.cx;
}

void CControlUI::SetFixedWidth(int cx)
{
    if (cx < 0)
        return;
    m_cxyFixed.cx = cx;
    if (m_bFloat)
        NeedUpdate();
    else
        NeedParentUpdate();
}

int CControlUI::GetFixedHeight() const
{
    return m_cxyFixed.cy;
}

void CControlUI::SetFixedHeight(int cy)
{
    if (cy < 0)
        return;
    m_cxyFixed.cy = cy;
    if (m_bFloat)
        NeedUpdate();
    else
        NeedParentUpdate();
}

namespace {

// Min/max setters relayout only on a real change.
bool StoreLimit(LONG& field, int value)
{
    if (value < 0 || field == value)
        return false;
    field = value;
    return true;
}

} // namespace

int CControlUI::GetMinWidth() const
{
    return m_cxyMin.cx;
}
int CControlUI::GetMaxWidth() const
{
    return m_cxyMax.cx;
}
int CControlUI::GetMinHeight() const
{
    return m_cxyMin.cy;
}
int CControlUI::GetMaxHeight() const
{
    return m_cxyMax.cy;
}

void CControlUI::SetMinWidth(int cx)
{
    if (StoreLimit(m_cxyMin.cx, cx))
        m_bFloat ? NeedUpdate() : NeedParentUpdate();
}

void CControlUI::SetMaxWidth(int cx)
{
    if (StoreLimit(m_cxyMax.cx, cx))
        m_bFloat ? NeedUpdate() : NeedParentUpdate();
}

void CControlUI::SetMinHeight(int cy)
{
    if (StoreLimit(m_cxyMin.cy, cy))
        m_bFloat ? NeedUpdate() : NeedParentUpdate();
}

void CControlUI::SetMaxHeight(int cy)
{
    if (StoreLimit(m_cxyMax.cy, cy))
        m_bFloat ? NeedUpdate() : NeedParentUpdate();
}

void CControlUI::GetFloatAnchors(double anchors[4]) const
{
    for (int i = 0; i < 4; ++i)
        anchors[i] = m_anchors[i];
}

void CControlUI::SetFloatAnchors(const double anchors[4])
{
    for (int i = 0; i < 4; ++i)
        m_anchors[i] = anchors[i];
    NeedParentUpdate();
}

CStringUI CControlUI::GetToolTip() const
{
    return m_sToolTip;
}

void CControlUI::SetToolTip(const wchar_t* text)
{
    m_sToolTip = text;
    m_sToolTip.ReplaceAll(L"<n>", L"\r\n");
}

void CControlUI::SetToolTipWidth(int width)
{
    m_nTooltipWidth = width;
}
int CControlUI::GetToolTipWidth() const
{
    return m_nTooltipWidth;
}
wchar_t CControlUI::GetShortcut() const
{
    return m_chShortcut;
}
void CControlUI::SetShortcut(wchar_t ch)
{
    m_chShortcut = ch;
}
bool CControlUI::WantsContextMenu() const
{
    return m_bMenuUsed;
}
void CControlUI::SetWantsContextMenu(bool wants)
{
    m_bMenuUsed = wants;
}
const CStringUI& CControlUI::GetUserData() const
{
    return m_sUserData;
}
void CControlUI::SetUserData(const wchar_t* text)
{
    m_sUserData = text;
}
UINT_PTR CControlUI::GetUserValue() const
{
    return m_pTag;
}
void CControlUI::SetUserValue(UINT_PTR value)
{
    m_pTag = value;
}
bool CControlUI::IsVisible() const
{
    return m_bVisible && m_bShownByParent;
}

void CControlUI::SetVisible(bool visible)
{
    if (m_bVisible == visible)
        return;
    // The kill-focus handler may remove this control or destroy its window: both wait until this call is done.
    CControlBusyUI busy(this);
    bool wasVisible = IsVisible();
    m_bVisible = visible;
    m_bFocused = false;
    if (!visible && m_pManager != NULL && m_pManager->GetFocus() == this)
        m_pManager->SetFocusControl(NULL);
    if (IsVisible() != wasVisible)
        NeedParentUpdate();
}

void CControlUI::SetShownByParent(bool shown)
{
    CControlBusyUI busy(this);
    m_bShownByParent = shown;
    if (!shown && m_pManager != NULL && m_pManager->GetFocus() == this)
        m_pManager->SetFocusControl(NULL);
}

bool CControlUI::IsEnabled() const
{
    return m_bEnabled;
}

void CControlUI::SetEnabled(bool enabled)
{
    if (m_bEnabled == enabled)
        return;
    m_bEnabled = enabled;
    Invalidate();
}

bool CControlUI::IsMouseEnabled() const
{
    return m_bMouseEnabled;
}
void CControlUI::SetMouseEnabled(bool enabled)
{
    m_bMouseEnabled = enabled;
}
bool CControlUI::IsKeyboardEnabled() const
{
    return m_bKeyboardEnabled;
}
void CControlUI::SetKeyboardEnabled(bool enabled)
{
    m_bKeyboardEnabled = enabled;
}
bool CControlUI::IsFocused() const
{
    return m_bFocused;
}

void CControlUI::SetFocus()
{
    if (m_pManager != NULL)
        m_pManager->SetFocusControl(this);
}

bool CControlUI::IsFloat() const
{
    return m_bFloat;
}

void CControlUI::SetFloat(bool isFloat)
{
    if (m_bFloat == isFloat)
        return;
    m_bFloat = isFloat;
    NeedParentUpdate();
}

CControlUI* CControlUI::SearchTree(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if ((flags & UIFIND_VISIBLE) && !IsVisible())
        return NULL;
    if ((flags & UIFIND_ENABLED) && !IsEnabled())
        return NULL;
    if (flags & UIFIND_HITTEST) {
        POINT pt = *static_cast<const POINT*>(data);
        if (!m_bMouseEnabled || !PtInRect(&m_rcItem, pt))
            return NULL;
    }
    if ((flags & UIFIND_TOP_FIRST) && proc(this, data) != NULL)
        return NULL;
    return proc(this, data);
}

void CControlUI::Initialise()
{
    OnInitialise();
    if (!OnInitList.IsEmpty()) {
        CControlBusyUI busy(this);
        OnInitList.Invoke(this);
    }
}

void CControlUI::OnInitialise() {}

void CControlUI::HandleEvent(InputEventUI& event)
{
    // A handler may remove this control or destroy its window: both wait until the event is done with them, and a
    // control its handler took out of its window (or moved to another) no longer acts on the event.
    CControlBusyUI busy(this);
    CWindowManagerUI* const manager = m_pManager;
    if (OnEventList.Invoke(&event) && m_pManager == manager)
        OnEvent(event);
}

void CControlUI::OnEvent(InputEventUI& event)
{
    switch (event.type) {
    case UIEVENT_SETCURSOR:
        ::SetCursor(LoadCursorW(NULL, IDC_ARROW));
        return;
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
        m_bFocused = event.type == UIEVENT_SETFOCUS;
        Invalidate();
        return;
    case UIEVENT_TIMER:
        if (m_pManager != NULL)
            m_pManager->RaiseNotification(this, L"timer", event.wParam, event.lParam);
        return;
    case UIEVENT_CONTEXTMENU:
        if (m_bMenuUsed) {
            if (m_pManager != NULL)
                m_pManager->RaiseNotification(this, L"menu", event.wParam, event.lParam);
            return;
        }
        break;
    default:
        break;
    }
    if (m_pParent != NULL)
        m_pParent->OnEvent(event);
}

SIZE CControlUI::MeasureSize(SIZE)
{
    return m_cxyFixed;
}

void CControlUI::Invalidate()
{
    if (!IsVisible() || m_pManager == NULL)
        return;
    RECT area = m_rcItem;
    for (CControlUI* parent = m_pParent; parent != NULL; parent = parent->GetParentControl()) {
        RECT parentPos = parent->GetPos();
        if (!IntersectRect(&area, &area, &parentPos))
            return;
    }
    m_pManager->Invalidate(area);
}

void CControlUI::NeedUpdate()
{
    if (!IsVisible())
        return;
    m_bUpdateNeeded = true;
    Invalidate();
    if (m_pManager != NULL)
        m_pManager->MarkLayoutDirty();
}

void CControlUI::NeedParentUpdate()
{
    if (m_pParent != NULL) {
        m_pParent->NeedUpdate();
        m_pParent->Invalidate();
    } else {
        NeedUpdate();
    }
    if (m_pManager != NULL)
        m_pManager->MarkLayoutDirty();
}

CStringUI CControlUI::GetVirtualWnd() const
{
    if (!m_sVirtualWnd.IsEmpty())
        return m_sVirtualWnd;
    return m_pParent != NULL ? m_pParent->GetVirtualWnd() : CStringUI();
}

void CControlUI::SetVirtualWnd(const wchar_t* name)
{
    m_sVirtualWnd = name;
    if (m_pManager != NULL)
        m_pManager->SetUsesVirtualWindows(true);
}

} // namespace UiToolkit
