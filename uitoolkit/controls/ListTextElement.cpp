#include "controls/ListItemsUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

CListTextElementUI::CListTextElementUI() = default;

CListTextElementUI::~CListTextElementUI()
{
    for (int i = 0; i < m_aTexts.Count(); ++i)
        delete static_cast<CStringUI*>(m_aTexts[i]);
}

const wchar_t* CListTextElementUI::TypeName() const
{
    return L"ListTextElementUI";
}

void* CListTextElementUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ListTextElement") == 0)
        return static_cast<CListTextElementUI*>(this);
    return CListLabelElementUI::CastTo(name);
}

UINT CListTextElementUI::BehaviourFlags() const
{
    return IsEnabled() && m_nLinks > 0 ? UIFLAG_WANTRETURN | UIFLAG_SETCURSOR : UIFLAG_WANTRETURN;
}

void CListTextElementUI::SetItemOwner(CControlUI* owner)
{
    CListLabelElementUI::SetItemOwner(owner);
    m_pOwnerList = owner != NULL ? static_cast<IListUI*>(owner->CastTo(L"IList")) : NULL;
}

const wchar_t* CListTextElementUI::ColumnText(int index) const
{
    const CStringUI* text = static_cast<const CStringUI*>(m_aTexts.GetAt(index));
    return text != NULL ? text->Text() : NULL;
}

int CListTextElementUI::LinkAt(POINT pt) const
{
    for (int i = 0; i < m_nLinks && i < MAX_LINKS; ++i) {
        if (PtInRect(&m_rcLinks[i], pt))
            return i;
    }
    return -1;
}

void CListTextElementUI::OnEvent(InputEventUI& event)
{
    int link = LinkAt(event.ptMouse);
    switch (event.type) {
    case UIEVENT_SETCURSOR:
        if (link >= 0) {
            ::SetCursor(LoadCursorW(NULL, IDC_HAND));
            return;
        }
        break;
    case UIEVENT_BUTTONUP:
        if (IsEnabled() && link >= 0) {
            if (m_pManager != NULL)
                m_pManager->RaiseNotification(this, L"link", link);
            return;
        }
        break;
    case UIEVENT_MOUSEMOVE:
        if (m_nLinks > 0 && link != m_nHoverLink) {
            InvalidateItem();
            m_nHoverLink = link;
        }
        break;
    case UIEVENT_MOUSELEAVE:
        if (m_nLinks > 0 && m_nHoverLink != -1) {
            InvalidateItem();
            m_nHoverLink = -1;
        }
        break;
    default:
        break;
    }
    CListLabelElementUI::OnEvent(event);
}

SIZE CListTextElementUI::MeasureSize(SIZE)
{
    SIZE size = m_cxyFixed;
    if (size.cy == 0 && m_pOwnerList != NULL && m_pManager != NULL) {
        const ListStyleUI& style = *m_pOwnerList->GetListInfo();
        size.cy = m_pManager->GetFontInfo(style.nFont)->tm.tmHeight + style.rcTextPadding.top +
                  style.rcTextPadding.bottom + 8;
    }
    return size;
}

void CListTextElementUI::PaintItemText(HDC hdc, const RECT& rc)
{
    if (m_pOwnerList == NULL)
        return;
    const ListStyleUI& style = *m_pOwnerList->GetListInfo();
    const RECT& pad = style.rcTextPadding;
    ListTextSourceUI* source = m_pOwnerList->TextSource();
    m_nLinks = 0;
    int columns = style.ColumnCount();
    for (int i = 0; i < columns; ++i) {
        const RECT& bound = style.rcColumn[i];
        RECT cell = {bound.left + pad.left, rc.top + pad.top, bound.right - pad.right, rc.bottom - pad.bottom};
        const wchar_t* text = source != NULL ? source->CellText(this, m_iIndex, i) : ColumnText(i);
        if (text == NULL || *text == L'\0')
            continue;
        // Links of later columns fill the slots left after the earlier ones; the slots never overrun.
        int capacity = MAX_LINKS - m_nLinks;
        int found = capacity;
        DrawItemText(hdc, cell, text, style, capacity > 0 ? m_rcLinks + m_nLinks : NULL,
                     capacity > 0 ? m_sLinks + m_nLinks : NULL, found);
        if (found > 0 && found <= capacity)
            m_nLinks += found;
    }
    for (int i = m_nLinks; i < MAX_LINKS; ++i) {
        SetRectEmpty(&m_rcLinks[i]);
        m_sLinks[i].Empty();
    }
}

} // namespace UiToolkit
