// A program that only waits (Sleeper.exe <ms>): a client process that serves no pipe.
#include <windows.h>
#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR cmdLine, int)
{
    DWORD ms = cmdLine && *cmdLine ? wcstoul(cmdLine, nullptr, 10) : 60000;
    Sleep(ms);
    return 0;
}
