// Hand tool for shell scripts: finds a visible top-level window by class and acts on it as a user would.
//   WindowTool find <class> <timeout_ms>     prints "x y width height title" (screen pixels, UTF-8)
//   WindowTool drawn <class> <timeout_ms> [ink|blank <x> <y> <w> <h>]
//                                            as find, once the window holds still and has painted all
//                                            it and its child windows invalidated; with a client
//                                            rectangle (x < 0 counts from the right edge), also once
//                                            something is drawn there (ink) or nothing is (blank)
//   WindowTool gone <class> <timeout_ms>     succeeds once no visible window of that class is left
//   WindowTool click <class> <x> <y>         a left click at a client point, as the window's queue sees it
//   WindowTool key <class> <virtual key>     a key press (27 Esc, 13 Enter)
// Exit code 0 on success, 1 when no such window was found in time, 2 on a usage error.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "files.h"
#include "screen.h"

namespace {

struct ClassSearch
{
    const wchar_t* className = nullptr;
    HWND found = nullptr;
};

BOOL CALLBACK MatchClass(HWND wnd, LPARAM param)
{
    ClassSearch* search = reinterpret_cast<ClassSearch*>(param);
    wchar_t name[128] = {};
    GetClassNameW(wnd, name, 128);
    if (wcscmp(name, search->className) == 0 && IsWindowVisible(wnd)) {
        search->found = wnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisible(const wchar_t* className)
{
    ClassSearch search;
    search.className = className;
    EnumWindows(&MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitVisible(const wchar_t* className, DWORD timeoutMs)
{
    HWND found = nullptr;
    testkit::WaitFor([&] { return (found = FindVisible(className)) != nullptr; }, timeoutMs);
    return found;
}

// A visible window of the class that held still between two looks and has painted everything, with
// the colours asked for in `area` when `test` is "ink" (two or more) or "blank" (one).
HWND WaitDrawn(const wchar_t* className, DWORD timeoutMs, const std::wstring& test, const RECT& area)
{
    HWND seen = nullptr;
    RECT last = {};
    bool drawn = testkit::WaitFor(
        [&] {
            HWND wnd = FindVisible(className);
            RECT now = {};
            if (!wnd || !GetWindowRect(wnd, &now))
                return false;
            const bool still = wnd == seen && EqualRect(&now, &last);
            seen = wnd;
            last = now;
            if (!still || !testkit::Painted(wnd))
                return false;
            return test.empty() || testkit::ColoursIn(wnd, area) == (test == L"ink" ? 2 : 1);
        },
        timeoutMs);
    return drawn ? seen : nullptr;
}

void Print(const std::string& line)
{
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
}

int Usage()
{
    fprintf(stderr, "usage: WindowTool find|gone <class> <timeout_ms> | drawn <class> <timeout_ms> [ink|blank x y w h]"
                    " | click <class> <x> <y> | key <class> <vk>\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4)
        return Usage();
    _setmode(_fileno(stdout), _O_BINARY);
    const std::wstring verb = argv[1];
    const wchar_t* className = argv[2];
    const DWORD number = wcstoul(argv[3], nullptr, 10);

    if (verb == L"gone")
        return testkit::WaitFor([&] { return FindVisible(className) == nullptr; }, number) ? 0 : 1;

    HWND wnd = nullptr;
    if (verb == L"drawn") {
        const std::wstring test = argc == 9 ? argv[4] : L"";
        if (argc != 4 && (argc != 9 || (test != L"ink" && test != L"blank")))
            return Usage();
        RECT area = {};
        if (argc == 9) {
            const long x = wcstol(argv[5], nullptr, 10), y = wcstol(argv[6], nullptr, 10);
            SetRect(&area, x, y, x + wcstol(argv[7], nullptr, 10), y + wcstol(argv[8], nullptr, 10));
        }
        wnd = WaitDrawn(className, number, test, area);
    } else {
        wnd = WaitVisible(className, verb == L"find" ? number : 2000);
    }
    if (!wnd)
        return 1;
    if (verb == L"find" || verb == L"drawn") {
        RECT rc = {};
        GetWindowRect(wnd, &rc);
        wchar_t title[256] = {};
        GetWindowTextW(wnd, title, 256);
        Print(std::to_string(rc.left) + " " + std::to_string(rc.top) + " " + std::to_string(rc.right - rc.left) + " " +
              std::to_string(rc.bottom - rc.top) + " " + testkit::ToUtf8(title) + "\n");
        return 0;
    }
    if (verb == L"key") {
        PostMessageW(wnd, WM_KEYDOWN, number, 0);
        PostMessageW(wnd, WM_KEYUP, number, 0xC0000001);
        return 0;
    }
    if (argc < 5)
        return Usage();
    POINT at = {static_cast<LONG>(number), static_cast<LONG>(wcstol(argv[4], nullptr, 10))};
    if (verb == L"click") {
        LPARAM pos = MAKELPARAM(at.x, at.y);
        PostMessageW(wnd, WM_MOUSEMOVE, 0, pos);
        PostMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, pos);
        PostMessageW(wnd, WM_LBUTTONUP, 0, pos);
        return 0;
    }
    return Usage();
}
