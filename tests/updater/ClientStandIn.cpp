// Stands in for the client program: it only waits, until it is stopped or its time is up.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    DWORD seconds = argc > 1 ? static_cast<DWORD>(wcstoul(argv[1], nullptr, 10)) : 60;
    ::Sleep(seconds * 1000);
    return 0;
}
