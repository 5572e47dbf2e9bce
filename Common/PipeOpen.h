// Opening a running client's pipe for one hand-off, waiting while it is busy or between instances.
#pragma once
#include <windows.h>

// How long a link handed to a running client may wait for its pipe, all tries together.
const DWORD kPipeHandOffWaitMs = 2000;

// Opens "\\.\Pipe\..." for reading and writing. While every instance serves another writer, or
// the server is between two instances, tries again until waitMs have passed (0: one try).
// INVALID_HANDLE_VALUE on failure, GetLastError telling the last reason.
[[nodiscard]] HANDLE OpenPipeWaiting(const wchar_t* path, DWORD waitMs);
