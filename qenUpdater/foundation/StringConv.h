#pragma once
// Text conversions of the Updater: wide paths and UI texts, narrow pipe texts and configuration values.
#include <string>

// System ANSI code page <-> UTF-16.
std::wstring StringToWString(const std::string& text);
std::string WStringToString(const std::wstring& text);
// UTF-16 to the thread's ANSI code page (command-line option values).
std::string WStringToThreadAcp(const std::wstring& text);

// Code page 936 to UTF-16 into a caller buffer of `chars` wide characters (terminator included).
// False for a null text, a text that does not fit, or an empty result.
[[nodiscard]] bool GbkToWide(const char* text, wchar_t* out, unsigned chars);

// UTF-8 for the log file, which is written as narrow UTF-8 text.
std::string WideToUtf8(const std::wstring& text);
