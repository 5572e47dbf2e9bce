#include "Utility.h"
#include "PipeOpen.h"
#include <easylogging++.h>

namespace Utility
{
bool WritePipeBuf(const wchar_t* pipeName, const wchar_t* text, DWORD waitMs)
{
    wchar_t path[MAX_PATH];
    if (!pipeName || !FormatW(path, MAX_PATH, L"\\\\.\\Pipe\\%ls", pipeName))
    {
        LOG(ERROR) << "Pipe name does not fit: " << ToUtf8(pipeName);
        return false;
    }
    LOG(INFO) << "Found running instance, pass parameters to the instance. [" << ToUtf8(path) << "]";

    // The text is checked before connecting: the client never sees an empty or cut message.
    char buffer[2048];
    if (!text || !WideToGbk(text, buffer, sizeof(buffer)))
    {
        LOG(ERROR) << "Pipe message is empty or longer than " << sizeof(buffer) - 1 << " bytes, not sent";
        return false;
    }
    HANDLE pipe = OpenPipeWaiting(path, waitMs);
    if (pipe == INVALID_HANDLE_VALUE)
    {
        LOG(ERROR) << "Cannot open pipe " << ToUtf8(path) << ", last error: " << GetLastError();
        return false;
    }
    DWORD length = static_cast<DWORD>(strlen(buffer));
    DWORD written = 0;
    BOOL ok = WriteFile(pipe, buffer, length, &written, NULL);
    CloseHandle(pipe);
    if (!ok || written != length)
    {
        LOG(ERROR) << "Writing to pipe " << ToUtf8(path) << " failed, last error: " << GetLastError();
        return false;
    }
    return true;
}
} // namespace Utility
