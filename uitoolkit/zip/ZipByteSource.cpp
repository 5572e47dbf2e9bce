#include "zip/ZipByteSource.h"

#include <ioapi.h>
#include <string.h>
#include <utility>

namespace UiToolkit {

namespace {

const int SEEK_NOT_SEEKABLE = 29;
const int SEEK_BAD_ORIGIN = 19;

voidpf ZCALLBACK StreamOpen(voidpf, const char* filename, int)
{
    return const_cast<char*>(filename);
}

uLong ZCALLBACK StreamRead(voidpf, voidpf stream, void* buf, uLong size)
{
    return static_cast<ZipByteSource*>(stream)->Read(buf, size);
}

uLong ZCALLBACK StreamWrite(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

long ZCALLBACK StreamTell(voidpf, voidpf stream)
{
    return static_cast<ZipByteSource*>(stream)->Tell();
}

long ZCALLBACK StreamSeek(voidpf, voidpf stream, uLong offset, int origin)
{
    return static_cast<ZipByteSource*>(stream)->Seek(static_cast<LONG>(offset), origin);
}

int ZCALLBACK StreamClose(voidpf, voidpf stream)
{
    return ZipByteSource::Close(static_cast<ZipByteSource*>(stream));
}

int ZCALLBACK StreamError(voidpf, voidpf stream)
{
    return static_cast<ZipByteSource*>(stream)->HasError() ? 1 : 0;
}

} // namespace

ZipByteSource* ZipByteSource::FromHandle(ScopedHandle file)
{
    ZipByteSource* source = new ZipByteSource();
    source->isFile = true;
    source->seekable = GetFileType(file.Get()) == FILE_TYPE_DISK;
    if (source->seekable)
        source->startOffset = SetFilePointer(file.Get(), 0, NULL, FILE_CURRENT);
    source->handle = std::move(file);
    return source;
}

ZipByteSource* ZipByteSource::FromMemory(const void* memory, DWORD length)
{
    ZipByteSource* source = new ZipByteSource();
    source->seekable = true;
    source->memory = static_cast<const BYTE*>(memory);
    source->length = length;
    return source;
}

DWORD ZipByteSource::Read(void* buffer, DWORD size)
{
    if (isFile) {
        DWORD got = 0;
        if (!ReadFile(handle.Get(), buffer, size, &got, NULL))
            readFailed = true;
        return got;
    }
    if (position >= length)
        return 0;
    DWORD available = length - position;
    if (size > available)
        size = available;
    memcpy(buffer, memory + position, size);
    position += size;
    return size;
}

int ZipByteSource::Seek(LONG offset, int origin)
{
    if (isFile) {
        if (!seekable)
            return SEEK_NOT_SEEKABLE;
        DWORD result;
        switch (origin) {
        case FILE_BEGIN:
            result = SetFilePointer(handle.Get(), static_cast<LONG>(startOffset + offset), NULL, FILE_BEGIN);
            break;
        case FILE_CURRENT:
        case FILE_END:
            result = SetFilePointer(handle.Get(), offset, NULL, origin);
            break;
        default:
            return SEEK_BAD_ORIGIN;
        }
        return result == INVALID_SET_FILE_POINTER ? -1 : 0;
    }
    // A position outside the block is refused instead of being read from later.
    LONGLONG target;
    switch (origin) {
    case FILE_BEGIN:
        target = static_cast<DWORD>(offset);
        break;
    case FILE_CURRENT:
        target = static_cast<LONGLONG>(position) + offset;
        break;
    case FILE_END:
        target = static_cast<LONGLONG>(length) + offset;
        break;
    default:
        return 0;
    }
    if (target < 0 || target > static_cast<LONGLONG>(length))
        return -1;
    position = static_cast<DWORD>(target);
    return 0;
}

LONG ZipByteSource::Tell() const
{
    if (!isFile)
        return static_cast<LONG>(position);
    if (!seekable)
        return 0;
    return static_cast<LONG>(SetFilePointer(handle.Get(), 0, NULL, FILE_CURRENT) - startOffset);
}

int ZipByteSource::Close(ZipByteSource* source)
{
    if (source == NULL)
        return -1;
    delete source; // closes its file
    return 0;
}

void ZipFillStreamFunctions(void* zlibFileFuncDef)
{
    zlib_filefunc_def* def = static_cast<zlib_filefunc_def*>(zlibFileFuncDef);
    def->zopen_file = StreamOpen;
    def->zread_file = StreamRead;
    def->zwrite_file = StreamWrite;
    def->ztell_file = StreamTell;
    def->zseek_file = StreamSeek;
    def->zclose_file = StreamClose;
    def->zerror_file = StreamError;
    def->opaque = NULL;
}

} // namespace UiToolkit
