#include "UpdTestKit.h"

#include "Handles.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace updtest {

namespace {

const size_t kPatternBlock = 1 << 20;

const std::vector<unsigned char>& PatternBlock(uint32_t seed)
{
    static std::mutex mutex;
    static std::vector<std::pair<uint32_t, std::vector<unsigned char>>> cache;
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& entry : cache)
        if (entry.first == seed)
            return entry.second;
    std::vector<unsigned char> block(kPatternBlock);
    uint32_t x = seed;
    for (size_t i = 0; i < block.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        block[i] = static_cast<unsigned char>(x >> 24);
    }
    cache.emplace_back(seed, std::move(block));
    return cache.back().second;
}

} // namespace

std::wstring UniqueName(const std::wstring& prefix)
{
    static std::atomic<unsigned> counter{0};
    wchar_t buf[128];
    _snwprintf(buf, 128, L"%ls%lu_%lu_%u", prefix.c_str(), ::GetCurrentProcessId(), ::GetTickCount(),
               counter.fetch_add(1));
    buf[127] = L'\0';
    return buf;
}

ProcessOutput RunCaptured(const std::wstring& commandLine, DWORD timeoutMs)
{
    ProcessOutput result;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    ScopedHandle readEnd, writeEnd;
    ::CreatePipe(readEnd.Out(), writeEnd.Out(), &sa, 0);
    ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.Get();
    si.hStdError = writeEnd.Get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = commandLine;
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        result.exitCode = static_cast<DWORD>(-1);
        result.output = "CreateProcess failed";
        return result;
    }
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    writeEnd.Reset(); // the child's copy is the only writer left: its exit ends the reader
    std::thread reader([&] {
        char buf[4096];
        DWORD got = 0;
        while (::ReadFile(readEnd.Get(), buf, sizeof(buf), &got, nullptr) && got > 0)
            result.output.append(buf, got);
    });
    if (::WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        result.timedOut = true;
        ::TerminateProcess(process.Get(), 1);
        ::WaitForSingleObject(process.Get(), 5000);
    }
    ::GetExitCodeProcess(process.Get(), &result.exitCode);
    reader.join();
    return result;
}

std::wstring Quote(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

std::string ReadBytes(const std::wstring& path)
{
    std::string out;
    testkit::ReadFileBytes(path, &out);
    return out;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    return testkit::WriteFileBytes(path, bytes);
}

int64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string PatternBytes(uint32_t seed, size_t size)
{
    const std::vector<unsigned char>& block = PatternBlock(seed);
    std::string out;
    out.reserve(size);
    while (out.size() < size) {
        size_t take = std::min(block.size(), size - out.size());
        out.append(reinterpret_cast<const char*>(block.data()), take);
    }
    return out;
}

bool WritePatternFile(const std::wstring& path, uint32_t seed, uint64_t size)
{
    const std::vector<unsigned char>& block = PatternBlock(seed);
    ScopedFile f(_wfopen(path.c_str(), L"wb"));
    if (!f)
        return false;
    bool ok = true;
    for (uint64_t left = size; left > 0 && ok;) {
        size_t take = static_cast<size_t>(std::min<uint64_t>(block.size(), left));
        ok = std::fwrite(block.data(), 1, take, f.Get()) == take;
        left -= take;
    }
    return std::fclose(f.Release()) == 0 && ok;
}

} // namespace updtest
