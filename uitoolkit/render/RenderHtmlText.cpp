#include "render/HtmlLayout.h"

#include <algorithm>

namespace UiToolkit {
namespace HtmlText {

void HtmlLayout::DrawRun(const wchar_t* run, int length, int width, bool ellipsis)
{
    const TEXTMETRICW& tm = CurrentFont()->tm;
    int left = m_x;
    int lineWidth = m_rc.right - m_rc.left;
    if ((m_style & DT_SINGLELINE) == 0) {
        if (m_style & DT_CENTER)
            left = m_x + (lineWidth - width) / 2;
        else if (m_style & DT_RIGHT)
            left = m_x + lineWidth - width;
    }
    if (m_state.selected) {
        ::SetBkMode(m_hDC, OPAQUE);
        ::SetBkColor(m_hDC, ColorRefOf(m_manager->GetDefaultSelectedColor()));
    }
    ::TextOutW(m_hDC, left, m_y + m_lineHeight - tm.tmHeight - tm.tmExternalLeading, run, length);
    if (ellipsis)
        ::TextOutW(m_hDC, left + width, m_y, L"...", 3);
    ::SetBkMode(m_hDC, TRANSPARENT);
}

int HtmlLayout::FitInLine(const wchar_t* run, int length)
{
    // Only the start of a long run can fit: measure a stretch a little longer than the line can hold, and a
    // longer one only while all of it fits, so each line costs its own length and not the rest of the text.
    int average = std::max(1, static_cast<int>(CurrentFont()->tm.tmAveCharWidth));
    int room = std::max(0, static_cast<int>(m_rc.right) - m_x);
    int stretch = std::min(length, 2 * (room / average) + 16);
    for (;;) {
        int fit = 0;
        SIZE size = {0, 0};
        ::GetTextExtentExPointW(m_hDC, run, stretch, room, &fit, NULL, &size);
        if (fit < stretch || stretch == length)
            return fit;
        stretch = std::min(length, stretch * 2);
    }
}

bool HtmlLayout::PlaceRun(bool drawing)
{
    const wchar_t* text = m_text.Text();
    int start = m_state.pos;
    int stop = start;
    bool endsRaw = false;
    if (text[start] == L' ') {
        stop = start + 1;
    } else {
        while (text[stop] != L'\0' && text[stop] != L'\n') {
            if (m_state.raw) {
                if (IsBracketOpen(text[stop]) && text[stop + 1] == L'/' && text[stop + 2] == L'r' &&
                    IsBracketClose(text[stop + 3])) {
                    endsRaw = true;
                    break;
                }
            } else if (stop > start && IsBracketOpen(text[stop])) {
                break;
            }
            ++stop;
        }
    }

    FontInfoUI* font = CurrentFont();
    int length = stop - start;
    SIZE size = {0, 0};
    bool overflow = false;
    // Measuring every run is slow; the widest glyph bounds it until it might not fit.
    if (m_x + length * font->tm.tmMaxCharWidth >= m_rc.right) {
        int fit = FitInLine(text + start, length);
        if (fit < length) {
            overflow = true;
            length = std::max(fit, m_x == m_rc.left ? 1 : 0);
            if ((m_style & DT_WORDBREAK) != 0) {
                for (int i = length - 1; i >= 0; --i) {
                    wchar_t ch = text[start + i];
                    bool letter = (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
                    if (!letter) {
                        length = i + 1;
                        break;
                    }
                }
            }
        }
    }
    bool ellipsis = overflow && (m_style & DT_END_ELLIPSIS) != 0;
    int cut = length;
    if (ellipsis)
        length = std::max(0, length - 2);
    ::GetTextExtentPoint32W(m_hDC, text + start, length, &size);
    if (drawing && length > 0)
        DrawRun(text + start, length, size.cx, ellipsis);
    m_x += size.cx;
    m_state.pos = start + length;
    if (endsRaw && !overflow) {
        m_state.raw = false;
        m_state.pos = stop + 4;
    }
    if (ellipsis) {
        // The dropped characters are what the dots stand for.
        m_state.pos = start + cut;
        m_x = m_rc.right;
    }
    return overflow || m_x >= m_rc.right;
}

HtmlLayout::LineEnd HtmlLayout::LayoutLine(bool drawing)
{
    const wchar_t* text = m_text.Text();
    m_x = m_rc.left;
    for (;;) {
        wchar_t ch = text[m_state.pos];
        if (ch == L'\0')
            return LineEnd::TextEnd;
        if (ch == L'\n') {
            ++m_state.pos;
            return LineEnd::More;
        }
        if (!m_state.raw && IsBracketOpen(ch)) {
            wchar_t escaped = 0;
            int used = Escape(m_state.pos, escaped);
            if (used > 0) {
                SIZE size = {0, 0};
                ::GetTextExtentPoint32W(m_hDC, &escaped, 1, &size);
                if (m_x + size.cx > m_rc.right && m_x > m_rc.left)
                    return LineEnd::More;
                if (drawing)
                    DrawRun(&escaped, 1, size.cx, false);
                m_x += size.cx;
                m_state.pos += used;
                continue;
            }
            Tag tag;
            if (ParseTag(m_state.pos, tag)) {
                bool lineBreak = false;
                if (!ApplyTag(tag, drawing, lineBreak))
                    return LineEnd::More;
                m_state.pos = tag.end;
                if (lineBreak)
                    return text[m_state.pos] == L'\0' ? LineEnd::TextEnd : LineEnd::More;
                continue;
            }
        }
        if (PlaceRun(drawing))
            return text[m_state.pos] == L'\0' ? LineEnd::TextEnd : LineEnd::More;
    }
}

void HtmlLayout::EndLine(bool drawing)
{
    if (m_state.inLink) {
        RecordLink(std::min(m_x, static_cast<int>(m_rc.right)), drawing);
        m_state.linkStartX = m_rc.left;
    }
    if (!drawing) {
        for (int i = m_lineFirstLink; i < std::min(m_linkIndex, m_capacity); ++i)
            m_links[i].bottom = m_y + m_lineHeight;
    }
    m_lineFirstLink = m_linkIndex;
}

void HtmlLayout::Run()
{
    SelectCurrent();
    m_y = m_rc.top;
    m_lineHeight = BaseHeight();
    bool measureOnly = (m_style & DT_CALCRECT) != 0;
    for (;;) {
        LineState start = m_state;
        int startLinks = m_linkIndex;
        LineEnd end = LayoutLine(false);
        m_maxX = std::max(m_maxX, m_x);
        EndLine(false);
        if (!measureOnly) {
            // Draw the line again from its start now that its height is known.
            m_state = start;
            m_linkIndex = startLinks;
            SelectCurrent();
            end = LayoutLine(true);
            EndLine(true);
        }
        bool stop = end == LineEnd::TextEnd || (m_style & DT_SINGLELINE) != 0;
        if (stop)
            break;
        m_y += m_lineHeight;
        m_lineHeight = BaseHeight();
        if (!measureOnly && m_y >= m_rc.bottom)
            break;
    }
}

} // namespace HtmlText

void CRenderKitUI::DrawHtmlText(HDC hDC, CWindowManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color,
                                RECT* links, CStringUI* linkTexts, int& linkCount, UINT style)
{
    int capacity = linkCount;
    linkCount = 0;
    if (text == NULL || manager == NULL || ::IsRectEmpty(&rc))
        return;
    bool measureOnly = (style & DT_CALCRECT) != 0;
    RECT area = rc;
    if (!measureOnly && (style & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM)) != 0) {
        RECT measured = {0, 0, 9999, 100};
        int none = 0;
        DrawHtmlText(hDC, manager, measured, text, color, NULL, NULL, none, style | DT_CALCRECT);
        int width = measured.right - measured.left;
        int height = measured.bottom - measured.top;
        if (style & DT_SINGLELINE) {
            if (style & DT_CENTER) {
                area.left += (area.right - area.left - width) / 2;
                area.right = area.left + width;
            } else if (style & DT_RIGHT) {
                area.left = area.right - width;
            }
        }
        if (style & DT_VCENTER) {
            area.top += (area.bottom - area.top - height) / 2;
            area.bottom = area.top + height;
        } else if (style & DT_BOTTOM) {
            area.top = area.bottom - height;
        }
    }

    CStringUI hover;
    POINT mouse = manager->GetMousePos();
    for (int i = 0; links != NULL && linkTexts != NULL && i < capacity; ++i) {
        if (::PtInRect(&links[i], mouse)) {
            hover = linkTexts[i];
            break;
        }
    }

    HGDIOBJ oldFont = ::GetCurrentObject(hDC, OBJ_FONT);
    int oldMode = ::SetBkMode(hDC, TRANSPARENT);
    COLORREF oldBack = ::SetBkColor(hDC, HtmlText::ColorRefOf(manager->GetDefaultSelectedColor()));
    HtmlText::HtmlLayout layout(hDC, manager, area, CWindowManagerUI::SubstituteMultiLanguage(text), color, style);
    layout.SetLinks(links, linkTexts, capacity, hover);
    if (measureOnly) {
        layout.Run();
        rc.bottom = layout.Bottom();
        rc.right = std::min(static_cast<int>(rc.right), layout.MaxX());
    } else {
        CClipScopeUI scope(hDC, rc);
        layout.Run();
    }
    linkCount = layout.LinkCount();
    ::SetBkColor(hDC, oldBack);
    ::SetBkMode(hDC, oldMode);
    ::SelectObject(hDC, oldFont);
}

} // namespace UiToolkit
