#include "ConfigWrapper.h"
#include <easylogging++.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
const DWORD kPipeBufferBytes = 10240;
}

// Serves "\\.\Pipe\LU_<launchname>": the Updater reports "msg1:<n>" here.
DWORD WINAPI PipeThread(LPVOID param)
{
    CConfigWrapper* wrapper = static_cast<CConfigWrapper*>(param);
    static char buffer[kPipeBufferBytes];
    while (!wrapper->m_bStopPipe)
    {
        HANDLE pipe = CreateNamedPipeW(wrapper->m_strPipeName.c_str(), PIPE_ACCESS_DUPLEX,
                                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, 0, 1000, NULL);
        if (pipe == INVALID_HANDLE_VALUE)
            break;
        ConnectNamedPipe(pipe, NULL);
        memset(buffer, 0, sizeof(buffer));
        DWORD read = 0;
        ReadFile(pipe, buffer, sizeof(buffer), &read, NULL);
        // Only the bytes read count; a full buffer has no terminator of its own.
        std::string text(buffer, strnlen(buffer, read));
        LOG(INFO) << "pipe buffer: " << text;
        if (text.compare(0, 5, "msg1:") == 0)
        {
            std::string number = text.substr(5, 127);
            wrapper->m_nUpdateResult = atoi(number.c_str());
            HANDLE sem = OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, L"WaitUpdate");
            if (sem)
            {
                ReleaseSemaphore(sem, 1, NULL);
                CloseHandle(sem);
            }
            else
            {
                LOG(INFO) << "open sem failed";
            }
        }
        CloseHandle(pipe);
    }
    return 0;
}
