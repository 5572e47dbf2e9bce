#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace testkit {

// Folder of the running test exe, with a trailing backslash.
std::wstring ExeDir();
std::wstring TestsDir();
// build/bin, where the programs under test are.
std::wstring BinDir();

// A fresh folder under the temp folder, removed with everything in it on destruction.
class TempDir
{
public:
    explicit TempDir(const std::wstring& tag);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& rel) const { return path_ + rel; }

private:
    std::wstring path_;
};

// Removes a folder tree, clearing read-only attributes, retrying while files are still held.
bool RemoveTree(const std::wstring& dir, DWORD timeout_ms = 5000);

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool ReadFileBytes(const std::wstring& path, std::string* out);
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
bool CopyFileTo(const std::wstring& from, const std::wstring& to);
bool MakeDirs(const std::wstring& dir);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
std::string Hex(const std::string& bytes);
bool Unhex(const std::string& hex, std::string* out);

// Polls pred every 20 ms until it holds or the time is up.
bool WaitFor(std::function<bool()> pred, DWORD timeout_ms);

} // namespace testkit
