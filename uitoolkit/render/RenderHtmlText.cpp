#include "render/RenderKit.h"
#include "core/WindowManager.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <vector>

namespace UiToolkit {

namespace {

// Fonts made for tags get ids above the ones skins use.
std::atomic<int> g_nextTagFontId(30000);

COLORREF ColorRefOf(DWORD color)
{
    return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

bool IsBracketOpen(wchar_t ch)
{
    return ch == L'<' || ch == L'{';
}

bool IsBracketClose(wchar_t ch)
{
    return ch == L'>' || ch == L'}';
}

// Everything that is restored when a line is laid out a second time for drawing.
struct LineState
{
    int pos = 0;
    std::vector<FontInfoUI*> fonts;
    std::vector<DWORD> colors;
    std::vector<int> spacings;
    bool raw = false;
    bool selected = false;
    bool inLink = false;
    CStringUI linkText;
    int linkStartX = 0;
};

struct Tag
{
    bool closing = false;
    wchar_t letter = 0;
    CStringUI argument;
    int end = 0; // position after the tag
};

class HtmlLayout
{
public:
    HtmlLayout(HDC hDC, CWindowManagerUI* manager, const RECT& rc, const CStringUI& text, DWORD color, UINT style)
        : m_hDC(hDC), m_manager(manager), m_rc(rc), m_text(text), m_defaultColor(color), m_style(style)
    {
        m_state.fonts.reserve(10);
        m_state.colors.reserve(10);
        m_state.spacings.reserve(10);
    }

    void SetLinks(RECT* links, CStringUI* texts, int capacity, const CStringUI& hover)
    {
        m_links = links;
        m_linkTexts = texts;
        m_capacity = (links == NULL || texts == NULL) ? 0 : std::max(0, capacity);
        m_hover = hover;
    }

    void Run();
    int LinkCount() const { return std::min(m_linkIndex, m_capacity); }
    int MaxX() const { return m_maxX; }
    int Bottom() const { return m_y + m_lineHeight; }

private:
    enum class LineEnd
    {
        More,
        TextEnd
    };

    LineEnd LayoutLine(bool drawing);
    bool ParseTag(int pos, Tag& tag) const;
    int Escape(int pos, wchar_t& out) const;
    // False when the line has to end before the tag (which is then handled on the next line).
    bool ApplyTag(const Tag& tag, bool drawing, bool& lineBreak);
    bool PlaceImage(const CStringUI& argument, bool drawing);
    // True when the line ends after the run.
    bool PlaceRun(bool drawing);
    void DrawRun(const wchar_t* run, int length, int width, bool ellipsis);

    FontInfoUI* CurrentFont();
    void SelectCurrent();
    void PushFont(FontInfoUI* font);
    void PopFont();
    FontInfoUI* Variant(bool bold, bool underline, bool italic);
    FontInfoUI* FontFromTag(const CStringUI& argument);
    int TopSpacing() const { return m_state.spacings.empty() ? 0 : m_state.spacings.back(); }
    int BaseHeight();
    void GrowLineHeight() { m_lineHeight = std::max(m_lineHeight, BaseHeight()); }
    void RecordLink(int right, bool drawing);
    void EndLine(bool drawing);

    HDC m_hDC;
    CWindowManagerUI* m_manager;
    RECT m_rc;
    CStringUI m_text;
    DWORD m_defaultColor;
    UINT m_style;

    RECT* m_links = NULL;
    CStringUI* m_linkTexts = NULL;
    int m_capacity = 0;
    int m_linkIndex = 0;
    int m_lineFirstLink = 0;
    CStringUI m_hover;

    LineState m_state;
    int m_x = 0;
    int m_y = 0;
    int m_lineHeight = 0;
    int m_maxX = 0;
};

FontInfoUI* HtmlLayout::CurrentFont()
{
    return m_state.fonts.empty() ? m_manager->GetFontInfo(-1) : m_state.fonts.back();
}

void HtmlLayout::SelectCurrent()
{
    FontInfoUI* font = CurrentFont();
    ::SelectObject(m_hDC, font->hFont);
    // Fonts added before the window had a DC carry no metrics yet.
    if (font->tm.tmHeight == 0)
        ::GetTextMetricsW(m_hDC, &font->tm);
    DWORD color = m_state.colors.empty() ? m_defaultColor : m_state.colors.back();
    ::SetTextColor(m_hDC, ColorRefOf(color));
}

int HtmlLayout::BaseHeight()
{
    const TEXTMETRICW& tm = CurrentFont()->tm;
    return TopSpacing() + tm.tmHeight + tm.tmExternalLeading;
}

void HtmlLayout::PushFont(FontInfoUI* font)
{
    if (font == NULL)
        font = CurrentFont();
    m_state.fonts.push_back(font);
    SelectCurrent();
    GrowLineHeight();
}

void HtmlLayout::PopFont()
{
    if (m_state.fonts.empty())
        return;
    FontInfoUI* popped = m_state.fonts.back();
    m_state.fonts.pop_back();
    // An italic run leans into the next one; leave it room.
    if (popped->bItalic && !CurrentFont()->bItalic) {
        ABC abc = {0, 0, 0};
        if (::GetCharABCWidthsW(m_hDC, L' ', L' ', &abc))
            m_x += static_cast<int>(abc.abcC) / 2;
    }
    SelectCurrent();
}

FontInfoUI* HtmlLayout::Variant(bool bold, bool underline, bool italic)
{
    FontInfoUI* base = CurrentFont();
    HFONT found = m_manager->FindFont(base->sFaceName, base->iSize, bold, underline, italic);
    if (found == NULL)
        found = m_manager->AddFont(g_nextTagFontId++, base->sFaceName, base->iSize, bold, underline, italic);
    return found == NULL ? NULL : m_manager->GetFontInfo(found);
}

FontInfoUI* HtmlLayout::FontFromTag(const CStringUI& argument)
{
    const wchar_t* p = argument.Text();
    if (*p >= L'0' && *p <= L'9')
        return m_manager->GetFontInfo(_wtoi(p));
    const wchar_t* faceEnd = p;
    while (*faceEnd != L'\0' && *faceEnd != L' ')
        ++faceEnd;
    CStringUI face(p, static_cast<int>(faceEnd - p));
    CStringUI rest(faceEnd);
    wchar_t* after = NULL;
    long size = wcstol(rest.Text(), &after, 10);
    if (after == rest.Text() || size <= 0)
        size = 10;
    bool bold = rest.Find(L"bold") >= 0;
    bool underline = rest.Find(L"underline") >= 0;
    bool italic = rest.Find(L"italic") >= 0;
    HFONT found = m_manager->FindFont(face, size, bold, underline, italic);
    if (found == NULL)
        found = m_manager->AddFont(g_nextTagFontId++, face, size, bold, underline, italic);
    return found == NULL ? NULL : m_manager->GetFontInfo(found);
}

int HtmlLayout::Escape(int pos, wchar_t& out) const
{
    const wchar_t* p = m_text.Text() + pos;
    if (p[0] == L'\0' || p[1] == L'\0' || p[2] == L'\0')
        return 0;
    if (p[0] == L'<' && p[2] == L'>' && (p[1] == L'{' || p[1] == L'}')) {
        out = p[1];
        return 3;
    }
    if (p[0] == L'{' && p[2] == L'}' && (p[1] == L'<' || p[1] == L'>')) {
        out = p[1];
        return 3;
    }
    return 0;
}

bool HtmlLayout::ParseTag(int pos, Tag& tag) const
{
    const wchar_t* p = m_text.Text() + pos;
    if (!IsBracketOpen(p[0]))
        return false;
    if (p[1] == L'/') {
        if (p[2] < L'a' || p[2] > L'z' || !IsBracketClose(p[3]))
            return false;
        tag.closing = true;
        tag.letter = p[2];
        tag.end = pos + 4;
        return true;
    }
    if (p[1] < L'a' || p[1] > L'z' || (p[2] != L' ' && !IsBracketClose(p[2])))
        return false;
    tag.closing = false;
    tag.letter = p[1];
    int start = 2;
    while (p[start] == L' ')
        ++start;
    int stop = start;
    while (p[stop] != L'\0' && !IsBracketClose(p[stop]))
        ++stop;
    tag.argument = CStringUI(p + start, stop - start);
    tag.end = pos + stop + (p[stop] != L'\0' ? 1 : 0);
    return true;
}

void HtmlLayout::RecordLink(int right, bool drawing)
{
    if (!drawing && m_linkIndex < m_capacity) {
        const TEXTMETRICW& tm = CurrentFont()->tm;
        RECT link = {m_state.linkStartX, m_y, right, m_y + tm.tmHeight + tm.tmExternalLeading};
        m_links[m_linkIndex] = link;
        m_linkTexts[m_linkIndex] = m_state.linkText;
    }
    ++m_linkIndex;
}

bool HtmlLayout::ApplyTag(const Tag& tag, bool drawing, bool& lineBreak)
{
    bool atLineStart = m_x == m_rc.left;
    switch (tag.letter) {
    case L'a':
        if (tag.closing) {
            if (!m_state.inLink)
                break;
            RecordLink(m_x, drawing);
            m_state.inLink = false;
            if (!m_state.colors.empty())
                m_state.colors.pop_back();
            PopFont();
        } else {
            m_state.inLink = true;
            m_state.linkText = tag.argument;
            m_state.linkStartX = m_x;
            bool hot = !m_hover.IsEmpty() && m_hover.Equals(tag.argument);
            m_state.colors.push_back(hot ? m_manager->GetDefaultLinkHoverColor() : m_manager->GetDefaultLinkColor());
            FontInfoUI* font = CurrentFont();
            PushFont(Variant(font->bBold, true, font->bItalic));
        }
        break;
    case L'b':
    case L'u':
        if (tag.closing) {
            PopFont();
        } else {
            FontInfoUI* font = CurrentFont();
            bool already = tag.letter == L'b' ? font->bBold : font->bUnderline;
            // The same font again keeps the closing tag balanced without making a new one.
            PushFont(already ? font
                             : Variant(font->bBold || tag.letter == L'b', font->bUnderline || tag.letter == L'u',
                                       font->bItalic));
        }
        break;
    case L'c':
        if (tag.closing) {
            if (!m_state.colors.empty())
                m_state.colors.pop_back();
        } else {
            const wchar_t* p = tag.argument.Text();
            while (*p == L' ')
                ++p;
            if (*p == L'#')
                ++p;
            m_state.colors.push_back(static_cast<DWORD>(wcstoul(p, NULL, 16)));
        }
        SelectCurrent();
        break;
    case L'f':
        if (tag.closing)
            PopFont();
        else
            PushFont(FontFromTag(tag.argument));
        break;
    case L'i':
        if (tag.closing) {
            PopFont();
        } else if (tag.argument.IsEmpty()) {
            FontInfoUI* font = CurrentFont();
            PushFont(Variant(font->bBold, font->bUnderline, true));
        } else {
            return PlaceImage(tag.argument, drawing);
        }
        break;
    case L'n':
        if (!tag.closing && (m_style & DT_SINGLELINE) == 0)
            lineBreak = true;
        break;
    case L'p':
        if (!atLineStart) {
            lineBreak = true;
            return false;
        }
        if (tag.closing) {
            if (!m_state.spacings.empty())
                m_state.spacings.pop_back();
        } else {
            m_state.spacings.push_back(_wtoi(tag.argument));
        }
        GrowLineHeight();
        break;
    case L'r':
        m_state.raw = !tag.closing;
        break;
    case L's':
        m_state.selected = !m_state.selected;
        break;
    case L'x':
        if (!tag.closing)
            m_x += _wtoi(tag.argument);
        break;
    case L'y':
        if (!tag.closing && !drawing)
            m_lineHeight = _wtoi(tag.argument);
        break;
    default:
        break;
    }
    return true;
}

bool HtmlLayout::PlaceImage(const CStringUI& argument, bool drawing)
{
    CStringUI name;
    CStringUI type;
    const wchar_t* numbers = argument.Text();
    if (argument.Find(L"file='") >= 0 || argument.Find(L"res='") >= 0) {
        const wchar_t* keys[3] = {L"file='", L"res='", L"restype='"};
        for (int k = 0; k < 3; ++k) {
            int at = argument.Find(keys[k]);
            if (at < 0)
                continue;
            int start = at + static_cast<int>(wcslen(keys[k]));
            int stop = argument.FindChar(L'\'', start);
            if (stop < 0)
                stop = argument.Length();
            (k == 2 ? type : name) = argument.Slice(start, stop - start);
            if (argument.Text() + std::min(stop + 1, argument.Length()) > numbers)
                numbers = argument.Text() + std::min(stop + 1, argument.Length());
        }
    } else {
        int blank = argument.FindChar(L' ');
        name = blank < 0 ? argument : argument.Head(blank);
        numbers = argument.Text() + (blank < 0 ? argument.Length() : blank);
    }
    wchar_t* after = NULL;
    long count = wcstol(numbers, &after, 10);
    long index = wcstol(after, NULL, 10);
    if (count < 1)
        count = 1;
    if (index < 0 || index >= count)
        index = 0;

    const ImageInfoUI* image = m_manager->GetImageEx(name, type.IsEmpty() ? NULL : type.Text());
    if (image == NULL)
        return true;
    int frame = image->nX / count;
    bool fits = m_x + frame <= m_rc.right || m_x == m_rc.left || (m_style & DT_SINGLELINE) != 0;
    if (!fits)
        return false;
    if (drawing) {
        int bottom = m_y + m_lineHeight;
        if (image->nY < m_lineHeight)
            bottom -= (m_lineHeight - image->nY) / 2;
        RECT dest = {m_x, bottom - image->nY, m_x + frame, bottom};
        RECT source = {frame * index, 0, frame * (index + 1), image->nY};
        RECT corners = {0, 0, 0, 0};
        CRenderKitUI::DrawImage(m_hDC, image->hBitmap, dest, m_rc, source, corners, image->bAlpha, 255);
    }
    m_x += frame;
    if (!drawing)
        m_lineHeight = std::max(m_lineHeight, static_cast<int>(image->nY));
    return true;
}

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
        int fit = 0;
        ::GetTextExtentExPointW(m_hDC, text + start, length, m_rc.right - m_x, &fit, NULL, &size);
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

} // namespace

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
    COLORREF oldBack = ::SetBkColor(hDC, ColorRefOf(manager->GetDefaultSelectedColor()));
    HtmlLayout layout(hDC, manager, area, CWindowManagerUI::SubstituteMultiLanguage(text), color, style);
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
