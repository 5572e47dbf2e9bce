#pragma once
// The Updater's application object: single instance, the CU_ pipe server, the progress window
// and the message loop.
#include <windows.h>

#include "app/CuPipeServer.h"
#include "Handles.h"

class CUpdaterApp
{
public:
    explicit CUpdaterApp(HINSTANCE instance);
    // Stops the pipe server and releases the instance mutex.
    ~CUpdaterApp();
    CUpdaterApp(const CUpdaterApp&) = delete;
    CUpdaterApp& operator=(const CUpdaterApp&) = delete;

    // False when another Updater runs; the instance mutex is kept either way.
    bool ClaimInstance();
    // The whole run: configuration, window, download, message loop.
    bool Run(const wchar_t* cmdLine);

private:
    ScopedHandle m_hInstanceMutex;
    HINSTANCE m_hInstance;
    CuPipeServer m_pipeServer;
};
