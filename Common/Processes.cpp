#include "Utility.h"
#include "Handles.h"
#include "SystemText.h"
#include <easylogging++.h>
#include <tlhelp32.h>
#include <utility>
#include <vector>

namespace {
const size_t kMaxProcesses = 1024;
const DWORD kExitWaitMs = 5000;
} // namespace

namespace Utility {
void EnableDebugPrivilege()
{
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Out()))
        return;
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(NULL, L"SeDebugPrivilege", &tp.Privileges[0].Luid))
        AdjustTokenPrivileges(token.Get(), FALSE, &tp, sizeof(tp), NULL, NULL);
}

bool KillAllProcesses(const wchar_t* exeName)
{
    if (!exeName || !*exeName)
        return false;
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        const DWORD error = GetLastError();
        LOG(INFO) << "CreateToolhelp32Snapshot failed, last error: " << error << " " << SystemText(error);
        return false;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (!Process32FirstW(snapshot.Get(), &entry)) {
        const DWORD error = GetLastError();
        LOG(INFO) << "Process32First failed, last error: " << error << " " << SystemText(error);
        return false;
    }
    std::vector<ScopedHandle> handles;
    do {
        if (_wcsicmp(entry.szExeFile, exeName) != 0 || entry.th32ProcessID == GetCurrentProcessId())
            continue;
        if (handles.size() >= kMaxProcesses) {
            LOG(WARNING) << "Too many processes named " << ToUtf8(exeName) << ", the rest are left";
            break;
        }
        ScopedHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
        if (!process) {
            const DWORD error = GetLastError();
            LOG(INFO) << "OpenProcess failed, last error: " << error << " " << SystemText(error)
                      << "  improve privilege";
            EnableDebugPrivilege();
            process.Reset(OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
        }
        if (process)
            handles.push_back(std::move(process));
    } while (Process32NextW(snapshot.Get(), &entry));

    // Every process is tried; each one stopped is waited for, so files it held can be replaced next.
    bool all = true;
    for (const ScopedHandle& process : handles) {
        if (!TerminateProcess(process.Get(), 0)) {
            const DWORD error = GetLastError();
            LOG(INFO) << "TerminateProcess failed, last error: " << error << " " << SystemText(error);
            all = false;
        } else if (WaitForSingleObject(process.Get(), kExitWaitMs) != WAIT_OBJECT_0) {
            LOG(WARNING) << "Process did not end in time after TerminateProcess";
            all = false;
        }
    }
    return all;
}
} // namespace Utility
