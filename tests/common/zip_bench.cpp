// Extracts every entry of an archive below a folder with the ZIP layer and prints the time taken.
// Usage: zip_bench <archive> <target folder>
#include "ZipExtractor.h"

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: zip_bench <archive> <target folder>\n");
        return 2;
    }
    wchar_t archive[MAX_PATH];
    if (!GetFullPathNameW(argv[1], MAX_PATH, archive, nullptr) || !SetCurrentDirectoryW(argv[2])) {
        fprintf(stderr, "bad archive path or target folder\n");
        return 2;
    }
    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    ZipHandle* zip = OpenZipArchive(archive);
    if (!zip) {
        fprintf(stderr, "open failed: 0x%X\n", g_zipLastResult);
        return 1;
    }
    ZipEntry count;
    (void)GetZipEntry(zip, -1, &count); // cannot fail on an open archive
    int failed = 0;
    for (int i = 0; i < count.index; ++i) {
        ZipEntry e;
        if (GetZipEntry(zip, i, &e) != ZR_OK || ExtractZipEntry(zip, i, e.name) != ZR_OK)
            ++failed;
    }
    CloseZipArchive(zip);
    QueryPerformanceCounter(&end);
    printf("entries=%d failed=%d seconds=%.3f\n", count.index, failed,
           static_cast<double>(end.QuadPart - start.QuadPart) / freq.QuadPart);
    return failed ? 1 : 0;
}
