// Times the Updater's file digest on one file: prints the digest and the seconds it took.
#include <windows.h>

#include <cstdio>
#include <string>

#include "foundation/StringConv.h"
#include "download/md5.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::printf("usage: Md5Bench <file>\n");
        return 2;
    }
    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&t0);
    MD5_CTX ctx;
    char digest[33] = {0};
    bool ok = ctx.GetFileMd5(WStringToString(argv[1]).c_str(), digest);
    ::QueryPerformanceCounter(&t1);
    double seconds = static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart);
    std::printf("md5 %s seconds %.3f\n", ok ? digest : "-", seconds);
    return ok ? 0 : 1;
}
