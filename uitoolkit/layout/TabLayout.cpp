#include "layout/LayoutUI.h"
#include "core/WindowManager.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CTabLayoutUI::CTabLayoutUI() : m_iCurSel(-1) {}

const wchar_t* CTabLayoutUI::TypeName() const
{
    return L"TabLayoutUI";
}

void* CTabLayoutUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"TabLayout") == 0)
        return this;
    return CContainerUI::CastTo(name);
}

bool CTabLayoutUI::AddItem(CControlUI* control)
{
    if (!CContainerUI::AddItem(control))
        return false;
    if (m_iCurSel == -1 && control->IsVisible())
        m_iCurSel = IndexOf(control);
    else
        control->SetVisible(false);
    return true;
}

bool CTabLayoutUI::InsertItemAt(CControlUI* control, int index)
{
    if (!CContainerUI::InsertItemAt(control, index))
        return false;
    if (m_iCurSel == -1 && control->IsVisible()) {
        m_iCurSel = IndexOf(control);
        return true;
    }
    // Only the selected page shows; one inserted before it moves the selection along.
    if (m_iCurSel != -1 && index <= m_iCurSel)
        ++m_iCurSel;
    control->SetVisible(false);
    return true;
}

bool CTabLayoutUI::RemoveItem(CControlUI* control)
{
    int index = control != NULL ? IndexOf(control) : -1;
    if (!CContainerUI::RemoveItem(control))
        return false;
    if (index == m_iCurSel) {
        if (ItemCount() == 0) {
            m_iCurSel = -1;
        } else {
            m_iCurSel = 0;
            ItemAt(0)->SetVisible(true);
        }
        NeedParentUpdate();
    } else if (index < m_iCurSel) {
        --m_iCurSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAllItems()
{
    m_iCurSel = -1;
    CContainerUI::RemoveAllItems();
    NeedParentUpdate();
}

bool CTabLayoutUI::SelectItem(int index)
{
    if (index < 0 || index >= ItemCount())
        return false;
    if (index == m_iCurSel)
        return true;
    int previous = m_iCurSel;
    m_iCurSel = index;
    CControlUI* selected = ItemAt(index);
    // Every step runs handlers (focus, visibility, size): the pass keeps this layout allocated, and once a
    // handler has taken it out of its window the selection goes no further.
    CLayoutPassUI pass(*this);
    CWindowManagerUI* const manager = m_pManager;
    for (int i = 0; i < pass.Count() && m_pManager == manager; ++i) {
        CControlUI* child = pass.At(i);
        if (child == NULL)
            continue;
        if (child == selected) {
            child->SetVisible(true);
            if (pass.At(i) != NULL)
                child->SetFocus();
            if (m_pManager == manager)
                SetPos(m_rcItem, true);
        } else {
            child->SetVisible(false);
        }
    }
    if (m_pManager != manager)
        return true;
    NeedParentUpdate();
    if (manager != NULL) {
        manager->FocusOnNextPaint(NULL);
        if (m_pManager == manager)
            manager->RaiseNotification(this, L"tabselect", m_iCurSel, previous);
    }
    return true;
}

void CTabLayoutUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name != NULL && value != NULL && wcscmp(name, L"selectedid") == 0)
        SelectItem(_wtoi(value));
    CContainerUI::ApplyAttribute(name, value);
}

void CTabLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    RECT area = InsetRect();
    CLayoutPassUI pass(*this);
    for (int i = 0; i < pass.Count(); ++i) {
        CControlUI* child = pass.At(i);
        if (child == NULL || !child->IsVisible())
            continue;
        if (child->IsFloat()) {
            PlaceFloatingChild(child);
            continue;
        }
        if (child != ItemAt(m_iCurSel))
            continue;
        RECT pad = child->GetPadding();
        RECT cell = {area.left + pad.left, area.top + pad.top, area.right - pad.right, area.bottom - pad.bottom};
        SIZE available = {cell.right - cell.left, cell.bottom - cell.top};
        if (available.cx < 0)
            available.cx = 0;
        if (available.cy < 0)
            available.cy = 0;
        SIZE size = child->MeasureSize(available);
        if (size.cx == 0)
            size.cx = available.cx;
        if (size.cy == 0)
            size.cy = available.cy;
        size.cx = ClampSize(size.cx, child->GetMinWidth(), child->GetMaxWidth());
        size.cy = ClampSize(size.cy, child->GetMinHeight(), child->GetMaxHeight());
        RECT placed = {cell.left, cell.top, cell.left + size.cx, cell.top + size.cy};
        child->SetPos(placed, false);
    }
}

} // namespace UiToolkit
