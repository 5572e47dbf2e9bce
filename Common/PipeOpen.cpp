#include "PipeOpen.h"

HANDLE OpenPipeWaiting(const wchar_t* path, DWORD waitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE pipe =
            CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (pipe != INVALID_HANDLE_VALUE)
            return pipe;
        const DWORD error = GetLastError();
        const DWORD elapsed = GetTickCount() - start;
        if ((error != ERROR_PIPE_BUSY && error != ERROR_FILE_NOT_FOUND) || elapsed >= waitMs) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        const DWORD left = waitMs - elapsed;
        // A busy pipe says when an instance is free; a missing one is only polled for.
        if (error != ERROR_PIPE_BUSY || !WaitNamedPipeW(path, left))
            Sleep(left < 20 ? left : 20);
    }
}
