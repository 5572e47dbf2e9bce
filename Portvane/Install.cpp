// Clean-up of the temp folder beside the program and installation of a pending update.zip.
#include "Portvane.h"
#include "SystemText.h"
#include "ZipPackage.h"
#include "cpplog.h"

#include <cstdio>

bool GetExeDirA(std::string& dir)
{
    char path[1024] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return false;
    char* cut = strrchr(path, '\\');
    if (!cut)
        return false;
    dir.assign(path, cut + 1);
    return true;
}

void CleanTempAndMoveUpdate()
{
    std::string dir;
    if (!GetExeDirA(dir))
        return;
    static const char* leftovers[] = {"temp\\Updater.exe", "temp\\update.td0", "temp\\update.td1",
                                      "temp\\update.td2",  "temp\\update.td3", "temp\\update.td"};
    for (const char* name : leftovers)
        remove((dir + name).c_str());
    std::string pending = dir + "temp\\update.zip";
    if (GetFileAttributesA(pending.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    // A failed copy keeps the temp package for the next start.
    if (CopyFileA(pending.c_str(), (dir + "update.zip").c_str(), FALSE)) {
        remove(pending.c_str());
    } else {
        const DWORD error = GetLastError();
        PV_LOG("CleanTempAndMoveUpdate") << "copy update.zip failure: " << error << " " << SystemText(error, 936);
    }
}

void ExtractUpdateZip()
{
    DWORD attributes = GetFileAttributesW(L"update.zip");
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    ZipHandle* zip = OpenZipArchive(L"update.zip");
    if (!zip) {
        PV_LOG("ExtractUpdateZip") << "open update.zip failure: " << g_zipLastResult;
        return; // kept for the next start
    }
    // No delete first: the ZIP layer swaps an entry in only once it is complete, so an entry that
    // fails keeps the old file.
    int failed = ExtractZipPackage(
        zip,
        [](const ZipEntry& entry, std::wstring* target) {
            *target = entry.name;
            return true;
        },
        [](int index, const ZipEntry&, unsigned int result) {
            if (result != ZR_OK)
                PV_LOG("ExtractUpdateZip") << "extract entry " << index << " failure: " << result;
        });
    CloseZipArchive(zip);
    // A package that did not extract whole stays for the next start.
    if (failed == 0)
        remove("update.zip");
}
