#include "ConfigWrapper.h"
#include "SystemText.h"
#include <easylogging++.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
const DWORD kPipeBufferBytes = 10240;
}

// Serves "\\.\Pipe\LU_<launchname>": the Updater reports "msg1:<n>" here.
DWORD WINAPI PipeThread(LPVOID param)
{
    CConfigWrapper* wrapper = static_cast<CConfigWrapper*>(param);
    static char buffer[kPipeBufferBytes];
    while (!wrapper->m_bStopPipe) {
        ScopedHandle pipe(CreateNamedPipeW(wrapper->m_strPipeName.c_str(), PIPE_ACCESS_DUPLEX,
                                           PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, 0, 1000, NULL));
        if (!pipe) {
            // A warning only: in a burst of links another Launcher holds the one instance, and only an
            // environment switch needs this pipe.
            const DWORD error = GetLastError();
            LOG(WARNING) << "Cannot create pipe " << Utility::ToUtf8(wrapper->m_strPipeName)
                         << ", last error: " << error << " " << SystemText(error);
            break;
        }
        // A client that connected before this call (ERROR_PIPE_CONNECTED) is read all the same.
        (void)ConnectNamedPipe(pipe.Get(), NULL);
        memset(buffer, 0, sizeof(buffer));
        DWORD read = 0;
        // A failed read leaves read at 0: an empty message, which changes nothing.
        (void)ReadFile(pipe.Get(), buffer, sizeof(buffer), &read, NULL);
        // Only the bytes read count; a full buffer has no terminator of its own.
        std::string text(buffer, strnlen(buffer, read));
        LOG(INFO) << "pipe buffer: " << text;
        if (text.compare(0, 5, "msg1:") == 0) {
            std::string number = text.substr(5, 127);
            wrapper->m_nUpdateResult = atoi(number.c_str());
            ScopedHandle sem(OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, L"WaitUpdate"));
            if (sem) {
                ReleaseSemaphore(sem.Get(), 1, NULL);
            } else {
                const DWORD error = GetLastError();
                LOG(INFO) << "open sem failed, last error: " << error << " " << SystemText(error);
            }
        }
    }
    return 0;
}
