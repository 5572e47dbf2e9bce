// ZIP extraction layer: opens one archive file, lists its entries with safe relative names and
// extracts single entries below a base folder (the current directory at open time) with their
// attributes and times. Every call returns a result code; the last one is kept in g_zipLastResult.
// The layer logs nothing: its callers do.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class ZipFolderHandles;
struct ZipTargetPaths;

// Result codes.
const unsigned int ZR_OK = 0;
const unsigned int ZR_OPEN_FAILED = 0x200;        // archive or target file cannot be opened or created
const unsigned int ZR_WRITE_FAILED = 0x400;       // writing the target file failed
const unsigned int ZR_LOCAL_HEADER = 0x700;       // the entry's local header is inconsistent
const unsigned int ZR_READ_FAILED = 0x800;        // reading the archive (directory or extra field) failed
const unsigned int ZR_ENCRYPTED = 0x1000;         // the entry is encrypted; no password is given
const unsigned int ZR_BAD_ARGS = 0x10000;         // null handle, index out of range, null output
const unsigned int ZR_BAD_NAME = 0x20000;         // the name is unsafe (':' inside, empty) or too long
const unsigned int ZR_WRONG_KIND = 0x80000;       // handle of the wrong kind
const unsigned int ZR_ALREADY_OPEN = 0x1000000;   // the extractor is already open
const unsigned int ZR_INFLATE_FAILED = 0x5000000; // inflate, read or CRC error while extracting

// Result of the last call of the layer (process-wide, not locked).
extern unsigned int g_zipLastResult;

const int ZIP_MAX_PATH = 260;

struct ZipEntry
{
    int index = 0;                   // for the count request (index -1): the number of entries
    wchar_t name[ZIP_MAX_PATH] = {}; // relative path, made safe, '/' between folders
    DWORD attr = 0;                  // FILE_ATTRIBUTE_ bits
    FILETIME atime = {};
    FILETIME ctime = {};
    FILETIME mtime = {};
    long long compSize = 0;
    long long uncompSize = 0;
};

// What extracting an entry needs besides its ZipEntry; any extractor of the same archive can use it.
struct ZipEntryFacts
{
    bool isDirectory = false;
    bool encrypted = false;
    unsigned long long directoryPos = 0; // the entry's record in the central directory
    // The partial file is the target's name with the partial suffix this many times: more than
    // once where an entry before it wrote a file or folder of the shorter name.
    int partialSuffixes = 1;
    // The folders the target needs exist (the package extraction made them in entry order):
    // writing makes none, so that no two threads make one folder in two spellings.
    bool foldersMade = false;
};

class ZipExtractor
{
public:
    ZipExtractor() = default;
    ~ZipExtractor();
    ZipExtractor(const ZipExtractor&) = delete;
    ZipExtractor& operator=(const ZipExtractor&) = delete;

    // Opens the archive; the base folder is the current directory at this moment.
    [[nodiscard]] unsigned int Open(const wchar_t* path);
    // index -1 gives the number of entries in entry->index.
    [[nodiscard]] unsigned int GetEntry(int index, ZipEntry* entry);
    // Extracts entry index to name, which is made safe again and always joined to the base folder;
    // a name with a device segment is refused.
    [[nodiscard]] unsigned int ExtractEntry(int index, const wchar_t* name);
    unsigned int Close();
    // Frees the buffers and the object itself.
    void Destroy();

    const wchar_t* BaseFolder() const { return m_baseFolder; }
    int EntryCount() const { return m_entryCount; }

    // For the package extraction, which reads entries on one thread and writes them on others;
    // none of these touches g_zipLastResult.
    // The archive of first opened again for another thread, with first's base folder; its
    // directory was checked when first opened it.
    [[nodiscard]] unsigned int OpenAnother(const ZipExtractor& first);
    // GetEntry for one entry, with what WriteEntry needs.
    [[nodiscard]] unsigned int ReadEntry(int index, ZipEntry* entry, ZipEntryFacts* facts);
    // ExtractEntry for an entry that ReadEntry of an extractor of this archive gave.
    [[nodiscard]] unsigned int WriteEntry(const ZipEntry& entry, const ZipEntryFacts& facts, const wchar_t* name);
    // What WriteEntry checks before it makes folders: ZR_OK with the folder the entry needs below
    // the base folder in *folder ('/' between parts; a folder entry's own; empty for none), or
    // the result WriteEntry gives without making any.
    [[nodiscard]] unsigned int FolderToMake(const ZipEntry& entry, const ZipEntryFacts& facts, const wchar_t* name,
                                            std::wstring* folder) const;

private:
    unsigned int OpenReader(unsigned long long* declared);
    void CloseReader();
    unsigned int GoToEntry(int index);
    unsigned int GoToRecord(int index, unsigned long long directoryPos);
    unsigned int FetchEntry(int index, ZipEntry* entry, ZipEntryFacts* facts);
    unsigned int CheckTarget(const ZipEntry& entry, const ZipEntryFacts& facts, const wchar_t* name,
                             ZipTargetPaths* paths) const;
    unsigned int ExtractFile(const ZipTargetPaths& paths, const ZipEntry& entry, const ZipEntryFacts& facts);
    unsigned int CopyEntryData(HANDLE file, long long expectedSize);
    void CloseOpenEntry();

    void* m_archive = nullptr; // minizip archive state, null when closed
    int m_openEntry = -1;      // entry currently open for reading
    ZipEntry m_cachedEntry;
    ZipEntryFacts m_cachedFacts;
    int m_cachedIndex = -1;
    const char* m_password = nullptr; // no password is ever given
    char* m_buffer = nullptr;         // read buffer, allocated on first extraction
    wchar_t m_baseFolder[ZIP_MAX_PATH] = {};
    std::wstring m_archivePath; // full path, for OpenAnother
    int m_entryCount = 0;
    int m_readerIndex = -1;                      // entry the reader stands on
    bool m_directoryFailed = false;              // a step through the directory failed: every later one does
    std::shared_ptr<ZipFolderHandles> m_folders; // the targets' folders, shared with OpenAnother's extractors
};

const int ZIP_HANDLE_KIND = 1;

struct ZipHandle
{
    int kind = ZIP_HANDLE_KIND;
    ZipExtractor* extractor = nullptr;
};

// Creates an extractor and opens path (relative paths against the current directory).
// Null on failure; g_zipLastResult tells why.
[[nodiscard]] ZipHandle* OpenZipArchive(const wchar_t* path);
// Handle-checked forms of the extractor calls: a null handle gives ZR_BAD_ARGS, another kind
// ZR_WRONG_KIND. CloseZipArchive also destroys the extractor and deletes the handle.
[[nodiscard]] unsigned int GetZipEntry(ZipHandle* handle, int index, ZipEntry* entry);
[[nodiscard]] unsigned int ExtractZipEntry(ZipHandle* handle, int index, const wchar_t* name);
unsigned int CloseZipArchive(ZipHandle* handle);

// Makes an entry name safe: both separators split it, empty, "." and ".." segments and a leading
// drive prefix are dropped, the rest is joined with '/'. False (out empty) when a ':' remains,
// a control or wildcard character appears, nothing is left, or the result does not fit. Device
// names ("aux.txt") are listed but never extracted.
[[nodiscard]] bool MakeSafeZipName(const wchar_t* name, wchar_t* out, size_t outChars);

// Creates base and then every folder of the relative path below it. Paths over 259 characters,
// and parts that end in a dot or a blank, are refused.
[[nodiscard]] bool EnsureDirectory(const wchar_t* base, const wchar_t* path);

// DOS date and time taken as local time, converted to UTC. Zero for an impossible date.
FILETIME DosDateTimeToFileTime(WORD dosDate, WORD dosTime);
