#include "foundation/qenUtil.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "foundation/ConfigParser.h"
#include "Handles.h"
#include "foundation/StringConv.h"
#include "foundation/UpdaterLog.h"
#include "foundation/process_op.h"

namespace {

const DWORD kKillWaitMs = 3000;
const DWORD kKillPollMs = 100;
const size_t kPipePathChars = 260;
const size_t kPipeNameBytes = 260;
const DWORD kClientExitCode = 9;

// The process list is a snapshot: by the time a process is opened its id may belong to another
// program. Only a process whose image still has the client's file name is stopped.
bool HasExeName(HANDLE process, const std::string& exeName)
{
    wchar_t image[1024] = {0};
    DWORD n = ::GetProcessImageFileNameW(process, image, 1024);
    if (n == 0 || n >= 1024)
        return false;
    const wchar_t* base = wcsrchr(image, L'\\');
    base = base ? base + 1 : image;
    return _wcsicmp(base, StringToWString(exeName).c_str()) == 0;
}

} // namespace

namespace qen {

bool KillClient()
{
    DWORD pid = FindProcess_ByName(GetProgName());
    if (pid == 0) {
        LOG(INFO) << "air client is not running";
        return true;
    }
    bool terminated = false;
    {
        ScopedHandle process(::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid));
        if (process && HasExeName(process.Get(), GetProgName()))
            terminated = ::TerminateProcess(process.Get(), kClientExitCode) != FALSE;
    }
    if (!terminated)
        return FindProcess_ByName(GetProgName()) == 0;

    DWORD started = ::GetTickCount();
    for (;;) {
        if (::GetTickCount() - started > kKillWaitMs) {
            LOG(INFO) << "kill air client failed.";
            return false;
        }
        ::Sleep(kKillPollMs);
        if (FindProcess_ByName(GetProgName()) == 0) {
            LOG(INFO) << "kill air client success.";
            return true;
        }
    }
}

bool WritePipeBuf(const std::wstring& name, const std::wstring& message)
{
    wchar_t path[kPipePathChars];
    int n = _snwprintf(path, kPipePathChars, L"\\\\.\\Pipe\\%ls", name.c_str());
    if (n < 0 || static_cast<size_t>(n) >= kPipePathChars) {
        LOG(ERROR) << "pipe name too long, refused. name[" << WideToUtf8(name) << "]";
        return false;
    }
    LOG(INFO) << "pass message to the pipe. name[" << WideToUtf8(path) << "]";

    ScopedHandle pipe(::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!pipe) {
        LOG(INFO) << "pipe not exist.";
        return false;
    }
    std::string bytes = WStringToString(message);
    DWORD written = 0;
    ::WriteFile(pipe.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return true;
}

} // namespace qen

std::string GetProgName()
{
    std::string name;
    if (!ConfigParser::GetInstance().GetValue("ProgName", name))
        return std::string();
    return name;
}

std::wstring GetModuleDir()
{
    wchar_t path[1024] = {0};
    DWORD n = ::GetModuleFileNameW(nullptr, path, 1024);
    if (n == 0 || n >= 1024)
        return std::wstring();
    std::wstring full(path, n);
    size_t pos = full.find_last_of(L'\\');
    return pos == std::wstring::npos ? std::wstring() : full.substr(0, pos + 1);
}

std::wstring GetLauncherPipeName()
{
    std::string launchName;
    if (!ConfigParser::GetInstance().GetValue("LaunchName", launchName))
        return std::wstring();
    char name[kPipeNameBytes];
    int n = std::snprintf(name, sizeof(name), "LU_%s", launchName.c_str());
    if (n < 0 || static_cast<size_t>(n) >= sizeof(name)) {
        LOG(ERROR) << "LaunchName too long for a pipe name";
        return std::wstring();
    }
    return StringToWString(name);
}
