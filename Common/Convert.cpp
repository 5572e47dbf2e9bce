#include "Utility.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace Utility {
bool WideToGbk(const wchar_t* text, char* out, unsigned bytes)
{
    if (!text || !out || bytes == 0)
        return false;
    memset(out, 0, bytes);
    int need = WideCharToMultiByte(936, 0, text, -1, NULL, 0, NULL, NULL);
    if (need <= 0 || static_cast<unsigned>(need) > bytes)
        return false;
    WideCharToMultiByte(936, 0, text, -1, out, bytes, NULL, NULL);
    out[bytes - 1] = 0;
    return out[0] != 0;
}

bool Utf8ToWide(const char* text, wchar_t* out)
{
    if (!text || !out)
        return false;
    out[0] = 0;
    int need = MultiByteToWideChar(CP_UTF8, 0, text, -1, NULL, 0);
    if (need <= 0 || need > MAX_PATH)
        return false;
    std::vector<wchar_t> heap(need);
    MultiByteToWideChar(CP_UTF8, 0, text, -1, heap.data(), need);
    wmemcpy(out, heap.data(), need);
    out[MAX_PATH - 1] = 0;
    return out[0] != 0;
}

std::string ToUtf8(const wchar_t* text)
{
    if (!text || !*text)
        return std::string();
    int need = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    if (need <= 1)
        return std::string();
    std::string out(need, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], need, NULL, NULL);
    out.resize(need - 1);
    return out;
}

std::string ToUtf8(const std::wstring& text)
{
    return ToUtf8(text.c_str());
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int need = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), NULL, 0);
    std::wstring out(need, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], need);
    return out;
}

static int FormatInto(wchar_t* out, size_t count, const wchar_t* format, va_list args)
{
    if (!out || count == 0)
        return -1;
    int n = _vsnwprintf(out, count, format, args);
    out[count - 1] = 0;
    return n;
}

bool FormatW(wchar_t* out, size_t count, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatInto(out, count, format, args);
    va_end(args);
    if (n < 0 || static_cast<size_t>(n) >= count) {
        if (out && count)
            out[0] = 0;
        return false;
    }
    return true;
}

void FormatCutW(wchar_t* out, size_t count, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatInto(out, count, format, args);
    va_end(args);
}

bool FileExists(const wchar_t* path)
{
    return path && *path && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool DirExists(const wchar_t* path)
{
    if (!path || !*path)
        return false;
    DWORD attr = GetFileAttributesW(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace Utility

bool GbkToWide(const char* text, wchar_t* out, unsigned characters)
{
    if (!text || !out || characters == 0)
        return false;
    memset(out, 0, characters * sizeof(wchar_t));
    int need = MultiByteToWideChar(936, 0, text, -1, NULL, 0);
    if (need <= 0 || static_cast<unsigned>(need) > characters)
        return false;
    MultiByteToWideChar(936, 0, text, -1, out, characters);
    out[characters - 1] = 0;
    return out[0] != 0;
}
