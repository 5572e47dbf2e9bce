#pragma once
#include <windows.h>
#include <string>

namespace testkit {

// Default value (REG_SZ) of a key; empty when the key or value is missing.
std::wstring ReadRegDefault(HKEY root, const std::wstring& subkey);
// Bytes the default value holds as stored (0 when missing): a REG_SZ should hold its text and terminator.
DWORD RegDefaultBytes(HKEY root, const std::wstring& subkey);
bool KeyExists(HKEY root, const std::wstring& subkey);
// Hands a link to the shell as a browser does ("start <link>"); true when the shell's start ended with 0.
bool ShellStart(const std::wstring& link, DWORD timeout_ms);
void DeleteRegTree(HKEY root, const std::wstring& subkey);

// Sets (or with nullptr removes) HKCU\SOFTWARE\<program>\Language and puts back what was there before.
class LanguageGuard
{
public:
    LanguageGuard(const std::wstring& programName, const wchar_t* value);
    ~LanguageGuard();
    LanguageGuard(const LanguageGuard&) = delete;
    LanguageGuard& operator=(const LanguageGuard&) = delete;

private:
    std::wstring programKey_;
    std::wstring languageKey_;
    bool hadProgramKey_;
    bool hadLanguageKey_;
    std::wstring oldValue_; // before hadValue_: filled while hadValue_ is initialised
    bool hadValue_;
};

} // namespace testkit
