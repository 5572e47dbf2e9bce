// Stand-in for the client program: records how it was started and what arrives on its pipes in
// client-record.txt beside itself, and owns a hidden window of the class CLIENTSTUB_WINDOW_CLASS names.
#include <windows.h>

#include <cstdint>
#include <cwctype>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <tinyxml2.h>

#include "files.h"
#include "Handles.h"
#include "pipeserver.h"

using namespace testkit;

namespace {

std::mutex g_recordLock;
std::wstring g_recordPath;

// Appends under Wine are not atomic across processes: the stubs that share a record take one named
// mutex for a line, named after the record so that other tests' stubs never wait for it.
std::wstring RecordMutexName(const std::wstring& recordPath)
{
    uint32_t hash = 2166136261u; // FNV-1a of the lower-case path
    for (wchar_t c : recordPath) {
        hash ^= static_cast<uint32_t>(towlower(c));
        hash *= 16777619u;
    }
    wchar_t name[48];
    _snwprintf(name, 48, L"kelnova_client_record_%08x", hash);
    name[47] = L'\0';
    return name;
}

class RecordMutex
{
public:
    RecordMutex() : mutex_(CreateMutexW(nullptr, FALSE, RecordMutexName(g_recordPath).c_str()))
    {
        if (mutex_.Valid())
            WaitForSingleObject(mutex_.Get(), 5000);
    }
    ~RecordMutex()
    {
        if (mutex_.Valid())
            ReleaseMutex(mutex_.Get());
    }

private:
    ScopedHandle mutex_;
};

void Record(const std::string& line)
{
    std::lock_guard<std::mutex> hold(g_recordLock);
    RecordMutex crossProcess;
    std::string bytes = line + "\n";
    // Readers may hold the file open: share everything, retry briefly.
    for (int attempt = 0; attempt < 100; ++attempt) {
        ScopedHandle f(CreateFileW(g_recordPath.c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (f.Valid()) {
            DWORD written = 0;
            WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            FlushFileBuffers(f.Get());
            return;
        }
        Sleep(10);
    }
}

// The command line after the program token and its following blanks, as Windows splits it.
std::wstring ArgsOf(const std::wstring& cmd)
{
    size_t i = 0;
    if (i < cmd.size() && cmd[i] == L'"') {
        size_t close = cmd.find(L'"', 1);
        i = close == std::wstring::npos ? cmd.size() : close + 1;
    } else {
        while (i < cmd.size() && cmd[i] != L' ' && cmd[i] != L'\t')
            ++i;
    }
    while (i < cmd.size() && (cmd[i] == L' ' || cmd[i] == L'\t'))
        ++i;
    return cmd.substr(i);
}

// The pipe element of ProductConfig.xml here or one folder up; empty when there is none.
std::wstring ConfiguredPipe(const std::wstring& dir)
{
    std::wstring parent = dir.substr(0, dir.size() - 1);
    parent = parent.substr(0, parent.find_last_of(L'\\') + 1);
    for (const std::wstring& folder : {dir, parent}) {
        std::string xml;
        if (folder.empty() || !ReadFileBytes(folder + L"ProductConfig.xml", &xml))
            continue;
        tinyxml2::XMLDocument doc;
        if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || !doc.RootElement())
            return L"";
        for (auto* e = doc.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement()) {
            if (_stricmp(e->Name(), "pipe") == 0)
                return e->GetText() ? FromUtf8(e->GetText()) : L"";
        }
        return L"";
    }
    return L"";
}

// The client's own class ("kastrelumion") only for a test that asks for it: the Updater owns its notice
// by the first window of that class on the desktop, and the tests running beside it start stubs too.
std::wstring WindowClass()
{
    wchar_t buf[128] = {};
    DWORD n = GetEnvironmentVariableW(L"CLIENTSTUB_WINDOW_CLASS", buf, 128);
    if (n == 0 || n >= 128)
        return L"ClientStubWindow";
    return buf;
}

DWORD Lifetime()
{
    wchar_t buf[32] = {};
    DWORD n = GetEnvironmentVariableW(L"CLIENTSTUB_LIFETIME_MS", buf, 32);
    if (n == 0 || n >= 32)
        return 60000;
    return wcstoul(buf, nullptr, 10);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_TIMER) {
        KillTimer(hwnd, wp);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    wchar_t module[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH * 2);
    std::wstring self = module;
    std::wstring dir = self.substr(0, self.find_last_of(L'\\') + 1);
    std::wstring exeName = self.substr(dir.size());
    g_recordPath = dir + L"client-record.txt";

    wchar_t cwd[MAX_PATH * 2] = {};
    GetCurrentDirectoryW(MAX_PATH * 2, cwd);
    Record("start pid=" + std::to_string(GetCurrentProcessId()) + " exe=" + ToUtf8(exeName));
    Record("args=" + ToUtf8(ArgsOf(GetCommandLineW())));
    Record("cmdline=" + ToUtf8(GetCommandLineW()));
    Record("cwd=" + ToUtf8(cwd));

    const std::wstring windowClass = WindowClass();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = windowClass.c_str();
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, windowClass.c_str(), L"kelnova", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, instance, nullptr);

    std::vector<std::wstring> names;
    std::wstring configured = ConfiguredPipe(dir);
    if (!configured.empty())
        names.push_back(configured);
    if (_wcsicmp(exeName.c_str(), L"kelnova.exe") == 0 && _wcsicmp(configured.c_str(), L"ANEDLL_kelnova") != 0)
        names.push_back(L"ANEDLL_kelnova");

    std::vector<std::unique_ptr<PipeServer>> servers;
    for (const std::wstring& name : names) {
        std::string utf8 = ToUtf8(name);
        servers.emplace_back(
            new PipeServer(name, [utf8](const std::string& bytes) { Record("pipe " + utf8 + " hex=" + Hex(bytes)); }));
        if (servers.back()->Listening())
            Record("listening " + utf8);
    }

    SetTimer(hwnd, 1, Lifetime(), nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Record("exit");
    servers.clear();
    return 0;
}
