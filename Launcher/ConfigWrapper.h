// The Launcher's process-wide launch controller: folders, the product configuration, the LU_ pipe.
#pragma once
#include <windows.h>
#include <atomic>
#include <string>
#include "Handles.h"
#include "Utility.h"

struct LauncherCommandLine;

// The env element holds at most 31 bytes of text.
const size_t kMaxEnvBytes = 31;

class CConfigWrapper
{
public:
    static CConfigWrapper* GetInstance();

    bool Init(HINSTANCE instance);
    [[nodiscard]] bool RunClient(const wchar_t* commandLine);
    void UpdateConfig(const wchar_t* env);

    [[nodiscard]] bool RestartProcess(const wchar_t* exeName, bool forceKill);
    [[nodiscard]] int CreateMainAppProcess(const wchar_t* exePath, const wchar_t* params);

    // Environment switch: starts the Updater and reports its answer (see EnvSwitch.cpp).
    [[nodiscard]] bool DownloadClient(const wchar_t* zipUrl, const wchar_t* zipMd5, const wchar_t* params);

    // Pending update installation (see PendingUpdate.cpp).
    void DeleteUpdateFile(const wchar_t* folder);
    void ProcessUpdateFile(const wchar_t* procPath, const wchar_t* productName);

    wchar_t m_szModuleDir[MAX_PATH] = {};
    wchar_t m_szModulePath[MAX_PATH] = {};
    ProductConfig m_productConfig;
    std::atomic<int> m_nUpdateResult{1}; // written by PipeThread, read by the launch flow
    // PipeThread serves the LU_ pipe until the process ends, by design: the Launcher exits once the
    // client is started and nothing waits for the thread. The handle is only kept, never joined.
    ScopedHandle m_hPipeThread;
    std::atomic<bool> m_bStopPipe{false}; // read by PipeThread
    std::wstring m_strPipeName;

private:
    CConfigWrapper() = default;
    ScopedHandle m_hUpdaterProcess; // from DownloadClient until WaitForUpdater takes it
    CConfigWrapper(const CConfigWrapper&) = delete;
    CConfigWrapper& operator=(const CConfigWrapper&) = delete;

    bool LoadConfiguration();
    // kSwitchContinue: the new environment is installed, env is set and the launch goes on.
    enum SwitchOutcome
    {
        kSwitchContinue,
        kSwitchDone,
        kSwitchFailed
    };
    SwitchOutcome SwitchEnvironment(const LauncherCommandLine& cmd, std::wstring& env);
    void WaitForUpdater(HANDLE semaphore);
    void RefreshShortcuts();
    bool InstallAndStart(const std::wstring& env, const LauncherCommandLine& cmd);
};

DWORD WINAPI PipeThread(LPVOID param);

// Formats one path into the client program's UI language (Chinese unless "en-US") and shows it;
// a text too long for its box is cut.
int ShowLanguageBox(const std::wstring& progName, size_t chars, const wchar_t* chineseFormat,
                    const wchar_t* englishFormat, const wchar_t* path, const wchar_t* chineseCaption,
                    const wchar_t* englishCaption, UINT flags);
