#pragma once
// Small owning holders for the Win32 handles the Updater opens.
#include <windows.h>

template <class Traits>
class ScopedWinHandle {
public:
    using Type = typename Traits::Type;
    ScopedWinHandle() = default;
    explicit ScopedWinHandle(Type h) : h_(h) {}
    ~ScopedWinHandle() { Reset(); }
    ScopedWinHandle(const ScopedWinHandle&) = delete;
    ScopedWinHandle& operator=(const ScopedWinHandle&) = delete;
    ScopedWinHandle(ScopedWinHandle&& o) noexcept : h_(o.Release()) {}
    ScopedWinHandle& operator=(ScopedWinHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    Type Get() const { return h_; }
    bool Valid() const { return Traits::Valid(h_); }
    explicit operator bool() const { return Valid(); }
    Type Release() {
        Type h = h_;
        h_ = Traits::Invalid();
        return h;
    }
    void Reset(Type h = Traits::Invalid()) {
        if (Traits::Valid(h_)) Traits::Close(h_);
        h_ = h;
    }

private:
    Type h_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { ::FindClose(h); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

// Covers files, pipes, processes, threads and toolhelp snapshots.
using ScopedHandle = ScopedWinHandle<KernelHandleTraits>;
using ScopedFindHandle = ScopedWinHandle<FindHandleTraits>;
using ScopedRegKey = ScopedWinHandle<RegKeyTraits>;
