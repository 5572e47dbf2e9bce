// Byte sources under the skin ZIP reader: a file handle or a memory block.
#pragma once
#include <windows.h>

namespace UiToolkit {

// The byte stream under the archive reader: a disk file handle or a caller's memory block.
struct ZipByteSource
{
    bool isFile;
    bool seekable;
    HANDLE handle;
    bool readFailed;
    DWORD startOffset;
    const BYTE* memory;
    DWORD length;
    DWORD position;

    static ZipByteSource* FromHandle(HANDLE owned);
    static ZipByteSource* FromMemory(const void* memory, DWORD length);

    DWORD Read(void* buffer, DWORD size);
    int Seek(LONG offset, int origin);
    LONG Tell() const;
    bool HasError() const { return isFile && readFailed; }
    static int Close(ZipByteSource* source);
};

// Fills minizip's stream callbacks; the source pointer travels as the "file name".
void ZipFillStreamFunctions(void* zlibFileFuncDef);

} // namespace UiToolkit
