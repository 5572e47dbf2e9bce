#include "ConfigWrapper.h"
#include "LogSetup.h"
#include <easylogging++.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    InitLog();
    if (commandLine && *commandLine)
        LOG(INFO) << Utility::ToUtf8(commandLine);
    else
        LOG(INFO) << "No command line";

    CConfigWrapper* wrapper = CConfigWrapper::GetInstance();
    RenameOldBinFolder(wrapper->m_szModuleDir);
    if (wrapper->RunClient(commandLine)) {
        LOG(INFO) << "Launcher exit.";
        return 0;
    }
    LOG(ERROR) << "Failed to run new client, steal use old client";
    return -1;
}
