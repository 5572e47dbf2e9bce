#include "debugrun.h"
#include "testkit.h"

using namespace testkit;

namespace {

std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info)
{
    std::string text(info.nDebugStringLength, '\0');
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, info.lpDebugStringData, &text[0], text.size(), &got))
        return std::string();
    text.resize(got);
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

void DebugLoop(const PROCESS_INFORMATION& pi, DWORD timeout_ms, DebugRun* run)
{
    DWORD start = GetTickCount();
    bool terminated = false;
    for (;;) {
        DEBUG_EVENT ev = {};
        if (!WaitForDebugEvent(&ev, 100)) {
            if (!terminated && GetTickCount() - start > timeout_ms) {
                TerminateProcess(pi.hProcess, 1);
                terminated = true;
            }
            if (GetTickCount() - start > timeout_ms + 10000)
                return;
            continue;
        }
        DWORD status = DBG_CONTINUE;
        switch (ev.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            ScopedHandle(ev.u.CreateProcessInfo.hFile).Reset(); // the image file is ours to close
            break;
        case LOAD_DLL_DEBUG_EVENT:
            ScopedHandle(ev.u.LoadDll.hFile).Reset();
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            run->debugStrings.push_back(ReadDebugString(pi.hProcess, ev.u.DebugString));
            break;
        case EXCEPTION_DEBUG_EVENT:
            if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            run->finished = !terminated;
            run->exitCode = ev.u.ExitProcess.dwExitCode;
            ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
            return;
        }
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
    }
}

} // namespace

DebugRun RunDebugged(const std::wstring& exePath, const std::wstring& args, DWORD timeout_ms, bool asDebugger)
{
    DebugRun run;
    TempDir dir(L"dbgrun");
    std::wstring errPath = dir / L"stderr.txt";
    {
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        ScopedHandle err(CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                     CREATE_ALWAYS, 0, nullptr));
        std::wstring cmd = L"\"" + exePath + L"\"";
        if (!args.empty())
            cmd += L" " + args;
        STARTUPINFOW si = {sizeof si};
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdError = err.Get();
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(exePath.c_str(), &cmd[0], nullptr, nullptr, TRUE, asDebugger ? DEBUG_ONLY_THIS_PROCESS : 0,
                            nullptr, nullptr, &si, &pi))
            return run;
        run.started = true;
        ScopedHandle process(pi.hProcess), thread(pi.hThread);
        err.Reset();
        if (asDebugger) {
            DebugLoop(pi, timeout_ms, &run);
        } else if (WaitForSingleObject(pi.hProcess, timeout_ms) == WAIT_OBJECT_0) {
            run.finished = true;
            GetExitCodeProcess(pi.hProcess, &run.exitCode);
        } else {
            TerminateProcess(pi.hProcess, 1);
        }
        WaitForSingleObject(pi.hProcess, 5000);
    }
    ReadFileBytes(errPath, &run.stdErr);
    return run;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}
