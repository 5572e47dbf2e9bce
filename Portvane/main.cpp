// Portvane: handles kelnova:// links.
#include "Portvane.h"
#include "Handles.h"
#include "PipeOpen.h"
#include "cpplog.h"

#include <shellapi.h>

#include <vector>

namespace {

const wchar_t kScheme[] = L"kelnova://";
const size_t kSchemeLength = 10;
const wchar_t kForceRun[] = L"forcerun:";
const size_t kPipeBufferSize = 10240;

// The text in the system code page with its NUL, cut at a character boundary to fit the pipe buffer.
std::vector<char> PipeText(const std::wstring& text, bool* cut)
{
    std::string narrow;
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n > 0) {
        narrow.resize(n);
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &narrow[0], n, nullptr, nullptr);
    }
    *cut = narrow.size() >= kPipeBufferSize;
    if (*cut) {
        size_t end = 0;
        for (size_t i = 0; i < kPipeBufferSize - 1;) {
            size_t step = IsDBCSLeadByte(static_cast<BYTE>(narrow[i])) ? 2 : 1;
            if (i + step > kPipeBufferSize - 1)
                break;
            i += step;
            end = i;
        }
        narrow.resize(end);
    }
    std::vector<char> bytes(narrow.begin(), narrow.end());
    bytes.push_back('\0');
    return bytes;
}

} // namespace

bool HandToRunningClient(const std::wstring& tail)
{
    // Links often come in bursts: wait for a client that is reading another one.
    ScopedHandle pipe(OpenPipeWaiting(L"\\\\.\\Pipe\\ANEDLL_kelnova", kPipeHandOffWaitMs));
    if (!pipe)
        return false;
    bool cut = false;
    std::vector<char> bytes = PipeText(tail, &cut);
    if (cut)
        PV_LOG("HandToRunningClient") << "link text cut to the pipe buffer";
    DWORD written = 0;
    WriteFile(pipe.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return true;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmdLine, int)
{
    std::wstring cmd = cmdLine ? cmdLine : L"";
    bool force = false;
    if (cmd.compare(0, wcslen(kForceRun), kForceRun) == 0) {
        cmd = cmd.substr(wcslen(kForceRun));
        force = true;
    }
    bool start = CheckRunningClient(force);
    size_t pos = cmd.find(kScheme);
    if (start) {
        WriteRegFun();
        wchar_t module[MAX_PATH] = {};
        DWORD n = GetModuleFileNameW(instance, module, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            wchar_t* cut = wcsrchr(module, L'\\');
            if (cut)
                *cut = 0;
            SetCurrentDirectoryW(module);
        }
        std::wstring params = pos == std::wstring::npos ? cmd : cmd.substr(pos + kSchemeLength);
        PV_LOG("wWinMain") << "class path: "
                           << "kelnova.exe";
        PV_LOG("wWinMain") << "par: " << WideToNarrow(params);
        CleanTempAndMoveUpdate();
        ExtractUpdateZip();
        if (GetAsyncKeyState(VK_CONTROL) < 0 && GetAsyncKeyState(VK_MENU) < 0)
            params += L" IsAdmin";
        ShellExecuteW(nullptr, L"open", L"kelnova.exe", params.c_str(), nullptr, SW_SHOW);
        return 0;
    }
    if (pos == std::wstring::npos)
        return 0;
    return HandToRunningClient(cmd.substr(pos + kSchemeLength)) ? 0 : 1;
}
