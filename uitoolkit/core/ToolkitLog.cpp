#include "core/ToolkitLog.h"

#include <windows.h>

namespace UiToolkit {

std::string LogText(const wchar_t* text)
{
    if (text == NULL || *text == L'\0')
        return std::string();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    if (bytes <= 1)
        return std::string();
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], bytes, NULL, NULL);
    result.resize(static_cast<size_t>(bytes - 1));
    return result;
}

} // namespace UiToolkit
