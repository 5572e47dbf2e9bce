#include "ExtractZip.h"

#include <windows.h>

#include <filesystem>
#include <mutex>
#include <string>

#include "ZipPackage.h"

namespace {

// The ZIP layer extracts below the current directory: it is the target folder for the length of
// one call, and calls take turns.
std::mutex g_extractTurn;

class CurrentDirectoryScope
{
public:
    explicit CurrentDirectoryScope(const wchar_t* folder)
    {
        DWORD n = ::GetCurrentDirectoryW(MAX_PATH, saved_);
        entered_ = n > 0 && n < MAX_PATH && ::SetCurrentDirectoryW(folder);
    }
    ~CurrentDirectoryScope()
    {
        if (entered_)
            ::SetCurrentDirectoryW(saved_);
    }
    bool Entered() const { return entered_; }

private:
    wchar_t saved_[MAX_PATH] = {};
    bool entered_ = false;
};

struct ArchiveCloser
{
    ZipHandle* zip;
    ~ArchiveCloser() { CloseZipArchive(zip); }
};

} // namespace

ZLIBDLL_API int ExtractZipToDir(const wchar_t* zipPath, const wchar_t* folder, int flags)
{
    if (zipPath == nullptr || folder == nullptr || *zipPath == L'\0' || *folder == L'\0' || flags != 0) {
        return kExtractBadArguments;
    }
    // A relative package path means the caller's current directory, not the target folder.
    wchar_t fullZip[MAX_PATH];
    DWORD n = ::GetFullPathNameW(zipPath, MAX_PATH, fullZip, nullptr);
    if (n == 0 || n >= MAX_PATH)
        return kExtractOpenFailed;

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        return kExtractFolderFailed;

    std::lock_guard<std::mutex> turn(g_extractTurn);
    CurrentDirectoryScope inFolder(folder);
    if (!inFolder.Entered())
        return kExtractFolderFailed;
    ZipHandle* zip = OpenZipArchive(fullZip);
    if (zip == nullptr)
        return kExtractOpenFailed;
    ArchiveCloser closer{zip};

    int failed = ExtractZipPackage(
        zip,
        [](const ZipEntry& entry, std::wstring* target) {
            *target = entry.name;
            return true;
        },
        [](int, const ZipEntry&, unsigned int) {});
    return failed;
}
