#include "Utility.h"
#include "PipeOpen.h"
#include "Handles.h"
#include "SystemText.h"
#include <easylogging++.h>

namespace Utility {
bool WritePipeBuf(const wchar_t* pipeName, const wchar_t* text, DWORD waitMs)
{
    wchar_t path[MAX_PATH];
    if (!pipeName || !FormatW(path, MAX_PATH, L"\\\\.\\Pipe\\%ls", pipeName)) {
        LOG(ERROR) << "Pipe name does not fit: " << ToUtf8(pipeName);
        return false;
    }
    LOG(INFO) << "Found running instance, pass parameters to the instance. [" << ToUtf8(path) << "]";

    // The text is checked before connecting: the client never sees an empty or cut message.
    char buffer[2048];
    if (!text || !WideToGbk(text, buffer, sizeof(buffer))) {
        LOG(ERROR) << "Pipe message is empty or longer than " << sizeof(buffer) - 1 << " bytes, not sent";
        return false;
    }
    ScopedHandle pipe(OpenPipeWaiting(path, waitMs));
    if (!pipe) {
        const DWORD error = GetLastError();
        LOG(ERROR) << "Cannot open pipe " << ToUtf8(path) << ", last error: " << error << " " << SystemText(error);
        return false;
    }
    DWORD length = static_cast<DWORD>(strlen(buffer));
    DWORD written = 0;
    if (!WriteFile(pipe.Get(), buffer, length, &written, NULL)) {
        const DWORD error = GetLastError();
        LOG(ERROR) << "Writing to pipe " << ToUtf8(path) << " failed, last error: " << error << " "
                   << SystemText(error);
        return false;
    }
    if (written != length) {
        LOG(ERROR) << "Writing to pipe " << ToUtf8(path) << " stopped after " << written << " of " << length
                   << " bytes";
        return false;
    }
    return true;
}
} // namespace Utility
