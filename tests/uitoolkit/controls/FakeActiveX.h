// The fake OLE control of FakeActiveX.dll: its class ids and the probes tests reach through GetProcAddress.
#pragma once
#include <windows.h>

// Activates windowless when the site allows it.
// {6C1F3A10-2B7E-4C1D-9E55-0A1B2C3D4E01}
static const CLSID CLSID_FakeWindowless = {
    0x6c1f3a10, 0x2b7e, 0x4c1d, {0x9e, 0x55, 0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x01}};
// Always activates in a window of its own inside the site's window.
// {6C1F3A10-2B7E-4C1D-9E55-0A1B2C3D4E02}
static const CLSID CLSID_FakeWindowed = {0x6c1f3a10, 0x2b7e, 0x4c1d, {0x9e, 0x55, 0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x02}};
// Windowed, and answers as a web browser: Navigate2, a document after it, and key translation.
// {6C1F3A10-2B7E-4C1D-9E55-0A1B2C3D4E03}
static const CLSID CLSID_FakeBrowser = {0x6c1f3a10, 0x2b7e, 0x4c1d, {0x9e, 0x55, 0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x03}};

// The colour the fake draws its bounds with.
const COLORREF FAKE_DRAW_COLOR = RGB(0, 128, 255);
// What the fake answers to every window message it is given.
const LRESULT FAKE_MESSAGE_RESULT = 0x55;

// Probes, all cdecl:
//   void FakeReset(DWORD miscStatus)   clears the log and sets the misc status new objects report
//   int FakeLogCount()                 number of calls logged
//   const wchar_t* FakeLogEntry(int)   one call, e.g. L"DoVerb -5" or L"SetObjectRects 0,0,200,100"
//   int FakeLiveObjects()              objects not yet destroyed
//   int FakeRunningLocks()             LockRunning(TRUE) calls not yet undone
//   HWND FakeChildWindow()             the last windowed object's own window (NULL when none)
//   void FakeKeepFrame(int)            objects activated from now keep the in-place frame (0 releases it)
//   HRESULT FakeAskKeptFrame()         the kept frame's GetWindow answer
//   HRESULT FakeShowObject()           the newest live object's client site's ShowObject answer
//   HRESULT FakeTakeFocus()            the newest live object's site's SetFocus(TRUE) answer
//   void FakeFocusOnUIActivate(int)    objects take the focus through their site when told to UI-activate (0: not)
typedef void (*FakeResetProc)(DWORD);
typedef int (*FakeCountProc)();
typedef const wchar_t* (*FakeLogEntryProc)(int);
typedef HWND (*FakeWindowProc)();
typedef void (*FakeKeepProc)(int);
typedef HRESULT (*FakeAskProc)();
