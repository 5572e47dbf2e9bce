#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace TestHelpers {

// Bytes placed so that the first byte after them lies on an inaccessible page.
class GuardedBuffer
{
public:
    GuardedBuffer(const void* data, size_t size);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;
    BYTE* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    const wchar_t* Text() const { return reinterpret_cast<const wchar_t*>(m_data); }

private:
    BYTE* m_base;
    BYTE* m_data;
    size_t m_size;
};

// Runs the work on its own thread; a hang ends the whole test program as a failure.
void RunWithTimeout(const std::function<void()>& work, DWORD milliseconds = 10000);

// A unique folder under the temp folder, removed with everything in it.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }
    void Write(const std::wstring& name, const std::vector<BYTE>& bytes) const;

private:
    std::wstring m_path;
};

std::vector<BYTE> ReadWholeFile(const std::wstring& path);
bool PathExists(const std::wstring& path);
std::vector<BYTE> Bytes(const std::string& text);

} // namespace TestHelpers
