#include "ZipNameRules.h"

#include <cwchar>

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsDotsAndBlanks(const wchar_t* s, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (s[i] != L'.' && s[i] != L' ')
            return false;
    return true;
}

bool EqualsNoCase(const wchar_t* s, size_t n, const wchar_t* word)
{
    return wcslen(word) == n && _wcsnicmp(s, word, n) == 0;
}

// Windows opens a device for its name whatever follows the first dot, and ignores trailing
// dots and blanks.
bool IsDeviceName(const wchar_t* s, size_t n)
{
    size_t stem = 0;
    while (stem < n && s[stem] != L'.')
        ++stem;
    while (stem > 0 && s[stem - 1] == L' ')
        --stem;
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kDevices)
        if (EqualsNoCase(s, stem, device))
            return true;
    if (stem == 4 && (_wcsnicmp(s, L"COM", 3) == 0 || _wcsnicmp(s, L"LPT", 3) == 0)) {
        wchar_t digit = s[3];
        return (digit >= L'1' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
    }
    return false;
}

} // namespace

bool ZipNameCharIsAllowed(wchar_t c)
{
    return c >= 0x20 && c != L':' && c != L'<' && c != L'>' && c != L'"' && c != L'|' && c != L'?' && c != L'*';
}

bool ZipNameSegmentIsSafe(const wchar_t* segment, size_t length)
{
    if (!segment || length == 0)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (!ZipNameCharIsAllowed(segment[i]))
            return false;
    return !IsDeviceName(segment, length);
}

bool ZipRelativePathIsSafe(const wchar_t* path)
{
    if (!path || !*path || IsSeparator(path[0]) || path[1] == L':')
        return false;
    const wchar_t* segment = path;
    for (const wchar_t* p = path;; ++p) {
        if (*p != L'\0' && !IsSeparator(*p))
            continue;
        size_t n = static_cast<size_t>(p - segment);
        if (n > 0 && (IsDotsAndBlanks(segment, n) || !ZipNameSegmentIsSafe(segment, n)))
            return false;
        if (*p == L'\0')
            return true;
        segment = p + 1;
    }
}
