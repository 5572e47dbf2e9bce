// Shows one message box: ShowBox.exe <caption> <text> [<MB_ flags>]; exits with the button pressed.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3)
        return 100;
    UINT flags = argc > 3 ? static_cast<UINT>(wcstoul(argv[3], nullptr, 10)) : MB_OK;
    int result = MessageBoxW(nullptr, argv[2], argv[1], flags);
    LocalFree(argv);
    return result;
}
