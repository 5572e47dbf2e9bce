#include "zip/ZipReaderInternal.h"

#include <Handles.h>
#include <ZipNameRules.h>

#include <string.h>
#include <wchar.h>
#include <unzip.h>
#include <zlib.h>

namespace UiToolkit {

namespace {

unzFile Unz(void* p)
{
    return static_cast<unzFile>(p);
}

const DWORD CHUNK = 16384;

bool TargetSegmentsAreSafe(const wchar_t* path)
{
    const wchar_t* segment = path;
    for (const wchar_t* p = path;; ++p) {
        if (*p != L'\0' && *p != L'\\' && *p != L'/')
            continue;
        size_t n = static_cast<size_t>(p - segment);
        bool climbs = (n == 1 && segment[0] == L'.') || (n == 2 && segment[0] == L'.' && segment[1] == L'.');
        if (n > 0 && !climbs && !ZipNameSegmentIsSafe(segment, n))
            return false;
        if (*p == L'\0')
            return n > 0;
        segment = p + 1;
    }
}

} // namespace

int ZipReader::ExtractToMemory(int index, void* buffer, DWORD length)
{
    if (buffer == NULL && length > 0)
        return ZR_ARGS;
    if (index != m_openIndex) {
        CloseOpenEntry();
        if (index < 0 || index >= CountEntries())
            return ZR_ARGS;
        if (MoveTo(index) != ZR_OK)
            return ZR_ARGS;
        unz_file_info info;
        if (unzGetCurrentFileInfo(Unz(m_unz), &info, NULL, 0, NULL, 0, NULL, 0) != UNZ_OK)
            return ZR_LOCALHEADER;
        if (unzOpenCurrentFile(Unz(m_unz)) != UNZ_OK)
            return ZR_LOCALHEADER;
        m_openIndex = index;
        m_openCrc = crc32(0L, Z_NULL, 0);
        m_openExpectedCrc = info.crc;
    }
    int got = unzReadCurrentFile(Unz(m_unz), buffer, length);
    if (got > 0) {
        m_openCrc = crc32(m_openCrc, static_cast<const Bytef*>(buffer), got);
        // The entry stays open for a following call, so its checksum is checked here once complete.
        if (unzeof(Unz(m_unz)) && m_openCrc != m_openExpectedCrc) {
            CloseOpenEntry();
            return ZR_FLATE;
        }
        return ZR_MORE;
    }
    int closed = unzCloseCurrentFile(Unz(m_unz));
    m_openIndex = -1;
    if (got < 0 || closed != UNZ_OK)
        return ZR_FLATE;
    return ZR_OK;
}

int ZipReader::ExtractToFile(int index, const void* target, int kind)
{
    CloseOpenEntry();
    if (index < 0 || index >= CountEntries())
        return ZR_ARGS;
    Entry entry;
    int code = Describe(index, &entry);
    if (code != ZR_OK)
        return code;
    if (MoveTo(index) != ZR_OK)
        return ZR_ARGS;

    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (kind != ZIP_FILENAME)
            return ZR_OK;
        wchar_t name[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, entry.name, -1, name, MAX_PATH - 1);
        name[MAX_PATH - 1] = L'\0';
        // A folder entry may never reach outside the base folder nor name a drive or a device.
        if (!ZipRelativePathIsSafe(name))
            return ZR_WRITE;
        ZipCreateFolders(m_baseFolder, name);
        return ZR_OK;
    }

    HANDLE file;
    ScopedHandle created; // the file this call made; a caller's handle stays the caller's
    if (kind == ZIP_FILENAME) {
        const wchar_t* path = static_cast<const wchar_t*>(target);
        if (path == NULL)
            return ZR_ARGS;
        const wchar_t* cut = NULL;
        for (const wchar_t* p = path; *p; ++p) {
            if (*p == L'\\' || *p == L'/')
                cut = p;
        }
        // The caller's target may climb with "..", but no part of it may name a drive or a device.
        if (!TargetSegmentsAreSafe(path))
            return ZR_NOFILE;
        if (cut != NULL && cut - path < MAX_PATH) {
            wchar_t folder[MAX_PATH];
            size_t n = cut - path;
            wmemcpy(folder, path, n);
            folder[n] = L'\0';
            if (ZipRelativePathIsSafe(folder))
                ZipCreateFolders(m_baseFolder, folder);
        }
        created.Reset(CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, entry.attributes, NULL));
        if (!created)
            return ZR_NOFILE;
        file = created.Get();
    } else {
        file = const_cast<HANDLE>(target);
    }

    bool failed = unzOpenCurrentFile(Unz(m_unz)) != UNZ_OK;
    if (!failed) {
        BYTE buffer[CHUNK];
        for (;;) {
            int got = unzReadCurrentFile(Unz(m_unz), buffer, CHUNK);
            if (got < 0) {
                failed = true;
                break;
            }
            if (got == 0)
                break;
            DWORD written = 0;
            if (!WriteFile(file, buffer, got, &written, NULL) || written != static_cast<DWORD>(got)) {
                failed = true;
                break;
            }
        }
        if (unzCloseCurrentFile(Unz(m_unz)) != UNZ_OK)
            failed = true;
    }
    if (!failed && GetFileType(file) == FILE_TYPE_DISK)
        (void)SetFileTime(file, &entry.creationTime, &entry.accessTime,
                          &entry.writeTime); // best effort: the data is complete
    return failed ? ZR_WRITE : ZR_OK;
}

} // namespace UiToolkit
