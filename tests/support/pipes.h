#pragma once
#include <windows.h>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace testkit {

class PipeServer;

// Collects what is written to "\\.\Pipe\<name>", one message per connection.
class PipeSink
{
public:
    explicit PipeSink(const std::wstring& pipeName, bool oneInstance = false);
    ~PipeSink();
    PipeSink(const PipeSink&) = delete;
    PipeSink& operator=(const PipeSink&) = delete;

    bool Listening() const;
    std::vector<std::string> Messages() const;
    bool WaitForMessages(size_t n, DWORD ms) const;

private:
    mutable std::mutex lock_;
    mutable std::condition_variable arrived_;
    std::vector<std::string> messages_;
    std::unique_ptr<PipeServer> server_;
};

// Writes bytes as one message to "\\.\Pipe\<name>", retrying while the pipe is missing or busy.
bool SendPipeMessage(const std::wstring& pipeName, const std::string& bytes, DWORD timeout_ms = 5000);

// True once "\\.\Pipe\<name>" has an instance waiting for a client: a server that makes its next
// instance only after handling a connection has then handled every earlier one.
bool WaitPipeListening(const std::wstring& pipeName, DWORD timeout_ms);

// Reads the record that the client stand-in appends to (client-record.txt).
class ClientRecord
{
public:
    explicit ClientRecord(const std::wstring& path) : path_(path) {}
    std::vector<std::string> Lines() const;
    // The args= values of every start, in order.
    std::vector<std::string> Starts() const;
    // The working folder of every start, in order.
    std::vector<std::string> WorkingFolders() const { return WithPrefix("cwd="); }
    // The exact bytes of every message received on that pipe (name without \\.\Pipe\).
    std::vector<std::string> PipeMessages(const std::string& pipeName) const;
    bool WaitForLine(const std::string& prefix, DWORD ms) const;
    bool WaitListening(const std::string& pipeName, DWORD ms) const;

private:
    std::vector<std::string> WithPrefix(const std::string& prefix) const;
    std::wstring path_;
};

} // namespace testkit
