// Skin ZIP reader: find, list and unpack entries of an archive in a file or in memory.
#pragma once
#include <windows.h>

namespace UiToolkit {

enum ZipResult
{
    ZR_OK = 0,
    ZR_DUPLICATE = 0x100,
    ZR_NOFILE = 0x200,
    ZR_WRITE = 0x400,
    ZR_NOTFOUND = 0x500,
    ZR_MORE = 0x600,
    ZR_LOCALHEADER = 0x700,
    ZR_LOCALEXTRA = 0x800,
    ZR_ARGS = 0x10000,
    ZR_NOTREADER = 0x80000,
    ZR_ALREADYOPEN = 0x1000000,
    ZR_NOTDISK = 0x2000000,
    ZR_FLATE = 0x5000000,
    // The archive directory could not be read.
    ZR_BADARCHIVE = 153
};

enum ZipSourceKind
{
    ZIP_HANDLE = 1,
    ZIP_FILENAME = 2,
    ZIP_MEMORY = 3
};

struct ZipReaderEntry
{
    int index;
    wchar_t name[MAX_PATH];
    DWORD attributes;
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME writeTime;
    DWORD compressedSize;
    DWORD uncompressedSize;
};

class ZipReader;

struct ZipReaderHandle
{
    int kind;
    ZipReader* reader;
};

// One open skin archive over minizip; every call answers a ZipResult code.
class ZipReader
{
public:
    enum
    {
        MAX_ENTRY_SIZE = 64 * 1024 * 1024
    };

    static ZipReaderHandle* Open(const void* source, DWORD length, int kind);
    static int FindEntry(ZipReaderHandle* handle, const wchar_t* name, bool ignoreCase, int* index,
                         ZipReaderEntry* entry);
    static int GetEntry(ZipReaderHandle* handle, int index, ZipReaderEntry* entry);
    static int Extract(ZipReaderHandle* handle, int index, const void* target, DWORD length, int kind);
    static int Close(ZipReaderHandle* handle);
    static int LastResult();

    // Reads a whole entry into a new zeroed block (free()); sizes above MAX_ENTRY_SIZE are refused.
    static int ExtractToNewBuffer(ZipReaderHandle* handle, int index, DWORD size, BYTE** data);

    struct Entry;

private:
    ZipReader();
    ~ZipReader();
    int OpenSource(const void* source, DWORD length, int kind);
    int Describe(int index, Entry* entry);
    int MoveTo(int index);
    int CountEntries() const;
    void CloseOpenEntry();
    int ExtractToMemory(int index, void* buffer, DWORD length);
    int ExtractToFile(int index, const void* target, int kind);
    void ReadLocalTimes(Entry* entry);

    void* m_unz;
    int m_currentIndex;
    int m_openIndex;
    DWORD m_openCrc;
    DWORD m_openExpectedCrc;
    Entry* m_cached;
    wchar_t m_baseFolder[MAX_PATH];
};

} // namespace UiToolkit
