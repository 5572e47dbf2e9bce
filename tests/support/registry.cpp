#include "registry.h"
#include "Handles.h"
#include "testprocess.h"

namespace testkit {

static bool ReadDefault(HKEY root, const std::wstring& subkey, std::wstring* out)
{
    ScopedRegKey key;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &size) !=
        ERROR_SUCCESS)
        return false;
    value.resize(wcsnlen(value.c_str(), size / sizeof(wchar_t)));
    *out = value;
    return true;
}

DWORD RegDefaultBytes(HKEY root, const std::wstring& subkey)
{
    ScopedRegKey key;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return 0;
    return size;
}

bool ShellStart(const std::wstring& link, DWORD timeout_ms)
{
    wchar_t system[MAX_PATH] = {0};
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    ProcessResult r = RunProcess(std::wstring(system) + L"\\start.exe", link, timeout_ms);
    return r.finished && r.exitCode == 0;
}

static bool WriteDefault(HKEY root, const std::wstring& subkey, const std::wstring& value)
{
    ScopedRegKey key;
    if (RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Out(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring ReadRegDefault(HKEY root, const std::wstring& subkey)
{
    std::wstring value;
    ReadDefault(root, subkey, &value);
    return value;
}

bool KeyExists(HKEY root, const std::wstring& subkey)
{
    ScopedRegKey key;
    return RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
}

void DeleteRegTree(HKEY root, const std::wstring& subkey)
{
    RegDeleteTreeW(root, subkey.c_str());
    RegDeleteKeyW(root, subkey.c_str());
}

LanguageGuard::LanguageGuard(const std::wstring& programName, const wchar_t* value)
    : programKey_(L"SOFTWARE\\" + programName), languageKey_(programKey_ + L"\\Language"),
      hadProgramKey_(KeyExists(HKEY_CURRENT_USER, programKey_)),
      hadLanguageKey_(KeyExists(HKEY_CURRENT_USER, languageKey_)),
      hadValue_(ReadDefault(HKEY_CURRENT_USER, languageKey_, &oldValue_))
{
    if (value)
        WriteDefault(HKEY_CURRENT_USER, languageKey_, value);
    else
        DeleteRegTree(HKEY_CURRENT_USER, languageKey_);
}

LanguageGuard::~LanguageGuard()
{
    if (!hadProgramKey_) {
        DeleteRegTree(HKEY_CURRENT_USER, programKey_);
    } else if (!hadLanguageKey_) {
        DeleteRegTree(HKEY_CURRENT_USER, languageKey_);
    } else if (hadValue_) {
        WriteDefault(HKEY_CURRENT_USER, languageKey_, oldValue_);
    } else {
        ScopedRegKey key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, languageKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Out(),
                            nullptr) == ERROR_SUCCESS)
            RegDeleteValueW(key.Get(), nullptr);
    }
}

} // namespace testkit
