// Installs a package the way the Launcher and Portvane do, for tests that stop it midway:
// every entry below the folder on the default number of threads, the package deleted only when
// every entry was written. Usage: ZipInstall <package> <folder>; the exit code is the number of
// entries that failed (100: the package cannot be opened).
#include "ZipPackage.h"

int wmain(int argc, wchar_t** argv)
{
    wchar_t package[MAX_PATH];
    if (argc != 3 || !GetFullPathNameW(argv[1], MAX_PATH, package, nullptr) || !SetCurrentDirectoryW(argv[2]))
        return 101;
    ZipHandle* zip = OpenZipArchive(package);
    if (!zip)
        return 100;
    int failed = ExtractZipPackage(
        zip,
        [](const ZipEntry& entry, std::wstring* target) {
            *target = entry.name;
            return true;
        },
        [](int, const ZipEntry&, unsigned int) {});
    CloseZipArchive(zip);
    if (failed == 0)
        DeleteFileW(package);
    return failed;
}
