#include "controls/RichEditUI.h"
#include "controls/TxtWinHost.h"
#include "layout/ScrollBarUI.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

namespace {

const DWORD STYLE_ALIGNMENT = ES_CENTER | ES_RIGHT;

bool IsTrue(const wchar_t* value)
{
    return value != NULL && wcscmp(value, L"true") == 0;
}

} // namespace

CRichEditUI::CRichEditUI() = default;

CRichEditUI::~CRichEditUI()
{
    if (m_pFilterManager != NULL)
        m_pFilterManager->RemoveMessageFilter(this);
    m_pFilterManager = NULL;
    if (m_pTwh != NULL) {
        // Deleted while focused: the text services stop the caret they show in the manager's window.
        if (m_bFocused)
            TxSendMessage(WM_KILLFOCUS, 0, 0, NULL);
        CTxtWinHost* host = m_pTwh;
        m_pTwh = NULL;
        host->Release();
    }
}

const wchar_t* CRichEditUI::TypeName() const
{
    return L"RichEditUI";
}

void* CRichEditUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"RichEdit") == 0)
        return static_cast<CRichEditUI*>(this);
    // The window manager asks this before it lets Tab reach the focused control.
    if (name != NULL && wcscmp(name, L"WantsTab") == 0)
        return m_bWantTab ? static_cast<CRichEditUI*>(this) : NULL;
    return CContainerUI::CastTo(name);
}

UINT CRichEditUI::BehaviourFlags() const
{
    return IsEnabled() ? UIFLAG_TABSTOP | UIFLAG_SETCURSOR : 0;
}

void CRichEditUI::OnInitialise()
{
    if (m_bInited)
        return;
    CREATESTRUCTW create = {};
    create.style = static_cast<LONG>(m_lTwhStyle);
    create.lpszName = m_sText;
    CTxtWinHost::CreateTextHost(this, &create, &m_pTwh);
    if (m_pTwh != NULL) {
        m_pTwh->SetTransparent(true);
        LRESULT result = 0;
        TxSendMessage(EM_SETLANGOPTIONS, 0, 0, &result);
        m_pTwh->ActivateInPlace(NULL);
    }
    m_bInited = true;
    FollowManager();
}

void CRichEditUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise)
{
    CContainerUI::AttachManager(manager, parent, initialise);
    FollowManager();
}

void CRichEditUI::FollowManager()
{
    CWindowManagerUI* wanted = m_pTwh != NULL ? m_pManager : NULL;
    if (wanted == m_pFilterManager)
        return;
    if (m_pFilterManager != NULL)
        m_pFilterManager->RemoveMessageFilter(this);
    m_pFilterManager = wanted != NULL && wanted->RegisterMessageFilter(this) ? wanted : NULL;
}

void CRichEditUI::SetRich(bool rich)
{
    m_bRich = rich;
    if (m_pTwh != NULL)
        m_pTwh->SetRich(rich);
}

void CRichEditUI::SetFont(int index)
{
    m_iFont = index;
    if (m_pTwh != NULL && m_pManager != NULL)
        m_pTwh->SetFont(m_pManager->GetFont(index));
}

void CRichEditUI::SetTextColor(DWORD argb)
{
    m_dwTextColor = argb;
    if (m_pTwh != NULL)
        m_pTwh->SetTextColor(argb);
}

void CRichEditUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (wcscmp(name, L"vscrollbar") == 0) {
        if (IsTrue(value))
            m_lTwhStyle |= WS_VSCROLL | ES_DISABLENOSCROLL;
        CContainerUI::ApplyAttribute(name, value);
    } else if (wcscmp(name, L"autovscroll") == 0) {
        if (IsTrue(value))
            m_lTwhStyle |= ES_AUTOVSCROLL;
    } else if (wcscmp(name, L"hscrollbar") == 0) {
        if (IsTrue(value))
            m_lTwhStyle |= WS_HSCROLL | ES_DISABLENOSCROLL;
        CContainerUI::ApplyAttribute(name, value);
    } else if (wcscmp(name, L"autohscroll") == 0) {
        if (IsTrue(value))
            m_lTwhStyle |= ES_AUTOHSCROLL;
    } else if (wcscmp(name, L"wanttab") == 0) {
        SetWantTab(IsTrue(value));
    } else if (wcscmp(name, L"wantreturn") == 0) {
        SetWantReturn(IsTrue(value));
    } else if (wcscmp(name, L"wantctrlreturn") == 0) {
        SetWantCtrlReturn(IsTrue(value));
    } else if (wcscmp(name, L"rich") == 0) {
        SetRich(IsTrue(value));
    } else if (wcscmp(name, L"multiline") == 0) {
        if (!IsTrue(value))
            m_lTwhStyle &= ~static_cast<DWORD>(ES_MULTILINE);
    } else if (wcscmp(name, L"readonly") == 0) {
        if (IsTrue(value))
            m_lTwhStyle |= ES_READONLY;
    } else if (wcscmp(name, L"password") == 0) {
        if (IsTrue(value))
            m_lTwhStyle |= ES_PASSWORD;
    } else if (wcscmp(name, L"align") == 0) {
        // Tested in this order: the last word that matches wins.
        if (wcsstr(value, L"left") != NULL)
            m_lTwhStyle &= ~STYLE_ALIGNMENT;
        if (wcsstr(value, L"center") != NULL)
            m_lTwhStyle = (m_lTwhStyle & ~STYLE_ALIGNMENT) | ES_CENTER;
        if (wcsstr(value, L"right") != NULL)
            m_lTwhStyle = (m_lTwhStyle & ~STYLE_ALIGNMENT) | ES_RIGHT;
    } else if (wcscmp(name, L"font") == 0) {
        SetFont(_wtoi(value));
    } else if (wcscmp(name, L"textcolor") == 0) {
        while (*value != L'\0' && *value <= L' ')
            ++value;
        if (*value == L'#')
            ++value;
        SetTextColor(wcstoul(value, NULL, 16));
    } else {
        CContainerUI::ApplyAttribute(name, value);
    }
}

RECT CRichEditUI::TextRect() const
{
    return InnerRect();
}

LONG CRichEditUI::NaturalHeight(const RECT& text) const
{
    if (m_pTwh == NULL || m_pManager == NULL)
        return -1;
    SIZEL extent = {-1, -1};
    LONG width = text.right - text.left + (m_pVerticalScrollBar != NULL ? m_pVerticalScrollBar->GetFixedWidth() : 0);
    LONG height = text.bottom - text.top;
    HRESULT hr = m_pTwh->GetTextServices()->TxGetNaturalSize(DVASPECT_CONTENT, m_pManager->GetWindowDC(), NULL, NULL,
                                                             TXTNS_FITTOCONTENT, &extent, &width, &height);
    return SUCCEEDED(hr) ? height : -1;
}

void CRichEditUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    RECT text = TextRect();
    if (m_pTwh != NULL) {
        bool shownBefore = IsBarShown(m_pVerticalScrollBar);
        m_pTwh->SetInLayout(true);
        m_pTwh->SetClientRect(text);
        // The text services may hide the bar for the wider area; keep it while the text is taller.
        bool hiddenNow = m_pVerticalScrollBar != NULL && shownBefore && !m_pVerticalScrollBar->IsVisible();
        if (m_pVerticalScrollBar != NULL && (hiddenNow || m_bVScrollBarFixing)) {
            LONG natural = NaturalHeight(text);
            if (natural > text.bottom - text.top) {
                m_pVerticalScrollBar->SetVisible(true);
                m_pVerticalScrollBar->SetScrollPos(0);
                m_bVScrollBarFixing = true;
            } else if (m_bVScrollBarFixing) {
                m_pVerticalScrollBar->SetVisible(false);
                m_bVScrollBarFixing = false;
            }
        }
        RECT now = TextRect();
        if (!EqualRect(&now, &text)) {
            text = now;
            m_pTwh->SetClientRect(text);
        }
        m_pTwh->SetInLayout(false);
    }
    PlaceParts(text);
}

void CRichEditUI::PlaceParts(const RECT& text)
{
    if (IsBarShown(m_pVerticalScrollBar)) {
        RECT bar = {text.right, text.top, text.right + m_pVerticalScrollBar->GetFixedWidth(), text.bottom};
        m_pVerticalScrollBar->SetPos(bar, false);
    }
    if (IsBarShown(m_pHorizontalScrollBar)) {
        RECT bar = {text.left, text.bottom, text.right, text.bottom + m_pHorizontalScrollBar->GetFixedHeight()};
        m_pHorizontalScrollBar->SetPos(bar, false);
    }
    PlaceChildrenOver(text);
}

void CRichEditUI::Shift(int dx, int dy, bool invalidate)
{
    CContainerUI::Shift(dx, dy, invalidate);
    if (m_pTwh != NULL)
        m_pTwh->SetClientRect(TextRect());
}

void CRichEditUI::Paint(HDC hdc, const RECT& paintRect)
{
    RECT outer;
    if (!IntersectRect(&outer, &paintRect, &m_rcItem))
        return;
    CClipScopeUI outerClip(hdc, outer);
    CControlUI::Paint(hdc, paintRect);
    if (m_pTwh != NULL) {
        const RECT& client = m_pTwh->GetClientRect();
        RECTL bounds = {client.left, client.top, client.right, client.bottom};
        RECT update = paintRect;
        m_pTwh->GetTextServices()->TxDraw(DVASPECT_CONTENT, 0, NULL, NULL, hdc, NULL, &bounds, NULL, &update, NULL, 0,
                                          TXTVIEW_ACTIVE);
        if (m_bVScrollBarFixing) {
            LONG natural = NaturalHeight(client);
            if (natural >= 0 && natural <= client.bottom - client.top)
                NeedUpdate(); // the forced bar can go
        }
    }
    RECT text = TextRect();
    RECT textPaint;
    RECT temp;
    if (!m_items.IsEmpty() && IntersectRect(&textPaint, &paintRect, &text)) {
        CClipScopeUI textClip(hdc, textPaint);
        for (int i = 0; i < m_items.Count(); ++i) {
            CControlUI* child = ItemAt(i);
            if (!child->IsVisible() || !IntersectRect(&temp, &paintRect, &child->GetPos()))
                continue;
            if (child->IsFloat()) {
                if (!IntersectRect(&temp, &m_rcItem, &child->GetPos()))
                    continue;
                textClip.UseOldClipBegin(hdc);
                child->Paint(hdc, paintRect);
                textClip.UseOldClipEnd(hdc);
            } else if (IntersectRect(&temp, &text, &child->GetPos())) {
                child->Paint(hdc, paintRect);
            }
        }
    }
    if (IsBarShown(m_pVerticalScrollBar) && IntersectRect(&temp, &paintRect, &m_pVerticalScrollBar->GetPos()))
        m_pVerticalScrollBar->Paint(hdc, paintRect);
    if (IsBarShown(m_pHorizontalScrollBar) && IntersectRect(&temp, &paintRect, &m_pHorizontalScrollBar->GetPos()))
        m_pHorizontalScrollBar->Paint(hdc, paintRect);
}

bool CRichEditUI::AllowsViewChange() const
{
    return true;
}

} // namespace UiToolkit
