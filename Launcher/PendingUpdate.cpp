#include "ConfigWrapper.h"
#include "ZipPackage.h"
#include "SystemText.h"
#include <easylogging++.h>
#include <cwchar>
#include <string>

using Utility::ToUtf8;

namespace {
const wchar_t* const kTempLeftovers[] = {L"Updater.exe", L"update.td",  L"update.td0",
                                         L"update.td1",  L"update.td2", L"update.td3"};

std::string Hex(unsigned int code)
{
    char text[16];
    _snprintf(text, sizeof text, "0x%X", code);
    text[sizeof text - 1] = '\0';
    return text;
}

// Entries under "bin/" or "<name>_<env>/" lose that first folder. The rest is made safe again so
// that what the strip leaves can never become an absolute path. Empty out = nothing to extract
// (the stripped folder itself).
bool TargetName(const ZipEntry& entry, const wchar_t* productName, std::wstring& out)
{
    std::wstring name = entry.name;
    bool isDirectory = (entry.attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isDirectory)
        name += L'/';
    size_t productLen = wcslen(productName);
    if (name.compare(0, 3, L"bin") == 0 || (productLen && name.compare(0, productLen, productName) == 0)) {
        size_t slash = name.find(L'/');
        if (slash != std::wstring::npos)
            name.erase(0, slash + 1);
    }
    out.clear();
    if (isDirectory && name.find_first_not_of(L'/') == std::wstring::npos)
        return true;
    wchar_t safe[ZIP_MAX_PATH];
    if (!MakeSafeZipName(name.c_str(), safe, ZIP_MAX_PATH))
        return false;
    out = safe;
    return true;
}

// Extracts every entry of the open archive below the current directory; the number that failed.
int ExtractAll(ZipHandle* zip, const wchar_t* productName)
{
    int failed = ExtractZipPackage(
        zip,
        [productName](const ZipEntry& entry, std::wstring* target) { return TargetName(entry, productName, *target); },
        [](int index, const ZipEntry& entry, unsigned int result) {
            if (result != ZR_OK)
                LOG(ERROR) << "Failed to extract entry " << index << " [" << ToUtf8(entry.name)
                           << "], code = " << Hex(result);
        });
    return failed;
}
} // namespace

void CConfigWrapper::DeleteUpdateFile(const wchar_t* folder)
{
    if (!Utility::DirExists(folder)) {
        LOG(INFO) << "ProcessUpdateFile but not found the path: [" << ToUtf8(folder) << "]";
        return;
    }
    static const wchar_t* const names[] = {L"update.zip", L"update.td",  L"update.td0",
                                           L"update.td1", L"update.td2", L"update.td3"};
    for (const wchar_t* name : names) {
        wchar_t path[MAX_PATH];
        if (Utility::FormatW(path, MAX_PATH, L"%ls%ls", folder, name))
            DeleteFileW(path);
    }
}

void CConfigWrapper::ProcessUpdateFile(const wchar_t* procPath, const wchar_t* productName)
{
    if (!Utility::DirExists(procPath)) {
        LOG(INFO) << "ProcessUpdateFile but not found the path: [" << ToUtf8(procPath) << "]";
        return;
    }
    for (const wchar_t* name : kTempLeftovers) {
        wchar_t path[MAX_PATH];
        if (Utility::FormatW(path, MAX_PATH, L"%lstemp\\%ls", procPath, name))
            DeleteFileW(path);
    }

    wchar_t src[MAX_PATH];
    wchar_t dst[MAX_PATH];
    if (!Utility::FormatW(src, MAX_PATH, L"%lstemp\\update.zip", procPath) ||
        !Utility::FormatW(dst, MAX_PATH, L"%lsupdate.zip", procPath)) {
        LOG(ERROR) << "Update package path is longer than " << MAX_PATH - 1 << " characters";
        return;
    }
    if (!Utility::FileExists(src)) {
        LOG(INFO) << "Check update file : [" << ToUtf8(src) << "] but not found.";
        return;
    }
    LOG(INFO) << "Found update file on temp folder and copy to [" << ToUtf8(dst) << "]";
    if (!CopyFileW(src, dst, FALSE)) {
        const DWORD error = GetLastError();
        LOG(ERROR) << "Something wrong when copy [" << ToUtf8(src) << "] to [" << ToUtf8(dst) << "], " << error << " "
                   << SystemText(error);
        return;
    }

    __time64_t started = _time64(nullptr);
    wchar_t saved[MAX_PATH] = {};
    DWORD savedLen = GetCurrentDirectoryW(MAX_PATH, saved);
    LOG(INFO) << "Set current directory to [" << ToUtf8(procPath) << "] and extract update file";
    int failed = 0;
    bool opened = false;
    if (savedLen > 0 && savedLen < MAX_PATH && SetCurrentDirectoryW(procPath)) {
        // The layer's base folder is the current directory: entries land in the client folder.
        ZipHandle* zip = OpenZipArchive(dst);
        if (zip) {
            opened = true;
            failed = ExtractAll(zip, productName);
            CloseZipArchive(zip);
        } else {
            LOG(ERROR) << "Cannot open update package [" << ToUtf8(dst) << "], code = " << Hex(g_zipLastResult);
        }
        SetCurrentDirectoryW(saved);
    } else {
        const DWORD error = GetLastError();
        LOG(ERROR) << "Cannot make [" << ToUtf8(procPath) << "] the current directory, " << error << " "
                   << SystemText(error);
    }
    DeleteFileW(dst);

    // A package that did not install whole stays in temp so that the next start tries again. One
    // that cannot be opened was reported above, once.
    if (opened && failed == 0)
        DeleteFileW(src);
    else if (!opened)
        LOG(INFO) << "Update package kept in [" << ToUtf8(src) << "] for the next start";
    else
        LOG(ERROR) << "Update package not fully installed (" << failed << " entries failed), kept in [" << ToUtf8(src)
                   << "] for the next start";
    LOG(INFO) << "Extract done. Elapse time: " << (_time64(nullptr) - started);
    LOG(INFO) << "Restore current working directory to [" << ToUtf8(saved) << "]";
}
