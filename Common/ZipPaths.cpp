// Name safety and folder creation of the ZIP extraction layer.
#include "ZipExtractor.h"
#include "ZipInternal.h"
#include "ZipNameRules.h"

#include <cwchar>
#include <string>

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// Segments of only dots and blanks name the folder itself or its parent once Windows has
// trimmed them, so they are dropped like "." and "..".
bool IsDotSegment(const std::wstring& seg)
{
    return seg.find_first_not_of(L". ") == std::wstring::npos;
}

bool IsDirectory(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Windows trims trailing dots and blanks from the last part of a path, so a folder made for
// "app." is "app", while the file path through it may keep the dot: two names for one place.
bool FolderPartsKeepTheirNames(const wchar_t* path, bool lastIsFolder)
{
    for (const wchar_t* p = path; *p; ++p) {
        bool endsPart = IsSeparator(p[1]) || (p[1] == L'\0' && lastIsFolder);
        if (endsPart && (*p == L'.' || *p == L' '))
            return false;
    }
    return true;
}

bool CreateFolder(const std::wstring& path)
{
    if (CreateDirectoryW(path.c_str(), nullptr))
        return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path);
}

} // namespace

bool MakeSafeZipName(const wchar_t* name, wchar_t* out, size_t outChars)
{
    if (!out || outChars == 0)
        return false;
    out[0] = L'\0';
    if (!name)
        return false;
    const wchar_t* p = name;
    if (p[0] != L'\0' && p[1] == L':')
        p += 2; // drive prefix

    std::wstring result;
    std::wstring seg;
    for (;; ++p) {
        wchar_t c = *p;
        if (c == L'\0' || IsSeparator(c)) {
            if (!seg.empty() && !IsDotSegment(seg)) {
                if (!result.empty())
                    result += L'/';
                result += seg;
            }
            seg.clear();
            if (c == L'\0')
                break;
            continue;
        }
        if (!ZipNameCharIsAllowed(c))
            return false;
        seg += c;
    }
    if (result.empty() || result.size() >= outChars)
        return false;
    wcscpy(out, result.c_str());
    return true;
}

bool ZipTargetNameIsSafe(const wchar_t* safeName, bool isDirectory)
{
    return ZipRelativePathIsSafe(safeName) && FolderPartsKeepTheirNames(safeName, isDirectory);
}

bool ResolveZipTarget(const wchar_t* base, const wchar_t* safeName, wchar_t* out, size_t outChars)
{
    std::wstring joined = base;
    if (!joined.empty() && !IsSeparator(joined.back()))
        joined += L'\\';
    for (const wchar_t* p = safeName; *p; ++p)
        joined += IsSeparator(*p) ? L'\\' : *p;
    if (joined.size() >= ZIP_MAX_PATH)
        return false;

    wchar_t fullBase[ZIP_MAX_PATH];
    DWORD n = GetFullPathNameW(base, ZIP_MAX_PATH, fullBase, nullptr);
    if (n == 0 || n >= ZIP_MAX_PATH)
        return false;
    if (!IsSeparator(fullBase[n - 1])) {
        if (n + 1 >= ZIP_MAX_PATH)
            return false;
        fullBase[n++] = L'\\';
        fullBase[n] = L'\0';
    }
    DWORD m = GetFullPathNameW(joined.c_str(), static_cast<DWORD>(outChars), out, nullptr);
    if (m == 0 || m >= outChars || m >= ZIP_MAX_PATH)
        return false;
    // The checked path is the one that gets opened, so device names and trimmed segments that
    // the full-path rules turn into something else cannot slip past. Opening applies the rules
    // once more: a path they still change ("..." trimmed to "..", which then climbs) is refused.
    wchar_t again[ZIP_MAX_PATH];
    if (GetFullPathNameW(out, ZIP_MAX_PATH, again, nullptr) != m || wcscmp(again, out) != 0)
        return false;
    return m > n && _wcsnicmp(out, fullBase, n) == 0;
}

std::wstring ZipPartialPath(const std::wstring& target, int index, int suffixes)
{
    std::wstring suffix;
    for (int i = 0; i < suffixes; ++i)
        suffix += kZipPartialSuffix;
    std::wstring partial = target + suffix;
    if (partial.size() < ZIP_MAX_PATH)
        return partial;
    size_t slash = target.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return std::wstring();
    partial = target.substr(0, slash + 1) + L"~" + std::to_wstring(index) + suffix;
    return partial.size() < ZIP_MAX_PATH ? partial : std::wstring();
}

bool EnsureDirectory(const wchar_t* base, const wchar_t* path)
{
    if (!base || !path || !FolderPartsKeepTheirNames(path, true))
        return false;
    std::wstring root = base;
    if (root.empty() || root.size() >= ZIP_MAX_PATH)
        return false;
    if (!IsSeparator(root.back()))
        root += L'\\';
    std::wstring full = root;
    for (const wchar_t* p = path; *p; ++p)
        full += IsSeparator(*p) ? L'\\' : *p;
    if (full.size() >= ZIP_MAX_PATH)
        return false;
    while (full.size() > root.size() && full.back() == L'\\')
        full.pop_back();

    DWORD attr = GetFileAttributesW(full.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES)
        return (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;

    std::wstring baseOnly = root.substr(0, root.size() - 1);
    if (!IsDirectory(baseOnly) && !CreateFolder(baseOnly))
        return false;
    // Walk from the base down, creating each missing level.
    for (size_t i = root.size(); i <= full.size(); ++i) {
        if (i < full.size() && full[i] != L'\\')
            continue;
        if (!CreateFolder(full.substr(0, i)))
            return false;
    }
    return true;
}
