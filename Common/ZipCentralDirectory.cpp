// Checks an archive's end records and central directory in one walk before the reader trusts
// them. The reader believes the declared entry count and each record's lengths; a package whose
// directory does not hold what it declares made every listing step fail slowly, one per index.
#include "ZipInternal.h"
#include "Handles.h"

#include <cstring>
#include <vector>

namespace {

const uint32_t kEndSignature = 0x06054b50;
const uint32_t kZip64LocatorSignature = 0x07064b50;
const uint32_t kZip64EndSignature = 0x06064b50;
const uint32_t kRecordSignature = 0x02014b50;
const DWORD kEndRecordBytes = 22;
const DWORD kZip64LocatorBytes = 20;
const DWORD kZip64EndBytes = 56;
const DWORD kRecordBytes = 46;
const DWORD kMaxBack = 0xFFFF; // the reader looks this far back for the end record
const DWORD kChunk = 65536;

uint16_t Get16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const unsigned char* p)
{
    return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16);
}
uint64_t Get64(const unsigned char* p)
{
    return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

// Sequential reads through one buffer; a read that does not fit the file fails at once.
class ArchiveBytes
{
public:
    explicit ArchiveBytes(const wchar_t* path)
        : m_file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                             nullptr))
    {
        LARGE_INTEGER size;
        if (m_file && GetFileSizeEx(m_file.Get(), &size))
            m_size = static_cast<uint64_t>(size.QuadPart);
    }
    ArchiveBytes(const ArchiveBytes&) = delete;
    ArchiveBytes& operator=(const ArchiveBytes&) = delete;

    uint64_t Size() const { return m_size; }

    bool Read(uint64_t offset, void* out, DWORD n)
    {
        if (offset > m_size || n > m_size - offset)
            return false;
        if (offset < m_start || offset + n > m_start + m_buffer.size()) {
            DWORD want = n > kChunk ? n : kChunk;
            if (want > m_size - offset)
                want = static_cast<DWORD>(m_size - offset);
            m_buffer.resize(want);
            LARGE_INTEGER at;
            at.QuadPart = static_cast<LONGLONG>(offset);
            DWORD got = 0;
            if (!SetFilePointerEx(m_file.Get(), at, nullptr, FILE_BEGIN) ||
                !ReadFile(m_file.Get(), m_buffer.data(), want, &got, nullptr) || got != want) {
                m_buffer.clear();
                return false;
            }
            m_start = offset;
        }
        memcpy(out, m_buffer.data() + (offset - m_start), n);
        return true;
    }

private:
    ScopedHandle m_file;
    uint64_t m_size = 0;
    uint64_t m_start = 0;
    std::vector<unsigned char> m_buffer;
};

// The last position of a signature in the file's tail, as the reader searches it.
bool FindLast(ArchiveBytes& file, uint32_t signature, uint64_t* found)
{
    uint64_t size = file.Size();
    DWORD back = size < kMaxBack ? static_cast<DWORD>(size) : kMaxBack;
    if (back < 4)
        return false;
    std::vector<unsigned char> tail(back);
    if (!file.Read(size - back, tail.data(), back))
        return false;
    for (DWORD i = back - 4 + 1; i-- > 0;) {
        if (Get32(&tail[i]) == signature) {
            *found = size - back + i;
            return true;
        }
    }
    return false;
}

struct DirectoryFacts
{
    uint64_t entries = 0;
    uint64_t size = 0;
    uint64_t offset = 0;
    uint64_t recordsEnd = 0; // where the end records begin: the directory lies just before
};

enum class Zip64
{
    kAbsent,
    kValid,
    kDamaged
};

// The ZIP64 end record named by its locator; without a locator pointing at one, the plain end
// record counts.
Zip64 ReadZip64End(ArchiveBytes& file, DirectoryFacts* facts)
{
    uint64_t locator;
    unsigned char loc[kZip64LocatorBytes];
    if (!FindLast(file, kZip64LocatorSignature, &locator) || !file.Read(locator, loc, sizeof loc))
        return Zip64::kAbsent;
    if (Get32(loc + 4) != 0 || Get32(loc + 16) != 1)
        return Zip64::kAbsent;
    uint64_t at = Get64(loc + 8);
    unsigned char end[kZip64EndBytes];
    if (!file.Read(at, end, 4) || Get32(end) != kZip64EndSignature)
        return Zip64::kAbsent;
    if (!file.Read(at, end, sizeof end) || Get32(end + 16) != 0 || Get32(end + 20) != 0 ||
        Get64(end + 24) != Get64(end + 32))
        return Zip64::kDamaged;
    facts->entries = Get64(end + 24);
    facts->size = Get64(end + 40);
    facts->offset = Get64(end + 48);
    facts->recordsEnd = at;
    return Zip64::kValid;
}

bool ReadEnd(ArchiveBytes& file, DirectoryFacts* facts)
{
    Zip64 zip64 = ReadZip64End(file, facts);
    if (zip64 != Zip64::kAbsent)
        return zip64 == Zip64::kValid;
    uint64_t at;
    unsigned char end[kEndRecordBytes];
    if (!FindLast(file, kEndSignature, &at) || !file.Read(at, end, sizeof end))
        return false;
    if (Get16(end + 4) != 0 || Get16(end + 6) != 0 || Get16(end + 8) != Get16(end + 10))
        return false;
    facts->entries = Get16(end + 8);
    facts->size = Get32(end + 12);
    facts->offset = Get32(end + 16);
    facts->recordsEnd = at;
    return true;
}

// The blocks of an extra field fill it exactly; a ZIP64 block holds the sizes the record defers
// to it. The reader walks the blocks by their sizes and would otherwise read past the field.
bool ExtraFits(const unsigned char* extra, size_t length, const unsigned char* record)
{
    size_t at = 0;
    while (length - at >= 4) {
        uint16_t id = Get16(extra + at);
        size_t size = Get16(extra + at + 2);
        if (size > length - at - 4)
            return false;
        if (id == 0x0001) {
            size_t needed = 0;
            if (Get32(record + 24) == 0xFFFFFFFFu)
                needed += 8;
            if (Get32(record + 20) == 0xFFFFFFFFu)
                needed += 8;
            if (Get32(record + 42) == 0xFFFFFFFFu)
                needed += 8;
            if (needed > size)
                return false;
        }
        at += 4 + size;
    }
    return at == length;
}

} // namespace

bool CheckZipCentralDirectory(const wchar_t* path, unsigned long long* entries)
{
    ArchiveBytes file(path);
    DirectoryFacts facts;
    if (file.Size() == 0 || !ReadEnd(file, &facts))
        return false;
    if (facts.size > facts.recordsEnd || facts.offset > facts.recordsEnd - facts.size)
        return false;
    // Data in front of the archive shifts it: the directory ends where the end records begin.
    uint64_t pos = facts.recordsEnd - facts.size;
    const uint64_t end = facts.recordsEnd;
    std::vector<unsigned char> extra;
    for (uint64_t i = 0; i < facts.entries; ++i) {
        unsigned char record[kRecordBytes];
        if (end - pos < kRecordBytes || !file.Read(pos, record, sizeof record) || Get32(record) != kRecordSignature)
            return false;
        uint64_t nameLen = Get16(record + 28);
        uint64_t extraLen = Get16(record + 30);
        uint64_t commentLen = Get16(record + 32);
        uint64_t length = kRecordBytes + nameLen + extraLen + commentLen;
        if (length > end - pos)
            return false;
        extra.resize(static_cast<size_t>(extraLen));
        if (extraLen && !file.Read(pos + kRecordBytes + nameLen, extra.data(), static_cast<DWORD>(extraLen)))
            return false;
        if (!ExtraFits(extra.data(), extra.size(), record))
            return false;
        pos += length;
    }
    // Anything after the last record is more than the reader will list.
    if (pos != end)
        return false;
    *entries = facts.entries;
    return true;
}
