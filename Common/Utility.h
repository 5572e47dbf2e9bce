// Helpers of the Launcher (also compiled into Portvane): processes, the client pipe, the URL
// protocol, the UI language, shortcuts, text conversions and the product configuration.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

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

namespace Utility {
void EnableDebugPrivilege();
// Terminates every process of that executable name (any case) and waits, bounded, until each is gone.
[[nodiscard]] bool KillAllProcesses(const wchar_t* exeName);
// One message to "\\.\Pipe\<name>", code page 936, no terminator, at most 2047 bytes. A busy or
// briefly missing pipe is tried again for up to waitMs (0: one try).
[[nodiscard]] bool WritePipeBuf(const wchar_t* pipeName, const wchar_t* text, DWORD waitMs = 0);
[[nodiscard]] bool RegisterUrlProtocol(const wchar_t* scheme);
bool IsChineseUi(const std::wstring& programName);
int UpdateShortcut(const wchar_t* name, const wchar_t* folder, const wchar_t* target, const wchar_t* icon,
                   const wchar_t* workDir, int csidl);

[[nodiscard]] bool WideToGbk(const wchar_t* text, char* out, unsigned bytes);
[[nodiscard]] bool Utf8ToWide(const char* text, wchar_t* out /* [MAX_PATH] */);
std::string ToUtf8(const std::wstring& text);
std::string ToUtf8(const wchar_t* text);
std::wstring FromUtf8(const std::string& text);

// _snwprintf into a fixed buffer: always terminated; false when the text did not fit.
[[nodiscard]] bool FormatW(wchar_t* out, size_t count, const wchar_t* format, ...);
// Same, but a text that does not fit is cut (for message boxes).
void FormatCutW(wchar_t* out, size_t count, const wchar_t* format, ...);

bool FileExists(const wchar_t* path);
bool DirExists(const wchar_t* path);

// overlong, when given, receives the record names ("name", "ProgName", ...) of fields whose last
// non-empty value was refused for being longer than 259 characters.
[[nodiscard]] bool ReadProductConfig(ProductConfig& config, const wchar_t* path,
                                     std::vector<std::string>* overlong = nullptr);
// Rewrites the env elements (UTF-8 text) and saves. The file stays untouched unless it loads whole
// (no NUL, nothing after a stray closing tag dropped) and the written file reads back with the new
// env and every other field unchanged; false when it stays untouched.
[[nodiscard]] bool SetProductConfigEnv(const char* envUtf8, const wchar_t* path);
} // namespace Utility

[[nodiscard]] bool GbkToWide(const char* text, wchar_t* out, unsigned characters);
