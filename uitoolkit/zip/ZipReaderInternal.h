// Internal records shared by the ZIP reader's sources.
#pragma once
#include "zip/ZipReader.h"

namespace UiToolkit {

// The layer's own entry record: the name stays in the ANSI code page until handed out.
struct ZipReader::Entry
{
    int index;
    char name[MAX_PATH];
    DWORD attributes;
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME writeTime;
    DWORD compressedSize;
    DWORD uncompressedSize;
    DWORD crc;
};

DWORD ZipAttributesFromExternal(DWORD external);
FILETIME ZipUnixTimeToFileTime(LONG unixTime);
// Scans a local extra field for the "UT" block and fills the times it holds.
void ZipApplyExtendedTimes(const BYTE* field, DWORD length, FILETIME* write, FILETIME* access, FILETIME* creation);
void ZipCreateFolders(const wchar_t* baseFolder, const wchar_t* relative);

} // namespace UiToolkit
