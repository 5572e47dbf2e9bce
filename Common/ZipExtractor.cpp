// The extractor object and the handle-checked calls of the ZIP extraction layer.
#include "ZipExtractor.h"
#include "ZipInternal.h"
#include "ZipNameRules.h"
#include "Handles.h"

#include <unzip.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

unsigned int g_zipLastResult = ZR_OK;

namespace {

const unsigned kReadChunk = 16384;
const unsigned long kMaxStoredNameBytes = 4 * ZIP_MAX_PATH;

unzFile Archive(void* p)
{
    return static_cast<unzFile>(p);
}

unsigned int Keep(unsigned int result)
{
    g_zipLastResult = result;
    return result;
}

const FILETIME* TimeOrNull(const FILETIME& t)
{
    return (t.dwLowDateTime || t.dwHighDateTime) ? &t : nullptr;
}

bool EndsWithSeparator(const char* s, size_t len)
{
    return len > 0 && (s[len - 1] == '/' || s[len - 1] == '\\');
}

// Replaces target with the finished file at partial; a read-only old target is no obstacle.
bool ReplaceTarget(const wchar_t* partial, const wchar_t* target)
{
    if (MoveFileExW(partial, target, MOVEFILE_REPLACE_EXISTING))
        return true;
    DWORD old = GetFileAttributesW(target);
    if (old == INVALID_FILE_ATTRIBUTES || !(old & FILE_ATTRIBUTE_READONLY) || (old & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    SetFileAttributesW(target, old & ~FILE_ATTRIBUTE_READONLY);
    if (MoveFileExW(partial, target, MOVEFILE_REPLACE_EXISTING))
        return true;
    SetFileAttributesW(target, old);
    return false;
}

HANDLE CreatePartial(const std::wstring& path, DWORD attr)
{
    return CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS, attr, nullptr);
}

// The partial file by its full path, with the folders it needs below base (none when base is
// null). A partial file that a killed run left is made afresh: overwriting it may keep its
// attributes (Wine does) or be refused when it is read-only.
HANDLE CreatePartialByPath(const std::wstring& partial, DWORD attr, const wchar_t* base, const wchar_t* safeName)
{
    ScopedHandle file(CreatePartial(partial, attr));
    DWORD createError = GetLastError();
    if (file ? createError == ERROR_ALREADY_EXISTS : createError == ERROR_ACCESS_DENIED) {
        file.Reset();
        SetFileAttributesW(partial.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileW(partial.c_str()))
            file.Reset(CreatePartial(partial, attr));
        createError = GetLastError();
    }
    const wchar_t* slash = wcsrchr(safeName, L'/');
    if (!file && createError == ERROR_PATH_NOT_FOUND && slash && base) {
        // Folders are made only when missing: checking them for every entry costs too much.
        std::wstring folder(safeName, slash - safeName);
        if (EnsureDirectory(base, folder.c_str()))
            file.Reset(CreatePartial(partial, attr));
    }
    return file.Release();
}

typedef BOOL(WINAPI* SetFileInformationByHandleFn)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

// Renames the still open finished file over the target in one call; far cheaper per file than
// MoveFileExW, which opens both names again. Systems without the call (XP) use MoveFileExW.
bool RenameOpenFile(HANDLE file, const wchar_t* target)
{
    static const SetFileInformationByHandleFn setInfo = reinterpret_cast<SetFileInformationByHandleFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetFileInformationByHandle")));
    if (!setInfo)
        return false;
    size_t len = wcslen(target);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + len * sizeof(wchar_t));
    FILE_RENAME_INFO* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(len * sizeof(wchar_t));
    memcpy(info->FileName, target, (len + 1) * sizeof(wchar_t));
    return setInfo(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

} // namespace

ZipExtractor::~ZipExtractor()
{
    CloseReader(); // leaves g_zipLastResult alone: other threads' extractors end here too
    delete[] m_buffer;
}

void ZipExtractor::Destroy()
{
    delete this;
}

unsigned int ZipExtractor::Open(const wchar_t* path)
{
    if (m_archive)
        return Keep(ZR_ALREADY_OPEN);
    if (!path || !*path)
        return Keep(ZR_BAD_ARGS);
    DWORD n = GetCurrentDirectoryW(ZIP_MAX_PATH, m_baseFolder);
    if (n == 0 || n >= ZIP_MAX_PATH - 1)
        return Keep(ZR_OPEN_FAILED);
    if (m_baseFolder[n - 1] != L'\\' && m_baseFolder[n - 1] != L'/') {
        m_baseFolder[n] = L'\\';
        m_baseFolder[n + 1] = L'\0';
    }
    // The other threads of a package extraction open it again, whatever the current directory is then.
    DWORD fullLen = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (fullLen == 0)
        return Keep(ZR_OPEN_FAILED);
    std::vector<wchar_t> full(fullLen);
    fullLen = GetFullPathNameW(path, fullLen, full.data(), nullptr);
    if (fullLen == 0 || fullLen >= full.size())
        return Keep(ZR_OPEN_FAILED);
    m_archivePath.assign(full.data(), fullLen);

    unsigned long long declared = 0;
    unsigned int r = OpenReader(&declared);
    if (r != ZR_OK)
        return Keep(r);
    m_folders = std::make_shared<ZipFolderHandles>();
    // A directory that does not hold what its end record declares is one failure of the archive,
    // found here in one walk, not one failure per declared entry later.
    unsigned long long checked = 0;
    if (!CheckZipCentralDirectory(m_archivePath.c_str(), &checked) || checked != declared) {
        CloseReader();
        return Keep(ZR_READ_FAILED);
    }
    return Keep(ZR_OK);
}

unsigned int ZipExtractor::OpenAnother(const ZipExtractor& first)
{
    if (m_archive)
        return ZR_ALREADY_OPEN;
    if (!first.m_archive)
        return ZR_BAD_ARGS;
    if (g_zipTestSwitches.openAnotherLeft == 0)
        return ZR_OPEN_FAILED;
    if (g_zipTestSwitches.openAnotherLeft > 0)
        --g_zipTestSwitches.openAnotherLeft;
    wcscpy(m_baseFolder, first.m_baseFolder);
    m_archivePath = first.m_archivePath;
    m_folders = first.m_folders;
    unsigned long long declared = 0;
    unsigned int r = OpenReader(&declared);
    if (r == ZR_OK && declared != static_cast<unsigned long long>(first.m_entryCount)) {
        CloseReader(); // the file changed under us
        r = ZR_READ_FAILED;
    }
    return r;
}

unsigned int ZipExtractor::OpenReader(unsigned long long* declared)
{
    zlib_filefunc64_def io;
    FillZipFileIo(&io);
    unzFile zf = unzOpen2_64(m_archivePath.c_str(), &io);
    if (!zf)
        return ZR_OPEN_FAILED;
    unz_global_info64 info;
    if (unzGetGlobalInfo64(zf, &info) != UNZ_OK || info.number_entry > INT_MAX) {
        unzClose(zf);
        return ZR_OPEN_FAILED;
    }
    *declared = info.number_entry;
    m_archive = zf;
    m_entryCount = static_cast<int>(info.number_entry);
    m_readerIndex = 0; // opening leaves the reader on the first entry
    m_directoryFailed = false;
    m_cachedIndex = -1;
    m_openEntry = -1;
    return ZR_OK;
}

unsigned int ZipExtractor::Close()
{
    CloseReader();
    return Keep(ZR_OK);
}

void ZipExtractor::CloseReader()
{
    CloseOpenEntry();
    m_folders.reset();
    if (m_archive)
        unzClose(Archive(m_archive));
    m_archive = nullptr;
    m_entryCount = 0;
    m_readerIndex = -1;
    m_cachedIndex = -1;
}

void ZipExtractor::CloseOpenEntry()
{
    if (m_archive && m_openEntry >= 0)
        unzCloseCurrentFile(Archive(m_archive));
    m_openEntry = -1;
}

unsigned int ZipExtractor::GoToEntry(int index)
{
    // A directory that failed once is not walked again for every later index.
    if (m_directoryFailed)
        return ZR_READ_FAILED;
    unzFile zf = Archive(m_archive);
    if (index < m_readerIndex || m_readerIndex < 0) {
        if (unzGoToFirstFile(zf) != UNZ_OK) {
            m_directoryFailed = true;
            return ZR_READ_FAILED;
        }
        m_readerIndex = 0;
    }
    while (m_readerIndex < index) {
        if (unzGoToNextFile(zf) != UNZ_OK) {
            m_directoryFailed = true;
            return ZR_READ_FAILED;
        }
        ++m_readerIndex;
    }
    return ZR_OK;
}

// Jumps to an entry's record without walking the directory up to it.
unsigned int ZipExtractor::GoToRecord(int index, unsigned long long directoryPos)
{
    if (index == m_readerIndex)
        return ZR_OK;
    unz64_file_pos pos;
    pos.pos_in_zip_directory = directoryPos;
    pos.num_of_file = static_cast<ZPOS64_T>(index);
    if (unzGoToFilePos64(Archive(m_archive), &pos) != UNZ_OK) {
        m_readerIndex = -1; // unknown: the next walk starts from the first entry
        return ZR_READ_FAILED;
    }
    m_readerIndex = index;
    return ZR_OK;
}

unsigned int ZipExtractor::FetchEntry(int index, ZipEntry* entry, ZipEntryFacts* facts)
{
    unsigned int r = GoToEntry(index);
    if (r != ZR_OK)
        return r;
    if (index == m_cachedIndex) {
        *entry = m_cachedEntry;
        *facts = m_cachedFacts;
        return ZR_OK;
    }

    unzFile zf = Archive(m_archive);
    unz64_file_pos place;
    if (unzGetFilePos64(zf, &place) != UNZ_OK)
        return ZR_READ_FAILED;
    facts->directoryPos = place.pos_in_zip_directory;
    unz_file_info64 info;
    std::vector<char> stored(kMaxStoredNameBytes + 1);
    if (unzGetCurrentFileInfo64(zf, &info, stored.data(), static_cast<uLong>(stored.size()), nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return ZR_READ_FAILED;

    // The local header must agree with the directory; raw mode skips setting up inflate.
    int err = unzOpenCurrentFile2(zf, nullptr, nullptr, 1);
    if (err != UNZ_OK)
        return err == UNZ_BADZIPFILE ? ZR_LOCAL_HEADER : ZR_READ_FAILED;
    std::vector<unsigned char> extra;
    int extraLen = unzGetLocalExtrafield(zf, nullptr, 0);
    if (extraLen > 0) {
        extra.resize(extraLen);
        if (unzGetLocalExtrafield(zf, extra.data(), static_cast<unsigned>(extraLen)) != extraLen)
            extraLen = -1;
    }
    unzCloseCurrentFile(zf);
    if (extraLen < 0)
        return ZR_READ_FAILED;

    ZipEntry e;
    e.index = index;
    e.attr = ZipAttributesFromExternal(static_cast<unsigned>(info.version >> 8), info.external_fa);
    FILETIME dos = DosDateTimeToFileTime(HIWORD(info.dosDate), LOWORD(info.dosDate));
    e.atime = e.ctime = e.mtime = dos;
    ApplyZipUnixTimes(extra.data(), extra.size(), &e);
    e.compSize = static_cast<long long>(info.compressed_size);
    e.uncompSize = static_cast<long long>(info.uncompressed_size);

    bool nameFits = info.size_filename <= kMaxStoredNameBytes;
    size_t storedLen = nameFits ? info.size_filename : 0;
    facts->isDirectory = (e.attr & FILE_ATTRIBUTE_DIRECTORY) || EndsWithSeparator(stored.data(), storedLen);
    facts->encrypted = (info.flag & 1) != 0;
    if (facts->isDirectory)
        e.attr |= FILE_ATTRIBUTE_DIRECTORY;

    wchar_t wide[kMaxStoredNameBytes + 1];
    int wideLen = storedLen ? MultiByteToWideChar(CP_UTF8, 0, stored.data(), static_cast<int>(storedLen), wide,
                                                  kMaxStoredNameBytes)
                            : 0;
    wide[wideLen > 0 ? wideLen : 0] = L'\0';
    bool safe = nameFits && wideLen > 0 && wcslen(wide) == static_cast<size_t>(wideLen) &&
                MakeSafeZipName(wide, e.name, ZIP_MAX_PATH);
    *entry = e;
    if (!safe)
        return ZR_BAD_NAME;
    m_cachedEntry = e;
    m_cachedFacts = *facts;
    m_cachedIndex = index;
    return ZR_OK;
}

unsigned int ZipExtractor::ReadEntry(int index, ZipEntry* entry, ZipEntryFacts* facts)
{
    CloseOpenEntry();
    if (!m_archive || !entry || !facts || index < 0 || index >= m_entryCount)
        return ZR_BAD_ARGS;
    return FetchEntry(index, entry, facts);
}

unsigned int ZipExtractor::GetEntry(int index, ZipEntry* entry)
{
    if (index == -1 && m_archive && entry) {
        CloseOpenEntry();
        *entry = ZipEntry();
        entry->index = m_entryCount;
        return Keep(ZR_OK);
    }
    ZipEntryFacts facts;
    return Keep(ReadEntry(index, entry, &facts));
}

unsigned int ZipExtractor::ExtractEntry(int index, const wchar_t* name)
{
    CloseOpenEntry();
    if (!m_archive || !name || index < 0 || index >= m_entryCount)
        return Keep(ZR_BAD_ARGS);
    wchar_t safeName[ZIP_MAX_PATH];
    if (!MakeSafeZipName(name, safeName, ZIP_MAX_PATH) || !ZipRelativePathIsSafe(safeName))
        return Keep(ZR_BAD_NAME);
    ZipEntry entry;
    ZipEntryFacts facts;
    unsigned int r = FetchEntry(index, &entry, &facts);
    // The stored name does not matter here: the target is the caller's name, made safe above.
    if (r != ZR_OK && r != ZR_BAD_NAME)
        return Keep(r);
    return Keep(WriteEntry(entry, facts, name));
}

unsigned int ZipExtractor::CheckTarget(const ZipEntry& entry, const ZipEntryFacts& facts, const wchar_t* name,
                                       ZipTargetPaths* paths) const
{
    if (!MakeSafeZipName(name, paths->safeName, ZIP_MAX_PATH) ||
        !ZipTargetNameIsSafe(paths->safeName, facts.isDirectory))
        return ZR_BAD_NAME;
    if (facts.isDirectory)
        return ZR_OK;
    if (facts.encrypted)
        return ZR_ENCRYPTED;
    if (!ResolveZipTarget(m_baseFolder, paths->safeName, paths->target, ZIP_MAX_PATH))
        return ZR_BAD_NAME;
    paths->partial = ZipPartialPath(paths->target, entry.index, facts.partialSuffixes);
    return paths->partial.empty() ? ZR_BAD_NAME : ZR_OK;
}

unsigned int ZipExtractor::FolderToMake(const ZipEntry& entry, const ZipEntryFacts& facts, const wchar_t* name,
                                        std::wstring* folder) const
{
    folder->clear();
    ZipTargetPaths paths;
    unsigned int r = CheckTarget(entry, facts, name, &paths);
    if (r != ZR_OK)
        return r;
    const wchar_t* slash = facts.isDirectory ? nullptr : wcsrchr(paths.safeName, L'/');
    if (facts.isDirectory)
        folder->assign(paths.safeName);
    else if (slash)
        folder->assign(paths.safeName, slash - paths.safeName);
    return ZR_OK;
}

unsigned int ZipExtractor::WriteEntry(const ZipEntry& entry, const ZipEntryFacts& facts, const wchar_t* name)
{
    CloseOpenEntry();
    if (!m_archive || !name || entry.index < 0 || entry.index >= m_entryCount)
        return ZR_BAD_ARGS;
    ZipTargetPaths paths;
    unsigned int r = CheckTarget(entry, facts, name, &paths);
    if (r != ZR_OK)
        return r;
    if (facts.isDirectory)
        return facts.foldersMade || EnsureDirectory(m_baseFolder, paths.safeName) ? ZR_OK : ZR_OPEN_FAILED;
    r = GoToRecord(entry.index, facts.directoryPos);
    return r != ZR_OK ? r : ExtractFile(paths, entry, facts);
}

unsigned int ZipExtractor::ExtractFile(const ZipTargetPaths& paths, const ZipEntry& entry, const ZipEntryFacts& facts)
{
    const wchar_t* target = paths.target;
    const std::wstring& partial = paths.partial;

    // Written under a side name first: the target changes only once the entry is complete. The
    // attributes go on at creation (a read-only file is still writable through this handle).
    DWORD attr = entry.attr & ~FILE_ATTRIBUTE_DIRECTORY;
    if (!attr)
        attr = FILE_ATTRIBUTE_NORMAL;
    const wchar_t* leaf = wcsrchr(target, L'\\') + 1; // ResolveZipTarget gives a full path
    // The folder with its separator: "C:" alone would name the drive's current directory.
    const std::wstring folderPath(target, leaf);
    std::shared_ptr<const ScopedHandle> held;
    if (m_folders)
        held = m_folders->Folder(folderPath);
    HANDLE folder = held ? held->Get() : nullptr;
    bool overwritten = false;
    // The partial file lies in the target's folder.
    ScopedHandle file(CreateFileInFolder(folder, partial.c_str() + folderPath.size(), attr, &overwritten));
    if (overwritten)
        file.Reset(); // a partial file of a killed run: the path-based way below makes it afresh
    if (!file)
        file.Reset(CreatePartialByPath(partial, attr, facts.foldersMade ? nullptr : m_baseFolder, paths.safeName));
    if (!file)
        return ZR_OPEN_FAILED;
    unsigned int r = CopyEntryData(file.Get(), entry.uncompSize);
    bool renamed = false;
    if (r == ZR_OK) {
        (void)SetFileTime(file.Get(), TimeOrNull(entry.ctime), TimeOrNull(entry.atime), TimeOrNull(entry.mtime));
        renamed = RenameInFolder(file.Get(), folder, leaf) || RenameOpenFile(file.Get(), target);
    }
    file.Reset();
    if (r == ZR_OK && !renamed && !ReplaceTarget(partial.c_str(), target))
        r = ZR_OPEN_FAILED;
    if (r != ZR_OK) {
        SetFileAttributesW(partial.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(partial.c_str());
    }
    return r;
}

unsigned int ZipExtractor::CopyEntryData(HANDLE file, long long expectedSize)
{
    unzFile zf = Archive(m_archive);
    if (!m_buffer)
        m_buffer = new char[kReadChunk];
    int err = unzOpenCurrentFile3(zf, nullptr, nullptr, 0, m_password);
    if (err != UNZ_OK) {
        unzCloseCurrentFile(zf);
        return err == UNZ_BADZIPFILE ? ZR_LOCAL_HEADER : ZR_INFLATE_FAILED;
    }
    m_openEntry = m_readerIndex;

    unsigned int result = ZR_OK;
    long long total = 0;
    for (;;) {
        int n = unzReadCurrentFile(zf, m_buffer, kReadChunk);
        if (n < 0) {
            result = ZR_INFLATE_FAILED;
            break;
        }
        if (n == 0) {
            if (total != expectedSize)
                result = ZR_INFLATE_FAILED; // data ended before the entry's size
            break;
        }
        DWORD written = 0;
        if (!WriteFile(file, m_buffer, static_cast<DWORD>(n), &written, nullptr) || written != static_cast<DWORD>(n)) {
            result = ZR_WRITE_FAILED;
            break;
        }
        total += n;
    }
    // The CRC is checked when the entry is closed: a mismatch there is a failed extraction.
    int closeErr = unzCloseCurrentFile(zf);
    m_openEntry = -1;
    if (result == ZR_OK && closeErr != UNZ_OK)
        result = ZR_INFLATE_FAILED;
    return result;
}

ZipHandle* OpenZipArchive(const wchar_t* path)
{
    ZipExtractor* extractor = new ZipExtractor;
    if (extractor->Open(path) != ZR_OK) {
        unsigned int r = g_zipLastResult;
        extractor->Destroy();
        g_zipLastResult = r;
        return nullptr;
    }
    ZipHandle* handle = new ZipHandle;
    handle->extractor = extractor;
    return handle;
}

namespace {

unsigned int CheckHandle(const ZipHandle* handle)
{
    if (!handle)
        return ZR_BAD_ARGS;
    if (handle->kind != ZIP_HANDLE_KIND)
        return ZR_WRONG_KIND;
    return handle->extractor ? ZR_OK : ZR_BAD_ARGS;
}

} // namespace

unsigned int GetZipEntry(ZipHandle* handle, int index, ZipEntry* entry)
{
    unsigned int r = CheckHandle(handle);
    return r != ZR_OK ? Keep(r) : handle->extractor->GetEntry(index, entry);
}

unsigned int ExtractZipEntry(ZipHandle* handle, int index, const wchar_t* name)
{
    unsigned int r = CheckHandle(handle);
    return r != ZR_OK ? Keep(r) : handle->extractor->ExtractEntry(index, name);
}

unsigned int CloseZipArchive(ZipHandle* handle)
{
    unsigned int r = CheckHandle(handle);
    if (r != ZR_OK)
        return Keep(r);
    handle->extractor->Close();
    handle->extractor->Destroy();
    delete handle;
    return Keep(ZR_OK);
}
