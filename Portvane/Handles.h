// Owning holders for the handles Portvane opens.
#pragma once
#include <windows.h>

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : m_h(h) {}
    ~Handle() { if (Valid()) CloseHandle(m_h); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& o) noexcept : m_h(o.m_h) { o.m_h = nullptr; }
    HANDLE Get() const { return m_h; }
    bool Valid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
private:
    HANDLE m_h;
};

class RegKey {
public:
    RegKey() = default;
    ~RegKey() { if (m_key) RegCloseKey(m_key); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY Get() const { return m_key; }
    HKEY* Out() { return &m_key; }
private:
    HKEY m_key = nullptr;
};
