#include "ConfigWrapper.h"
#include "CommandLine.h"
#include <easylogging++.h>

using Utility::ToUtf8;

CConfigWrapper::SwitchOutcome CConfigWrapper::SwitchEnvironment(const LauncherCommandLine& cmd, std::wstring& env)
{
    if (!cmd.switchValid)
    {
        LOG(ERROR) << "Refused switchenv line: missing &xmlurl= or '&' after the URL, or env/URL too long";
        return kSwitchFailed;
    }
    LOG(INFO) << "switchenv=" << ToUtf8(cmd.switchEnv);
    LOG(INFO) << "xmlurl=" << ToUtf8(cmd.switchUrl);
    LOG(INFO) << "pCallParams=" << ToUtf8(cmd.params);
    LOG(INFO) << "Switch environment [" << ToUtf8(m_productConfig.name) << "," << ToUtf8(cmd.switchEnv) << "]";

    wchar_t mainProgram[MAX_PATH];
    if (!Utility::FormatW(mainProgram, MAX_PATH, L"%ls%ls_%ls\\%ls", m_szModuleDir, m_productConfig.name.c_str(),
                          cmd.switchEnv.c_str(), m_productConfig.ProgName.c_str()))
    {
        LOG(ERROR) << "Client path for env " << ToUtf8(cmd.switchEnv) << " is too long";
        return kSwitchFailed;
    }
    if (Utility::FileExists(mainProgram))
    {
        m_productConfig.env = cmd.switchEnv;
        env = cmd.switchEnv;
        return kSwitchContinue;
    }
    LOG(WARNING) << "Not found main program [" << ToUtf8(mainProgram) << "]. Try to download it.";
    // ENV-SWITCH-DOWNLOAD: fetching the XML answer and handing off to the Updater goes here.
    return kSwitchFailed;
}

bool CConfigWrapper::DownloadClient(const wchar_t*, const wchar_t*, const wchar_t*)
{
    return false;
}
