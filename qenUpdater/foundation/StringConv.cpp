#include "foundation/StringConv.h"

#include <windows.h>

#include <vector>

namespace {

std::wstring ToWide(UINT codePage, const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string ToNarrow(UINT codePage, const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n =
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

} // namespace

std::wstring StringToWString(const std::string& text)
{
    return ToWide(CP_ACP, text);
}

std::string WStringToString(const std::wstring& text)
{
    return ToNarrow(CP_ACP, text);
}

std::string WStringToThreadAcp(const std::wstring& text)
{
    return ToNarrow(CP_THREAD_ACP, text);
}

std::string WideToUtf8(const std::wstring& text)
{
    return ToNarrow(CP_UTF8, text);
}

bool GbkToWide(const char* text, wchar_t* out, unsigned chars)
{
    if (text == nullptr || out == nullptr || chars == 0)
        return false;
    ::ZeroMemory(out, chars * sizeof(wchar_t));
    int needed = ::MultiByteToWideChar(936, 0, text, -1, nullptr, 0); // counts the terminator
    if (needed <= 0 || static_cast<unsigned>(needed) > chars)
        return false;
    ::MultiByteToWideChar(936, 0, text, -1, out, needed);
    out[chars - 1] = L'\0';
    return out[0] != L'\0';
}
