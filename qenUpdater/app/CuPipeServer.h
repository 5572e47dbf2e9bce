#pragma once
// The CU_ pipe server: text an outside program writes there replaces the parameters the Updater
// passes to the program it starts after the installation. One client at a time, one message per
// connection.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "Handles.h"

// "\\.\Pipe\CU_" + CacheName; the bare prefix when CacheName cannot be read or is too long.
std::wstring GetCachePipeName();

// Waits on an overlapped server instance for its client; true once one is connected, also one that
// connected before the wait began (its message is already readable).
bool ConnectPipeClient(HANDLE pipe, OVERLAPPED& ov);

class CuPipeServer
{
public:
    using NameSource = std::function<std::wstring()>; // full pipe path, asked anew per instance

    static const DWORD kMessageBytes = 10240;
    static const DWORD kReadTimeoutMs = 5000; // a client that connects and never writes is dropped

    explicit CuPipeServer(NameSource name, DWORD readTimeoutMs = kReadTimeoutMs);
    // Stops the thread (see Stop).
    ~CuPipeServer();
    CuPipeServer(const CuPipeServer&) = delete;
    CuPipeServer& operator=(const CuPipeServer&) = delete;

    // Starts the server thread; false when it could not be created (the program runs on without).
    [[nodiscard]] bool Start();
    // Sets the stop flag and wakes the waiting server with "ExitPipe" once a second until its
    // thread has ended.
    void Stop();
    bool Running() const;

private:
    static DWORD WINAPI ReadPipeThread(LPVOID server);
    bool ReadPipeThreadImpl();
    bool ReadMessage(OVERLAPPED& ov, char* buffer, DWORD& read);

    NameSource name_;
    DWORD readTimeoutMs_;
    std::atomic<bool> m_bStopPipe{false};
    ScopedHandle m_hPipeThread;
    ScopedHandle m_hPipe; // the current server instance; only the server thread touches it
};
