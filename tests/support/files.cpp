#include "files.h"
#include "Handles.h"

#include <atomic>
#include <filesystem>
#include <vector>

namespace testkit {

std::wstring ExeDir()
{
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            std::wstring path(buf.data(), n);
            return path.substr(0, path.find_last_of(L"\\/") + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

std::wstring TestsDir()
{
    return ExeDir();
}

std::wstring BinDir()
{
    std::wstring rel = ExeDir() + L"..\\bin\\";
    wchar_t full[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(rel.c_str(), MAX_PATH * 2, full, nullptr);
    if (n == 0 || n >= MAX_PATH * 2)
        return rel;
    return std::wstring(full, n);
}

TempDir::TempDir(const std::wstring& tag)
{
    static std::atomic<unsigned> counter{0};
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    for (;;) {
        std::wstring p = std::wstring(tmp) + L"kt_" + tag + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                         std::to_wstring(counter++);
        if (CreateDirectoryW(p.c_str(), nullptr)) {
            path_ = p + L"\\";
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            path_ = p + L"\\"; // unusable; tests will fail on their first file
            return;
        }
    }
}

TempDir::~TempDir()
{
    RemoveTree(path_);
}

static bool RemoveTreeOnce(const std::wstring& dir)
{
    std::wstring base = dir;
    if (!base.empty() && base.back() != L'\\')
        base += L'\\';
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(FindFirstFileW((base + L"*").c_str(), &fd));
    bool ok = true;
    if (find) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = base + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesW(full.c_str(), fd.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                ok = RemoveTreeOnce(full) && ok;
            else
                ok = (DeleteFileW(full.c_str()) != 0) && ok;
        } while (FindNextFileW(find.Get(), &fd));
        find.Reset(); // the folder goes next: no search may hold it open
    }
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    return RemoveDirectoryW(dir.c_str()) != 0 && ok;
}

bool RemoveTree(const std::wstring& dir, DWORD timeout_ms)
{
    if (dir.empty())
        return false;
    return WaitFor([&] { return RemoveTreeOnce(dir) || !DirExists(dir); }, timeout_ms);
}

bool MakeDirs(const std::wstring& dir)
{
    if (dir.empty())
        return true;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(dir), ec);
    return DirExists(dir);
}

static bool MakeParentDirs(const std::wstring& path)
{
    size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos)
        return true;
    return MakeDirs(path.substr(0, cut));
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    if (!MakeParentDirs(path))
        return false;
    ScopedHandle f(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid())
        return false;
    DWORD written = 0;
    if (!bytes.empty() && !WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return false;
    return written == bytes.size();
}

bool ReadFileBytes(const std::wstring& path, std::string* out)
{
    out->clear();
    ScopedHandle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid())
        return false;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f.Get(), buf, sizeof buf, &got, nullptr) && got > 0)
        out->append(buf, got);
    return true;
}

bool FileExists(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to)
{
    return MakeParentDirs(to) && CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Unhex(const std::string& hex, std::string* out)
{
    out->clear();
    if (hex.size() % 2)
        return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        *out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

bool WaitFor(std::function<bool()> pred, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (pred())
            return true;
        if (GetTickCount() - start >= timeout_ms)
            return pred();
        Sleep(20);
    }
}

} // namespace testkit
