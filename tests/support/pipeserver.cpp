#include "pipeserver.h"

#include <vector>

namespace testkit {

static const DWORD kReadChunk = 10240;

PipeServer::PipeServer(const std::wstring& name, OnMessage onMessage, bool oneInstance)
    : path_(L"\\\\.\\Pipe\\" + name), onMessage_(std::move(onMessage)), oneInstance_(oneInstance),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    ScopedHandle first(CreateInstance());
    if (!first.Valid())
        return;
    thread_ = std::thread(&PipeServer::Run, this, std::move(first));
}

PipeServer::~PipeServer()
{
    SetEvent(stop_.Get());
    if (thread_.joinable())
        thread_.join();
}

HANDLE PipeServer::CreateInstance() const
{
    return CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                            oneInstance_ ? 1 : PIPE_UNLIMITED_INSTANCES, kReadChunk, kReadChunk, 0, nullptr);
}

bool PipeServer::Finish(HANDLE pipe, OVERLAPPED* ov, DWORD* bytes)
{
    HANDLE waits[2] = {ov->hEvent, stop_.Get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, ov, bytes, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, ov, bytes, FALSE) != 0;
}

void PipeServer::Run(ScopedHandle pipe)
{
    ScopedHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::vector<char> buf(kReadChunk);
    while (WaitForSingleObject(stop_.Get(), 0) != WAIT_OBJECT_0) {
        if (!pipe.Valid()) {
            pipe.Reset(CreateInstance());
            if (!pipe.Valid()) {
                Sleep(20);
                continue;
            }
        }
        OVERLAPPED ov = {};
        ov.hEvent = event.Get();
        ResetEvent(event.Get());
        DWORD n = 0;
        bool connected = ConnectNamedPipe(pipe.Get(), &ov) != 0;
        if (!connected) {
            DWORD err = GetLastError();
            // A writer that already came and went leaves ERROR_NO_DATA; its bytes are still readable.
            if (err == ERROR_PIPE_CONNECTED || err == ERROR_NO_DATA)
                connected = true;
            else if (err == ERROR_IO_PENDING)
                connected = Finish(pipe.Get(), &ov, &n);
            if (WaitForSingleObject(stop_.Get(), 0) == WAIT_OBJECT_0)
                break;
        }
        if (!connected) {
            pipe.Reset();
            continue;
        }
        // The next instance listens while this connection is read, so back-to-back writers find one.
        ScopedHandle next(oneInstance_ ? nullptr : CreateInstance());
        std::string message;
        for (;;) {
            ov = OVERLAPPED();
            ov.hEvent = event.Get();
            ResetEvent(event.Get());
            n = 0;
            BOOL ok = ReadFile(pipe.Get(), buf.data(), kReadChunk, &n, &ov);
            if (!ok && GetLastError() == ERROR_IO_PENDING)
                ok = Finish(pipe.Get(), &ov, &n);
            if (!ok)
                break;
            message.append(buf.data(), n);
        }
        DisconnectNamedPipe(pipe.Get());
        pipe = std::move(next);
        if (oneInstance_)
            Sleep(20); // no instance at all for a moment
        if (WaitForSingleObject(stop_.Get(), 0) == WAIT_OBJECT_0)
            break;
        onMessage_(message);
    }
}

} // namespace testkit
