#include "layout/LayoutUI.h"
#include "layout/ScrollBarUI.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

CTileLayoutUI::CTileLayoutUI() : m_nColumns(1)
{
    m_szItem.cx = m_szItem.cy = 0;
}

const wchar_t* CTileLayoutUI::TypeName() const
{
    return L"TileLayoutUI";
}

void* CTileLayoutUI::CastTo(const wchar_t* name)
{
    if (name != NULL && wcscmp(name, L"TileLayout") == 0)
        return this;
    return CContainerUI::CastTo(name);
}

void CTileLayoutUI::SetItemSize(SIZE size)
{
    if (m_szItem.cx == size.cx && m_szItem.cy == size.cy)
        return;
    m_szItem = size;
    NeedUpdate();
}

void CTileLayoutUI::SetColumns(int columns)
{
    if (columns <= 0)
        return;
    m_nColumns = columns;
    NeedUpdate();
}

void CTileLayoutUI::ApplyAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name != NULL && value != NULL && wcscmp(name, L"itemsize") == 0) {
        RECT pair = ParseRectList(value);
        SIZE size = {pair.left, pair.top};
        SetItemSize(size);
    } else if (name != NULL && value != NULL && wcscmp(name, L"columns") == 0) {
        SetColumns(_wtoi(value));
    } else {
        CContainerUI::ApplyAttribute(name, value);
    }
}

void CTileLayoutUI::SetPos(RECT rc, bool invalidate)
{
    CControlUI::SetPos(rc, invalidate);
    RECT area = InsetRect();
    if (!m_items.IsEmpty()) {
        if (IsBarShown(m_pVerticalScrollBar))
            area.right -= m_pVerticalScrollBar->GetFixedWidth();
        if (IsBarShown(m_pHorizontalScrollBar))
            area.bottom -= m_pHorizontalScrollBar->GetFixedHeight();
    }
    int areaWidth = area.right - area.left;
    if (m_szItem.cx > 0)
        m_nColumns = areaWidth / m_szItem.cx;
    if (m_nColumns <= 0)
        m_nColumns = 1;
    int cellWidth = (areaWidth + HorizontalScrollRange()) / m_nColumns;

    int rowStart = area.left - HorizontalScrollPos();
    int x = rowStart;
    int y = area.top - VerticalScrollPos();
    int rowHeight = 0;
    int lastBottom = y;
    int placed = 0;
    CLayoutPassUI pass(*this);
    int count = pass.Count();
    for (int index = 0; index < count; ++index) {
        CControlUI* child = pass.At(index);
        if (child == NULL || !child->IsVisible())
            continue;
        if (child->IsFloat()) {
            PlaceFloatingChild(child);
            continue;
        }
        int column = placed % m_nColumns;
        if (column == 0) {
            // The row is as tall as its tallest member wants to be.
            CControlUI* first = child;
            int member = 0;
            for (int k = index; k < count && member < m_nColumns; ++k) {
                CControlUI* next = pass.At(k);
                if (next == NULL || !next->IsVisible() || next->IsFloat())
                    continue;
                RECT pad = next->GetPadding();
                int width = cellWidth - pad.left - pad.right;
                bool edge = member == 0 || member == m_nColumns - 1;
                width -= edge ? m_iChildPadding / 2 : m_iChildPadding;
                width = ClampSize(width, first->GetMinWidth(), first->GetMaxWidth());
                SIZE available = {width, 9999};
                SIZE size = next->MeasureSize(available);
                size.cy = ClampSize(size.cy, first->GetMinHeight(), first->GetMaxHeight());
                if (size.cy + pad.top + pad.bottom > rowHeight)
                    rowHeight = size.cy + pad.top + pad.bottom;
                ++member;
            }
        }
        RECT pad = child->GetPadding();
        int cellLeft = x + pad.left + (column != 0 ? m_iChildPadding / 2 : 0);
        int cellRight = x + cellWidth - pad.right - (column != m_nColumns - 1 ? m_iChildPadding / 2 : 0);
        int availableHeight = rowHeight - pad.top;
        SIZE available = {cellRight - cellLeft, availableHeight};
        SIZE size = child->MeasureSize(available);
        if (size.cx == 0)
            size.cx = cellRight - cellLeft;
        if (size.cy == 0)
            size.cy = availableHeight;
        size.cx = ClampSize(size.cx, child->GetMinWidth(), child->GetMaxWidth());
        size.cy = ClampSize(size.cy, child->GetMinHeight(), child->GetMaxHeight());
        int left = (cellLeft + cellRight - size.cx) / 2;
        int top = (y + pad.top + y + rowHeight - size.cy) / 2;
        RECT cell = {left, top, left + size.cx, top + size.cy};
        child->SetPos(cell, false);
        lastBottom = y + rowHeight;

        ++placed;
        if (placed % m_nColumns != 0) {
            x += cellWidth;
        } else {
            y += rowHeight + m_iChildPadding;
            rowHeight = 0;
            x = rowStart;
        }
    }
    int required = lastBottom - area.top + VerticalScrollPos();
    PlaceScrollBars(area, 0, required);
}

} // namespace UiToolkit
