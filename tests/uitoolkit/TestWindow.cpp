#include "TestWindow.h"

#include <algorithm>

using namespace UiToolkit;

namespace TestHelpers {

CTestControl::CTestControl(const wchar_t* name, COLORREF color, UINT behaviour)
    : destroyedFlag(NULL), m_color(color), m_behaviour(behaviour)
{
    SetName(name);
}

CTestControl::~CTestControl()
{
    if (destroyedFlag != NULL)
        *destroyedFlag = true;
}

void CTestControl::OnEvent(InputEventUI& event)
{
    events.push_back(event.type);
    records.push_back(event);
    if (onEvent) {
        // The handler may delete or queue this control; nothing below touches it then.
        std::function<void(CTestControl*, InputEventUI&)> handler = onEvent;
        handler(this, event);
        return;
    }
    CControlUI::OnEvent(event);
}

void CTestControl::PaintBackColor(HDC hdc)
{
    HBRUSH brush = CreateSolidBrush(m_color);
    FillRect(hdc, &m_rcPaint, brush);
    DeleteObject(brush);
}

CTestContainer::CTestContainer(const wchar_t* name, COLORREF color) : m_color(color)
{
    SetName(name);
}

CTestContainer::~CTestContainer()
{
    for (CControlUI* child : children)
        delete child;
}

void CTestContainer::Add(CControlUI* child, int x, int y, int cx, int cy)
{
    SIZE origin = {x, y};
    child->SetFloatOrigin(origin);
    child->SetFixedWidth(cx);
    child->SetFixedHeight(cy);
    children.push_back(child);
    if (m_pManager != NULL)
        m_pManager->AdoptControlTree(child, this);
}

void CTestContainer::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise)
{
    for (CControlUI* child : children)
        child->AttachManager(manager, this, initialise);
    CControlUI::AttachManager(manager, parent, initialise);
}

void CTestContainer::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    for (CControlUI* child : children) {
        SIZE origin = child->GetFloatOrigin();
        RECT pos = {rc.left + origin.cx, rc.top + origin.cy, rc.left + origin.cx + child->GetFixedWidth(),
                    rc.top + origin.cy + child->GetFixedHeight()};
        child->SetPos(pos, invalidate);
    }
}

CControlUI* CTestContainer::SearchTree(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if ((flags & UIFIND_VISIBLE) && !IsVisible())
        return NULL;
    if ((flags & UIFIND_ENABLED) && !IsEnabled())
        return NULL;
    bool hitTest = (flags & UIFIND_HITTEST) != 0;
    if (hitTest && !PtInRect(&m_rcItem, *static_cast<POINT*>(data)))
        return NULL;
    if ((flags & UIFIND_TOP_FIRST) && proc(this, data) != NULL)
        return NULL;
    if (flags & UIFIND_ME_FIRST) {
        CControlUI* found = proc(this, data);
        if (found != NULL)
            return found;
    }
    std::vector<CControlUI*> order = children;
    if (flags & UIFIND_REVERSE)
        std::reverse(order.begin(), order.end());
    for (CControlUI* child : order) {
        CControlUI* found = child->SearchTree(proc, data, flags);
        if (found != NULL)
            return found;
    }
    if ((flags & UIFIND_ME_FIRST) || (hitTest && !m_bMouseEnabled))
        return NULL;
    return proc(this, data);
}

void CTestContainer::Paint(HDC hdc, const RECT& paintRect)
{
    CControlUI::Paint(hdc, paintRect);
    for (CControlUI* child : children) {
        if (child->IsVisible())
            child->Paint(hdc, paintRect);
    }
}

void CTestContainer::PaintBackColor(HDC hdc)
{
    HBRUSH brush = CreateSolidBrush(m_color);
    FillRect(hdc, &m_rcPaint, brush);
    DeleteObject(brush);
}

CTestWindow::CTestWindow() : gone(false), deleteWhenGone(false) {}

HWND CTestWindow::Create(int width, int height, HWND owner)
{
    HWND hwnd = CreateWnd(owner, L"toolkit test", WS_POPUP | WS_VISIBLE, 0, 100, 100, width, height);
    if (hwnd != NULL)
        UpdateWindow(hwnd);
    return hwnd;
}

LRESULT CTestWindow::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        manager.AttachWindow(m_hWnd);
        manager.RegisterNotifier(this);
    }
    LRESULT result = 0;
    if (manager.GetWindow() != NULL && manager.HandleWindowMessage(message, wParam, lParam, result))
        return result;
    return CWindowWnd::ProcessMessage(message, wParam, lParam);
}

void CTestWindow::OnWindowGone(HWND)
{
    gone = true;
    if (deleteWhenGone)
        delete this;
}

void CTestWindow::Notify(NotifyMsgUI& msg)
{
    notifications.push_back(msg.sType.Text());
    if (onNotify)
        onNotify(msg);
}

void InitToolkitForTests()
{
    CWindowManagerUI::SetModuleInstance(GetModuleHandleW(NULL));
}

bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (!CWindowManagerUI::TranslateThroughManagers(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (!condition())
            MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpPending()
{
    PumpUntil([] { return false; }, 100);
}

void ParkCursor()
{
    SetCursorPos(1270, 790);
}

} // namespace TestHelpers
