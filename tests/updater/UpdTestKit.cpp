#include "UpdTestKit.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>

namespace updtest {

namespace {

const size_t kPatternBlock = 1 << 20;

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = dir + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + L"\\");
            } else {
                ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(full.c_str());
            }
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(dir.c_str());
}

const std::vector<unsigned char>& PatternBlock(uint32_t seed) {
    static std::mutex mutex;
    static std::vector<std::pair<uint32_t, std::vector<unsigned char>>> cache;
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& entry : cache)
        if (entry.first == seed) return entry.second;
    std::vector<unsigned char> block(kPatternBlock);
    uint32_t x = seed;
    for (size_t i = 0; i < block.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        block[i] = static_cast<unsigned char>(x >> 24);
    }
    cache.emplace_back(seed, std::move(block));
    return cache.back().second;
}

}  // namespace

std::wstring UniqueName(const std::wstring& prefix) {
    static std::atomic<unsigned> counter{0};
    wchar_t buf[128];
    _snwprintf(buf, 128, L"%ls%lu_%lu_%u", prefix.c_str(), ::GetCurrentProcessId(), ::GetTickCount(),
               counter.fetch_add(1));
    buf[127] = L'\0';
    return buf;
}

TempDir::TempDir() {
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    path_ = std::wstring(tmp) + UniqueName(L"updt_") + L"\\";
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string TempDir::NarrowPath() const { return Narrow(path_); }

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs) {
    ProcessResult result;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ::CreatePipe(&readEnd, &writeEnd, &sa, 0);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = commandLine;
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(readEnd);
        ::CloseHandle(writeEnd);
        result.exitCode = static_cast<DWORD>(-1);
        result.output = "CreateProcess failed";
        return result;
    }
    ::CloseHandle(writeEnd);
    std::thread reader([&] {
        char buf[4096];
        DWORD got = 0;
        while (::ReadFile(readEnd, buf, sizeof(buf), &got, nullptr) && got > 0) result.output.append(buf, got);
    });
    if (::WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        result.timedOut = true;
        ::TerminateProcess(pi.hProcess, 1);
        ::WaitForSingleObject(pi.hProcess, 5000);
    }
    ::GetExitCodeProcess(pi.hProcess, &result.exitCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    reader.join();
    ::CloseHandle(readEnd);
    return result;
}

ChildProcess::ChildProcess(const std::wstring& commandLine) {
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = commandLine;
    if (::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
    }
}

ChildProcess::~ChildProcess() {
    Kill();
    if (process_) ::CloseHandle(process_);
}

bool ChildProcess::Running() const {
    return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_ || ::WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) ::GetExitCodeProcess(process_, exitCode);
    return true;
}

void ChildProcess::Kill() {
    if (Running()) {
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, 5000);
    }
}

namespace {

HANDLE NewPipeInstance(const std::wstring& path) {
    return ::CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                              0, 65536, 0, nullptr);
}

}  // namespace

PipeSink::PipeSink(const std::wstring& name) : path_(L"\\\\.\\pipe\\" + name) {
    // One instance always listens, created before a writer can look for it.
    HANDLE first = NewPipeInstance(path_);
    thread_ = std::thread([this, first] {
        HANDLE listening = first;
        while (listening != INVALID_HANDLE_VALUE) {
            // A writer may have connected, written and closed before this call: its bytes still wait.
            bool connected = ::ConnectNamedPipe(listening, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED ||
                             ::GetLastError() == ERROR_NO_DATA;
            if (!connected || stop_) break;
            HANDLE client = listening;
            listening = NewPipeInstance(path_);
            ++connections_;
            std::string message;
            char buf[4096];
            DWORD got = 0;
            while (::ReadFile(client, buf, sizeof(buf), &got, nullptr) && got > 0) message.append(buf, got);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                messages_.push_back(message);
            }
            ::DisconnectNamedPipe(client);
            ::CloseHandle(client);
        }
        if (listening != INVALID_HANDLE_VALUE) ::CloseHandle(listening);
        finished_ = true;
    });
}

PipeSink::~PipeSink() {
    stop_ = true;
    // Wake the waiting ConnectNamedPipe by connecting; retried while an instance is being replaced.
    while (!finished_) {
        HANDLE h = ::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        ::Sleep(10);
    }
    thread_.join();
}

std::vector<std::string> PipeSink::Messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

bool PipeSink::WaitForMessages(size_t count, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (messages_.size() >= count) return true;
        }
        ::Sleep(20);
    }
    return false;
}

std::wstring TestsDir() {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path, n);
    return full.substr(0, full.find_last_of(L'\\') + 1);
}

std::wstring BinDir() {
    std::wstring tests = TestsDir();
    std::wstring build = tests.substr(0, tests.find_last_of(L'\\', tests.size() - 2) + 1);
    return build + L"bin\\";
}

std::wstring Quote(const std::wstring& text) { return L"\"" + text + L"\""; }

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::fclose(f);
    return ok;
}

std::string ReadBytes(const std::wstring& path) {
    std::string out;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return out;
    char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof(buf), f)) > 0) out.append(buf, got);
    std::fclose(f);
    return out;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string PatternBytes(uint32_t seed, size_t size) {
    const std::vector<unsigned char>& block = PatternBlock(seed);
    std::string out;
    out.reserve(size);
    while (out.size() < size) {
        size_t take = std::min(block.size(), size - out.size());
        out.append(reinterpret_cast<const char*>(block.data()), take);
    }
    return out;
}

bool WritePatternFile(const std::wstring& path, uint32_t seed, uint64_t size) {
    const std::vector<unsigned char>& block = PatternBlock(seed);
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = true;
    for (uint64_t left = size; left > 0 && ok;) {
        size_t take = static_cast<size_t>(std::min<uint64_t>(block.size(), left));
        ok = std::fwrite(block.data(), 1, take, f) == take;
        left -= take;
    }
    std::fclose(f);
    return ok;
}

}  // namespace updtest
