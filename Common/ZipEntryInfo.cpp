// Attributes and times of ZIP entries.
#include "ZipExtractor.h"
#include "ZipInternal.h"

namespace {

const unsigned short kUnixTimeBlockId = 0x5455; // "UT"
const unsigned long long kFileTimeOf1970 = 116444736000000000ULL;

unsigned ReadLe16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}

long ReadLe32Signed(const unsigned char* p)
{
    return static_cast<long>(static_cast<unsigned long>(p[0]) | (static_cast<unsigned long>(p[1]) << 8) |
                             (static_cast<unsigned long>(p[2]) << 16) | (static_cast<unsigned long>(p[3]) << 24));
}

FILETIME UnixTimeToFileTime(long seconds)
{
    unsigned long long t = kFileTimeOf1970 + static_cast<long long>(seconds) * 10000000LL;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(t);
    ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return ft;
}

bool HasDosAttributes(unsigned host)
{
    return host == 0 || host == 7 || host == 11 || host == 14;
}

} // namespace

DWORD ZipAttributesFromExternal(unsigned hostSystem, unsigned long externalAttr)
{
    bool readOnly, hidden, system, directory, archive;
    if (HasDosAttributes(hostSystem)) {
        readOnly = externalAttr & 0x01;
        hidden = externalAttr & 0x02;
        system = externalAttr & 0x04;
        directory = externalAttr & 0x10;
        archive = externalAttr & 0x20;
    } else {
        directory = externalAttr & 0x40000000UL;
        readOnly = !(externalAttr & 0x00800000UL); // owner write bit of the Unix mode
        archive = true;
        hidden = system = false;
    }
    DWORD attr = 0;
    if (directory)
        attr |= FILE_ATTRIBUTE_DIRECTORY;
    if (archive)
        attr |= FILE_ATTRIBUTE_ARCHIVE;
    if (hidden)
        attr |= FILE_ATTRIBUTE_HIDDEN;
    if (readOnly)
        attr |= FILE_ATTRIBUTE_READONLY;
    if (system)
        attr |= FILE_ATTRIBUTE_SYSTEM;
    return attr;
}

FILETIME DosDateTimeToFileTime(WORD dosDate, WORD dosTime)
{
    SYSTEMTIME local = {};
    local.wYear = static_cast<WORD>(1980 + (dosDate >> 9));
    local.wMonth = static_cast<WORD>((dosDate >> 5) & 0x0F);
    local.wDay = static_cast<WORD>(dosDate & 0x1F);
    local.wHour = static_cast<WORD>(dosTime >> 11);
    local.wMinute = static_cast<WORD>((dosTime >> 5) & 0x3F);
    local.wSecond = static_cast<WORD>(2 * (dosTime & 0x1F));

    FILETIME result = {};
    FILETIME check;
    SYSTEMTIME utc;
    // SystemTimeToFileTime refuses impossible dates (month 0, day 31 of April, hour 25).
    if (!SystemTimeToFileTime(&local, &check))
        return result;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &result))
        result = FILETIME{};
    return result;
}

void ApplyZipUnixTimes(const unsigned char* extra, size_t extraLen, ZipEntry* entry)
{
    if (!extra || extraLen < 5)
        return;
    size_t pos = 0;
    while (pos + 4 <= extraLen) {
        unsigned id = ReadLe16(extra + pos);
        size_t size = ReadLe16(extra + pos + 2);
        const unsigned char* data = extra + pos + 4;
        if (size > extraLen - pos - 4)
            return; // block runs past the field
        if (id == kUnixTimeBlockId && size >= 1) {
            unsigned flags = data[0];
            size_t at = 1;
            FILETIME* targets[3] = {&entry->mtime, &entry->atime, &entry->ctime};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit)))
                    continue;
                if (at + 4 > size)
                    break;
                *targets[bit] = UnixTimeToFileTime(ReadLe32Signed(data + at));
                at += 4;
            }
            return;
        }
        pos += 4 + size;
    }
}
