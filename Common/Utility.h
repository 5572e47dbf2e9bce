// Helpers of the Launcher (also compiled into Portvane): processes, the client pipe, the URL
// protocol, the UI language, shortcuts, text conversions and the product configuration.
#pragma once
#include <windows.h>
#include <string>

struct ProductConfig
{
    std::wstring Version;
    std::wstring id;
    std::wstring name;
    std::wstring env;
    std::wstring ProgName;
    std::wstring protocol;
    std::wstring pipe;
    std::wstring shortcut_cn;
    std::wstring shortcut_en;
    std::wstring LaunchName;

    void Clear();
};

namespace Utility
{
void EnableDebugPrivilege();
// Terminates every process of that executable name (any case) and waits, bounded, until each is gone.
bool KillAllProcesses(const wchar_t* exeName);
// One message to "\\.\Pipe\<name>", code page 936, no terminator, at most 2047 bytes.
bool WritePipeBuf(const wchar_t* pipeName, const wchar_t* text);
bool RegisterUrlProtocol(const wchar_t* scheme);
bool IsChineseUi(const std::wstring& programName);
int UpdateShortcut(const wchar_t* name, const wchar_t* folder, const wchar_t* target,
                   const wchar_t* icon, const wchar_t* workDir, int csidl);

bool WideToGbk(const wchar_t* text, char* out, unsigned bytes);
bool Utf8ToWide(const char* text, wchar_t* out /* [MAX_PATH] */);
std::string ToUtf8(const std::wstring& text);
std::string ToUtf8(const wchar_t* text);
std::wstring FromUtf8(const std::string& text);

// _snwprintf into a fixed buffer: always terminated; false when the text did not fit.
bool FormatW(wchar_t* out, size_t count, const wchar_t* format, ...);
// Same, but a text that does not fit is cut (for message boxes).
void FormatCutW(wchar_t* out, size_t count, const wchar_t* format, ...);

bool FileExists(const wchar_t* path);
bool DirExists(const wchar_t* path);

bool ReadProductConfig(ProductConfig& config, const wchar_t* path);
// Rewrites the env element (UTF-8 text) and saves; a file that does not load stays untouched.
bool SetProductConfigEnv(const char* envUtf8, const wchar_t* path);
} // namespace Utility

bool GbkToWide(const char* text, wchar_t* out, unsigned characters);
