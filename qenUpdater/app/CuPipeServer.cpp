#include "app/CuPipeServer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/ConfigParser.h"
#include "install/PageCallParam.h"
#include "foundation/StringConv.h"
#include "SystemText.h"
#include "foundation/UpdaterLog.h"

namespace {

const wchar_t kCachePipePrefix[] = L"\\\\.\\Pipe\\CU_";
const unsigned kCacheNameChars = 512;
const char kExitPipe[] = "ExitPipe";
const DWORD kExitReplyBytes = 512;
const DWORD kExitCallTimeoutMs = 1;
const DWORD kDefaultPipeTimeoutMs = 1000;
const DWORD kStopPollMs = 1000;

} // namespace

std::wstring GetCachePipeName()
{
    std::string cacheName;
    wchar_t wide[kCacheNameChars];
    if (!ConfigParser::GetInstance().GetValue("CacheName", cacheName) ||
        !GbkToWide(cacheName.c_str(), wide, kCacheNameChars)) {
        return kCachePipePrefix;
    }
    return std::wstring(kCachePipePrefix) + wide;
}

CuPipeServer::CuPipeServer(NameSource name, DWORD readTimeoutMs) : name_(std::move(name)), readTimeoutMs_(readTimeoutMs)
{}

CuPipeServer::~CuPipeServer()
{
    Stop();
}

bool CuPipeServer::Start()
{
    if (m_hPipeThread)
        return true;
    m_bStopPipe = false;
    m_hPipeThread.Reset(::CreateThread(nullptr, 0, &CuPipeServer::ReadPipeThread, this, 0, nullptr));
    if (!m_hPipeThread) {
        const DWORD error = ::GetLastError();
        LOG(ERROR) << "pipe thread not created, error[" << error << "] " << SystemText(error);
    }
    return m_hPipeThread.Valid();
}

bool CuPipeServer::Running() const
{
    DWORD code = 0;
    return m_hPipeThread && ::GetExitCodeThread(m_hPipeThread.Get(), &code) && code == STILL_ACTIVE;
}

void CuPipeServer::Stop()
{
    m_bStopPipe = true;
    while (Running()) {
        // Only wakes a server blocked in ConnectNamedPipe; a server inside a read ends when the
        // read times out.
        char reply[kExitReplyBytes];
        DWORD replied = 0;
        ::CallNamedPipeW(name_().c_str(), const_cast<char*>(kExitPipe), sizeof(kExitPipe) - 1, reply, sizeof(reply),
                         &replied, kExitCallTimeoutMs);
        ::WaitForSingleObject(m_hPipeThread.Get(), kStopPollMs);
    }
    m_hPipeThread.Reset();
}

DWORD WINAPI CuPipeServer::ReadPipeThread(LPVOID server)
{
    static_cast<CuPipeServer*>(server)->ReadPipeThreadImpl();
    return 0;
}

bool ConnectPipeClient(HANDLE pipe, OVERLAPPED& ov)
{
    if (::ConnectNamedPipe(pipe, &ov))
        return true;
    DWORD error = ::GetLastError();
    if (error == ERROR_PIPE_CONNECTED)
        return true; // connected before the call: its message is readable
    if (error != ERROR_IO_PENDING)
        return false;
    DWORD unused = 0;
    return ::GetOverlappedResult(pipe, &ov, &unused, TRUE) != FALSE;
}

bool CuPipeServer::ReadMessage(OVERLAPPED& ov, char* buffer, DWORD& read)
{
    read = 0;
    if (::ReadFile(m_hPipe.Get(), buffer, kMessageBytes, &read, &ov))
        return true;
    if (::GetLastError() != ERROR_IO_PENDING)
        return false;
    if (::WaitForSingleObject(ov.hEvent, readTimeoutMs_) != WAIT_OBJECT_0) {
        ::CancelIo(m_hPipe.Get());
        ::GetOverlappedResult(m_hPipe.Get(), &ov, &read, TRUE);
        LOG(WARNING) << "pipe client sent nothing, dropped";
        return false;
    }
    return ::GetOverlappedResult(m_hPipe.Get(), &ov, &read, FALSE) != FALSE;
}

bool CuPipeServer::ReadPipeThreadImpl()
{
    ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::vector<char> buffer(kMessageBytes);
    while (!m_bStopPipe && event) {
        m_hPipe.Reset();
        std::wstring name = name_();
        m_hPipe.Reset(::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, 0,
                                         kDefaultPipeTimeoutMs, nullptr));
        if (!m_hPipe) {
            const DWORD error = ::GetLastError();
            LOG(ERROR) << "create pipe failed, error[" << error << "] " << SystemText(error) << " name["
                       << WideToUtf8(name) << "]";
            break;
        }
        OVERLAPPED ov = {};
        ov.hEvent = event.Get();
        ::ResetEvent(ov.hEvent);
        if (!ConnectPipeClient(m_hPipe.Get(), ov))
            continue;
        if (m_bStopPipe)
            break;

        std::fill(buffer.begin(), buffer.end(), '\0');
        ::ResetEvent(ov.hEvent);
        DWORD read = 0;
        if (!ReadMessage(ov, buffer.data(), read))
            continue;
        std::string text(buffer.data(), strnlen(buffer.data(), read));
        LOG(INFO) << "read pipe buffer:" << WideToUtf8(StringToWString(text));
        if (!text.empty())
            SetPageCallParam(text);
    }
    m_hPipe.Reset();
    return true;
}
