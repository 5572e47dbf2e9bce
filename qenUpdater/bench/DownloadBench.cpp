// Runs the Updater's attempts loop once for a package: DownloadBench <url> <md5> <folder>.
// Prints the last attempt's result code, the bytes counted, the seconds taken and the peak memory.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "download/Downloader.h"
#include "foundation/StringConv.h"

namespace {

class BenchDownloader : public Downloader
{
public:
    using Downloader::Downloader;
    void DoInstall() override {}
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::printf("usage: DownloadBench <url> <md5> <folder>\n");
        return 2;
    }
    std::string url = WStringToString(argv[1]);
    std::string rest = url.compare(0, 7, "http://") == 0 ? url.substr(7) : url;
    size_t slash = rest.find('/');
    std::string host = slash == std::string::npos ? std::string() : rest.substr(0, slash);
    std::string path = slash == std::string::npos ? rest : rest.substr(slash);
    std::string folder = WStringToString(argv[3]);
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';

    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&t0);
    int32_t result = 0;
    uint64_t bytes = 0;
    bool ok = false;
    {
        BenchDownloader downloader(url, WStringToString(argv[2]), host, path, folder);
        downloader.Start();
        downloader.Join();
        result = downloader.LastResult();
        bytes = downloader.GetStatus().downloaded;
        ok = downloader.succeeded;
    }
    ::QueryPerformanceCounter(&t1);
    double seconds = static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart);

    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc));
    std::printf("result %d bytes %llu seconds %.3f peak_kib %lu\n", static_cast<int>(result),
                static_cast<unsigned long long>(bytes), seconds,
                static_cast<unsigned long>(pmc.PeakWorkingSetSize / 1024));
    std::fflush(stdout);
    return ok ? 0 : 1;
}
