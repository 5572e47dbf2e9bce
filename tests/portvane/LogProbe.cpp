// Logs one INFO message through the process-wide logger: LogProbe.exe <total characters>, the
// prefix included, text cycling through the alphabet so that a cut is visible.
#include <cwchar>
#include <string>

#include "cpplog.h"

int wmain(int argc, wchar_t** argv)
{
    size_t total = argc > 1 ? wcstoul(argv[1], nullptr, 10) : 10;
    n_log::CustomLogMessage message(&g_logger, __LINE__, "wmain");
    size_t prefix = message.Data()->prefixLength;
    std::string text;
    for (size_t i = prefix; i < total; ++i)
        text += static_cast<char>('a' + (i % 26));
    message.Stream() << text;
    return 0;
}
