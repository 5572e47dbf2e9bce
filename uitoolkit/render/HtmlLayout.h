// Layout of tagged text, line by line; shared by the tag handling and the run drawing.
#pragma once
#include "render/RenderKit.h"
#include "core/WindowManager.h"

#include <algorithm>
#include <vector>

namespace UiToolkit {
namespace HtmlText {

inline COLORREF ColorRefOf(DWORD color)
{
    return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

inline bool IsBracketOpen(wchar_t ch)
{
    return ch == L'<' || ch == L'{';
}

inline bool IsBracketClose(wchar_t ch)
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
    // How many characters of the run fit in the rest of the line.
    int FitInLine(const wchar_t* run, int length);
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

} // namespace HtmlText
} // namespace UiToolkit
