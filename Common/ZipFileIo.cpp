// Buffered reading of the archive file for minizip. The reader fetches headers a few bytes at a
// time; one ReadFile per small field made listing and opening entries cost more than the data.
#include "ZipInternal.h"
#include "Handles.h"

#include <ioapi.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

const DWORD kBufferSize = 65536;

struct ArchiveFile
{
    ScopedHandle handle;
    ZPOS64_T pos = 0;         // position the reader asked for
    ZPOS64_T size = 0;        // file length at open: a read from there on ends without a system call
    ZPOS64_T bufferStart = 0; // file offset of buffer[0]
    DWORD bufferLen = 0;
    bool error = false;
    char buffer[kBufferSize];
};

bool ReadAt(ArchiveFile* f, ZPOS64_T offset, void* out, DWORD size, DWORD* got)
{
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(f->handle.Get(), li, nullptr, FILE_BEGIN) ||
        !ReadFile(f->handle.Get(), out, size, got, nullptr)) {
        f->error = true;
        return false;
    }
    return true;
}

voidpf ZCALLBACK OpenFile(voidpf, const void* filename, int mode)
{
    if (!filename || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    ScopedHandle h(CreateFileW(static_cast<const wchar_t*>(filename), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!h)
        return nullptr;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h.Get(), &size))
        return nullptr;
    ArchiveFile* f = new ArchiveFile;
    f->handle = std::move(h);
    f->size = static_cast<ZPOS64_T>(size.QuadPart);
    return f;
}

uLong ZCALLBACK ReadFileFn(voidpf, voidpf stream, void* buf, uLong size)
{
    ArchiveFile* f = static_cast<ArchiveFile*>(stream);
    char* out = static_cast<char*>(buf);
    uLong done = 0;
    // A damaged header can make the reader ask for thousands of single bytes past the end.
    if (f->pos >= f->size)
        return 0;
    if (size > f->size - f->pos)
        size = static_cast<uLong>(f->size - f->pos);
    while (done < size) {
        if (f->pos >= f->bufferStart && f->pos < f->bufferStart + f->bufferLen) {
            DWORD at = static_cast<DWORD>(f->pos - f->bufferStart);
            DWORD n = static_cast<DWORD>(std::min<uLong>(size - done, f->bufferLen - at));
            memcpy(out + done, f->buffer + at, n);
            done += n;
            f->pos += n;
            continue;
        }
        DWORD got = 0;
        if (size - done >= kBufferSize) { // large reads bypass the buffer
            if (!ReadAt(f, f->pos, out + done, size - done, &got) || got == 0)
                break;
            done += got;
            f->pos += got;
            continue;
        }
        if (!ReadAt(f, f->pos, f->buffer, kBufferSize, &got) || got == 0)
            break;
        f->bufferStart = f->pos;
        f->bufferLen = got;
    }
    return done;
}

uLong ZCALLBACK WriteFileFn(voidpf, voidpf, const void*, uLong)
{
    return 0; // archives are only read
}

ZPOS64_T ZCALLBACK TellFile(voidpf, voidpf stream)
{
    return static_cast<ArchiveFile*>(stream)->pos;
}

long ZCALLBACK SeekFile(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    ArchiveFile* f = static_cast<ArchiveFile*>(stream);
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        f->pos = offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
        f->pos += offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_END:
        f->pos = f->size + offset;
        return 0;
    default:
        return -1;
    }
}

int ZCALLBACK CloseFile(voidpf, voidpf stream)
{
    delete static_cast<ArchiveFile*>(stream); // closes its file
    return 0;
}

int ZCALLBACK TestError(voidpf, voidpf stream)
{
    return static_cast<ArchiveFile*>(stream)->error ? -1 : 0;
}

} // namespace

void FillZipFileIo(zlib_filefunc64_def* io)
{
    io->zopen64_file = OpenFile;
    io->zread_file = ReadFileFn;
    io->zwrite_file = WriteFileFn;
    io->ztell64_file = TellFile;
    io->zseek64_file = SeekFile;
    io->zclose_file = CloseFile;
    io->zerror_file = TestError;
    io->opaque = nullptr;
}
