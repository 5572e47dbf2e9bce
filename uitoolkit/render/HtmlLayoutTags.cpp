// Tagged text: fonts, colours, links, images and spacing set by the tags.
#include "render/HtmlLayout.h"

#include <atomic>
#include <cwchar>

namespace UiToolkit {
namespace HtmlText {

namespace {

// Fonts made for tags get ids above the ones skins use.
std::atomic<int> g_nextTagFontId(30000);

} // namespace

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

} // namespace HtmlText
} // namespace UiToolkit
