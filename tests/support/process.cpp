#include "testprocess.h"
#include "files.h"

#include <tlhelp32.h>
#include <vector>

namespace testkit {

static ScopedHandle StartProcess(const std::wstring& exePath, const std::wstring& args, const std::wstring& cwd,
                                 DWORD* pid)
{
    std::wstring cmd = L"\"" + exePath + L"\"";
    if (!args.empty())
        cmd += L" " + args;
    std::vector<wchar_t> buf(cmd.begin(), cmd.end());
    buf.push_back(L'\0');
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exePath.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
        *pid = 0;
        return ScopedHandle();
    }
    ScopedHandle thread(pi.hThread);
    *pid = pi.dwProcessId;
    return ScopedHandle(pi.hProcess);
}

ProcessResult RunProcess(const std::wstring& exePath, const std::wstring& args, DWORD timeout_ms,
                         const std::wstring& cwd)
{
    ProcessResult r = {false, false, 0};
    DWORD pid = 0;
    ScopedHandle p = StartProcess(exePath, args, cwd, &pid);
    if (!p.Valid())
        return r;
    r.started = true;
    if (WaitForSingleObject(p.Get(), timeout_ms) == WAIT_OBJECT_0) {
        r.finished = true;
        GetExitCodeProcess(p.Get(), &r.exitCode);
    } else {
        TerminateProcess(p.Get(), 1);
        WaitForSingleObject(p.Get(), 5000);
    }
    return r;
}

ChildProcess::ChildProcess(const std::wstring& exePath, const std::wstring& args, const std::wstring& cwd)
    : process_(StartProcess(exePath, args, cwd, &pid_))
{}

ChildProcess::~ChildProcess()
{
    Kill();
}

bool ChildProcess::Wait(DWORD ms)
{
    return process_.Valid() && WaitForSingleObject(process_.Get(), ms) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_.Valid())
        GetExitCodeProcess(process_.Get(), &code);
    return code;
}

void ChildProcess::Kill()
{
    if (!process_.Valid())
        return;
    if (WaitForSingleObject(process_.Get(), 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

// True when the process's program lies below folder (compared without case).
static bool ProgramBelow(DWORD pid, const std::wstring& folder)
{
    ScopedHandle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = MAX_PATH * 2;
    if (!p.Valid() || !QueryFullProcessImageNameW(p.Get(), 0, path, &n))
        return false;
    return n > folder.size() && _wcsnicmp(path, folder.c_str(), folder.size()) == 0;
}

static std::vector<DWORD> FindProcesses(const std::wstring& exeName, const std::wstring& folder)
{
    std::vector<DWORD> pids;
    ScopedHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.Valid())
        return pids;
    PROCESSENTRY32W pe = {sizeof pe};
    for (BOOL ok = Process32FirstW(snap.Get(), &pe); ok; ok = Process32NextW(snap.Get(), &pe)) {
        if (_wcsicmp(pe.szExeFile, exeName.c_str()) == 0 && (folder.empty() || ProgramBelow(pe.th32ProcessID, folder)))
            pids.push_back(pe.th32ProcessID);
    }
    return pids;
}

int CountProcesses(const std::wstring& exeName, const std::wstring& folder)
{
    return static_cast<int>(FindProcesses(exeName, folder).size());
}

void KillProcesses(const std::wstring& exeName, const std::wstring& folder)
{
    WaitFor(
        [&] {
            std::vector<DWORD> pids = FindProcesses(exeName, folder);
            for (DWORD pid : pids) {
                ScopedHandle p(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
                if (!p.Valid())
                    continue;
                TerminateProcess(p.Get(), 1);
                WaitForSingleObject(p.Get(), 2000);
            }
            return pids.empty();
        },
        10000);
}

} // namespace testkit
