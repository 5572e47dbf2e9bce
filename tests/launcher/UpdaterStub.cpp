// Stand-in for Updater.exe in the environment-switch tests: records its command line and answers the
// Launcher's LU_ pipe as updater-behavior.txt beside it says (mode=ok|fail|garbage|silent); the time it
// ends (FILETIME ticks) goes to updater-end.txt.
#include <windows.h>
#include "Handles.h"
#include <fstream>
#include <map>
#include <string>

namespace {
std::wstring OwnDir()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

std::string ToUtf8(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, NULL, 0, NULL, NULL);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, NULL, NULL);
    return s;
}

std::wstring FromUtf8(const std::string& s)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, NULL, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
    return w;
}

void SendToPipe(const std::wstring& pipe, const std::string& text)
{
    std::wstring path = L"\\\\.\\Pipe\\" + pipe;
    for (int i = 0; i < 100; ++i) {
        ScopedHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL));
        if (h) {
            DWORD written = 0;
            WriteFile(h.Get(), text.data(), static_cast<DWORD>(text.size()), &written, NULL);
            return;
        }
        Sleep(50);
    }
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    std::wstring dir = OwnDir();
    {
        std::ofstream record((dir + L"updater-record.txt").c_str(), std::ios::binary | std::ios::app);
        record << ToUtf8(GetCommandLineW()) << "\n";
    }
    std::map<std::string, std::string> behavior;
    std::ifstream in((dir + L"updater-behavior.txt").c_str(), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            behavior[line.substr(0, eq)] = line.substr(eq + 1);
    }
    const std::string mode = behavior["mode"];
    std::wstring pipe = FromUtf8(behavior["pipe"]);
    if (mode == "ok") {
        // What a real installation leaves: the new environment's client folder and, unless the
        // package lacks it (mode=ok without client=), its client program.
        CreateDirectoryW(FromUtf8(behavior["mkdir"]).c_str(), NULL);
        if (!behavior["client"].empty())
            std::ofstream(FromUtf8(behavior["client"]).c_str(), std::ios::binary) << "client";
        SendToPipe(pipe, "msg1:1");
    } else if (mode == "fail")
        SendToPipe(pipe, "msg1:0");
    else if (mode == "garbage")
        SendToPipe(pipe, "hello there");
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    std::ofstream((dir + L"updater-end.txt").c_str(), std::ios::binary)
        << ((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return mode == "silent" ? 3 : 0;
}
