// Finding, asking about and stopping the running client.
#include "Portvane.h"
#include "Handles.h"
#include "cpplog.h"

#include <tlhelp32.h>

#include <utility>
#include <vector>

namespace {

const wchar_t kClientExe[] = L"kelnova.exe";
const size_t kMaxKilled = 1024;
const DWORD kExitWaitMs = 5000;

void EnableDebugPrivilege()
{
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Out()))
        return;
    TOKEN_PRIVILEGES tp = {};
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &tp.Privileges[0].Luid))
        return;
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.Get(), FALSE, &tp, sizeof tp, nullptr, nullptr);
}

} // namespace

void KillProcessesByName(const std::wstring& name)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    std::vector<ScopedHandle> victims;
    PROCESSENTRY32W pe = {sizeof pe};
    for (BOOL ok = Process32FirstW(snapshot.Get(), &pe); ok && victims.size() < kMaxKilled;
         ok = Process32NextW(snapshot.Get(), &pe)) {
        if (name != pe.szExeFile)
            continue;
        ScopedHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pe.th32ProcessID));
        if (!process) {
            EnableDebugPrivilege();
            process.Reset(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pe.th32ProcessID));
        }
        if (process)
            victims.push_back(std::move(process));
    }
    for (const ScopedHandle& process : victims)
        TerminateProcess(process.Get(), 0);
    // The update is extracted over the client's files next: wait until they are let go.
    for (const ScopedHandle& process : victims)
        WaitForSingleObject(process.Get(), kExitWaitMs);
}

bool IsChineseUi()
{
    std::wstring program = kClientExe;
    program.resize(program.size() - 4);
    std::wstring key = L"SOFTWARE\\" + program + L"\\Language";
    char value[260] = {};
    LONG size = sizeof value - 1;
    if (RegQueryValueA(HKEY_CURRENT_USER, WideToNarrow(key).c_str(), value, &size) != ERROR_SUCCESS)
        return true;
    return strcmp(value, "en-US") != 0;
}

bool CheckRunningClient(bool force)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        KillProcessesByName(kClientExe);
        return true;
    }
    PROCESSENTRY32W pe = {sizeof pe};
    bool found = false;
    for (BOOL ok = Process32FirstW(snapshot.Get(), &pe); ok; ok = Process32NextW(snapshot.Get(), &pe)) {
        if (wcscmp(pe.szExeFile, kClientExe) == 0) {
            found = true;
            break;
        }
    }
    if (!found)
        return true;
    if (!force) {
        bool chinese = IsChineseUi();
        const wchar_t* text =
            chinese ? L"检测到程序正在运行，是否重新打开!" : L"Another program is already in progress, start new one?";
        const wchar_t* caption = chinese ? L"提示" : L"Prompt";
        if (MessageBoxW(nullptr, text, caption, MB_OKCANCEL) != IDOK)
            return false;
    }
    KillProcessesByName(kClientExe);
    return true;
}
