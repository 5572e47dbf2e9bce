// The one owning holder for Win32 handles, FILE* streams and registry keys, for every program and the tests.
#pragma once
#include <windows.h>
#include <cstdio>

// Owns one handle of the kind Traits describes and closes it with that kind's close function.
// Empty means Valid() is false. For kernel and find handles both NULL and INVALID_HANDLE_VALUE are
// empty (the API calls disagree on which one reports a failure), so test the holder, never Get()
// against one of them. Ownership moves only visibly: Reset(h) takes h, Release() gives it away.
template <class Traits>
class ScopedWinHandle
{
public:
    using Type = typename Traits::Type;
    ScopedWinHandle() = default;
    explicit ScopedWinHandle(Type h) : h_(h) {}
    ~ScopedWinHandle() { Reset(); }
    ScopedWinHandle(const ScopedWinHandle&) = delete;
    ScopedWinHandle& operator=(const ScopedWinHandle&) = delete;
    ScopedWinHandle(ScopedWinHandle&& o) noexcept : h_(o.Release()) {}
    ScopedWinHandle& operator=(ScopedWinHandle&& o) noexcept
    {
        if (this != &o)
            Reset(o.Release());
        return *this;
    }
    Type Get() const { return h_; }
    bool Valid() const { return Traits::Valid(h_); }
    explicit operator bool() const { return Valid(); }
    [[nodiscard]] Type Release()
    {
        Type h = h_;
        h_ = Traits::Invalid();
        return h;
    }
    void Reset(Type h = Traits::Invalid())
    {
        if (Traits::Valid(h_))
            Traits::Close(h_);
        h_ = h;
    }
    // For calls that hand the handle back through a pointer (RegOpenKeyExW, OpenProcessToken):
    // whatever was held is closed first.
    Type* Out()
    {
        Reset();
        return &h_;
    }

private:
    Type h_ = Traits::Invalid();
};

struct KernelHandleTraits
{
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits
{
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { ::FindClose(h); }
};

struct RegKeyTraits
{
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

struct FileStreamTraits
{
    using Type = FILE*;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type f) { return f != nullptr; }
    static void Close(Type f) { std::fclose(f); }
};

// Covers files, pipes, processes, threads, events, mutexes, semaphores, tokens and toolhelp snapshots.
using ScopedHandle = ScopedWinHandle<KernelHandleTraits>;
using ScopedFindHandle = ScopedWinHandle<FindHandleTraits>;
using ScopedRegKey = ScopedWinHandle<RegKeyTraits>;
// A stream whose close result matters (a file being written) is closed by hand: fclose(file.Release()).
using ScopedFile = ScopedWinHandle<FileStreamTraits>;
