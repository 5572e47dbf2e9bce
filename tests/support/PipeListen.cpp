// Hand tool for shell scripts: PipeListen <pipe name> <timeout_ms> serves "\\.\Pipe\<name>" for that long
// and prints each message on a line of its own as it arrives (bytes below 0x20 as \xNN).
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "pipes.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: PipeListen <pipe name> <timeout_ms>\n");
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);
    testkit::PipeSink sink(argv[1]);
    if (!sink.Listening())
        return 1;
    printf("listening\n");
    fflush(stdout);
    const DWORD timeout = wcstoul(argv[2], nullptr, 10);
    const DWORD start = GetTickCount();
    size_t printed = 0;
    while (GetTickCount() - start < timeout) {
        sink.WaitForMessages(printed + 1, 100);
        auto messages = sink.Messages();
        for (; printed < messages.size(); ++printed) {
            std::string line;
            for (unsigned char c : messages[printed]) {
                char hex[8];
                if (c < 0x20) {
                    snprintf(hex, sizeof(hex), "\\x%02x", c);
                    line += hex;
                } else {
                    line += static_cast<char>(c);
                }
            }
            line += "\n";
            fwrite(line.data(), 1, line.size(), stdout);
            fflush(stdout);
        }
    }
    return 0;
}
