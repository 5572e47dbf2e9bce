#pragma once
#include <windows.h>

namespace testkit {

// Owns a kernel handle (process, thread, file, pipe, event); closes it on destruction.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE Release() { HANDLE h = h_; h_ = nullptr; return h; }
    void Reset(HANDLE h = nullptr) {
        if (Valid()) CloseHandle(h_);
        h_ = h;
    }
private:
    HANDLE h_ = nullptr;
};

// Owns an open registry key.
class UniqueKey {
public:
    UniqueKey() = default;
    ~UniqueKey() { if (k_) RegCloseKey(k_); }
    UniqueKey(const UniqueKey&) = delete;
    UniqueKey& operator=(const UniqueKey&) = delete;
    HKEY Get() const { return k_; }
    HKEY* Out() { if (k_) RegCloseKey(k_); k_ = nullptr; return &k_; }
private:
    HKEY k_ = nullptr;
};

} // namespace testkit
