// Buffered reading of the archive file for minizip. The reader fetches headers a few bytes at a
// time; one ReadFile per small field made listing and opening entries cost more than the data.
// Two buffers: one stays on the central directory while the other follows the entries' data, so
// stepping to the next entry does not read the directory again.
#include "ZipInternal.h"
#include "Handles.h"

#include <ioapi.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

const DWORD kBufferSize = 65536;
const int kBuffers = 2;

struct Window
{
    ZPOS64_T start = 0; // file offset of data[0]
    DWORD len = 0;
    unsigned lastUse = 0;
    char data[kBufferSize];
};

struct ArchiveFile
{
    ScopedHandle handle;
    ZPOS64_T pos = 0;  // position the reader asked for
    ZPOS64_T size = 0; // file length at open: a read from there on ends without a system call
    bool error = false;
    unsigned uses = 0;
    Window windows[kBuffers];
};

// Not ReadFile with an offset in an OVERLAPPED: Wine sends its server a message for every such read.
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

Window* WindowHolding(ArchiveFile* f, ZPOS64_T pos)
{
    for (Window& w : f->windows) {
        if (pos >= w.start && pos < w.start + w.len) {
            w.lastUse = ++f->uses;
            return &w;
        }
    }
    return nullptr;
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
        if (Window* w = WindowHolding(f, f->pos)) {
            DWORD at = static_cast<DWORD>(f->pos - w->start);
            DWORD n = static_cast<DWORD>(std::min<uLong>(size - done, w->len - at));
            memcpy(out + done, w->data + at, n);
            done += n;
            f->pos += n;
            continue;
        }
        DWORD got = 0;
        if (size - done >= kBufferSize) { // large reads bypass the buffers
            if (!ReadAt(f, f->pos, out + done, size - done, &got) || got == 0)
                break;
            done += got;
            f->pos += got;
            continue;
        }
        Window* w = &f->windows[0];
        for (Window& other : f->windows)
            if (other.lastUse < w->lastUse)
                w = &other;
        w->len = 0;
        if (!ReadAt(f, f->pos, w->data, kBufferSize, &got) || got == 0)
            break;
        w->start = f->pos;
        w->len = got;
        w->lastUse = ++f->uses;
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
