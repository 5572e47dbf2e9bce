// Byte sources under the skin ZIP reader: a file handle or a memory block.
#pragma once
#include <windows.h>
#include <Handles.h>

namespace UiToolkit {

// The byte stream under the archive reader: a disk file handle or a caller's memory block.
struct ZipByteSource
{
    bool isFile = false;
    bool seekable = false;
    ScopedHandle handle; // the file read; empty for a memory block
    bool readFailed = false;
    DWORD startOffset = 0;
    const BYTE* memory = nullptr;
    DWORD length = 0;
    DWORD position = 0;

    static ZipByteSource* FromHandle(ScopedHandle file);
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
