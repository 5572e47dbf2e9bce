// Extracts every entry of an archive below a folder with the ZIP layer and prints the time taken.
// Usage: zip_bench <archive> <target folder> [threads]
#include "ZipPackage.h"

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: zip_bench <archive> <target folder> [threads]\n");
        return 2;
    }
    wchar_t archive[MAX_PATH];
    if (!GetFullPathNameW(argv[1], MAX_PATH, archive, nullptr) || !SetCurrentDirectoryW(argv[2])) {
        fprintf(stderr, "bad archive path or target folder\n");
        return 2;
    }
    int threads = argc == 4 ? _wtoi(argv[3]) : 0;
    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    ZipHandle* zip = OpenZipArchive(archive);
    if (!zip) {
        fprintf(stderr, "open failed: 0x%X\n", g_zipLastResult);
        return 1;
    }
    int entries = 0;
    int failed = ExtractZipPackage(
        zip,
        [](const ZipEntry& e, std::wstring* target) {
            *target = e.name;
            return true;
        },
        [&entries](int, const ZipEntry&, unsigned int) { ++entries; }, threads);
    CloseZipArchive(zip);
    QueryPerformanceCounter(&end);
    printf("entries=%d failed=%d threads=%d seconds=%.3f\n", entries, failed, threads ? threads : DefaultZipThreads(),
           static_cast<double>(end.QuadPart - start.QuadPart) / freq.QuadPart);
    return failed ? 1 : 0;
}
