// Rich edit text, selection, formatting, clipboard, undo and the text limit, all through the text services.
#include "controls/RichEditUI.h"
#include "controls/TxtWinHost.h"

#include <vector>

namespace UiToolkit {

namespace {

const UINT CODEPAGE_UTF16 = 1200;

} // namespace

long CRichEditUI::GetTextLength(DWORD flags) const
{
    GETTEXTLENGTHEX query = {flags, CODEPAGE_UTF16};
    LRESULT length = 0;
    TxSendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0, &length);
    return static_cast<long>(length);
}

CStringUI CRichEditUI::GetText() const
{
    if (m_pTwh == NULL)
        return m_sText;
    long length = GetTextLength(GTL_DEFAULT);
    std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    GETTEXTEX query = {};
    query.cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    query.flags = GT_DEFAULT;
    query.codepage = CODEPAGE_UTF16;
    TxSendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(buffer.data()), NULL);
    return CStringUI(buffer.data());
}

void CRichEditUI::SetText(const wchar_t* text)
{
    m_sText = text != NULL ? text : L"";
    if (m_pTwh == NULL) {
        Invalidate();
        return;
    }
    SetSel(0, -1);
    ReplaceSel(m_sText, false);
}

void CRichEditUI::SetSel(long first, long last)
{
    CHARRANGE range = {first, last};
    TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range), NULL);
}

CHARRANGE CRichEditUI::GetSel() const
{
    CHARRANGE range = {0, 0};
    TxSendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range), NULL);
    return range;
}

CStringUI CRichEditUI::GetSelText() const
{
    CHARRANGE range = GetSel();
    long count = range.cpMax - range.cpMin;
    if (count <= 0)
        return CStringUI();
    std::vector<wchar_t> buffer(static_cast<size_t>(count) + 1, L'\0');
    TxSendMessage(EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data()), NULL);
    return CStringUI(buffer.data());
}

void CRichEditUI::ReplaceSel(const wchar_t* text, bool canUndo)
{
    TxSendMessage(EM_REPLACESEL, canUndo ? TRUE : FALSE, reinterpret_cast<LPARAM>(text != NULL ? text : L""), NULL);
}

void CRichEditUI::SetLimitText(int limit)
{
    m_iLimitText = limit;
    if (m_pTwh == NULL)
        return;
    m_pTwh->SetMaxLength(limit);
    TxSendMessage(EM_EXLIMITTEXT, 0, limit, NULL);
}

namespace {

bool Answer(const CRichEditUI* edit, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    LRESULT result = 0;
    return edit->TxSendMessage(msg, wParam, lParam, &result) == S_OK && result != 0;
}

} // namespace

bool CRichEditUI::CanUndo() const
{
    return Answer(this, EM_CANUNDO);
}
bool CRichEditUI::Undo()
{
    return Answer(this, EM_UNDO);
}
bool CRichEditUI::CanRedo() const
{
    return Answer(this, EM_CANREDO);
}
bool CRichEditUI::Redo()
{
    return Answer(this, EM_REDO);
}
void CRichEditUI::Copy()
{
    TxSendMessage(WM_COPY, 0, 0, NULL);
}
void CRichEditUI::Cut()
{
    TxSendMessage(WM_CUT, 0, 0, NULL);
}
void CRichEditUI::Paste()
{
    TxSendMessage(WM_PASTE, 0, 0, NULL);
}
void CRichEditUI::Clear()
{
    TxSendMessage(WM_CLEAR, 0, 0, NULL);
}

bool CRichEditUI::GetDefaultCharFormat(CHARFORMAT2W& format) const
{
    format.cbSize = sizeof(format);
    LRESULT result = 0;
    return TxSendMessage(EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format), &result) == S_OK;
}

bool CRichEditUI::SetDefaultCharFormat(CHARFORMAT2W& format)
{
    format.cbSize = sizeof(format);
    return Answer(this, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

bool CRichEditUI::GetSelectionCharFormat(CHARFORMAT2W& format) const
{
    format.cbSize = sizeof(format);
    LRESULT result = 0;
    return TxSendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format), &result) == S_OK;
}

bool CRichEditUI::SetSelectionCharFormat(CHARFORMAT2W& format)
{
    format.cbSize = sizeof(format);
    return Answer(this, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

bool CRichEditUI::GetParaFormat(PARAFORMAT2& format) const
{
    format.cbSize = sizeof(format);
    LRESULT result = 0;
    return TxSendMessage(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format), &result) == S_OK;
}

bool CRichEditUI::SetParaFormat(PARAFORMAT2& format)
{
    format.cbSize = sizeof(format);
    return Answer(this, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
}

DWORD CRichEditUI::SetEventMask(DWORD mask)
{
    LRESULT old = 0;
    TxSendMessage(EM_SETEVENTMASK, 0, static_cast<LPARAM>(mask), &old);
    return static_cast<DWORD>(old);
}

int CRichEditUI::GetLineCount() const
{
    LRESULT lines = 0;
    TxSendMessage(EM_GETLINECOUNT, 0, 0, &lines);
    return static_cast<int>(lines);
}

} // namespace UiToolkit
