#include "ConfigWrapper.h"
#include <easylogging++.h>
#include <vector>

static CConfigWrapper* g_configWrapper = nullptr;

CConfigWrapper* CConfigWrapper::GetInstance()
{
    if (!g_configWrapper) {
        g_configWrapper = new CConfigWrapper();
        g_configWrapper->Init(GetModuleHandleW(NULL));
    }
    return g_configWrapper;
}

bool CConfigWrapper::Init(HINSTANCE instance)
{
    GetModuleFileNameW(instance, m_szModulePath, MAX_PATH);
    m_szModulePath[MAX_PATH - 1] = 0;
    wcscpy(m_szModuleDir, m_szModulePath);
    if (wchar_t* slash = wcsrchr(m_szModuleDir, L'\\'))
        slash[1] = 0;
    SetCurrentDirectoryW(m_szModuleDir);
    return true;
}

void CConfigWrapper::UpdateConfig(const wchar_t* env)
{
    std::wstring path = std::wstring(m_szModuleDir) + L"ProductConfig.xml";
    std::string envUtf8 = Utility::ToUtf8(env);
    LOG(INFO) << "Update env to [" << envUtf8 << "]";
    if (envUtf8.size() > kMaxEnvBytes) {
        LOG(WARNING) << "Env [" << envUtf8 << "] is longer than " << kMaxEnvBytes
                     << " bytes, ProductConfig.xml not changed";
        return;
    }
    if (!Utility::SetProductConfigEnv(envUtf8.c_str(), path.c_str()))
        LOG(WARNING) << "Cannot store env in " << Utility::ToUtf8(path);
}

int ShowLanguageBox(const std::wstring& progName, size_t chars, const wchar_t* chineseFormat,
                    const wchar_t* englishFormat, const wchar_t* path, const wchar_t* chineseCaption,
                    const wchar_t* englishCaption, UINT flags)
{
    bool chinese = Utility::IsChineseUi(progName);
    std::vector<wchar_t> text(chars);
    Utility::FormatCutW(text.data(), chars, chinese ? chineseFormat : englishFormat, path);
    return MessageBoxW(NULL, text.data(), chinese ? chineseCaption : englishCaption, flags);
}
