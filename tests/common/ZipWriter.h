// A small ZIP writer for tests: builds ordinary archives and exactly crafted broken ones
// (hostile names, odd extra fields, wrong CRCs, cut directories). Large entries are streamed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Handles.h"

namespace ziptest {

uint16_t DosDate(int year, int month, int day);
uint16_t DosTime(int hour, int minute, int second);
// An "UT" extra block with the given flag byte and times (write, access, creation as flagged).
std::string UnixTimeBlock(uint8_t flags, const std::vector<uint32_t>& times);
// An extra block of any id whose size field may claim more than the data holds.
std::string ExtraBlock(uint16_t id, uint16_t declaredSize, const std::string& data);
// Bytes [offset, offset+len) of pattern repeated.
std::string PatternBytes(const std::string& pattern, uint64_t offset, size_t len);

const uint16_t kHostDos = 0x0014;  // made by MS-DOS, version 2.0
const uint16_t kHostUnix = 0x0314; // made by Unix, version 2.0

struct Entry
{
    std::string name; // stored name bytes (UTF-8)
    std::string data;
    uint64_t generatedSize = 0; // non-zero: the content is pattern repeated to this size
    std::string pattern;
    bool deflate = false;
    uint16_t dosDate = DosDate(2024, 3, 15);
    uint16_t dosTime = DosTime(10, 20, 30);
    uint16_t madeBy = kHostDos;
    uint32_t externalAttr = 0x20; // DOS archive bit
    uint16_t flags = 0;
    std::string localExtra;
    std::string centralExtra;
    int centralExtraLength = -1;   // >= 0: the directory record claims this extra length instead
    bool wrongCrc = false;         // both headers carry a CRC that the data does not have
    int localMethod = -1;          // >= 0: the local header names this method instead
    int64_t declaredSizeDelta = 0; // added to the uncompressed size in both headers
    bool zip64 = false;            // both headers defer the sizes to a ZIP64 block that holds exactly them
    bool zip64Offset = false;      // with zip64: the directory record defers its offset to the block too
    int zip64CentralValues = -1;   // >= 0: the directory's ZIP64 block holds only this many of its values
};

class ZipWriter
{
public:
    explicit ZipWriter(const std::wstring& path);

    bool Add(const Entry& entry);
    bool AddFile(const std::string& name, const std::string& data, bool deflate = false);
    bool AddFolder(const std::string& name);
    // declaredEntries >= 0 overrides the count in the end record; keepCentralBytes >= 0 cuts the
    // file inside the central directory (no end record follows).
    // The directory's size in the end record counts the bytes written, not claimed lengths.
    bool Close(int declaredEntries = -1, long keepCentralBytes = -1);
    // The directory ends in ZIP64 end records; the plain end record then only points at them.
    void UseZip64EndRecords() { m_zip64End = true; }
    // Bytes after the last directory record, counted in the directory's size.
    void AddStrayDirectoryBytes(const std::string& bytes) { m_stray = bytes; }

private:
    struct Written
    {
        Entry entry;
        uint32_t crc = 0;
        uint64_t compSize = 0;
        uint64_t size = 0;
        uint64_t offset = 0;
    };
    bool WriteData(const Entry& entry, Written& out);

    ScopedFile m_file; // empty once Close has run
    std::vector<Written> m_entries;
    bool m_zip64End = false;
    std::string m_stray;
};

// Packages that once stalled every start: 113 bytes whose one directory record claims a 0xFFFF
// byte extra field running past the end of the file, its end record claiming 65,535 entries.
bool WriteRunawayExtraPackage(const std::wstring& path);
// goodEntries sound entries under an end record that claims 65,535.
bool WriteOverclaimingPackage(const std::wstring& path, int goodEntries = 2000);

} // namespace ziptest
