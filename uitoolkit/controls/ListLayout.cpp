#include "controls/ListUI.h"
#include "layout/ScrollBarUI.h"
#include "core/WindowManager.h"

#include <wchar.h>

namespace UiToolkit {

const wchar_t* CListHeaderUI::TypeName() const
{
    return L"ListHeaderUI";
}

void* CListHeaderUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"ListHeader") == 0)
        return this;
    return CHorizontalLayoutUI::CastTo(name);
}

SIZE CListHeaderUI::MeasureSize(SIZE available)
{
    SIZE size = {0, 0};
    int tallest = 0;
    for (int i = 0; i < ItemCount(); ++i) {
        SIZE item = ItemAt(i)->MeasureSize(available);
        size.cx += item.cx;
        if (item.cy > tallest)
            tallest = item.cy;
    }
    if (m_cxyFixed.cy != 0) {
        size.cy = m_cxyFixed.cy;
    } else {
        size.cy = tallest;
        if (m_pManager != NULL && m_pManager->GetFontInfo(-1)->tm.tmHeight + 6 > size.cy)
            size.cy = m_pManager->GetFontInfo(-1)->tm.tmHeight + 6;
    }
    return size;
}

CListBodyUI::CListBodyUI(CListUI* owner) : m_pOwner(owner) {}

bool CListBodyUI::AddItem(CControlUI* control)
{
    return m_pOwner != NULL ? m_pOwner->AddItem(control) : CVerticalLayoutUI::AddItem(control);
}

bool CListBodyUI::InsertItemAt(CControlUI* control, int index)
{
    return m_pOwner != NULL ? m_pOwner->InsertItemAt(control, index) : CVerticalLayoutUI::InsertItemAt(control, index);
}

bool CListBodyUI::MoveToIndex(CControlUI* control, int index)
{
    return m_pOwner != NULL ? m_pOwner->MoveToIndex(control, index) : CVerticalLayoutUI::MoveToIndex(control, index);
}

bool CListBodyUI::RemoveItem(CControlUI* control)
{
    if (m_pOwner == NULL)
        return CVerticalLayoutUI::RemoveItem(control);
    // Only the body's own items: the list would route a header elsewhere.
    int index = IndexOf(control);
    return index >= 0 && m_pOwner->RemoveItemAt(index);
}

bool CListBodyUI::RemoveItemAt(int index)
{
    return m_pOwner != NULL ? m_pOwner->RemoveItemAt(index) : CVerticalLayoutUI::RemoveItemAt(index);
}

void CListBodyUI::RemoveAllItems()
{
    if (m_pOwner != NULL)
        m_pOwner->RemoveAllItems();
    else
        CVerticalLayoutUI::RemoveAllItems();
}

bool CListBodyUI::TakeOut(CControlUI* control)
{
    int index = m_items.Find(control);
    if (index < 0)
        return false;
    NeedUpdate();
    m_items.Remove(index);
    return true;
}

void CListBodyUI::OnEvent(InputEventUI& event)
{
    if (m_pOwner != NULL)
        m_pOwner->OnEvent(event);
    else
        CControlUI::OnEvent(event);
}

int CListBodyUI::NeededWidth(SIZE available)
{
    CListHeaderUI* header = m_pOwner != NULL ? m_pOwner->HeaderControl() : NULL;
    if (header != NULL && header->ItemCount() > 0) {
        int width = header->MeasureSize(available).cx;
        return width < 0 ? 0 : width;
    }
    int needed = 0;
    for (int i = 0; i < m_items.Count(); ++i) {
        CControlUI* child = ChildAt(i);
        if (!child->IsVisible() || child->IsFloat())
            continue;
        int width = ClampSize(child->MeasureSize(available).cx, child->GetMinWidth(), child->GetMaxWidth());
        if (width > needed)
            needed = width;
    }
    return needed;
}

int CListBodyUI::PlaceItems(const RECT& client, int availableWidth, int neededWidth)
{
    int gap = m_iChildPadding;
    int availableHeight = client.bottom - client.top;
    auto measure = [&](CControlUI* child, int room) {
        SIZE size = {availableWidth, room};
        int height = child->MeasureSize(size).cy;
        return height == 0 ? 0 : ClampSize(height, child->GetMinHeight(), child->GetMaxHeight());
    };
    CLayoutPassUI pass(*this);
    int count = pass.Count();
    int adjustable = 0, visible = 0, fixedTotal = 0;
    for (int i = 0; i < count; ++i) {
        CControlUI* child = pass.At(i);
        if (child == NULL || !child->IsVisible() || child->IsFloat())
            continue;
        int height = measure(child, availableHeight);
        if (height == 0)
            ++adjustable;
        RECT pad = child->GetPadding();
        fixedTotal += pad.top + pad.bottom + height;
        ++visible;
    }
    fixedTotal += gap * (visible - 1);
    int share = 0;
    if (adjustable > 0) {
        share = (availableHeight - fixedTotal) / adjustable;
        if (share < 0)
            share = 0;
    }
    int x = client.left - HorizontalScrollPos();
    int y = client.top - VerticalScrollPos();
    int remaining = availableHeight;
    int used = 0, adjustableSeen = 0;
    for (int i = 0; i < count; ++i) {
        CControlUI* child = pass.At(i);
        if (child == NULL || !child->IsVisible())
            continue;
        if (child->IsFloat()) {
            PlaceFloatingChild(child);
            continue;
        }
        RECT pad = child->GetPadding();
        remaining -= pad.top;
        int height = measure(child, remaining);
        if (height != 0) {
            fixedTotal -= height;
        } else {
            height = share;
            // The last adjustable item takes what is left.
            if (++adjustableSeen == adjustable) {
                height = remaining - pad.bottom - fixedTotal;
                if (height < 0)
                    height = 0;
            }
            height = ClampSize(height, child->GetMinHeight(), child->GetMaxHeight());
        }
        int width = availableWidth - pad.left - pad.right;
        if (width < neededWidth)
            width = neededWidth;
        width = ClampSize(width, child->GetMinWidth(), child->GetMaxWidth());
        RECT rc = {x + pad.left, y + pad.top, x + pad.left + width, y + pad.top + height};
        child->SetPos(rc, false);
        y += pad.top + height + pad.bottom + gap;
        used += pad.top + height + pad.bottom;
        remaining -= height + pad.bottom + gap;
    }
    return gap * (visible > 0 ? visible - 1 : 0) + used;
}

void CListBodyUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    // An empty body still sizes its horizontal bar from the header.
    RECT client = InnerRect();
    int availableWidth = client.right - client.left + HorizontalScrollRange();
    SIZE available = {availableWidth, client.bottom - client.top};
    int needed = NeededWidth(available);
    int used = PlaceItems(client, availableWidth, needed);
    CScrollBarUI* bar = m_pHorizontalScrollBar;
    if (bar != NULL) {
        int clientWidth = client.right - client.left;
        if (needed > clientWidth) {
            if (!bar->IsVisible()) {
                bar->SetVisible(true);
                bar->SetScrollPos(0);
                client.bottom -= bar->GetFixedHeight();
            }
            bar->SetScrollRange(needed - clientWidth);
        } else if (bar->IsVisible()) {
            bar->SetVisible(false);
            bar->SetScrollRange(0);
            bar->SetScrollPos(0);
            client.bottom += bar->GetFixedHeight();
        }
    }
    PlaceScrollBars(client, needed, used);
}

void CListBodyUI::SetScrollOffset(SIZE offset)
{
    int oldX = HorizontalScrollPos();
    CVerticalLayoutUI::SetScrollOffset(offset);
    int dx = HorizontalScrollPos() - oldX;
    CListHeaderUI* header = m_pOwner != NULL ? m_pOwner->HeaderControl() : NULL;
    if (dx == 0 || header == NULL)
        return;
    // The columns scroll sideways with the items; vertical scrolling leaves them in place.
    ListStyleUI& style = *m_pOwner->GetListInfo();
    int count = header->ItemCount();
    style.nColumns = count > UILIST_MAX_COLUMNS ? UILIST_MAX_COLUMNS : count;
    for (int i = 0; i < count; ++i) {
        CControlUI* item = header->ItemAt(i);
        if (!item->IsVisible() || item->IsFloat())
            continue;
        item->Shift(-dx, 0, false);
        if (i < UILIST_MAX_COLUMNS)
            style.rcColumn[i] = item->GetPos();
    }
    header->Invalidate();
}

void CListUI::PlaceHeaderForColumns(const RECT& rc)
{
    // Placing the header or a column runs size handlers, which may take the header away: nothing is freed
    // before this returns, and a header that has gone is left alone.
    CHandlingScopeUI handling;
    CListHeaderUI* const header = m_pHeader;
    int count = m_pHeader->ItemCount();
    m_style.nColumns = count > UILIST_MAX_COLUMNS ? UILIST_MAX_COLUMNS : count;
    bool hidden = !m_pHeader->IsVisible();
    if (hidden) {
        CLayoutPassUI columns(*m_pHeader);
        for (int i = 0; i < columns.Count(); ++i) {
            if (CControlUI* item = columns.At(i))
                item->SetShownByParent(true);
        }
        RECT strip = {rc.left + m_rcInset.left, 0, rc.right - m_rcInset.right, 0};
        m_pHeader->SetPos(strip, false);
        if (m_pHeader != header)
            return;
    }
    RefreshColumnBounds();
    if (hidden && m_pHeader == header) {
        CLayoutPassUI columns(*m_pHeader);
        for (int i = 0; i < columns.Count(); ++i) {
            if (CControlUI* item = columns.At(i))
                item->SetShownByParent(false);
        }
    }
}

void CListUI::RefreshColumnBounds()
{
    if (m_pHeader == NULL)
        return;
    CScrollBarUI* bar = m_pBody->HorizontalBar();
    int x = bar != NULL && bar->IsVisible() ? bar->GetScrollPos() : 0;
    int columns = m_style.ColumnCount();
    // A column's size handler may take the header away.
    for (int i = 0; i < columns && m_pHeader != NULL; ++i) {
        CControlUI* item = m_pHeader->ItemAt(i);
        if (item == NULL || !item->IsVisible() || item->IsFloat())
            continue;
        if (x > 0) {
            RECT shifted = item->GetPos();
            OffsetRect(&shifted, -x, 0);
            item->SetPos(shifted, false);
        }
        m_style.rcColumn[i] = item->GetPos();
    }
}

void CListUI::SetPos(RECT rc, bool invalidate)
{
    if (m_pHeader != NULL)
        PlaceHeaderForColumns(rc);
    CVerticalLayoutUI::SetPos(rc, invalidate);
    if (m_pHeader != NULL)
        PlaceHeaderForColumns(rc);
}

void CListUI::Shift(int dx, int dy, bool invalidate)
{
    CVerticalLayoutUI::Shift(dx, dy, invalidate);
    if (m_pHeader != NULL && !m_pHeader->IsVisible())
        m_pHeader->Shift(dx, dy, false);
}

} // namespace UiToolkit
