// The owning holder for WinINet handles (sessions, connections, requests); link wininet.
#pragma once
#include "Handles.h"
#include <wininet.h>

struct InternetHandleTraits
{
    using Type = HINTERNET;
    static Type Invalid() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::InternetCloseHandle(h); }
};

using ScopedInternetHandle = ScopedWinHandle<InternetHandleTraits>;
