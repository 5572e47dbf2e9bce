#include "Utility.h"
#include <easylogging++.h>
#include <tlhelp32.h>
#include <vector>

namespace
{
struct HandleHolder
{
    HANDLE h;
    explicit HandleHolder(HANDLE handle) : h(handle) {}
    ~HandleHolder()
    {
        if (h && h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    HandleHolder(const HandleHolder&) = delete;
    HandleHolder& operator=(const HandleHolder&) = delete;
};

const size_t kMaxProcesses = 1024;
const DWORD kExitWaitMs = 5000;
} // namespace

namespace Utility
{
void EnableDebugPrivilege()
{
    HANDLE token = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return;
    HandleHolder holder(token);
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(NULL, L"SeDebugPrivilege", &tp.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &tp, sizeof(tp), NULL, NULL);
}

bool KillAllProcesses(const wchar_t* exeName)
{
    if (!exeName || !*exeName)
        return false;
    HandleHolder snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.h == INVALID_HANDLE_VALUE)
    {
        LOG(INFO) << "CreateToolhelp32Snapshot failed, last error: " << GetLastError();
        return false;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    if (!Process32FirstW(snapshot.h, &entry))
    {
        LOG(INFO) << "Process32First failed, last error: " << GetLastError();
        return false;
    }
    std::vector<HANDLE> handles;
    do
    {
        if (_wcsicmp(entry.szExeFile, exeName) != 0 || entry.th32ProcessID == GetCurrentProcessId())
            continue;
        if (handles.size() >= kMaxProcesses)
        {
            LOG(WARNING) << "Too many processes named " << ToUtf8(exeName) << ", the rest are left";
            break;
        }
        HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
        if (!process)
        {
            LOG(INFO) << "OpenProcess failed, last error: " << GetLastError() << "  improve privilege";
            EnableDebugPrivilege();
            process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
        }
        if (process)
            handles.push_back(process);
    } while (Process32NextW(snapshot.h, &entry));

    // Every process is tried; each one stopped is waited for, so files it held can be replaced next.
    bool all = true;
    for (HANDLE process : handles)
    {
        if (!TerminateProcess(process, 0))
        {
            LOG(INFO) << "TerminateProcess failed";
            all = false;
        }
        else if (WaitForSingleObject(process, kExitWaitMs) != WAIT_OBJECT_0)
        {
            LOG(WARNING) << "Process did not end in time after TerminateProcess";
            all = false;
        }
        CloseHandle(process);
    }
    return all;
}
} // namespace Utility
