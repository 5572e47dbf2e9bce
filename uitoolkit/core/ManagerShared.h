// Process-wide state shared by the window managers (internal to the manager's sources).
#pragma once
#include "core/WindowManager.h"
#include "core/WindowWnd.h"
#include "base/UIHandlingScope.h"

namespace UiToolkit {

// Process-wide state of the window managers; UI thread only.
ResourcesUI& SharedResources();
CPtrArrayUI& ManagerList();
HPEN& DirtyFramePen();

// Open across a manager call that may run handlers, also when the application calls from outside any message:
// the manager's window object is not finished (so the manager is not freed) before the call returns, and
// controls removed meanwhile are freed only after that.
struct ManagerBusy
{
    explicit ManagerBusy(HWND hWnd) : hold(hWnd) {}
    CHandlingScopeUI handling; // closes last: the frees wait for the window's end
    CWindowWnd::Hold hold;
};

} // namespace UiToolkit
