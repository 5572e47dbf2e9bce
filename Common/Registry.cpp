#include "Utility.h"
#include "Handles.h"
#include <cstring>

namespace Utility {
namespace {
// A REG_SZ is stored as its text and terminator: the shell refuses a command that carries the rest
// of a zeroed buffer ("Invalid name").
DWORD TextBytes(const wchar_t* text)
{
    return static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
}
} // namespace

bool RegisterUrlProtocol(const wchar_t* scheme)
{
    if (!scheme || !*scheme)
        return false;
    wchar_t keyName[1024];
    if (!FormatW(keyName, 1024, L"%ls\\shell\\open\\command", scheme))
        return false;
    ScopedRegKey key;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName, 0, NULL, 0, KEY_ALL_ACCESS, NULL, key.Out(), NULL) != ERROR_SUCCESS)
        return false;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(NULL, self, MAX_PATH);
    wchar_t value[MAX_PATH] = {};
    bool ok = FormatW(value, MAX_PATH, L"\"%ls\" \"%%1\"", self) &&
              RegSetValueExW(key.Get(), NULL, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), TextBytes(value)) ==
                  ERROR_SUCCESS;
    return ok;
}

bool IsChineseUi(const std::wstring& programName)
{
    if (programName.size() <= 4)
        return true;
    std::wstring subKey = L"SOFTWARE\\" + programName.substr(0, programName.size() - 4) + L"\\Language";
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS)
        return true;
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key.Get(), NULL, NULL, &type, reinterpret_cast<BYTE*>(value), &size);
    if (rc != ERROR_SUCCESS)
        return true;
    value[MAX_PATH] = 0; // a value that fills the buffer is still terminated
    return strcmp(value, "en-US") != 0;
}
} // namespace Utility
