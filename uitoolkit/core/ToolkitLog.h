// The toolkit's log: the program's easylogging++ logger; include it before any header that brings windows.h.
#pragma once
#include <easylogging++.h>

#include <string>

namespace UiToolkit {

// UTF-8 form of a wide text for a log line.
std::string LogText(const wchar_t* text);

} // namespace UiToolkit
