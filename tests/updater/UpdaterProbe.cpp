// Runs one Updater routine from the folder this program was copied into and prints the outcome,
// so that tests can check what depends on the program's own location and process.
#include <windows.h>

#include <cstdio>
#include <string>

#include "foundation/ConfigParser.h"
#include "app/CuPipeServer.h"
#include "app/SingleInstance.h"
#include "foundation/StringConv.h"
#include "foundation/UpdaterCmdLine.h"
#include "foundation/qenUtil.h"
#include "install/zipDownloader.h"

namespace {

void PrintValue(const char* name)
{
    std::string value;
    if (ConfigParser::GetInstance().GetValue(name, value)) {
        std::printf("%s=%s\n", name, value.c_str());
    } else {
        std::printf("%s!\n", name);
    }
}

// The raw command line after the program and `words` more blank-separated words.
std::wstring CommandLineAfter(int words)
{
    const wchar_t* p = ::GetCommandLineW();
    bool quoted = false;
    for (; *p != L'\0' && (quoted || *p != L' '); ++p) {
        if (*p == L'"')
            quoted = !quoted;
    }
    for (int i = 0; i < words; ++i) {
        while (*p == L' ')
            ++p;
        while (*p != L'\0' && *p != L' ')
            ++p;
    }
    while (*p == L' ')
        ++p;
    return p;
}

void PrintConfig(const ZipDwCfg& cfg)
{
    std::printf("url=%s\nhost=%s\npath=%s\nmd5=%s\nzippath=%s\nclientdic=%s\nclientexe=%s\nparam=%s\n", cfg.url.c_str(),
                cfg.host.c_str(), cfg.path.c_str(), cfg.md5.c_str(), WideToUtf8(cfg.zipPath).c_str(),
                WideToUtf8(cfg.clientDic).c_str(), WideToUtf8(cfg.clientExePath).c_str(), cfg.pageCallParam.c_str());
    std::printf("forced=%d\nrestart=%d\n", cfg.forcedUpdate, cfg.restartClient ? 1 : 0);
}

// Records the window steps of the installation instead of showing windows.
class PrintingInstallUi : public IInstallUi
{
public:
    void ShowInstallFailed() override { steps += "failed;"; }
    void ShowUpdateComplete() override { steps += "complete;"; }
    std::string steps;
};

// "install <give-up ms> <Updater command line>": the installation step of a finished download.
void RunInstall()
{
    InstallTimings timings;
    timings.giveUpMs = static_cast<DWORD>(_wtoi(CommandLineAfter(1).c_str()));
    ZipDownloader downloader(parseZipConf(CommandLineAfter(2).c_str()));
    downloader.SetInstallTimings(timings);
    PrintingInstallUi ui;
    downloader.SetInstallUi(&ui);
    DWORD start = ::GetTickCount();
    downloader.DoInstall();
    std::printf("installms=%lu\nuisteps=%s\n", static_cast<unsigned long>(::GetTickCount() - start), ui.steps.c_str());
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"config") {
        ConfigParser& config = ConfigParser::GetInstance();
        std::printf("loaded=%d\nchineseUi=%d\n", config.loaded ? 1 : 0, config.chineseUi ? 1 : 0);
        PrintValue("ProgName");
        PrintValue("LaunchName");
        PrintValue("CacheName");
        PrintValue("progname");
    } else if (command == L"kill") {
        std::printf("kill=%d\n", qen::KillClient() ? 1 : 0);
    } else if (command == L"writepipe" && argc > 3) {
        std::printf("write=%d\n", qen::WritePipeBuf(argv[2], argv[3]) ? 1 : 0);
    } else if (command == L"moduledir") {
        std::printf("moduledir=%s\n", WideToUtf8(GetModuleDir()).c_str());
    } else if (command == L"launcherpipe") {
        std::printf("launcherpipe=%s\n", WideToUtf8(GetLauncherPipeName()).c_str());
    } else if (command == L"cmdline") {
        PrintConfig(parseZipConf(CommandLineAfter(1).c_str()));
    } else if (command == L"cachepipe") {
        std::printf("cachepipe=%s\n", WideToUtf8(GetCachePipeName()).c_str());
    } else if (command == L"claim") {
        ScopedHandle instance;
        std::printf("claim=%d\n", ClaimSingleInstance(instance) ? 1 : 0);
    } else if (command == L"install") {
        RunInstall();
    } else {
        std::printf("usage: UpdaterProbe config|kill|writepipe <name> <text>|moduledir|launcherpipe|cmdline "
                    "<line>|cachepipe|claim|install <ms> <line>\n");
        return 2;
    }
    std::fflush(stdout);
    return 0;
}
