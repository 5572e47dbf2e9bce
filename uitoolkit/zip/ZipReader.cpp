#include "zip/ZipReaderInternal.h"
#include "zip/ZipByteSource.h"

#include <stdlib.h>
#include <string.h>
#include <unzip.h>
#include <utility>

namespace UiToolkit {

namespace {

int g_lastResult = ZR_OK;

int SetLast(int code)
{
    g_lastResult = code;
    return code;
}

unzFile Unz(void* p)
{
    return static_cast<unzFile>(p);
}

ZipReader* ReaderOf(ZipReaderHandle* handle, int* code)
{
    if (handle == NULL) {
        *code = ZR_ARGS;
        return NULL;
    }
    if (handle->kind != 1 || handle->reader == NULL) {
        *code = ZR_NOTREADER;
        return NULL;
    }
    *code = ZR_OK;
    return handle->reader;
}

bool NamesEqual(const char* a, const char* b, bool ignoreCase)
{
    if (!ignoreCase)
        return strcmp(a, b) == 0;
    for (;; ++a, ++b) {
        char ca = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
        char cb = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 32) : *b;
        if (ca != cb)
            return false;
        if (ca == '\0')
            return true;
    }
}

} // namespace

ZipReader::ZipReader()
    : m_unz(NULL), m_currentIndex(0), m_openIndex(-1), m_openCrc(0), m_openExpectedCrc(0), m_cached(NULL)
{
    m_baseFolder[0] = L'\0';
}

ZipReader::~ZipReader()
{
    CloseOpenEntry();
    if (m_unz != NULL)
        unzClose(Unz(m_unz));
    delete m_cached;
}

int ZipReader::LastResult()
{
    return g_lastResult;
}

ZipReaderHandle* ZipReader::Open(const void* source, DWORD length, int kind)
{
    ZipReader* reader = new ZipReader();
    int code = reader->OpenSource(source, length, kind);
    SetLast(code);
    if (code != ZR_OK) {
        delete reader;
        return NULL;
    }
    ZipReaderHandle* handle = new ZipReaderHandle;
    handle->kind = 1;
    handle->reader = reader;
    return handle;
}

int ZipReader::OpenSource(const void* source, DWORD length, int kind)
{
    if (m_unz != NULL)
        return ZR_ALREADYOPEN;
    DWORD got = GetCurrentDirectoryW(MAX_PATH - 1, m_baseFolder);
    if (got == 0 || got >= MAX_PATH - 1)
        m_baseFolder[0] = L'\0';
    else
        wcscat(m_baseFolder, L"\\");

    ZipByteSource* stream = NULL;
    if (kind == ZIP_HANDLE) {
        HANDLE given = const_cast<HANDLE>(source);
        if (GetFileType(given) != FILE_TYPE_DISK)
            return ZR_NOTDISK;
        ScopedHandle duplicate;
        if (!DuplicateHandle(GetCurrentProcess(), given, GetCurrentProcess(), duplicate.Out(), 0, FALSE,
                             DUPLICATE_SAME_ACCESS))
            return ZR_DUPLICATE;
        stream = ZipByteSource::FromHandle(std::move(duplicate));
    } else if (kind == ZIP_FILENAME) {
        if (source == NULL)
            return ZR_ARGS;
        ScopedHandle file(CreateFileW(static_cast<const wchar_t*>(source), GENERIC_READ, FILE_SHARE_READ, NULL,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
        if (!file)
            return ZR_NOFILE;
        stream = ZipByteSource::FromHandle(std::move(file));
    } else if (kind == ZIP_MEMORY) {
        if (source == NULL)
            return ZR_ARGS;
        stream = ZipByteSource::FromMemory(source, length);
    } else {
        return ZR_ARGS;
    }

    zlib_filefunc_def functions;
    ZipFillStreamFunctions(&functions);
    // On failure the archive reader closes the stream itself.
    m_unz = unzOpen2(reinterpret_cast<const char*>(stream), &functions);
    if (m_unz == NULL)
        return ZR_BADARCHIVE;
    m_currentIndex = 0;
    return ZR_OK;
}

int ZipReader::Close(ZipReaderHandle* handle)
{
    int code;
    ZipReader* reader = ReaderOf(handle, &code);
    if (reader == NULL)
        return SetLast(code);
    delete reader;
    delete handle;
    return SetLast(ZR_OK);
}

int ZipReader::CountEntries() const
{
    unz_global_info info;
    if (unzGetGlobalInfo(Unz(m_unz), &info) != UNZ_OK)
        return 0;
    return static_cast<int>(info.number_entry);
}

void ZipReader::CloseOpenEntry()
{
    if (m_openIndex >= 0) {
        unzCloseCurrentFile(Unz(m_unz));
        m_openIndex = -1;
    }
}

int ZipReader::MoveTo(int index)
{
    if (index < m_currentIndex) {
        if (unzGoToFirstFile(Unz(m_unz)) != UNZ_OK)
            return ZR_ARGS;
        m_currentIndex = 0;
    }
    while (m_currentIndex < index) {
        if (unzGoToNextFile(Unz(m_unz)) != UNZ_OK)
            return ZR_ARGS;
        ++m_currentIndex;
    }
    return ZR_OK;
}

void ZipReader::ReadLocalTimes(Entry* entry)
{
    int length = unzGetLocalExtrafield(Unz(m_unz), NULL, 0);
    if (length <= 4)
        return;
    BYTE* field = static_cast<BYTE*>(malloc(length));
    if (field == NULL)
        return;
    int got = unzGetLocalExtrafield(Unz(m_unz), field, length);
    if (got > 0)
        ZipApplyExtendedTimes(field, static_cast<DWORD>(got), &entry->writeTime, &entry->accessTime,
                              &entry->creationTime);
    free(field);
}

int ZipReader::Describe(int index, Entry* entry)
{
    int count = CountEntries();
    if (index < -1 || index >= count)
        return ZR_ARGS;
    CloseOpenEntry();
    memset(entry, 0, sizeof(*entry));
    if (index == -1) {
        entry->index = count;
        return ZR_OK;
    }
    if (m_cached != NULL && m_cached->index == index) {
        *entry = *m_cached;
        return ZR_OK;
    }
    int code = MoveTo(index);
    if (code != ZR_OK)
        return code;
    unz_file_info info;
    if (unzGetCurrentFileInfo(Unz(m_unz), &info, entry->name, sizeof(entry->name) - 1, NULL, 0, NULL, 0) != UNZ_OK)
        return ZR_LOCALHEADER;
    entry->name[sizeof(entry->name) - 1] = '\0';
    entry->index = index;
    entry->attributes = ZipAttributesFromExternal(info.external_fa);
    entry->compressedSize = info.compressed_size;
    entry->uncompressedSize = info.uncompressed_size;
    entry->crc = info.crc;
    FILETIME dos = {0, 0};
    DosDateTimeToFileTime(HIWORD(info.dosDate), LOWORD(info.dosDate), &dos);
    entry->accessTime = entry->creationTime = entry->writeTime = dos;

    // The local extra field is only reachable with the entry opened.
    if (unzOpenCurrentFile(Unz(m_unz)) != UNZ_OK)
        return ZR_LOCALHEADER;
    if (unzGetLocalExtrafield(Unz(m_unz), NULL, 0) < 0) {
        unzCloseCurrentFile(Unz(m_unz));
        return ZR_LOCALEXTRA;
    }
    ReadLocalTimes(entry);
    unzCloseCurrentFile(Unz(m_unz));

    if (m_cached == NULL)
        m_cached = new Entry;
    *m_cached = *entry;
    return ZR_OK;
}

static void CopyOut(const ZipReader::Entry& from, ZipReaderEntry* to)
{
    memset(to, 0, sizeof(*to));
    to->index = from.index;
    MultiByteToWideChar(CP_ACP, 0, from.name, -1, to->name, MAX_PATH - 1);
    to->name[MAX_PATH - 1] = L'\0';
    to->attributes = from.attributes;
    to->accessTime = from.accessTime;
    to->creationTime = from.creationTime;
    to->writeTime = from.writeTime;
    to->compressedSize = from.compressedSize;
    to->uncompressedSize = from.uncompressedSize;
}

int ZipReader::GetEntry(ZipReaderHandle* handle, int index, ZipReaderEntry* entry)
{
    int code;
    ZipReader* reader = ReaderOf(handle, &code);
    if (reader == NULL)
        return code;
    Entry found;
    code = reader->Describe(index, &found);
    if (code == ZR_OK && entry != NULL)
        CopyOut(found, entry);
    return code;
}

int ZipReader::FindEntry(ZipReaderHandle* handle, const wchar_t* name, bool ignoreCase, int* index,
                         ZipReaderEntry* entry)
{
    int code;
    ZipReader* reader = ReaderOf(handle, &code);
    if (reader == NULL)
        return SetLast(code);
    if (index != NULL)
        *index = -1;
    if (entry != NULL) {
        memset(entry, 0, sizeof(*entry));
        entry->index = -1;
    }
    if (name == NULL || wcslen(name) >= 256)
        return SetLast(ZR_NOTFOUND);

    char wanted[MAX_PATH];
    int bytes = WideCharToMultiByte(CP_ACP, 0, name, -1, wanted, MAX_PATH - 1, NULL, NULL);
    if (bytes <= 0)
        return SetLast(ZR_NOTFOUND);
    wanted[MAX_PATH - 1] = '\0';
    for (char* p = wanted; *p; ++p) {
        if (*p == '\\')
            *p = '/';
    }

    reader->CloseOpenEntry();
    int count = reader->CountEntries();
    int keep = reader->m_currentIndex;
    int hit = -1;
    for (int i = 0; i < count && hit < 0; ++i) {
        if (reader->MoveTo(i) != ZR_OK)
            break;
        char entryName[MAX_PATH];
        unz_file_info info;
        if (unzGetCurrentFileInfo(Unz(reader->m_unz), &info, entryName, sizeof(entryName) - 1, NULL, 0, NULL, 0) !=
            UNZ_OK)
            break;
        entryName[sizeof(entryName) - 1] = '\0';
        if (NamesEqual(entryName, wanted, ignoreCase))
            hit = i;
    }
    if (hit < 0) {
        reader->MoveTo(keep);
        return SetLast(ZR_NOTFOUND);
    }
    Entry found;
    code = reader->Describe(hit, &found);
    if (code != ZR_OK)
        return SetLast(code);
    if (index != NULL)
        *index = hit;
    if (entry != NULL)
        CopyOut(found, entry);
    return SetLast(ZR_OK);
}

int ZipReader::Extract(ZipReaderHandle* handle, int index, const void* target, DWORD length, int kind)
{
    int code;
    ZipReader* reader = ReaderOf(handle, &code);
    if (reader == NULL)
        return SetLast(code);
    if (kind == ZIP_MEMORY)
        return SetLast(reader->ExtractToMemory(index, const_cast<void*>(target), length));
    if (kind == ZIP_HANDLE || kind == ZIP_FILENAME)
        return SetLast(reader->ExtractToFile(index, target, kind));
    return SetLast(ZR_ARGS);
}

int ZipReader::ExtractToNewBuffer(ZipReaderHandle* handle, int index, DWORD size, BYTE** data)
{
    *data = NULL;
    if (size == 0 || size > MAX_ENTRY_SIZE)
        return ZR_ARGS;
    // Zeroed, so an entry shorter than its declared size leaves no stale bytes.
    BYTE* block = static_cast<BYTE*>(calloc(size, 1));
    if (block == NULL)
        return ZR_ARGS;
    int code = Extract(handle, index, block, size, ZIP_MEMORY);
    if (code != ZR_OK && code != ZR_MORE) {
        free(block);
        return code;
    }
    *data = block;
    return code;
}

} // namespace UiToolkit
