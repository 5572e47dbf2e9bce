#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <thread>

#include "Handles.h"

namespace testkit {

// Serves "\\.\Pipe\<name>" on its own thread: each connection is one message, all its bytes until
// the client closes. Ready to accept when the constructor returns. A one-instance server, as some
// clients run theirs, is busy while it reads and briefly absent before its next instance.
class PipeServer
{
public:
    using OnMessage = std::function<void(const std::string& bytes)>;
    PipeServer(const std::wstring& name, OnMessage onMessage, bool oneInstance = false);
    ~PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    bool Listening() const { return thread_.joinable(); }

private:
    void Run(ScopedHandle pipe);
    HANDLE CreateInstance() const;
    // Completes an overlapped operation unless the stop event comes first.
    bool Finish(HANDLE pipe, OVERLAPPED* ov, DWORD* bytes);

    std::wstring path_;
    OnMessage onMessage_;
    bool oneInstance_ = false;
    ScopedHandle stop_;
    std::thread thread_;
};

} // namespace testkit
