// Runs one Updater routine from the folder this program was copied into and prints the outcome,
// so that tests can check what depends on the program's own location and process.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ConfigParser.h"
#include "StringConv.h"
#include "qenUtil.h"

namespace {

void PrintValue(const char* name) {
    std::string value;
    if (ConfigParser::GetInstance().GetValue(name, value)) {
        std::printf("%s=%s\n", name, value.c_str());
    } else {
        std::printf("%s!\n", name);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
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
    } else {
        std::printf("usage: UpdaterProbe config|kill|writepipe <name> <text>|moduledir|launcherpipe\n");
        return 2;
    }
    std::fflush(stdout);
    return 0;
}
