#include "layout/ContainerUI.h"
#include "core/ControlBusy.h"
#include "layout/ScrollBarUI.h"
#include "core/WindowManager.h"
#include "base/UIHandlingScope.h"
#include "base/UIWalkList.h"

#include <memory>
#include <vector>
#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CContainerUI::CContainerUI()
    : m_iChildPadding(0), m_bAutoDestroy(true), m_bDelayedDestroy(true), m_bMouseChildEnabled(true),
      m_bScrollProcess(false), m_pVerticalScrollBar(NULL), m_pHorizontalScrollBar(NULL)
{
    SetRectEmpty(&m_rcInset);
}

CContainerUI::~CContainerUI()
{
    // Owned children go at once: the manager may be gone before its deletion queue runs.
    m_bDelayedDestroy = false;
    RemoveAllItems();
    delete m_pVerticalScrollBar;
    delete m_pHorizontalScrollBar;
}

const wchar_t* CContainerUI::TypeName() const
{
    return L"ContainerUI";
}

void* CContainerUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"IContainer") == 0)
        return static_cast<IContainerUI*>(this);
    if (name != NULL && wcscmp(name, L"Container") == 0)
        return static_cast<CContainerUI*>(this);
    return CControlUI::CastTo(name);
}

CControlUI* CContainerUI::ItemAt(int index) const
{
    return static_cast<CControlUI*>(m_items.GetAt(index));
}

int CContainerUI::IndexOf(CControlUI* control) const
{
    return m_items.Find(control);
}

int CContainerUI::ItemCount() const
{
    return m_items.Count();
}

bool CContainerUI::MoveToIndex(CControlUI* control, int index)
{
    int current = m_items.Find(control);
    // Taken out first, an entry that cannot go back in would be lost: refused with nothing changed.
    if (current < 0 || index < 0 || index >= m_items.Count())
        return false;
    NeedUpdate();
    m_items.Remove(current);
    return m_items.InsertAt(index, control);
}

bool CContainerUI::AddItem(CControlUI* control)
{
    // Not through the slot: a subclass's insert rule must not run for an append.
    return CContainerUI::InsertItemAt(control, m_items.Count());
}

bool CContainerUI::InsertItemAt(CControlUI* control, int index)
{
    if (control == NULL)
        return false;
    if (m_pManager != NULL)
        m_pManager->AdoptControlTree(control, this);
    else
        control->AttachManager(NULL, this, false);
    if (IsVisible())
        NeedUpdate();
    else
        control->SetShownByParent(false);
    return m_items.InsertAt(index, control);
}

void CContainerUI::LetGoOfChild(CControlUI* control)
{
    if (!m_bAutoDestroy) {
        // Kept by the application: it leaves the manager all the same, and may outlive it.
        if (m_pManager != NULL)
            m_pManager->ReleaseRemovedControl(control);
        else
            control->AttachManager(NULL, NULL, false);
    } else if (m_bDelayedDestroy && m_pManager != NULL) {
        m_pManager->QueueForDeletion(control);
    } else {
        // Out of the manager now; the memory waits while anything is being handled (see FreeControl).
        CWindowManagerUI::FreeControl(control);
    }
}

bool CContainerUI::RemoveItem(CControlUI* control)
{
    int index = control != NULL ? m_items.Find(control) : -1;
    if (index < 0)
        return false;
    CRemovalScopeUI removal(m_pManager);
    NeedUpdate();
    // Out of the list first: the child's destructor may look at its siblings.
    m_items.Remove(index);
    LetGoOfChild(control);
    return true;
}

bool CContainerUI::RemoveItemAt(int index)
{
    CControlUI* control = ItemAt(index);
    return control != NULL && RemoveItem(control);
}

void CContainerUI::RemoveAllItems()
{
    // The list is emptied before any child goes, so no destructor sees a deleted sibling in it.
    std::vector<CControlUI*> removed;
    removed.reserve(static_cast<size_t>(m_items.Count()));
    for (int i = 0; i < m_items.Count(); ++i)
        removed.push_back(ChildAt(i));
    CRemovalScopeUI removal(m_pManager);
    m_items.Empty();
    for (size_t i = 0; i < removed.size(); ++i)
        LetGoOfChild(removed[i]);
    NeedUpdate();
}

RECT CContainerUI::GetInset() const
{
    return m_rcInset;
}

void CContainerUI::SetInset(RECT inset)
{
    m_rcInset = inset;
    NeedUpdate();
}

int CContainerUI::GetChildPadding() const
{
    return m_iChildPadding;
}

void CContainerUI::SetChildPadding(int padding)
{
    m_iChildPadding = padding;
    NeedUpdate();
}

bool CContainerUI::OwnsRemovedItems() const
{
    return m_bAutoDestroy;
}
void CContainerUI::SetOwnsRemovedItems(bool owns)
{
    m_bAutoDestroy = owns;
}
bool CContainerUI::DefersItemDeletion() const
{
    return m_bDelayedDestroy;
}
void CContainerUI::SetDefersItemDeletion(bool defers)
{
    m_bDelayedDestroy = defers;
}
bool CContainerUI::PassesMouseToChildren() const
{
    return m_bMouseChildEnabled;
}
void CContainerUI::SetPassesMouseToChildren(bool passes)
{
    m_bMouseChildEnabled = passes;
}

int CContainerUI::NextSelectableItem(int start, bool forward)
{
    int count = m_items.Count();
    if (count == 0)
        return -1;
    int index = start < 0 ? 0 : start;
    if (index > count - 1)
        index = count - 1;
    for (int i = index; forward ? i < count : i >= 0; i += forward ? 1 : -1) {
        CControlUI* child = ItemAt(i);
        if (child->CastTo(L"ListItem") != NULL && child->IsVisible() && child->IsEnabled())
            return i;
    }
    return forward ? -1 : NextSelectableItem(0, true);
}

void CContainerUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise)
{
    // Children start first; one that looks up while it starts (a child layout counting its depth) must
    // find every level above it already joined. Their init handlers may remove this container too: it is then
    // freed only once the outermost attach is done, and is not joined again.
    CHandlingScopeUI handling;
    m_pParent = parent;
    for (int i = 0; i < m_items.Count() && m_pParent == parent; ++i) {
        CControlUI* child = ChildAt(i);
        child->AttachManager(manager, this, initialise);
        // Its init handler may have removed it or a sibling: go on after where it stands now (compared only, as
        // it may be gone), so no child is skipped.
        if (ChildAt(i) != child) {
            int now = m_items.Find(child);
            i = now >= 0 ? now : i - 1;
        }
    }
    if (m_pVerticalScrollBar != NULL && m_pParent == parent)
        m_pVerticalScrollBar->AttachManager(manager, this, initialise);
    if (m_pHorizontalScrollBar != NULL && m_pParent == parent)
        m_pHorizontalScrollBar->AttachManager(manager, this, initialise);
    if (m_pParent == parent)
        CControlUI::AttachManager(manager, parent, initialise);
}

void CContainerUI::SetVisible(bool visible)
{
    if (m_bVisible == visible)
        return;
    CControlBusyUI busy(this);
    CControlUI::SetVisible(visible);
    ShowChildren();
}

void CContainerUI::SetShownByParent(bool shown)
{
    CControlBusyUI busy(this);
    CControlUI::SetShownByParent(shown);
    ShowChildren();
}

void CContainerUI::ShowChildren()
{
    // Hiding the focus runs "killfocus", whose handler may add, remove or move children: the walk follows the
    // list as it was, skipping children that have left it, and reaches added ones only on the next walk.
    CWalkListUI children;
    for (int i = 0; i < m_items.Count(); ++i)
        children.Add(ChildAt(i));
    CWalkListUI::Walk walk(children);
    while (CControlUI* child = static_cast<CControlUI*>(walk.Next())) {
        if (m_items.Find(child) >= 0)
            child->SetShownByParent(IsVisible());
    }
}

void CContainerUI::SetMouseEnabled(bool enabled)
{
    if (m_pVerticalScrollBar != NULL)
        m_pVerticalScrollBar->SetMouseEnabled(enabled);
    if (m_pHorizontalScrollBar != NULL)
        m_pHorizontalScrollBar->SetMouseEnabled(enabled);
    CControlUI::SetMouseEnabled(enabled);
}

void CContainerUI::Shift(int dx, int dy, bool invalidate)
{
    CControlUI::Shift(dx, dy, invalidate);
    if (IsBarShown(m_pVerticalScrollBar))
        m_pVerticalScrollBar->Shift(dx, dy, false);
    if (IsBarShown(m_pHorizontalScrollBar))
        m_pHorizontalScrollBar->Shift(dx, dy, false);
    for (int i = 0; i < m_items.Count(); ++i) {
        CControlUI* child = ChildAt(i);
        if (child->IsVisible())
            child->Shift(dx, dy, false);
    }
}

int CContainerUI::ClampSize(int value, int minimum, int maximum)
{
    if (value < minimum)
        value = minimum;
    if (value > maximum)
        value = maximum;
    return value;
}

void CContainerUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    if (m_items.IsEmpty())
        return;
    RECT area = InsetRect();
    if (IsBarShown(m_pVerticalScrollBar)) {
        area.top -= m_pVerticalScrollBar->GetScrollPos();
        area.right -= m_pVerticalScrollBar->GetFixedWidth();
        area.bottom += m_pVerticalScrollBar->GetScrollRange() - m_pVerticalScrollBar->GetScrollPos();
    }
    if (IsBarShown(m_pHorizontalScrollBar)) {
        area.left -= m_pHorizontalScrollBar->GetScrollPos();
        area.right += m_pHorizontalScrollBar->GetScrollRange() - m_pHorizontalScrollBar->GetScrollPos();
        area.bottom -= m_pHorizontalScrollBar->GetFixedHeight();
    }
    PlaceChildrenOver(area);
}

CContainerUI::CLayoutPassUI::CLayoutPassUI(const CContainerUI& owner) : m_owner(owner)
{
    m_children.reserve(static_cast<size_t>(owner.ChildCount()));
    for (int i = 0; i < owner.ChildCount(); ++i)
        m_children.push_back(owner.ChildAt(i));
}

CControlUI* CContainerUI::CLayoutPassUI::At(int index) const
{
    if (index < 0 || index >= Count())
        return NULL;
    CControlUI* child = m_children[static_cast<size_t>(index)];
    return child->GetParentControl() == &m_owner ? child : NULL;
}

void CContainerUI::PlaceChildrenOver(const RECT& area)
{
    CLayoutPassUI pass(*this);
    for (int i = 0; i < pass.Count(); ++i) {
        CControlUI* child = pass.At(i);
        if (child == NULL || !child->IsVisible())
            continue;
        if (child->IsFloat()) {
            PlaceFloatingChild(child);
            continue;
        }
        int width = ClampSize(area.right - area.left, child->GetMinWidth(), child->GetMaxWidth());
        int height = ClampSize(area.bottom - area.top, child->GetMinHeight(), child->GetMaxHeight());
        RECT placed = {area.left, area.top, area.left + width, area.top + height};
        child->SetPos(placed, false);
    }
}

void CContainerUI::PlaceFloatingChild(CControlUI* child)
{
    if (child == NULL || !child->IsVisible() || !child->IsFloat())
        return;
    int width = GetWidth();
    int height = GetHeight();
    SIZE origin = child->GetFloatOrigin();
    double anchors[4];
    child->GetFloatAnchors(anchors);
    RECT rc = {static_cast<LONG>(width * anchors[0]) + origin.cx, static_cast<LONG>(height * anchors[1]) + origin.cy,
               child->GetFixedWidth() + static_cast<LONG>(width * anchors[2]) + origin.cx,
               child->GetFixedHeight() + static_cast<LONG>(height * anchors[3]) + origin.cy};
    child->SetPos(rc, false);
}

void CContainerUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == NULL || value == NULL)
        return;
    if (wcscmp(name, L"inset") == 0) {
        SetInset(ParseRectList(value));
    } else if (wcscmp(name, L"mousechild") == 0) {
        SetPassesMouseToChildren(wcscmp(value, L"true") == 0);
    } else if (wcscmp(name, L"vscrollbar") == 0) {
        ShowScrollBars(wcscmp(value, L"true") == 0, m_pHorizontalScrollBar != NULL);
    } else if (wcscmp(name, L"vscrollbarstyle") == 0) {
        ShowScrollBars(true, m_pHorizontalScrollBar != NULL);
        if (m_pVerticalScrollBar != NULL)
            m_pVerticalScrollBar->ApplyAttributeList(value);
    } else if (wcscmp(name, L"hscrollbar") == 0) {
        ShowScrollBars(m_pVerticalScrollBar != NULL, wcscmp(value, L"true") == 0);
    } else if (wcscmp(name, L"hscrollbarstyle") == 0) {
        ShowScrollBars(m_pVerticalScrollBar != NULL, true);
        if (m_pHorizontalScrollBar != NULL)
            m_pHorizontalScrollBar->ApplyAttributeList(value);
    } else if (wcscmp(name, L"childpadding") == 0) {
        SetChildPadding(_wtoi(value));
    } else {
        CControlUI::ApplyAttribute(name, value);
    }
}

void CContainerUI::Paint(HDC hdc, const RECT& paintRect)
{
    RECT outer;
    if (!IntersectRect(&outer, &paintRect, &m_rcItem))
        return;
    CClipScopeUI outerClip(hdc, outer);
    CControlUI::Paint(hdc, paintRect);
    if (!m_items.IsEmpty()) {
        RECT inner = InnerRect();
        RECT innerPaint;
        RECT temp;
        if (IntersectRect(&innerPaint, &paintRect, &inner)) {
            CClipScopeUI innerClip(hdc, innerPaint);
            for (int i = 0; i < m_items.Count(); ++i) {
                CControlUI* child = ChildAt(i);
                if (!child->IsVisible() || !IntersectRect(&temp, &paintRect, &child->GetPos()))
                    continue;
                if (child->IsFloat()) {
                    if (!IntersectRect(&temp, &m_rcItem, &child->GetPos()))
                        continue;
                    // A floating child may reach over the inset: paint it inside the outer clip.
                    innerClip.UseOldClipBegin(hdc);
                    child->Paint(hdc, paintRect);
                    innerClip.UseOldClipEnd(hdc);
                } else if (IntersectRect(&temp, &inner, &child->GetPos())) {
                    child->Paint(hdc, paintRect);
                }
            }
        } else {
            for (int i = 0; i < m_items.Count(); ++i) {
                CControlUI* child = ChildAt(i);
                if (child->IsVisible() && child->IsFloat() && IntersectRect(&temp, &paintRect, &child->GetPos()) &&
                    IntersectRect(&temp, &m_rcItem, &child->GetPos()))
                    child->Paint(hdc, paintRect);
            }
        }
    }
    RECT temp;
    if (IsBarShown(m_pVerticalScrollBar) && IntersectRect(&temp, &paintRect, &m_pVerticalScrollBar->GetPos()))
        m_pVerticalScrollBar->Paint(hdc, paintRect);
    if (IsBarShown(m_pHorizontalScrollBar) && IntersectRect(&temp, &paintRect, &m_pHorizontalScrollBar->GetPos()))
        m_pHorizontalScrollBar->Paint(hdc, paintRect);
}

CControlUI* CContainerUI::SearchTree(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if ((flags & UIFIND_VISIBLE) && !IsVisible())
        return NULL;
    if ((flags & UIFIND_ENABLED) && !IsEnabled())
        return NULL;
    bool hitTest = (flags & UIFIND_HITTEST) != 0;
    POINT pt = {0, 0};
    if (hitTest) {
        pt = *static_cast<const POINT*>(data);
        if (!PtInRect(&m_rcItem, pt))
            return NULL;
    }
    if ((flags & UIFIND_TOP_FIRST) && proc(this, data) != NULL)
        return NULL;
    bool offerSelf = !hitTest || IsMouseEnabled();
    if ((flags & UIFIND_ME_FIRST) && offerSelf) {
        CControlUI* found = proc(this, data);
        if (found != NULL)
            return found;
    }
    CScrollBarUI* bars[2] = {m_pVerticalScrollBar, m_pHorizontalScrollBar};
    for (CScrollBarUI* bar : bars) {
        if (bar != NULL && offerSelf) {
            CControlUI* found = bar->SearchTree(proc, data, flags);
            if (found != NULL)
                return found;
        }
    }
    if (!hitTest || m_bMouseChildEnabled) {
        RECT inner = InnerRect();
        int count = m_items.Count();
        for (int n = 0; n < count; ++n) {
            int i = (flags & UIFIND_REVERSE) ? count - 1 - n : n;
            CControlUI* found = ChildAt(i)->SearchTree(proc, data, flags);
            if (found == NULL)
                continue;
            // Parts of children scrolled under the inset or a bar are hidden from the pointer.
            if (!hitTest || found->IsFloat() || PtInRect(&inner, pt))
                return found;
        }
    }
    if ((flags & UIFIND_ME_FIRST) || (hitTest && !IsMouseEnabled()))
        return NULL;
    return proc(this, data);
}

} // namespace UiToolkit
