#include "base/UIString.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace UiToolkit {

CStringUI::CStringUI() : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
}

CStringUI::CStringUI(wchar_t ch) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = ch;
    m_szBuffer[1] = L'\0';
}

CStringUI::CStringUI(const wchar_t* text, int length) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    SetN(text, length);
}

CStringUI::CStringUI(const CStringUI& src) : m_pstr(m_szBuffer)
{
    m_szBuffer[0] = L'\0';
    SetN(src.m_pstr, -1);
}

CStringUI::~CStringUI()
{
    if (OnHeap())
        free(m_pstr);
}

int CStringUI::Length() const
{
    return static_cast<int>(wcslen(m_pstr));
}

void CStringUI::Set(const wchar_t* text)
{
    if (text == NULL)
        Empty();
    else
        SetN(text, -1);
}

void CStringUI::SetN(const wchar_t* text, int n)
{
    if (text == NULL)
        text = L"";
    if (n < 0)
        n = static_cast<int>(wcslen(text));
    if (n > MAX_INLINE) {
        if (!OnHeap() || Length() < n) {
            // The new block is filled before the old one goes, so text may point into it.
            wchar_t* block = static_cast<wchar_t*>(malloc(n * sizeof(wchar_t) + sizeof(wchar_t)));
            if (block == NULL)
                return;
            wmemcpy(block, text, n);
            block[n] = L'\0';
            if (OnHeap())
                free(m_pstr);
            m_pstr = block;
            return;
        }
        wmemmove(m_pstr, text, n);
        m_pstr[n] = L'\0';
        return;
    }
    // The heap block (and text inside it) stays alive until the units are in the inline buffer.
    wmemmove(m_szBuffer, text, n);
    m_szBuffer[n] = L'\0';
    if (OnHeap()) {
        free(m_pstr);
        m_pstr = m_szBuffer;
    }
}

void CStringUI::Append(const wchar_t* text)
{
    if (text == NULL)
        return;
    int length = Length();
    int added = static_cast<int>(wcslen(text));
    int total = length + added;
    if (total > MAX_INLINE) {
        wchar_t* block = static_cast<wchar_t*>(malloc(total * sizeof(wchar_t) + sizeof(wchar_t)));
        if (block == NULL)
            return;
        wmemcpy(block, m_pstr, length);
        wmemcpy(block + length, text, added);
        block[total] = L'\0';
        if (OnHeap())
            free(m_pstr);
        m_pstr = block;
        return;
    }
    wmemmove(m_pstr + length, text, added);
    m_pstr[total] = L'\0';
}

void CStringUI::AppendChar(wchar_t ch)
{
    wchar_t text[2] = {ch, L'\0'};
    Append(text);
}

void CStringUI::Empty()
{
    if (OnHeap())
        free(m_pstr);
    m_pstr = m_szBuffer;
    m_szBuffer[0] = L'\0';
}

bool CStringUI::Equals(const wchar_t* text) const
{
    return wcscmp(m_pstr, text ? text : L"") == 0;
}

int CStringUI::Compare(const wchar_t* text) const
{
    return wcscmp(m_pstr, text ? text : L"");
}

int CStringUI::Find(const wchar_t* text, int start) const
{
    if (text == NULL)
        return -1;
    if (start != 0 && (start < 0 || start > Length()))
        return -1;
    if (text[0] == L'\0')
        return start;
    const wchar_t* hit = wcsstr(m_pstr + start, text);
    return hit ? static_cast<int>(hit - m_pstr) : -1;
}

int CStringUI::FindChar(wchar_t ch, int start) const
{
    if (ch == L'\0')
        return -1;
    if (start != 0 && (start < 0 || start >= Length()))
        return -1;
    const wchar_t* hit = wcschr(m_pstr + start, ch);
    return hit ? static_cast<int>(hit - m_pstr) : -1;
}

int CStringUI::FindLast(wchar_t ch) const
{
    if (ch == L'\0')
        return -1;
    const wchar_t* hit = wcsrchr(m_pstr, ch);
    return hit ? static_cast<int>(hit - m_pstr) : -1;
}

CStringUI CStringUI::Head(int n) const
{
    int length = Length();
    if (n < 0)
        n = 0;
    if (n > length)
        n = length;
    return CStringUI(m_pstr, n);
}

CStringUI CStringUI::Slice(int start, int n) const
{
    int length = Length();
    if (start < 0 || start > length)
        return CStringUI();
    if (n < 0 || start + n > length)
        n = length - start;
    if (n <= 0)
        return CStringUI();
    return CStringUI(m_pstr + start, n);
}

int CStringUI::ReplaceAll(const wchar_t* from, const wchar_t* to)
{
    if (from == NULL || from[0] == L'\0')
        return 0;
    if (to == NULL)
        to = L"";
    // Copies, because either text may point into this string.
    CStringUI what(from);
    CStringUI with(to);
    int count = 0;
    int pos = Find(what.Text(), 0);
    while (pos >= 0) {
        CStringUI next = Head(pos) + with + Slice(pos + what.Length());
        *this = next;
        ++count;
        pos = Find(what.Text(), pos + with.Length());
    }
    return count;
}

void CStringUI::MakeLower()
{
    for (wchar_t* p = m_pstr; *p; ++p) {
        if (*p >= L'A' && *p <= L'Z')
            *p = static_cast<wchar_t>(*p + (L'a' - L'A'));
    }
}

int CStringUI::Format(const wchar_t* format, ...)
{
    // The formatter writes at most FORMAT_LIMIT units plus its terminator.
    wchar_t buffer[FORMAT_LIMIT + 1];
    buffer[0] = L'\0';
    va_list args;
    va_start(args, format);
    wvsprintfW(buffer, format, args);
    va_end(args);
    buffer[FORMAT_LIMIT] = L'\0';
    int written = static_cast<int>(wcslen(buffer));
    SetN(buffer, written);
    return written;
}

CStringUI& CStringUI::operator=(const CStringUI& src)
{
    if (&src != this)
        SetN(src.m_pstr, -1);
    return *this;
}

CStringUI& CStringUI::operator=(const wchar_t* text)
{
    SetN(text, -1);
    return *this;
}

CStringUI& CStringUI::operator=(wchar_t ch)
{
    Empty();
    m_szBuffer[0] = ch;
    m_szBuffer[1] = L'\0';
    return *this;
}

CStringUI& CStringUI::operator+=(const CStringUI& src)
{
    Append(src.m_pstr);
    return *this;
}

CStringUI& CStringUI::operator+=(const wchar_t* text)
{
    Append(text);
    return *this;
}

CStringUI& CStringUI::operator+=(wchar_t ch)
{
    AppendChar(ch);
    return *this;
}

CStringUI CStringUI::operator+(const CStringUI& src) const
{
    CStringUI result(*this);
    result.Append(src.m_pstr);
    return result;
}

CStringUI CStringUI::operator+(const wchar_t* text) const
{
    CStringUI result(*this);
    result.Append(text);
    return result;
}

} // namespace UiToolkit
