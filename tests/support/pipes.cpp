#include "pipes.h"
#include "files.h"
#include "Handles.h"
#include "pipeserver.h"

#include <chrono>

namespace testkit {

PipeSink::PipeSink(const std::wstring& pipeName, bool oneInstance)
{
    server_.reset(new PipeServer(
        pipeName,
        [this](const std::string& bytes) {
            std::lock_guard<std::mutex> hold(lock_);
            messages_.push_back(bytes);
            arrived_.notify_all();
        },
        oneInstance));
}

PipeSink::~PipeSink()
{
    server_.reset();
}

bool PipeSink::Listening() const
{
    return server_ && server_->Listening();
}

std::vector<std::string> PipeSink::Messages() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return messages_;
}

bool PipeSink::WaitForMessages(size_t n, DWORD ms) const
{
    std::unique_lock<std::mutex> hold(lock_);
    return arrived_.wait_for(hold, std::chrono::milliseconds(ms), [&] { return messages_.size() >= n; });
}

bool SendPipeMessage(const std::wstring& pipeName, const std::string& bytes, DWORD timeout_ms)
{
    std::wstring path = L"\\\\.\\Pipe\\" + pipeName;
    ScopedHandle pipe;
    WaitFor(
        [&] {
            pipe.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            return pipe.Valid();
        },
        timeout_ms);
    if (!pipe.Valid())
        return false;
    DWORD written = 0;
    size_t done = 0;
    while (done < bytes.size()) {
        if (!WriteFile(pipe.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr))
            return false;
        done += written;
    }
    FlushFileBuffers(pipe.Get());
    return true;
}

bool WaitPipeListening(const std::wstring& pipeName, DWORD timeout_ms)
{
    std::wstring path = L"\\\\.\\Pipe\\" + pipeName;
    return WaitFor([&] { return WaitNamedPipeW(path.c_str(), 20) != FALSE; }, timeout_ms);
}

std::vector<std::string> ClientRecord::Lines() const
{
    std::string text;
    std::vector<std::string> lines;
    if (!ReadFileBytes(path_, &text))
        return lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            break; // a line still being written
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::vector<std::string> ClientRecord::WithPrefix(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const std::string& line : Lines())
        if (line.compare(0, prefix.size(), prefix) == 0)
            out.push_back(line.substr(prefix.size()));
    return out;
}

std::vector<std::string> ClientRecord::Starts() const
{
    return WithPrefix("args=");
}

std::vector<std::string> ClientRecord::PipeMessages(const std::string& pipeName) const
{
    std::vector<std::string> out;
    for (const std::string& hex : WithPrefix("pipe " + pipeName + " hex=")) {
        std::string bytes;
        Unhex(hex, &bytes);
        out.push_back(bytes);
    }
    return out;
}

bool ClientRecord::WaitForLine(const std::string& prefix, DWORD ms) const
{
    return WaitFor([&] { return !WithPrefix(prefix).empty(); }, ms);
}

bool ClientRecord::WaitListening(const std::string& pipeName, DWORD ms) const
{
    return WaitFor(
        [&] {
            for (const std::string& line : Lines())
                if (line == "listening " + pipeName)
                    return true;
            return false;
        },
        ms);
}

} // namespace testkit
