#pragma once
// Test tools of the Updater tests: temp folders, child processes, pipe servers, file helpers.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace updtest {

// A fresh folder under the temp folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return path_; }  // with trailing backslash
    std::string NarrowPath() const;
    std::wstring operator/(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

struct ProcessResult {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string output;  // stdout and stderr together
};

// Runs a command line, captures its output, kills it after `timeoutMs`.
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 30000);

// A started child process that is killed and waited for when the holder goes.
class ChildProcess {
public:
    explicit ChildProcess(const std::wstring& commandLine);
    ~ChildProcess();
    bool Running() const;
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return process_; }
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode);
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// Serves "\\.\pipe\<name>" on its own thread and keeps every message (one per connection).
class PipeSink {
public:
    explicit PipeSink(const std::wstring& name);
    ~PipeSink();
    std::vector<std::string> Messages();
    bool WaitForMessages(size_t count, DWORD timeoutMs);
    size_t Connections() const { return connections_; }

private:
    std::wstring path_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<size_t> connections_{0};
    std::mutex mutex_;
    std::vector<std::string> messages_;
    std::thread thread_;
};

std::wstring UniqueName(const std::wstring& prefix);
std::wstring TestsDir();  // folder of the running test program, trailing backslash
std::wstring BinDir();    // build/bin, trailing backslash
std::wstring Quote(const std::wstring& text);

bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
int64_t FileSize(const std::wstring& path);  // -1 when missing
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

// Deterministic test data: byte i of the stream is the high byte of the i-th step of the LCG
// x = x * 1664525 + 1013904223 seeded with `seed`, repeated every MiB.
std::string PatternBytes(uint32_t seed, size_t size);
bool WritePatternFile(const std::wstring& path, uint32_t seed, uint64_t size);

}  // namespace updtest
