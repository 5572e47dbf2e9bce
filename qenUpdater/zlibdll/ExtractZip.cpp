#include "ExtractZip.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

// unzip.h first: iowin32.h relies on what it brings in.
#include <unzip.h>
#include <iowin32.h>

namespace fs = std::filesystem;

namespace {

const unsigned kUtf8NameFlag = 1u << 11;
const unsigned kEncryptedFlag = 1u;
const size_t kBlockBytes = 64 * 1024;

struct ArchiveCloser {
    unzFile archive;
    ~ArchiveCloser() { unzClose(archive); }
};

struct FileCloser {
    HANDLE file;
    ~FileCloser() { ::CloseHandle(file); }
};

std::wstring EntryName(const std::vector<char>& raw, unsigned flags) {
    UINT codePage = (flags & kUtf8NameFlag) ? CP_UTF8 : CP_OEMCP;
    int n = ::MultiByteToWideChar(codePage, 0, raw.data(), static_cast<int>(raw.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring name(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, raw.data(), static_cast<int>(raw.size()), &name[0], n);
    return name;
}

// Relative path below the target folder; empty when nothing safe is left.
std::wstring SafeRelativePath(const std::wstring& name, bool& isFolder) {
    isFolder = !name.empty() && (name.back() == L'/' || name.back() == L'\\');
    std::wstring out;
    size_t pos = 0;
    bool first = true;
    while (pos <= name.size()) {
        size_t end = name.find_first_of(L"/\\", pos);
        if (end == std::wstring::npos) end = name.size();
        std::wstring segment = name.substr(pos, end - pos);
        pos = end + 1;
        bool drive = first && segment.size() == 2 && segment[1] == L':';
        first = false;
        if (segment.empty() || segment == L"." || segment == L".." || drive) continue;
        for (wchar_t c : segment) {
            if (c < 0x20 || wcschr(L":*?\"<>|", c) != nullptr) return std::wstring();
        }
        if (!out.empty()) out += L'\\';
        out += segment;
    }
    return out;
}

bool WriteCurrentEntry(unzFile archive, const fs::path& target) {
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (unzOpenCurrentFile(archive) != UNZ_OK) return false;
    ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only old copy is replaced
    HANDLE handle = ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
    bool ok = handle != INVALID_HANDLE_VALUE;
    if (ok) {
        FileCloser closer{handle};
        std::vector<char> block(kBlockBytes);
        for (;;) {
            int n = unzReadCurrentFile(archive, block.data(), static_cast<unsigned>(block.size()));
            if (n == 0) break;
            DWORD written = 0;
            if (n < 0 || !::WriteFile(handle, block.data(), static_cast<DWORD>(n), &written, nullptr) ||
                written != static_cast<DWORD>(n)) {
                ok = false;
                break;
            }
        }
    }
    // Closing the entry checks its CRC once all of it was read.
    if (unzCloseCurrentFile(archive) != UNZ_OK) ok = false;
    if (!ok && handle != INVALID_HANDLE_VALUE) ::DeleteFileW(target.c_str());
    return ok;
}

bool ExtractCurrentEntry(unzFile archive, const fs::path& folder) {
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    std::vector<char> raw(info.size_filename);
    if (!raw.empty() &&
        unzGetCurrentFileInfo64(archive, &info, raw.data(), static_cast<uLong>(raw.size()), nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
        return false;
    }
    bool isFolder = false;
    std::wstring relative = SafeRelativePath(EntryName(raw, info.flag), isFolder);
    if (relative.empty()) return isFolder;  // "/" or "../" alone name the target folder itself
    fs::path target = folder / relative;
    if (isFolder) {
        std::error_code ec;
        fs::create_directories(target, ec);
        return fs::is_directory(target, ec);
    }
    if (info.flag & kEncryptedFlag) return false;  // no password is ever given
    return WriteCurrentEntry(archive, target);
}

}  // namespace

ZLIBDLL_API int ExtractZipToDir(const wchar_t* zipPath, const wchar_t* folder, int flags) {
    if (zipPath == nullptr || folder == nullptr || *zipPath == L'\0' || *folder == L'\0' || flags != 0) {
        return kExtractBadArguments;
    }
    zlib_filefunc64_def io;
    fill_win32_filefunc64W(&io);
    unzFile archive = unzOpen2_64(zipPath, &io);
    if (archive == nullptr) return kExtractOpenFailed;
    ArchiveCloser closer{archive};

    fs::path base(folder);
    std::error_code ec;
    fs::create_directories(base, ec);
    if (!fs::is_directory(base, ec)) return kExtractFolderFailed;

    int failed = 0;
    for (int r = unzGoToFirstFile(archive); r == UNZ_OK; r = unzGoToNextFile(archive)) {
        if (!ExtractCurrentEntry(archive, base)) ++failed;
    }
    return failed;
}
