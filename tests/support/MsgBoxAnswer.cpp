// Hand tool for shell scripts: MsgBoxAnswer.exe <button> <timeout_ms> answers every message box for
// that long and prints "caption|text" per box (UTF-8).
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>

#include "msgbox.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: MsgBoxAnswer <button> <timeout_ms>\n");
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);
    int button = static_cast<int>(wcstol(argv[1], nullptr, 10));
    DWORD timeout = wcstoul(argv[2], nullptr, 10);
    testkit::MsgBoxAnswerer answerer(button);
    size_t printed = 0;
    DWORD start = GetTickCount();
    for (;;) {
        auto boxes = answerer.Boxes();
        for (; printed < boxes.size(); ++printed) {
            std::string line = boxes[printed].caption + "|" + boxes[printed].text + "\n";
            fwrite(line.data(), 1, line.size(), stdout);
            fflush(stdout);
        }
        if (GetTickCount() - start >= timeout)
            break;
        Sleep(50);
    }
    return 0;
}
