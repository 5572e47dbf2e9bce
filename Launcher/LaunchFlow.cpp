#include "ConfigWrapper.h"
#include "CommandLine.h"
#include "PipeOpen.h"
#include "SystemText.h"
#include <easylogging++.h>
#include <tlhelp32.h>
#include <shlobj.h>
#include <algorithm>
#include <iterator>
#include <vector>

using Utility::ToUtf8;

namespace {
const int kCsidlCommonDesktop = 25;
const int kCsidlCommonPrograms = 23;

void ShowConfigFailure()
{
    MessageBoxW(NULL, L"Failed to load ProductConfig.xml", L"", MB_ICONERROR);
}
} // namespace

bool CConfigWrapper::LoadConfiguration()
{
    wchar_t path[MAX_PATH];
    std::vector<std::string> overlong;
    bool ok = Utility::FormatW(path, MAX_PATH, L"%lsProductConfig.xml", m_szModuleDir) &&
              Utility::ReadProductConfig(m_productConfig, path, &overlong);
    if (!ok) {
        LOG(ERROR) << "Failed to load ProductConfig.xml to get default client info.";
        ShowConfigFailure();
        return false;
    }
    // A configuration that names no client program, or an env that cannot be stored or leads out
    // of the install folder, is unusable.
    if (m_productConfig.ProgName.empty() || m_productConfig.env.size() > kMaxEnvChars ||
        !IsPlainEnvName(m_productConfig.env)) {
        LOG(ERROR) << "ProductConfig.xml has no progname, or an env longer than " << kMaxEnvChars
                   << " characters or with '\\', '/', ':', \"..\" or control characters.";
        ShowConfigFailure();
        return false;
    }
    // A field the launch builds names and paths from may not silently become empty.
    for (const std::string& field : overlong) {
        static const char* const kUsed[] = {"name", "env", "ProgName", "protocol", "pipe", "LaunchName"};
        if (std::find(std::begin(kUsed), std::end(kUsed), field) == std::end(kUsed))
            continue;
        LOG(ERROR) << "ProductConfig.xml: the value of " << field << " is longer than " << MAX_PATH - 1
                   << " characters.";
        ShowConfigFailure();
        return false;
    }
    LOG(INFO) << "Success to load ProductConfig.xml. [" << ToUtf8(m_productConfig.name) << ","
              << ToUtf8(m_productConfig.env) << "]";
    return true;
}

bool CConfigWrapper::RunClient(const wchar_t* commandLine)
{
    std::wstring line = commandLine ? commandLine : L"";
    LauncherCommandLine cmd = ParseLauncherCommandLine(line);
    if (cmd.envUpdate == LauncherCommandLine::kWww)
        UpdateConfig(L"www");
    else if (cmd.envUpdate == LauncherCommandLine::kPro)
        UpdateConfig(L"pro");

    if (!LoadConfiguration())
        return false;
    std::wstring env = m_productConfig.env;

    m_strPipeName = L"\\\\.\\Pipe\\LU_" + m_productConfig.LaunchName;
    m_hPipeThread.Reset(CreateThread(NULL, 0, PipeThread, this, 0, NULL));
    if (!m_hPipeThread) {
        const DWORD error = GetLastError();
        LOG(ERROR) << "Cannot start the LU_ pipe thread, last error: " << error << " " << SystemText(error);
    }

    if (cmd.isSwitch) {
        SwitchOutcome outcome = SwitchEnvironment(cmd, env);
        if (outcome != kSwitchContinue)
            return outcome == kSwitchDone;
    } else if (cmd.hasParams) {
        LOG(INFO) << "Protocol or other call: [" << ToUtf8(cmd.params) << "]";
    }

    if (!RestartProcess(m_productConfig.ProgName.c_str(), cmd.forceKill)) {
        if (!cmd.hasParams || cmd.params.empty())
            return true;
        // Links often come in bursts: wait for a client that is reading another one.
        return Utility::WritePipeBuf(m_productConfig.pipe.c_str(), cmd.params.c_str(), kPipeHandOffWaitMs);
    }
    return InstallAndStart(env, cmd);
}

bool CConfigWrapper::InstallAndStart(const std::wstring& env, const LauncherCommandLine& cmd)
{
    const ProductConfig& pc = m_productConfig;
    bool registered = Utility::RegisterUrlProtocol(pc.protocol.c_str());
    LOG(INFO) << "Update protocol [" << ToUtf8(pc.protocol) << "], return = " << registered;

    RefreshShortcuts();
    DeleteUpdateFile(m_szModuleDir);

    wchar_t procPath[MAX_PATH];
    wchar_t productName[MAX_PATH];
    wchar_t mainProgram[MAX_PATH];
    if (!Utility::FormatW(procPath, MAX_PATH, L"%ls%ls_%ls\\", m_szModuleDir, pc.name.c_str(), env.c_str()) ||
        !Utility::FormatW(productName, MAX_PATH, L"%ls_%ls", pc.name.c_str(), env.c_str()) ||
        !Utility::FormatW(mainProgram, MAX_PATH, L"%ls%ls_%ls\\%ls", m_szModuleDir, pc.name.c_str(), env.c_str(),
                          pc.ProgName.c_str())) {
        LOG(ERROR) << "Client folder path is longer than " << MAX_PATH - 1 << " characters";
        return false;
    }
    LOG(INFO) << "szProcPath: " << ToUtf8(procPath);
    LOG(INFO) << "szProductName: " << ToUtf8(productName);
    ProcessUpdateFile(procPath, productName);
    LOG(INFO) << "Process update files done";

    if (!Utility::FileExists(mainProgram)) {
        LOG(ERROR) << "Not found main program : [" << ToUtf8(mainProgram) << "]";
        ShowLanguageBox(pc.ProgName, 512, L"无法找到应用程序[%ls]", L"Not found main program file[%ls]", mainProgram,
                        L"", L"", MB_ICONERROR);
        return false;
    }
    UpdateConfig(env.c_str());
    LOG(INFO) << "Create main program process: [" << ToUtf8(mainProgram) << "]";
    if (!CreateMainAppProcess(mainProgram, cmd.hasParams ? cmd.params.c_str() : nullptr)) {
        LOG(ERROR) << "Failed to create process to run default client";
        return false;
    }
    return true;
}

void CConfigWrapper::RefreshShortcuts()
{
    const ProductConfig& pc = m_productConfig;
    wchar_t icon[MAX_PATH];
    if (!Utility::FormatW(icon, MAX_PATH, L"%lsTAVNClient.ico", m_szModuleDir))
        icon[0] = 0;
    const wchar_t* names[] = {pc.shortcut_cn.c_str(), pc.shortcut_en.c_str()};
    for (const wchar_t* name : names)
        Utility::UpdateShortcut(name, NULL, m_szModulePath, icon, m_szModuleDir, kCsidlCommonDesktop);
    for (const wchar_t* name : names)
        Utility::UpdateShortcut(name, name, m_szModulePath, icon, m_szModuleDir, kCsidlCommonPrograms);
    LOG(INFO) << "UpdateLinkFile [" << ToUtf8(pc.shortcut_cn) << "," << ToUtf8(pc.shortcut_en) << "] done";
}

bool CConfigWrapper::RestartProcess(const wchar_t* exeName, bool forceKill)
{
    if (!exeName || !*exeName)
        return false;
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        (void)Utility::KillAllProcesses(exeName); // logs each failure; the client start shows the rest
        return true;
    }
    LOG(INFO) << "Check running process: [" << ToUtf8(exeName) << "], force_kill = [" << forceKill << "]";
    bool found = false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (Process32FirstW(snapshot.Get(), &entry)) {
        do {
            if (wcscmp(entry.szExeFile, exeName) == 0) {
                found = true;
                break;
            }
        } while (Process32NextW(snapshot.Get(), &entry));
    }
    snapshot.Reset();
    if (!found)
        return true;

    if (!forceKill) {
        int answer = ShowLanguageBox(m_productConfig.ProgName, 512, L"检测到同名程序[%ls]正在运行，是否重新打开？",
                                     L"Another program instance[%ls] is running, kill it and start new one?", exeName,
                                     L"提示", L"Prompt", MB_YESNO | MB_ICONQUESTION);
        if (answer != IDYES)
            return false;
    }
    (void)Utility::KillAllProcesses(exeName); // logs each failure; the client start shows the rest
    return true;
}

int CConfigWrapper::CreateMainAppProcess(const wchar_t* exePath, const wchar_t* params)
{
    // Sized from both texts, so no parameter length can overrun the command.
    std::wstring command = L"\"" + std::wstring(exePath) + L"\"";
    if (params && *params)
        command += L" " + std::wstring(params);
    std::vector<wchar_t> buffer(command.begin(), command.end());
    buffer.push_back(0);

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    int started = CreateProcessW(NULL, buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi) ? 1 : 0;
    if (started) {
        // Nothing waits for the client: both handles go at once.
        ScopedHandle thread(pi.hThread);
        ScopedHandle process(pi.hProcess);
    } else {
        const DWORD error = GetLastError();
        LOG(INFO) << "CreateProcess error code: " << error << " " << SystemText(error);
        HINSTANCE rc = ShellExecuteW(NULL, L"open", exePath, params, NULL, SW_SHOW);
        started = reinterpret_cast<INT_PTR>(rc) > 32 ? 1 : 0;
    }
    LOG(INFO) << "FullCmd: " << ToUtf8(command);
    return started;
}
