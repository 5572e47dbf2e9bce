// The system's own text for an error code, for log lines that give the code and its meaning.
#pragma once
#include <windows.h>
#include <string>

// The message of error (GetLastError, a registry or WinINet result) without its line break, in the
// given code page: CP_UTF8 for the easylogging logs, 936 for Portvane's log (as its WideToNarrow).
// "unknown error" when the system has no text for the code.
inline std::string SystemText(DWORD error, UINT codePage = CP_UTF8)
{
    wchar_t text[512] = {};
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    const void* source = nullptr;
    HMODULE wininet = ::GetModuleHandleW(L"wininet.dll");
    if (wininet && error >= 12000 && error < 13000) { // WinINet keeps its texts in its own module
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
        source = wininet;
    }
    DWORD length = ::FormatMessageW(flags, source, error, 0, text, sizeof(text) / sizeof(text[0]), nullptr);
    while (length > 0 && (text[length - 1] == L' ' || text[length - 1] == L'\r' || text[length - 1] == L'\n'))
        --length;
    if (length == 0)
        return "unknown error";
    int bytes = ::WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(codePage, 0, text, static_cast<int>(length), &out[0], bytes, nullptr, nullptr);
    return out;
}
