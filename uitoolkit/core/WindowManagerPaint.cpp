#include "core/ManagerShared.h"

namespace UiToolkit {

namespace {

CControlUI* CALLBACK CollectDueLayout(CControlUI* control, LPVOID data)
{
    if (!control->IsUpdateNeeded())
        return NULL;
    CPtrArrayUI* found = static_cast<CPtrArrayUI*>(data);
    if (found->Find(control) < 0)
        found->Add(control);
    // Accepting the control stops the search from going below it.
    return control;
}

} // namespace

void CWindowManagerUI::LayOut()
{
    m_bUpdateNeeded = false;
    RECT client;
    GetClientRect(m_hWnd, &client);
    if (IsRectEmpty(&client))
        return;
    ++m_iLayoutDepth;
    if (m_pRoot->IsUpdateNeeded()) {
        // Rebuilt at the new size on the next paint.
        ReleaseDrawingSurfaces();
        m_pRoot->SetPos(client);
    } else {
        m_aFoundControls.Empty();
        m_pRoot->SearchTree(CollectDueLayout, &m_aFoundControls, UIFIND_VISIBLE | UIFIND_TOP_FIRST | UIFIND_ME_FIRST);
        for (int i = 0; i < m_aFoundControls.Count(); ++i) {
            CControlUI* control = static_cast<CControlUI*>(m_aFoundControls[i]);
            control->SetPos(control->IsFloat() ? control->GetPosInParent() : control->GetPos());
        }
        m_aFoundControls.Empty();
    }
    --m_iLayoutDepth;
    if (m_bFirstLayout) {
        m_bFirstLayout = false;
        RaiseNotification(m_pRoot, L"windowinit");
    }
}

void CWindowManagerUI::OnPaint()
{
    RECT updateRect;
    if (!GetUpdateRect(m_hWnd, &updateRect, FALSE))
        return;
    if (m_pRoot == NULL) {
        PAINTSTRUCT ps;
        BeginPaint(m_hWnd, &ps);
        EndPaint(m_hWnd, &ps);
        return;
    }
    if (m_bUpdateNeeded)
        LayOut();
    if (m_bFocusNeeded)
        MoveFocusByTab(true);
    // A handler above may have detached the tree.
    if (m_pRoot == NULL) {
        PAINTSTRUCT ps;
        BeginPaint(m_hWnd, &ps);
        EndPaint(m_hWnd, &ps);
        return;
    }

    RECT client;
    GetClientRect(m_hWnd, &client);
    if (m_bOffscreenPaint && m_hbmpOffscreen == NULL) {
        m_hDcOffscreen = CreateCompatibleDC(m_hDcPaint);
        m_hbmpOffscreen = CreateCompatibleBitmap(m_hDcPaint, client.right - client.left, client.bottom - client.top);
    }

    PAINTSTRUCT ps;
    BeginPaint(m_hWnd, &ps);
    if (m_bOffscreenPaint && m_hDcOffscreen != NULL && m_hbmpOffscreen != NULL)
        PaintOffscreen(ps.hdc, ps.rcPaint, updateRect);
    else {
        int saved = SaveDC(ps.hdc);
        m_pRoot->Paint(ps.hdc, ps.rcPaint);
        RestoreDC(ps.hdc, saved);
    }
    EndPaint(m_hWnd, &ps);
    if (m_bUpdateNeeded)
        InvalidateRect(m_hWnd, NULL, FALSE);
}

void CWindowManagerUI::PaintOffscreen(HDC paintDc, const RECT& paintRect, const RECT& updateRect)
{
    int x = paintRect.left;
    int y = paintRect.top;
    int cx = paintRect.right - paintRect.left;
    int cy = paintRect.bottom - paintRect.top;
    HGDIOBJ oldBitmap = SelectObject(m_hDcOffscreen, m_hbmpOffscreen);
    int saved = SaveDC(m_hDcOffscreen);
    if (m_bAlphaBackground) {
        if (m_hbmpBackground == NULL) {
            RECT client;
            GetClientRect(m_hWnd, &client);
            m_hDcBackground = CreateCompatibleDC(m_hDcPaint);
            m_hbmpBackground =
                CreateCompatibleBitmap(m_hDcPaint, client.right - client.left, client.bottom - client.top);
            SelectObject(m_hDcBackground, m_hbmpBackground);
            BitBlt(m_hDcBackground, x, y, cx, cy, paintDc, x, y, SRCCOPY);
        }
        BitBlt(m_hDcOffscreen, x, y, cx, cy, m_hDcBackground, x, y, SRCCOPY);
    }
    m_pRoot->Paint(m_hDcOffscreen, paintRect);
    for (int i = 0; i < m_aPostPaintControls.Count(); ++i)
        static_cast<CControlUI*>(m_aPostPaintControls[i])->PaintOverlay(m_hDcOffscreen);
    RestoreDC(m_hDcOffscreen, saved);
    BitBlt(paintDc, x, y, cx, cy, m_hDcOffscreen, x, y, SRCCOPY);
    SelectObject(m_hDcOffscreen, oldBitmap);
    if (m_bShowUpdateRect) {
        HGDIOBJ oldPen = SelectObject(paintDc, DirtyFramePen());
        HGDIOBJ oldBrush = SelectObject(paintDc, GetStockObject(NULL_BRUSH));
        Rectangle(paintDc, updateRect.left, updateRect.top, updateRect.right, updateRect.bottom);
        SelectObject(paintDc, oldBrush);
        SelectObject(paintDc, oldPen);
    }
}

} // namespace UiToolkit
