// Helpers of the ZIP extraction layer that its callers do not need.
#pragma once

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Handles.h"
#include "ZipExtractor.h"

struct zlib_filefunc64_def_s;

// Reader callbacks for minizip over a wide path with a read buffer.
void FillZipFileIo(zlib_filefunc64_def_s* io);

// FILE_ATTRIBUTE_ bits from an entry's external attributes and the host it was made on.
DWORD ZipAttributesFromExternal(unsigned hostSystem, unsigned long externalAttr);

// Scans a local extra field for the "UT" block and replaces the entry's times it carries.
// Blocks are read strictly within the field; a size that runs past the field ends the scan.
void ApplyZipUnixTimes(const unsigned char* extra, size_t extraLen, ZipEntry* entry);

// Appended to a target's name for the file written before it is complete.
const wchar_t kZipPartialSuffix[] = L".~zx";

// The full path of the file an entry is written to before it is complete: the target's full path
// with the partial suffix suffixes times, or, where that is too long for a path while the target
// is not, "~<index>" with the suffixes in the target's folder (its '~' keeps it apart from the
// names of other entries the way partial names are). Empty when neither fits.
std::wstring ZipPartialPath(const std::wstring& target, int index, int suffixes);

// A name MakeSafeZipName gave that may be written: no device, nothing that climbs, and no folder
// part that ends in a dot or a blank (all parts of a folder entry's name are folder parts).
bool ZipTargetNameIsSafe(const wchar_t* safeName, bool isDirectory);

// Where an entry is written: its name made safe, the full target path, the partial file's full
// path (empty for a folder entry).
struct ZipTargetPaths
{
    wchar_t safeName[ZIP_MAX_PATH];
    wchar_t target[ZIP_MAX_PATH];
    std::wstring partial;
};

// Joins a safe relative name to the base folder and checks that the full path stays below it.
// out receives the full target path ('\' separators).
bool ResolveZipTarget(const wchar_t* base, const wchar_t* safeName, wchar_t* out, size_t outChars);

// Walks the archive's central directory once as its end record describes it: every record in
// place, its lengths and extra blocks inside the directory, the declared number of them. False
// for an archive whose directory cannot be read that way; entries receives the count.
bool CheckZipCentralDirectory(const wchar_t* path, unsigned long long* entries);

// Handles of the folders the extractors of one archive write into, opened on first use and
// shared by their threads (one open and one descriptor in Wine per folder, not per thread); the
// least recently used are let go beyond a few dozen.
class ZipFolderHandles
{
public:
    // Empty when the folder cannot be opened (it does not exist yet). The handle stays open while
    // the caller holds it, also when the cache lets it go.
    std::shared_ptr<const ScopedHandle> Folder(const std::wstring& path);

private:
    struct Entry
    {
        std::wstring path;
        std::shared_ptr<const ScopedHandle> handle;
        unsigned lastUse;
    };
    std::mutex m_lock;
    std::vector<Entry> m_entries;
    unsigned m_uses = 0;
};

// CreateFileW(GENERIC_WRITE | DELETE, no sharing, CREATE_ALWAYS, attributes) of name in folder.
// Null on failure; *overwritten tells whether a file of that name was there.
HANDLE CreateFileInFolder(HANDLE folder, const wchar_t* name, DWORD attributes, bool* overwritten);
// Renames the open file to name in folder, replacing a file there.
bool RenameInFolder(HANDLE file, HANDLE folder, const wchar_t* name);

// For tests: work as on a system without the folder-relative calls, and let only so many more
// OpenAnother calls succeed (-1: all). Set only while no extraction runs.
struct ZipTestSwitches
{
    bool noFolderCalls = false;
    int openAnotherLeft = -1;
};
extern ZipTestSwitches g_zipTestSwitches;
