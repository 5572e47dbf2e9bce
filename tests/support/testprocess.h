#pragma once
#include <windows.h>
#include <string>

#include "Handles.h"

namespace testkit {

struct ProcessResult
{
    bool started;
    bool finished;
    DWORD exitCode;
};

// Runs "\"exe\" args" and waits; a process still running at the timeout is terminated (finished=false).
ProcessResult RunProcess(const std::wstring& exePath, const std::wstring& args, DWORD timeout_ms,
                         const std::wstring& cwd = L"");

// A started process that is terminated and waited for when the holder goes away.
class ChildProcess
{
public:
    ChildProcess(const std::wstring& exePath, const std::wstring& args, const std::wstring& cwd = L"");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_.Valid(); }
    // True when the process has ended within ms.
    bool Wait(DWORD ms);
    DWORD ExitCode() const;
    void Kill();
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return process_.Get(); }

private:
    DWORD pid_ = 0;
    ScopedHandle process_;
};

// Processes of this exe name (case-insensitive), as the process list shows them; with a folder, only
// those whose program lies below it (tests running side by side start programs of the same names).
int CountProcesses(const std::wstring& exeName, const std::wstring& folder = L"");
// Terminates them and waits (bounded) until none is left.
void KillProcesses(const std::wstring& exeName, const std::wstring& folder = L"");

} // namespace testkit
