#include "zip/ZipReaderInternal.h"

#include <string.h>
#include <wchar.h>

namespace UiToolkit {

DWORD ZipAttributesFromExternal(DWORD x)
{
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if ((x & 0x40000000) || (x & 0x10))
        attributes = FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY;
    if (x & 0x20)
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (x & 0x02)
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (!(x & 0x00800000) || (x & 0x01))
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (x & 0x04)
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    return attributes;
}

// Plain arithmetic: no C runtime calendar, and times before 1970 stay valid.
FILETIME ZipUnixTimeToFileTime(LONG unixTime)
{
    const LONGLONG epochDelta = 116444736000000000LL;
    ULONGLONG ticks = static_cast<ULONGLONG>(static_cast<LONGLONG>(unixTime) * 10000000LL + epochDelta);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

void ZipApplyExtendedTimes(const BYTE* field, DWORD length, FILETIME* write, FILETIME* access, FILETIME* creation)
{
    if (field == NULL || length <= 4)
        return;
    DWORD pos = 0;
    while (pos + 4 <= length) {
        DWORD size = field[pos + 2] | (field[pos + 3] << 8);
        DWORD dataStart = pos + 4;
        if (size > length - dataStart)
            return;
        if (field[pos] == 'U' && field[pos + 1] == 'T') {
            if (size < 1)
                return;
            BYTE flags = field[dataStart];
            DWORD at = dataStart + 1;
            DWORD end = dataStart + size;
            FILETIME* targets[3] = {write, access, creation};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1 << bit)))
                    continue;
                if (at + 4 > end)
                    return;
                LONG value;
                memcpy(&value, field + at, 4);
                *targets[bit] = ZipUnixTimeToFileTime(value);
                at += 4;
            }
            return;
        }
        pos = dataStart + size;
    }
}

void ZipCreateFolders(const wchar_t* baseFolder, const wchar_t* relative)
{
    wchar_t part[MAX_PATH];
    size_t length = wcslen(relative);
    if (length == 0 || length >= MAX_PATH)
        return;
    wmemcpy(part, relative, length + 1);
    while (length > 0 && (part[length - 1] == L'\\' || part[length - 1] == L'/'))
        part[--length] = L'\0';
    if (length == 0)
        return;
    wchar_t* cut = NULL;
    for (wchar_t* p = part; *p; ++p) {
        if (*p == L'\\' || *p == L'/')
            cut = p;
    }
    if (cut != NULL) {
        *cut = L'\0';
        ZipCreateFolders(baseFolder, part);
        *cut = L'\\';
    }
    wchar_t full[MAX_PATH * 2];
    size_t baseLength = wcslen(baseFolder);
    if (baseLength + length >= MAX_PATH * 2)
        return;
    wmemcpy(full, baseFolder, baseLength);
    wmemcpy(full + baseLength, part, length + 1);
    CreateDirectoryW(full, NULL);
}

} // namespace UiToolkit
