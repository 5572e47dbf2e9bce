// Registers this program as the handler of kelnova:// links.
#include "Portvane.h"
#include "Handles.h"
#include "SystemText.h"
#include "cpplog.h"

#include <cstdio>

void WriteRegFun()
{
    wchar_t path[260] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, 260);
    if (n == 0 || n >= 260) {
        printf("GetModuleFileName failed w/err 0x%08lx\n", GetLastError());
        return;
    }
    ScopedRegKey key;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"kelnova\\shell\\open\\command", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.Out(), nullptr) != ERROR_SUCCESS)
        return;
    wchar_t value[260] = {};
    int written = _snwprintf(value, 259, L"\"%s\" \"%s\"", path, L"%1");
    // A path too long for the value is not registered half-written. The value is sized to its text and
    // terminator: with the rest of the zeroed buffer the shell cannot dispatch a link.
    if (written < 0 || written >= 259) {
        PV_LOG("WriteRegFun") << "set reg failure: path too long";
        return;
    }
    LONG result = RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>((written + 1) * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS)
        PV_LOG("WriteRegFun") << "set reg failure: " << result << " " << SystemText(result, 936);
}
