// The toolkit's wide string with a small inline buffer.
#pragma once
#include <windows.h>

namespace UiToolkit {

// Text of at most 62 units stays in the inline buffer; longer text lives in an exact-size heap block.
class CStringUI
{
public:
    enum
    {
        INLINE_UNITS = 64,
        MAX_INLINE = INLINE_UNITS - 2,
        FORMAT_LIMIT = 1024
    };

    CStringUI();
    CStringUI(wchar_t ch);
    CStringUI(const wchar_t* text, int length = -1);
    CStringUI(const CStringUI& src);
    ~CStringUI();

    void Set(const wchar_t* text);
    void SetN(const wchar_t* text, int n);
    void Append(const wchar_t* text);
    void AppendChar(wchar_t ch);
    void Empty();

    const wchar_t* Text() const { return m_pstr; }
    int Length() const;
    bool IsEmpty() const { return m_pstr[0] == L'\0'; }
    wchar_t CharAt(int index) const { return m_pstr[index]; }
    operator const wchar_t*() const { return m_pstr; }

    bool Equals(const wchar_t* text) const;
    int Compare(const wchar_t* text) const;

    int Find(const wchar_t* text, int start = 0) const;
    int FindChar(wchar_t ch, int start = 0) const;
    int FindLast(wchar_t ch) const;
    CStringUI Head(int n) const;
    CStringUI Slice(int start, int n = -1) const;
    int ReplaceAll(const wchar_t* from, const wchar_t* to);
    void MakeLower();
    int Format(const wchar_t* format, ...);

    CStringUI& operator=(const CStringUI& src);
    CStringUI& operator=(const wchar_t* text);
    CStringUI& operator=(wchar_t ch);
    CStringUI& operator+=(const CStringUI& src);
    CStringUI& operator+=(const wchar_t* text);
    CStringUI& operator+=(wchar_t ch);
    CStringUI operator+(const CStringUI& src) const;
    CStringUI operator+(const wchar_t* text) const;
    bool operator==(const wchar_t* text) const { return Equals(text); }
    bool operator!=(const wchar_t* text) const { return !Equals(text); }
    bool operator<(const wchar_t* text) const { return Compare(text) < 0; }

private:
    bool OnHeap() const { return m_pstr != m_szBuffer; }

    wchar_t* m_pstr;
    wchar_t m_szBuffer[INLINE_UNITS];
};

} // namespace UiToolkit
