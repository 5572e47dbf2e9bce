#include "core/ManagerShared.h"
#include "core/ToolkitLog.h"

#include <stdlib.h>
#include <wchar.h>

namespace UiToolkit {

namespace {

// No screen shows a taller glyph, and the rasteriser's time grows with a glyph's area: 65535 pixels
// takes minutes for a line of text.
const int MAX_FONT_SIZE = 2048;

int ScreenFontSize(int size)
{
    return size > MAX_FONT_SIZE ? MAX_FONT_SIZE : size < -MAX_FONT_SIZE ? -MAX_FONT_SIZE : size;
}

CStringUI IdKey(int id)
{
    CStringUI key;
    key.Format(L"%d", id);
    return key;
}

// Follows a shared colour change unless the window chose its own value.
void SetColor(DWORD& own, DWORD& shared, DWORD color, bool isShared)
{
    if (isShared) {
        if (own == shared)
            own = color;
        shared = color;
    } else {
        own = color;
    }
}

} // namespace

void CWindowManagerUI::SetDefaultDisabledColor(DWORD color, bool shared)
{
    SetColor(m_resources.dwDisabledColor, SharedResources().dwDisabledColor, color, shared);
}

void CWindowManagerUI::SetDefaultFontColor(DWORD color, bool shared)
{
    SetColor(m_resources.dwFontColor, SharedResources().dwFontColor, color, shared);
}

void CWindowManagerUI::SetDefaultLinkColor(DWORD color, bool shared)
{
    SetColor(m_resources.dwLinkColor, SharedResources().dwLinkColor, color, shared);
}

void CWindowManagerUI::SetDefaultLinkHoverColor(DWORD color, bool shared)
{
    SetColor(m_resources.dwLinkHoverColor, SharedResources().dwLinkHoverColor, color, shared);
}

void CWindowManagerUI::SetDefaultSelectedColor(DWORD color, bool shared)
{
    SetColor(m_resources.dwSelectedColor, SharedResources().dwSelectedColor, color, shared);
}

FontInfoUI* CWindowManagerUI::NewFontInfo(const wchar_t* face, int size, bool bold, bool underline, bool italic)
{
    if (ScreenFontSize(size) != size) {
        LOG(ERROR) << "Font \"" << LogText(face) << "\" of size " << size << " is taken at " << ScreenFontSize(size);
        size = ScreenFontSize(size);
    }
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    // The face name must fit LF_FACESIZE units with its terminator.
    lstrcpynW(lf.lfFaceName, face != NULL ? face : L"", LF_FACESIZE);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -size;
    if (bold)
        lf.lfWeight += FW_BOLD;
    if (underline)
        lf.lfUnderline = TRUE;
    if (italic)
        lf.lfItalic = TRUE;
    HFONT font = CreateFontIndirectW(&lf);
    if (font == NULL)
        return NULL;
    FontInfoUI* info = new FontInfoUI;
    info->hFont = font;
    info->sFaceName = face;
    info->iSize = size;
    info->bBold = bold;
    info->bUnderline = underline;
    info->bItalic = italic;
    memset(&info->tm, 0, sizeof(info->tm));
    return info;
}

void CWindowManagerUI::TakeMetrics(FontInfoUI* info)
{
    if (m_hDcPaint == NULL || info == NULL || info->hFont == NULL)
        return;
    HGDIOBJ old = SelectObject(m_hDcPaint, info->hFont);
    GetTextMetricsW(m_hDcPaint, &info->tm);
    SelectObject(m_hDcPaint, old);
}

HFONT CWindowManagerUI::AddFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic,
                                bool shared)
{
    FontInfoUI* info = NewFontInfo(face, size, bold, underline, italic);
    if (info == NULL)
        return NULL;
    TakeMetrics(info);
    CStringMapUI& fonts = shared ? SharedResources().fonts : m_resources.fonts;
    CStringUI key = IdKey(id);
    FontInfoUI* old = static_cast<FontInfoUI*>(fonts.Find(key.Text()));
    if (old != NULL) {
        DeleteObject(old->hFont);
        delete old;
        fonts.Remove(key.Text());
    }
    fonts.Insert(key.Text(), info);
    return info->hFont;
}

void CWindowManagerUI::SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline, bool italic,
                                      bool shared)
{
    FontInfoUI* info = NewFontInfo(face, size, bold, underline, italic);
    if (info == NULL)
        return;
    FontInfoUI& target = shared ? SharedResources().defaultFont : m_resources.defaultFont;
    if (target.hFont != NULL)
        DeleteObject(target.hFont);
    target = *info;
    delete info;
    TakeMetrics(&target);
}

HFONT CWindowManagerUI::GetFont(int id)
{
    if (id >= 0) {
        CStringUI key = IdKey(id);
        FontInfoUI* info = static_cast<FontInfoUI*>(m_resources.fonts.Find(key.Text()));
        if (info == NULL)
            info = static_cast<FontInfoUI*>(SharedResources().fonts.Find(key.Text()));
        if (info != NULL)
            return info->hFont;
    }
    return GetFontInfo(-1)->hFont;
}

HFONT CWindowManagerUI::FindFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) const
{
    size = ScreenFontSize(size); // as it was made
    const CStringMapUI* maps[2] = {&m_resources.fonts, &SharedResources().fonts};
    for (const CStringMapUI* fonts : maps) {
        for (int i = 0; i < fonts->Count(); ++i) {
            const FontInfoUI* info = static_cast<const FontInfoUI*>(fonts->Find(fonts->GetAt(i), false));
            if (info != NULL && info->sFaceName.Equals(face) && info->iSize == size && info->bBold == bold &&
                info->bUnderline == underline && info->bItalic == italic)
                return info->hFont;
        }
    }
    return NULL;
}

FontInfoUI* CWindowManagerUI::GetFontInfo(int id)
{
    FontInfoUI* info = NULL;
    if (id >= 0) {
        CStringUI key = IdKey(id);
        info = static_cast<FontInfoUI*>(m_resources.fonts.Find(key.Text()));
        if (info == NULL)
            info = static_cast<FontInfoUI*>(SharedResources().fonts.Find(key.Text()));
    }
    if (info == NULL)
        info = m_resources.defaultFont.sFaceName.IsEmpty() ? &SharedResources().defaultFont : &m_resources.defaultFont;
    if (info->tm.tmHeight == 0)
        TakeMetrics(info);
    return info;
}

FontInfoUI* CWindowManagerUI::GetFontInfo(HFONT font)
{
    CStringMapUI* maps[2] = {&m_resources.fonts, &SharedResources().fonts};
    for (CStringMapUI* fonts : maps) {
        for (int i = 0; i < fonts->Count(); ++i) {
            FontInfoUI* info = static_cast<FontInfoUI*>(fonts->Find(fonts->GetAt(i), false));
            if (info != NULL && info->hFont == font) {
                if (info->tm.tmHeight == 0)
                    TakeMetrics(info);
                return info;
            }
        }
    }
    return GetFontInfo(-1);
}

void CWindowManagerUI::FreeFontMap(CStringMapUI& fonts)
{
    for (int i = 0; i < fonts.Count(); ++i) {
        FontInfoUI* info = static_cast<FontInfoUI*>(fonts.Find(fonts.GetAt(i), false));
        if (info != NULL) {
            DeleteObject(info->hFont);
            delete info;
        }
    }
    fonts.RemoveAll();
}

void CWindowManagerUI::RemoveAllFonts(bool shared)
{
    FreeFontMap(shared ? SharedResources().fonts : m_resources.fonts);
}

void CWindowManagerUI::FreeTextMap(CStringMapUI& texts)
{
    for (int i = 0; i < texts.Count(); ++i)
        delete static_cast<CStringUI*>(texts.Find(texts.GetAt(i), false));
    texts.RemoveAll();
}

void CWindowManagerUI::AddDefaultAttributeList(const wchar_t* tag, const wchar_t* list, bool shared)
{
    CStringMapUI& lists = shared ? SharedResources().attributeLists : m_resources.attributeLists;
    delete static_cast<CStringUI*>(lists.Set(tag, new CStringUI(list)));
}

const wchar_t* CWindowManagerUI::GetDefaultAttributeList(const wchar_t* tag) const
{
    const CStringUI* list = static_cast<const CStringUI*>(m_resources.attributeLists.Find(tag));
    if (list == NULL)
        list = static_cast<const CStringUI*>(SharedResources().attributeLists.Find(tag));
    return list != NULL ? list->Text() : NULL;
}

void CWindowManagerUI::RemoveAllDefaultAttributeLists(bool shared)
{
    FreeTextMap(shared ? SharedResources().attributeLists : m_resources.attributeLists);
}

void CWindowManagerUI::AddMultiLanguageText(int id, const wchar_t* text)
{
    CStringUI key = IdKey(id);
    delete static_cast<CStringUI*>(SharedResources().multiLanguageTexts.Set(key.Text(), new CStringUI(text)));
}

const wchar_t* CWindowManagerUI::GetMultiLanguageText(int id)
{
    CStringUI key = IdKey(id);
    const CStringUI* text = static_cast<const CStringUI*>(SharedResources().multiLanguageTexts.Find(key.Text()));
    return text != NULL ? text->Text() : NULL;
}

bool CWindowManagerUI::AddOptionGroup(const wchar_t* group, CControlUI* control)
{
    CPtrArrayUI* members = static_cast<CPtrArrayUI*>(m_mOptionGroup.Find(group));
    if (members != NULL) {
        if (members->Find(control) >= 0)
            return false;
        return members->Add(control);
    }
    members = new CPtrArrayUI(6);
    members->Add(control);
    m_mOptionGroup.Insert(group, members);
    return true;
}

CPtrArrayUI* CWindowManagerUI::GetOptionGroup(const wchar_t* group)
{
    return static_cast<CPtrArrayUI*>(m_mOptionGroup.Find(group));
}

void CWindowManagerUI::RemoveOptionGroup(const wchar_t* group, CControlUI* control)
{
    CPtrArrayUI* members = static_cast<CPtrArrayUI*>(m_mOptionGroup.Find(group));
    if (members == NULL)
        return;
    members->Remove(members->Find(control));
    if (members->IsEmpty()) {
        delete members;
        m_mOptionGroup.Remove(group);
    }
}

void CWindowManagerUI::RemoveAllOptionGroups()
{
    for (int i = 0; i < m_mOptionGroup.Count(); ++i)
        delete static_cast<CPtrArrayUI*>(m_mOptionGroup.Find(m_mOptionGroup.GetAt(i), false));
    m_mOptionGroup.RemoveAll();
}

void CWindowManagerUI::GetHSL(short* h, short* s, short* l, bool* enabled)
{
    // No operation changes the process-wide shift: these values leave colours as they are.
    *h = 180;
    *s = 100;
    *l = 100;
    *enabled = false;
}

void CWindowManagerUI::SetInitialSize(int cx, int cy)
{
    m_szInitWindowSize.cx = cx;
    m_szInitWindowSize.cy = cy;
    if (m_hWnd != NULL && m_pRoot == NULL)
        SetWindowPos(m_hWnd, NULL, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowManagerUI::SetRoundCorner(int cx, int cy)
{
    m_szRoundCorner.cx = cx;
    m_szRoundCorner.cy = cy;
}

void CWindowManagerUI::SetMinInfo(int cx, int cy)
{
    m_szMinWindow.cx = cx;
    m_szMinWindow.cy = cy;
}

void CWindowManagerUI::SetMaxInfo(int cx, int cy)
{
    m_szMaxWindow.cx = cx;
    m_szMaxWindow.cy = cy;
}

void CWindowManagerUI::SetOpacity(int value)
{
    m_nOpacity = value < 0 ? 0 : (value > 255 ? 255 : value);
    if (m_hWnd == NULL)
        return;
    typedef BOOL(WINAPI * SetLayeredFn)(HWND, COLORREF, BYTE, DWORD);
    SetLayeredFn setLayered =
        reinterpret_cast<SetLayeredFn>(GetProcAddress(GetModuleHandleW(L"User32.dll"), "SetLayeredWindowAttributes"));
    if (setLayered == NULL)
        return;
    LONG exStyle = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    if (value >= 0 && value <= 255)
        exStyle |= WS_EX_LAYERED;
    else
        exStyle &= ~WS_EX_LAYERED;
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle);
    setLayered(m_hWnd, 0, static_cast<BYTE>(m_nOpacity), LWA_ALPHA);
}

} // namespace UiToolkit
